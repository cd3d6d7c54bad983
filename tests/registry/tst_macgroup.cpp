// The box registry: heartbeat merges, the offline clock, groups, names, the
// registry file and the row texts every window shows.
#include "base/clock.h"
#include "config/inifile.h"
#include "registry/MacGroup.h"
#include "testutil.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

MacGroupData heartbeat(const QString &mac, const QString &ip = QStringLiteral("192.0.2.7"),
                       const QString &version = QStringLiteral("1.0.3"))
{
    MacGroupData r;
    r.MacAdd = mac;
    r.IPAdd = ip;
    r.BoxVer = version;
    r.OutputMode = 0;
    r.LayoutMode = 0;
    r.DiskTotalMB = 1000;
    r.DiskFreeMB = 200;
    r.TimeDiff = 5;
    r.Status = 3;
    return r;
}

} // namespace

class TestMacGroup : public QObject
{
    Q_OBJECT

private:
    ManualClock m_clock;
    MacGruoup makeRegistry() { return MacGruoup(m_clock); }

private slots:
    void init() { m_clock.setNow(QDateTime::fromSecsSinceEpoch(1'000'000)); }

    void mergesHeartbeats()
    {
        MacGruoup reg = makeRegistry();
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("00:11"))), RES_NEWBOX);
        QCOMPARE(reg.BoxCount(), 1);
        const MacGroupData &b = reg.Box(0);
        QCOMPARE(b.Online, 1u);
        QCOMPARE(b.GroupIndex, 1u);
        QVERIFY(b.ClientName.isEmpty());
        QCOMPARE(b.LastHeard, 1'000'000u);
        QCOMPARE(b.TimeDiff, 5);
        QCOMPARE(b.Status, 3u);
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("00:11"))), RES_UNCHANGED);
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("00:11"), QStringLiteral("192.0.2.8"))), RES_FOUND);
        QCOMPARE(reg.Box(0).IPAdd, QStringLiteral("192.0.2.8"));
        QCOMPARE(reg.BoxCount(), 1);
    }

    void refusesFieldsThatDoNotFit_data()
    {
        QTest::addColumn<QString>("mac");
        QTest::addColumn<QString>("ip");
        QTest::addColumn<QString>("version");
        QTest::addColumn<int>("result");
        QTest::newRow("empty ip") << "m"
                                  << ""
                                  << "v" << int(RES_BADIP);
        QTest::newRow("ip of 20") << "m" << QString(20, u'1') << "v" << int(RES_BADIP);
        QTest::newRow("ip of 19") << "m" << QString(19, u'1') << "v" << int(RES_NEWBOX);
        QTest::newRow("mac of 20") << QString(20, u'a') << "1.2.3.4"
                                   << "v" << int(RES_BADMAC);
        QTest::newRow("mac with comma") << "a,b"
                                        << "1.2.3.4"
                                        << "v" << int(RES_BADMAC);
        QTest::newRow("mac with brace") << "a}b"
                                        << "1.2.3.4"
                                        << "v" << int(RES_BADMAC);
        QTest::newRow("mac with bracket") << "02:00[00"
                                          << "1.2.3.4"
                                          << "v" << int(RES_BADMAC);
        QTest::newRow("empty version") << "m"
                                       << "1.2.3.4"
                                       << "" << int(RES_BADVERSION);
        QTest::newRow("version of 16") << "m"
                                       << "1.2.3.4" << QString(16, u'v') << int(RES_BADVERSION);
        QTest::newRow("version of 15") << "m"
                                       << "1.2.3.4" << QString(15, u'v') << int(RES_NEWBOX);
    }

    void refusesFieldsThatDoNotFit()
    {
        QFETCH(QString, mac);
        QFETCH(QString, ip);
        QFETCH(QString, version);
        MacGruoup reg = makeRegistry();
        QTEST(reg.MergeHeartbeat(heartbeat(mac, ip, version)), "result");
    }

    void refusedHeartbeatOfKnownBoxKeepsOnlyClockAndStatus()
    {
        MacGruoup reg = makeRegistry();
        reg.MergeHeartbeat(heartbeat(QStringLiteral("m")));
        MacGroupData bad = heartbeat(QStringLiteral("m"), QStringLiteral("10.0.0.1"), QString());
        bad.TimeDiff = -7;
        bad.Status = 16;
        bad.DiskFreeMB = 1;
        QCOMPARE(reg.MergeHeartbeat(bad), RES_BADVERSION);
        QCOMPARE(reg.Box(0).IPAdd, QStringLiteral("192.0.2.7"));
        QCOMPARE(reg.Box(0).DiskFreeMB, 200);
        QCOMPARE(reg.Box(0).TimeDiff, -7);
        QCOMPARE(reg.Box(0).Status, 16u);
    }

    void goesOfflineAfterMoreThan30Seconds()
    {
        MacGruoup reg = makeRegistry();
        reg.MergeHeartbeat(heartbeat(QStringLiteral("a")));
        m_clock.advanceSecs(10);
        reg.MergeHeartbeat(heartbeat(QStringLiteral("b")));
        m_clock.advanceSecs(20); // a silent for 30 s
        QVERIFY(reg.CheckOffline().isEmpty());
        m_clock.advanceSecs(1); // a silent for 31 s
        QCOMPARE(reg.CheckOffline(), QList<int>{0});
        QCOMPARE(reg.Box(0).Online, 0u);
        QCOMPARE(reg.Box(0).LastHeard, 1'000'000u);
        QVERIFY(reg.CheckOffline().isEmpty());
        m_clock.advanceSecs(10);
        QCOMPARE(reg.CheckOffline(), QList<int>{1});
        // Back from offline: unchanged, whatever its address.
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("a"), QStringLiteral("10.9.9.9"))), RES_UNCHANGED);
        QCOMPARE(reg.Box(0).Online, 1u);
    }

    void refuses257thBox()
    {
        MacGruoup reg = makeRegistry();
        for (int i = 0; i < MAX_BoxCount; ++i)
            QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("box%1").arg(i))), RES_NEWBOX);
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("one too many"))), RES_TABLEFULL);
        QCOMPARE(reg.BoxCount(), MAX_BoxCount);
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("box7"))), RES_UNCHANGED);
    }

    void groupsAreAddedDeletedAndReused()
    {
        MacGruoup reg = makeRegistry();
        QCOMPARE(reg.ListGroups(), QList<int>{1});
        QCOMPARE(reg.AddGroup(QStringLiteral("Lobby")), RES_OK);
        QCOMPARE(reg.AddGroup(QStringLiteral("大厅")), RES_OK);
        QCOMPARE(reg.AddGroup(QStringLiteral("Lobby")), RES_OK);
        QCOMPARE(reg.ListGroups(), (QList<int>{1, 2, 3}));
        reg.MergeHeartbeat(heartbeat(QStringLiteral("a")));
        reg.MergeHeartbeat(heartbeat(QStringLiteral("b")));
        QCOMPARE(reg.SetBoxGroup(1, QStringLiteral("Lobby")), RES_OK);
        QCOMPARE(reg.SetBoxGroup(1, QStringLiteral("Nowhere")), RES_NOTFOUND);
        QCOMPARE(reg.GroupNameOf(1), QStringLiteral("Lobby"));

        QList<int> moved;
        QCOMPARE(reg.DeleteGroup(QStringLiteral("Lobby"), &moved), RES_OK);
        QCOMPARE(moved, QList<int>{1});
        QCOMPARE(reg.GroupNameOf(1), QStringLiteral("No Group"));
        QCOMPARE(reg.DeleteGroup(QStringLiteral("Lobby")), RES_BADINDEX);
        // "No Group" stays and only reports its boxes.
        QCOMPARE(reg.DeleteGroup(QStringLiteral("No Group"), &moved), RES_OK);
        QCOMPARE(moved, (QList<int>{0, 1}));
        QCOMPARE(reg.GroupNames(), (QStringList{QStringLiteral("No Group"), QStringLiteral("大厅")}));
        // The freed slot goes to the next new group.
        QCOMPARE(reg.AddGroup(QStringLiteral("Hall")), RES_OK);
        QCOMPARE(reg.GroupIndexOf(QStringLiteral("Hall")), 2);
        QString name;
        QCOMPARE(reg.GroupNameAt(0, &name), RES_BADINDEX);
        QCOMPARE(name, QStringLiteral("No Group"));
        QCOMPARE(reg.GroupNameAt(4, &name), RES_BADINDEX);
        QCOMPARE(reg.GroupNameAt(3, &name), RES_OK);
        QCOMPARE(name, QStringLiteral("大厅"));
    }

    void groupTableHolds256()
    {
        MacGruoup reg = makeRegistry();
        for (int i = 2; i <= MAX_InitCount; ++i)
            QCOMPARE(reg.AddGroup(QStringLiteral("g%1").arg(i)), RES_OK);
        QCOMPARE(reg.AddGroup(QStringLiteral("g257")), RES_TABLEFULL);
        QCOMPARE(reg.ListGroups().size(), MAX_InitCount);
    }

    void renamesAndMergesGroups()
    {
        MacGruoup reg = makeRegistry();
        for (const char *mac : {"a", "b", "c"})
            reg.MergeHeartbeat(heartbeat(QString::fromLatin1(mac)));
        reg.AddGroup(QStringLiteral("A"));
        reg.AddGroup(QStringLiteral("B"));
        reg.SetBoxGroup(0, QStringLiteral("A"));
        reg.SetBoxGroup(1, QStringLiteral("B"));
        QList<int> changed;
        QCOMPARE(reg.RenameGroup(QStringLiteral("A"), QStringLiteral("C"), &changed), RES_OK);
        QCOMPARE(changed, QList<int>{0});
        QCOMPARE(reg.GroupNameOf(0), QStringLiteral("C"));
        QCOMPARE(reg.GroupIndexOf(QStringLiteral("C")), 2);
        // Onto an existing name: the two merge and the old slot is freed.
        QCOMPARE(reg.RenameGroup(QStringLiteral("C"), QStringLiteral("B"), &changed), RES_OK);
        QCOMPARE(changed, QList<int>{0});
        QCOMPARE(reg.GroupNameOf(0), QStringLiteral("B"));
        QCOMPARE(reg.GroupIndexOf(QStringLiteral("C")), 0);
        QCOMPARE(reg.ListGroups(), (QList<int>{1, 3}));
        // Renaming "No Group" or a group to its own name changes nothing.
        QCOMPARE(reg.RenameGroup(QStringLiteral("No Group"), QStringLiteral("X"), &changed), RES_OK);
        QCOMPARE(changed, QList<int>{2});
        QCOMPARE(reg.RenameGroup(QStringLiteral("B"), QStringLiteral("B"), &changed), RES_OK);
        QCOMPARE(reg.GroupIndexOf(QStringLiteral("B")), 3);
        QCOMPARE(reg.RenameGroup(QStringLiteral("missing"), QStringLiteral("Y")), RES_NOTFOUND);
    }

    void boxNamesAreUnique()
    {
        MacGruoup reg = makeRegistry();
        reg.MergeHeartbeat(heartbeat(QStringLiteral("a")));
        reg.MergeHeartbeat(heartbeat(QStringLiteral("b")));
        reg.AddGroup(QStringLiteral("G"));
        reg.SetBoxGroup(1, QStringLiteral("G"));
        QCOMPARE(reg.SetBoxName(0, QStringLiteral("前台")), RES_OK);
        QCOMPARE(reg.SetBoxName(1, QStringLiteral("前台")), RES_NAMETAKEN);
        QCOMPARE(reg.SetBoxName(0, QStringLiteral("前台")), RES_OK);
        QCOMPARE(reg.SetBoxName(0, QString(32, u'名')), RES_BADINDEX); // 64 bytes
        QCOMPARE(reg.SetBoxName(0, QString(31, u'名') + QLatin1Char('x')), RES_OK);
        QCOMPARE(reg.SetBoxName(0, QStringLiteral("a,b")), RES_BADINDEX);
    }

    void registryFileRoundTrip()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("MacGroup.ini"));
        {
            MacGruoup reg = makeRegistry();
            reg.MergeHeartbeat(heartbeat(QStringLiteral("00:11:22:33:44:55")));
            reg.MergeHeartbeat(heartbeat(QStringLiteral("00:11:22:33:44:66")));
            reg.AddGroup(QStringLiteral("大厅"));
            reg.AddGroup(QStringLiteral("Empty"));
            reg.SetBoxGroup(1, QStringLiteral("大厅"));
            reg.SetBoxName(1, QStringLiteral("前台"));
            QVERIFY(SaveRegistryFile(reg, file));
        }
        QCOMPARE(TestUtil::readFile(file), QByteArray("[GROUP]\nMAC={00:11:22:33:44:55,,No Group}\n"
                                                      "MAC={00:11:22:33:44:66,\xc7\xb0\xcc\xa8,\xb4\xf3\xcc\xfc}\n"));
        MacGruoup back = makeRegistry();
        QVERIFY(LoadRegistryFile(back, file));
        QCOMPARE(back.BoxCount(), 2);
        QCOMPARE(back.Box(1).ClientName, QStringLiteral("前台"));
        QCOMPARE(back.GroupNameOf(1), QStringLiteral("大厅"));
        QCOMPARE(back.Box(1).Online, 0u);
        QVERIFY(back.Box(1).IPAdd.isEmpty());
        // A group without boxes is not kept.
        QCOMPARE(back.GroupIndexOf(QStringLiteral("Empty")), 0);
    }

    void registryFileOddBlocks()
    {
        InitNode node{"GROUP", "MAC", {}, {}};
        node.blocks = {
            {"a", "first", "G1"},
            {"b", "two values"},
            {"c", "x", "G", "four"},
            {"a", "second", "G2"},
            {"", "no mac", "G"},
            {"d", "no group", ""},
            {QByteArray(30, 'm'), "long mac", "G"},
        };
        MacGruoup reg = makeRegistry();
        reg.LoadFromNode(node);
        QCOMPARE(reg.BoxCount(), 3);
        QCOMPARE(reg.Box(0).MacAdd, QStringLiteral("a"));
        QCOMPARE(reg.Box(0).ClientName, QStringLiteral("first"));
        QCOMPARE(reg.GroupNameOf(0), QStringLiteral("G2"));
        // A box whose group name is missing is kept, in "No Group".
        QCOMPARE(reg.Box(1).MacAdd, QStringLiteral("d"));
        QCOMPARE(reg.GroupNameOf(1), QStringLiteral("No Group"));
        QCOMPARE(reg.Box(2).MacAdd, QString(19, u'm'));
    }

    void badNamesInTheFileCostTheNameNotTheBox()
    {
        // Stored values of every kind of bad: a line break, a zero byte, a
        // '[', bytes that are no GB2312 and bytes that would change on the
        // next save. Each costs its own name, loudly; every box stays.
        InitNode node{"GROUP", "MAC", {}, {}};
        node.blocks = {
            {"m1", "good \xc8\xba", "G"},
            {"m2", "two\nlines", "G"},
            {"m3", QByteArray("nu\0l", 4), "G"},
            {"m4", "\xff\xfe", "G"},
            {"m5", "\xaa\xa1", "G"},
            {"m6", "c", "\xaa\xa1"},
            {"m7", "long" + QByteArray(70, 'x'), "G"},
            {"\xaa\xa1", "mac drifts", "G"},
        };
        for (const char *box : {"m2", "m3", "m4", "m5"})
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Registry file: box %1 keeps no "
                                                                                 "client name")
                                                                      .arg(QLatin1String(box))));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^Registry file: box m6 goes to")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("MAC .* cannot be kept is dropped")));
        MacGruoup reg = makeRegistry();
        reg.LoadFromNode(node);
        QCOMPARE(reg.BoxCount(), 7);
        const QStringList names = {
            QStringLiteral("good 群"), {}, {}, {}, {}, QStringLiteral("c"), QStringLiteral("long") + QString(59, u'x')};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(reg.Box(i).ClientName, names[i]);
        QCOMPARE(reg.GroupNameOf(5), QStringLiteral("No Group"));

        // The whole registry saves and reads back.
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("MacGroup.ini"));
        QVERIFY(SaveRegistryFile(reg, file));
        MacGruoup back = makeRegistry();
        QVERIFY(LoadRegistryFile(back, file));
        QCOMPARE(back.BoxCount(), 7);
        QCOMPARE(back.Box(0).ClientName, QStringLiteral("good 群"));
    }

    void namesThatWouldBreakTheFileAreRefused()
    {
        MacGruoup reg = makeRegistry();
        QCOMPARE(reg.MergeHeartbeat(heartbeat(QStringLiteral("m"))), RES_NEWBOX);
        for (const QString &bad : {QStringLiteral("[VIP] Lobby"), QStringLiteral("a,b"), QStringLiteral("a}"),
                                   QStringLiteral("two\nlines"), QString(QChar(0xE000))}) {
            QVERIFY2(!MacGruoup::IsValidName(bad), qPrintable(bad));
            QCOMPARE(reg.AddGroup(bad), RES_BADINDEX);
            QCOMPARE(reg.SetBoxName(0, bad), RES_BADINDEX);
            QCOMPARE(reg.RenameGroup(QStringLiteral("No Group"), bad), RES_OK); // "No Group" keeps its name
        }
        QVERIFY(MacGruoup::IsValidName(QStringLiteral("VIP 大厅")));
    }

    void offlineBoxesCanBeRemoved()
    {
        MacGruoup reg = makeRegistry();
        reg.MergeHeartbeat(heartbeat(QStringLiteral("a")));
        reg.MergeHeartbeat(heartbeat(QStringLiteral("b")));
        QCOMPARE(reg.RemoveBox(0), RES_FOUND); // online: it would only come back
        reg.MarkOffline(0);
        QCOMPARE(reg.RemoveBox(0), RES_OK);
        QCOMPARE(reg.BoxCount(), 1);
        QCOMPARE(reg.Box(0).MacAdd, QStringLiteral("b"));
        QCOMPARE(reg.RemoveBox(5), RES_BADINDEX);
    }

    void rowTexts()
    {
        QCOMPARE(MacGruoup::StatusText(3), QStringLiteral("Running || Playing"));
        QCOMPARE(MacGruoup::StatusText(0), QStringLiteral("Standby"));
        QCOMPARE(MacGruoup::StatusText(16), QStringLiteral("Standby || Uploading"));
        QCOMPARE(MacGruoup::StatusText(0xFFFFFFFF),
                 QStringLiteral("Running || Playing || Http Downloading || Ftp Downloading || Uploading"));
        QCOMPARE(MacGruoup::OutputModeText(3), QStringLiteral("VGA1024"));
        QCOMPARE(MacGruoup::OutputModeText(4), QString());
        QCOMPARE(MacGruoup::LayoutText(4), QStringLiteral("PIC_RIGHT_16_9"));
        QCOMPARE(MacGruoup::LayoutText(9), QString());

        MacGruoup reg = makeRegistry();
        reg.MergeHeartbeat(heartbeat(QStringLiteral("m1")));
        reg.SetBoxName(0, QStringLiteral("Front"));
        QCOMPARE(reg.GroupListRow(0), (RowText{QStringLiteral("m1"),
                                               {QStringLiteral("192.0.2.7"), QStringLiteral("Front"),
                                                QStringLiteral("No Group"), QStringLiteral("Online")}}));
        QCOMPARE(reg.DetailRow(0), (RowText{QStringLiteral("m1"),
                                            {QStringLiteral("No Group"), QStringLiteral("192.0.2.7"),
                                             QStringLiteral("Front"), QStringLiteral("1.0.3"), QStringLiteral("PAL"),
                                             QStringLiteral("FullScreen"), QStringLiteral("5"), QStringLiteral("200"),
                                             QStringLiteral("1000"), QStringLiteral("Running || Playing")}}));
        QCOMPARE(reg.PickRow(0), (RowText{QStringLiteral("Front"), {QStringLiteral("m1"), QStringLiteral("Online")}}));
        QVERIFY(reg.Passes(0, BoxFilter::Online));
        QVERIFY(!reg.Passes(0, BoxFilter::Offline));
        reg.MarkOffline(0);
        QCOMPARE(reg.Box(0).LastHeard, 0u);
        QVERIFY(reg.Passes(0, BoxFilter::Offline));
        QVERIFY(reg.Passes(0, BoxFilter::All));
    }
};

QTEST_GUILESS_MAIN(TestMacGroup)
#include "tst_macgroup.moc"
