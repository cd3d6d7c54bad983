// The command service without sockets: the reply table, heartbeat and
// file-name parsing, the connection map, every command line byte for byte,
// the history names and the event log's line format.
#include "base/clock.h"
#include "link/cmd.h"
#include "link/history.h"

#include <QSignalSpy>
#include <QTest>

namespace {

struct MemoryLog : LogSink
{
    QStringList lines;
    void appendLogLine(const QString &line) override { lines.append(line); }
    // The lines without their time stamp.
    QStringList entries() const
    {
        QStringList result;
        for (const QString &line : lines)
            result.append(line.mid(line.indexOf(QLatin1String("] ")) + 2));
        return result;
    }
};

} // namespace

// What the program promises, not what its constant happens to say.
constexpr int kPromisedMapEntries = 4096;

class TestCmd : public QObject
{
    Q_OBJECT

private:
    ManualClock m_clock;
    std::unique_ptr<MacGruoup> m_registry;
    std::unique_ptr<CommandHistory> m_history;
    std::unique_ptr<Cmd_API> m_cmd;
    MemoryLog m_log;

    const QString ip = QStringLiteral("192.0.2.50");
    static constexpr int port = 40000;

    void knowBox(const QString &mac = QStringLiteral("00:11:22:33:44:55")) { m_cmd->MapUpdate(mac, ip, port); }

private slots:
    void init()
    {
        m_registry = std::make_unique<MacGruoup>();
        m_history = std::make_unique<CommandHistory>();
        m_cmd = std::make_unique<Cmd_API>(*m_registry, m_history.get());
        m_log.lines.clear();
        m_cmd->AttachLink(&m_log, nullptr);
    }

    void classifiesEveryTableRow()
    {
        const auto &table = Cmd_API::ReplyTable();
        QCOMPARE(table.size(), 39);
        for (int i = 0; i < table.size(); ++i) {
            const cmd_Info &row = table[i];
            QByteArray message = row.key;
            if (row.klass == 5)
                message += " /mnt/a.mp4 Done";
            Msg_Info info;
            const int result = m_cmd->ClassifyReply(message, &info);
            // Rows 35 and 36 begin with the key of row 37: their own, longer key wins.
            QVERIFY2(result == 0, row.key.constData());
            QCOMPARE(int(info.code), row.code);
            if (row.klass != 5) {
                QCOMPARE(info.display, row.display);
                QCOMPARE(info.klass, row.klass);
            }
        }
        QCOMPARE(m_cmd->ClassifyReply("hello box", nullptr), 1);
    }

    void classifiesProgress_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("display");
        QTest::addColumn<int>("klass");
        QTest::newRow("done") << QByteArray("dlreport progress /mnt/hd1/a.mp4 Done") << 0
                              << QStringLiteral("File Download Succeed(ONE FILE DONE)") << 2;
        QTest::newRow("failed") << QByteArray("dlreport progress /mnt/hd1/a.mp4 Failed") << 0
                                << QStringLiteral("File Download Failled") << 3;
        QTest::newRow("partial") << QByteArray("dlreport progress a Partial") << 0
                                 << QStringLiteral("File Download Failled(FILE CHANGED)") << 3;
        QTest::newRow("retry") << QByteArray("dlreport progress a 3 retry") << 0 << QStringLiteral("Connect Failed")
                               << 3;
        QTest::newRow("no word") << QByteArray("dlreport progress a.mp4 50%") << 1 << QString() << 0;
    }

    void classifiesProgress()
    {
        QFETCH(QByteArray, message);
        Msg_Info info;
        QTEST(m_cmd->ClassifyReply(message, &info), "result");
        if (info.klass != 5) {
            QTEST(info.display, "display");
            QTEST(info.klass, "klass");
        }
    }

    void parsesHeartbeats()
    {
        const QDateTime box(QDate(2007, 12, 27), QTime(15, 44, 8));
        m_clock.setNow(box.addSecs(100));
        m_cmd->setClock(m_clock);
        ParsedReply r = m_cmd->ParseReply(
            ip, port, "heatbeat 192.0.2.7 00:11:22:33:44:55 1.0.3 0 0 1000 200 27-12-2007-15:44:08 3");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.code, 9);
        QVERIFY(r.record);
        QCOMPARE(r.record->IPAdd, QStringLiteral("192.0.2.7"));
        QCOMPARE(r.record->MacAdd, QStringLiteral("00:11:22:33:44:55"));
        QCOMPARE(r.record->BoxVer, QStringLiteral("1.0.3"));
        QCOMPARE(r.record->OutputMode, 0);
        QCOMPARE(r.record->LayoutMode, 0);
        QCOMPARE(r.record->DiskTotalMB, 1000);
        QCOMPARE(r.record->DiskFreeMB, 200);
        QCOMPARE(r.record->Status, 3u);
        QCOMPARE(r.record->TimeDiff, 100);
        // The map takes the connection's address, not the first argument.
        QString mapIp;
        int mapPort = 0;
        QCOMPARE(m_cmd->MapFindByMac(QStringLiteral("00:11:22:33:44:55"), &mapIp, &mapPort), RES_FOUND);
        QCOMPARE(mapIp, ip);
        QCOMPARE(mapPort, port);

        r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 m 1 2 3 10 5 27/12/2007:15:44:08");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.record->Status, 0u);
        QCOMPARE(r.record->OutputMode, 2);
        // Tabs and a trailing CR LF separate like spaces.
        r = m_cmd->ParseReply(ip, port, "heatbeat\t1.2.3.4\tm 1 256 3 10 5 27-12-2007-15:44:08 1\r\n");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.record->OutputMode, 0); // the low 8 bits of 256
        QCOMPARE(r.record->LayoutMode, 3);
        QCOMPARE(r.record->Status, 1u);
    }

    void clockDifferenceWithinTwoSecondsIsZero_data()
    {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("expected");
        QTest::newRow("same") << 0 << 0;
        QTest::newRow("2 behind") << 2 << 0;
        QTest::newRow("2 ahead") << -2 << 0;
        QTest::newRow("3 behind") << 3 << 3;
        QTest::newRow("3 ahead") << -3 << -3;
    }

    void clockDifferenceWithinTwoSecondsIsZero()
    {
        QFETCH(int, offset);
        const QDateTime box(QDate(2026, 3, 1), QTime(12, 0, 0));
        m_clock.setNow(box.addSecs(offset));
        m_cmd->setClock(m_clock);
        const auto r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 m 1 0 0 10 5 01-03-2026-12:00:00");
        QTEST(r.record->TimeDiff, "expected");
    }

    void refusesBadHeartbeats_data()
    {
        QTest::addColumn<QByteArray>("message");
        // A heartbeat with all its fields tells where its box is even when a
        // number in it is bad: the map learns the address first.
        QTest::addColumn<int>("mapped");
        QTest::newRow("seven arguments") << QByteArray("heatbeat 1.2.3.4 m 1 0 0 10 5") << 0;
        QTest::newRow("letters for a number") << QByteArray("heatbeat 1.2.3.4 m 1 x 0 10 5 01-03-2026-12:00:00") << 1;
        QTest::newRow("number too large")
            << QByteArray("heatbeat 1.2.3.4 m 1 0 0 99999999999 5 01-03-2026-12:00:00") << 1;
        QTest::newRow("bad status") << QByteArray("heatbeat 1.2.3.4 m 1 0 0 10 5 01-03-2026-12:00:00 3x") << 1;
        QTest::newRow("binary") << QByteArray("heatbeat \x01\x02 m 1 0 \xff 10 5 01-03-2026-12:00:00") << 1;
    }

    void refusesBadHeartbeats()
    {
        QFETCH(QByteArray, message);
        const auto r = m_cmd->ParseReply(ip, port, message);
        QCOMPARE(r.status, 1);
        QVERIFY(!r.record);
        QTEST(m_cmd->MapSize(), "mapped");
        QVERIFY(m_log.entries().last().startsWith(QStringLiteral(" 1   [!ERR]   --heatbeat")));
    }

    void textsThatWouldDriftAreRefused()
    {
        // GBK user-defined bytes decode, but encode back as other bytes: the
        // box would register anew after every restart.
        auto r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 02:00:\xaa\xa1 1 0 0 10 5 01-03-2026-12:00:00");
        QCOMPARE(r.status, 0);
        QCOMPARE(m_registry->MergeHeartbeat(*r.record), RES_BADMAC);
        QCOMPARE(m_cmd->MapSize(), 0);
        r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 m \xaa\xa1 0 0 10 5 01-03-2026-12:00:00");
        QCOMPARE(m_registry->MergeHeartbeat(*r.record), RES_BADVERSION);
        // Chinese text in GB2312 is fine.
        r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 \xd6\xd0 1 0 0 10 5 01-03-2026-12:00:00");
        QCOMPARE(m_registry->MergeHeartbeat(*r.record), RES_NEWBOX);
        QCOMPARE(m_registry->Box(0).MacAdd, QStringLiteral("中"));
    }

    void entriesWithoutAConnectionMakeRoomFirst()
    {
        // No socket here, so every entry of the full map has lost its
        // connection: the oldest goes for the newcomer.
        for (int i = 0; i < kPromisedMapEntries; ++i)
            m_cmd->MapUpdate(QStringLiteral("junk-%1").arg(i), ip, port);
        QCOMPARE(m_cmd->MapSize(), kPromisedMapEntries);
        m_cmd->MapUpdate(QStringLiteral("junk-new"), ip, port);
        QCOMPARE(m_cmd->MapFindByMac(QStringLiteral("junk-new"), nullptr, nullptr), RES_FOUND);
        QCOMPARE(m_cmd->MapFindByMac(QStringLiteral("junk-0"), nullptr, nullptr), RES_NOTFOUND);
        QCOMPARE(m_cmd->MapFindByMac(QStringLiteral("junk-1"), nullptr, nullptr), RES_FOUND);
        QCOMPARE(m_cmd->MapSize(), kPromisedMapEntries);
    }

    void echoedLinesCannotDriveATerminal()
    {
        QCOMPARE(Cmd_API::TerminalSafe(QStringLiteral("heatbeat \x1b[2J\x07 ok 中\r\n")),
                 QStringLiteral("heatbeat \\x1b[2J\\x07 ok 中\\x0d\\x0a"));
    }

    void oddHeartbeatFieldsReachTheRegistryCheck()
    {
        // An invalid date gives no clock difference; an over-long MAC stays
        // out of the map and is refused by the registry.
        auto r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 m 1 0 0 10 5 31-02-2026-12:00:00");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.record->TimeDiff, 0);
        r = m_cmd->ParseReply(ip, port, "heatbeat 1.2.3.4 " + QByteArray(40, 'M') + " 1 0 0 10 5 01-03-2026-12:00:00");
        QCOMPARE(r.status, 0);
        QCOMPARE(m_cmd->MapFindByMac(QString(40, u'M'), nullptr, nullptr), RES_NOTFOUND);
        QCOMPARE(m_registry->MergeHeartbeat(*r.record), RES_BADMAC);
    }

    void reassemblesFileNameLists()
    {
        knowBox();
        QSignalSpy events(m_cmd.get(), &Cmd_API::eventReply);
        auto r = m_cmd->ParseReply(ip, port, "info get box filename 7 2 1 a.mp4 b.mp4");
        QCOMPARE(r.status, 0);
        QCOMPARE(r.code, 11);
        QVERIFY(!r.fileNames);
        QCOMPARE(events.size(), 1);
        r = m_cmd->ParseReply(ip, port, "info get box filename 7 2 2 c.bmp");
        QVERIFY(r.fileNames);
        const QStringList expected = {QStringLiteral("00:11:22:33:44:55"), QStringLiteral("a.mp4"),
                                      QStringLiteral("b.mp4"), QStringLiteral("c.bmp")};
        QCOMPARE(*r.fileNames, expected);
        // A finished list is forgotten: a repeated part gives nothing.
        QCOMPARE(m_cmd->PendingFileNameLists(), 0);
        r = m_cmd->ParseReply(ip, port, "info get box filename 7 2 2 d.bmp");
        QVERIFY(!r.fileNames);
        // A new transfer starts afresh; out of order parts never complete it.
        r = m_cmd->ParseReply(ip, port, "info get box filename 8 2 2 late.mp4");
        QVERIFY(!r.fileNames);
        r = m_cmd->ParseReply(ip, port, "info get box filename 8 2 1 x.mp4");
        QVERIFY(!r.fileNames);
        r = m_cmd->ParseReply(ip, port, "info get box filename 9 1 1");
        QCOMPARE(*r.fileNames, QStringList{QStringLiteral("00:11:22:33:44:55")});
        // Lists that never finish, from many invented MACs, stay bounded.
        for (int i = 0; i < Cmd_API::kMaxTransfers + 50; ++i) {
            const QByteArray mac = "02:00:00:00:" + QByteArray::number(i / 256) + ":" + QByteArray::number(i % 256);
            QCOMPARE(
                m_cmd->ParseReply(ip, 20000 + i, "heatbeat 1.2.3.4 " + mac + " 1 0 0 10 5 01-03-2026-12:00:00").status,
                0);
            m_cmd->ParseReply(ip, 20000 + i, "info get box filename 1 9 1 a.mp4");
        }
        QCOMPARE(m_cmd->PendingFileNameLists(), Cmd_API::kMaxTransfers);
        // From a connection that never sent a heartbeat.
        r = m_cmd->ParseReply(ip, port + 1, "info get box filename 1 1 1 a");
        QCOMPARE(r.status, RES_NOTFOUND);
        r = m_cmd->ParseReply(ip, port, "info get box filename x 1 1 a");
        QCOMPARE(r.status, 1);
    }

    void getFileAndFtpStatusReplies()
    {
        knowBox();
        QSignalSpy files(m_cmd.get(), &Cmd_API::getFileReply);
        QSignalSpy ftp(m_cmd.get(), &Cmd_API::ftpStatusReply);
        QSignalSpy uploads(m_cmd.get(), &Cmd_API::uploadReply);
        QCOMPARE(m_cmd->ParseReply(ip, port, "info get file a.xml http://192.0.2.1:80/mnt/hd1/a.xml").status, 0);
        QCOMPARE(files.size(), 1);
        QCOMPARE(files[0], (QVariantList{QStringLiteral("a.xml"), QStringLiteral("00:11:22:33:44:55"),
                                         QStringLiteral("mnt/hd1/a.xml")}));
        QCOMPARE(m_cmd->ParseReply(ip, port, "info get file a.xml ftp://x/a.xml").status, 0);
        QCOMPARE(m_cmd->ParseReply(ip, port, "info get file a.xml").status, 1);
        QCOMPARE(files.size(), 1);
        QCOMPARE(m_cmd->ParseReply(ip, port, "info get ftp staus http://h/ftp/status.xml 42").status, 0);
        QCOMPARE(ftp[0], (QVariantList{QStringLiteral("00:11:22:33:44:55"), QStringLiteral("ftp/status.xml"),
                                       QStringLiteral("42")}));
        QCOMPARE(m_cmd->ParseReply(ip, port + 1, "info get file a b").status, RES_NOTFOUND);

        QCOMPARE(m_cmd->ParseReply(ip, port, "upload report done /mnt/hd1/log.txt").status, 0);
        QCOMPARE(uploads[0], (QVariantList{QStringLiteral("00:11:22:33:44:55"), QStringLiteral("/mnt/hd1/log.txt")}));
        QCOMPARE(m_cmd->ParseReply(ip, port, "upload report done a b").status, 0);
        QCOMPARE(uploads.size(), 1);
    }

    void eventCallbackAndLogLevels()
    {
        QSignalSpy events(m_cmd.get(), &Cmd_API::eventReply);
        // Recognised, but from a connection that never sent a heartbeat: no row.
        QCOMPARE(m_cmd->ParseReply(ip, port, "info set box time").status, 0);
        QCOMPARE(events.size(), 0);
        knowBox();
        QCOMPARE(m_cmd->ParseReply(ip, port, "info set box time").status, 0);
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0][2].toString(), QStringLiteral("Sync Time Succeed"));
        // A success is no error in the log, whatever the command.
        QCOMPARE(m_cmd->ParseReply(ip, port, "info set box language").status, 0);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[1][2].toString(), QStringLiteral("Set Language Succeed"));
        // Two rows match: the longer key is the reply's, a failure logged as one.
        QCOMPARE(m_cmd->ParseReply(ip, port, "upload report start failed (UNKNOWN)").status, 1);
        QCOMPARE(events.size(), 3);
        QCOMPARE(events[2][2].toString(), QStringLiteral("File Upload Failed"));
        QCOMPARE(m_cmd->ParseReply(ip, port, "upload report start").status, 0);
        QCOMPARE(events[3][2].toString(), QStringLiteral("File Upload Start"));
        QCOMPARE(m_cmd->ParseReply(ip, port, "gibberish").status, 1);
        QCOMPARE(events.size(), 4);
        const QStringList expected = {
            QStringLiteral(" 0   [!INFORcv]   --info set box time"),
            QStringLiteral(" 0   [!INFORcv]   --info set box time"),
            QStringLiteral(" 0   [!INFORcv]   --info set box language"),
            QStringLiteral(" 1   [!ERR]   --upload report start failed (UNKNOWN)"),
            QStringLiteral(" 0   [!INFORcv]   --upload report start"),
            QStringLiteral(" 1   [!ERR]   --gibberish"),
        };
        QCOMPARE(m_log.entries(), expected);
        QVERIFY(QRegularExpression(QStringLiteral("^\\[\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\]  0   "))
                    .match(m_log.lines.first())
                    .hasMatch());
    }

    void logLineFormat()
    {
        QCOMPARE(Cmd_API::FormatLogLine("ClientConnect: IP=1.2.3.4, Port=5", 0, LogLevel::DEBUG),
                 QStringLiteral(" 0   [!DEBUG]   --ClientConnect: IP=1.2.3.4, Port=5"));
        QCOMPARE(Cmd_API::FormatLogLine("x", 12, LogLevel::INFOSend), QStringLiteral("12   [!INFOSend]   --x"));
        // At most 254 characters; zero bytes inside become spaces.
        QCOMPARE(Cmd_API::FormatLogLine(QByteArray(255, 'a'), 0, LogLevel::ERR).size(), 16 + 254);
        QCOMPARE(Cmd_API::FormatLogLine(QByteArray("one\0two\0\0", 9), 0, LogLevel::ERR),
                 QStringLiteral(" 0   [!ERR]   --one two"));
        QCOMPARE(Cmd_API::FormatLogLine(QByteArray("\0\0", 2), 0, LogLevel::ERR), QString());
        QCOMPARE(Cmd_API::FormatLogLine("\xc8\xba\xd7\xe9", 0, LogLevel::ERR), QStringLiteral(" 0   [!ERR]   --群组"));
    }

    void commandLines_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QList<int>>("numbers");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("history");
        QTest::newRow("time") << 0 << QList<int>() << QStringList() << QByteArray("set box time  8  1  7 1  9  5  3")
                              << "Set Time";
        QTest::newRow("language") << 1 << QList<int>{1} << QStringList() << QByteArray("set box language 1")
                                  << "Set Lanuage";
        QTest::newRow("reboot") << 2 << QList<int>() << QStringList() << QByteArray("set box reboot") << "Set Reboot";
        QTest::newRow("mode") << 4 << QList<int>{3, 2} << QStringList() << QByteArray("set mode outmode 3 laymode 2")
                              << "Set Mode";
        QTest::newRow("box network")
            << 5 << QList<int>() << QStringList{"192.0.2.9", "255.255.255.0", "192.0.2.1", "192.0.2.1", "192.0.2.2"}
            << QByteArray("set network boxattr static 192.0.2.9 255.255.255.0 192.0.2.1 192.0.2.1 192.0.2.2")
            << "Set Box Address";
        QTest::newRow("server") << 6 << QList<int>{9988} << QStringList{"192.0.2.1"}
                                << QByteArray("set network svrattr 192.0.2.1 9988") << "Set Server Address";
        QTest::newRow("file update") << 7 << QList<int>() << QStringList{"fileupdate http http://h:5002//x.xml"}
                                     << QByteArray("fileupdate http http://h:5002//x.xml") << "Set FileupData";
        QTest::newRow("image") << 8 << QList<int>() << QStringList{"192.0.2.1:5002//bin/a.img"}
                               << QByteArray("imageupdate http http://192.0.2.1:5002//bin/a.img") << "Set Imageupdate";
        QTest::newRow("file names") << 10 << QList<int>() << QStringList() << QByteArray("get box filename")
                                    << "Get FileName";
        QTest::newRow("text") << 12 << QList<int>() << QStringList{"紧急 通知"}
                              << QByteArray("play text \xbd\xf4\xbc\xb1 \xcd\xa8\xd6\xaa") << "Play Emergency Text";
        QTest::newRow("play mode") << 13 << QList<int>{1} << QStringList() << QByteArray("play mode 1")
                                   << "Play On-off";
        QTest::newRow("get file") << 15 << QList<int>() << QStringList{"/mnt/a.xml"}
                                  << QByteArray("get file /mnt/a.xml") << "Get File";
        QTest::newRow("ftp status") << 19 << QList<int>() << QStringList() << QByteArray("get ftp status")
                                    << "Get Ftp Download Status";
        QTest::newRow("upload") << 20 << QList<int>() << QStringList{"/mnt/log"} << QByteArray("fileupload /mnt/log")
                                << "Get Fie";
        QTest::newRow("remove") << 21 << QList<int>() << QStringList{"/mnt/x"} << QByteArray("filesystem remove /mnt/x")
                                << "Delete Fie";
        QTest::newRow("speed 0") << 22 << QList<int>{0} << QStringList() << QByteArray("set download speed 0")
                                 << "Set Max Download Speed: 0KB/s";
    }

    void commandLines()
    {
        QFETCH(int, type);
        QFETCH(QList<int>, numbers);
        QFETCH(QStringList, texts);
        // Monday 7 January 2008, 09:05:03.
        const QDateTime when(QDate(2008, 1, 7), QTime(9, 5, 3));
        const auto line = Cmd_API::BuildCommandLine(type, {numbers, texts}, when);
        QVERIFY(line);
        QTEST(*line, "line");
        QTEST(Cmd_API::HistoryName(type, {numbers, texts}), "history");
    }

    void commandLineLimits()
    {
        const QDateTime when = QDateTime::currentDateTime();
        QCOMPARE(Cmd_API::BuildCommandLine(15, {{}, {QString(300, u'f')}}, when)->size(), 254);
        QCOMPARE(Cmd_API::BuildCommandLine(12, {{}, {QString(300, u't')}}, when)->size(), 255);
        // Cut without splitting a Chinese character.
        QCOMPARE(Cmd_API::BuildCommandLine(12, {{}, {QString(200, u'字')}}, when)->size(), 254);
        QVERIFY(!Cmd_API::BuildCommandLine(12, {{}, {QStringLiteral("\U0001F600")}}, when));
        QVERIFY(!Cmd_API::BuildCommandLine(3, {}, when));
        QCOMPARE(Cmd_API::HistoryName(3, {}), QStringLiteral("3"));
    }

    void sendingWithoutAConnection()
    {
        MacGroupData box;
        box.MacAdd = QStringLiteral("known");
        box.IPAdd = QStringLiteral("10.0.0.1");
        box.BoxVer = QStringLiteral("1");
        m_registry->MergeHeartbeat(box);
        m_registry->SetBoxName(0, QStringLiteral("Front"));
        // Unknown to the registry: nothing at all.
        m_cmd->SendBoxCommand(2, QStringLiteral("stranger"));
        QCOMPARE(m_history->rowCount(), 0);
        QVERIFY(m_log.lines.isEmpty());
        // Known, never heard since start-up: history row and a log line.
        m_cmd->SendBoxCommand(2, QStringLiteral("known"));
        QCOMPARE(m_history->rowCount(), 1);
        QCOMPARE(m_history->cell(0, CommandHistory::MacColumn), QStringLiteral("known"));
        QCOMPARE(m_history->cell(0, CommandHistory::ClientColumn), QStringLiteral("Front"));
        QCOMPARE(m_history->cell(0, CommandHistory::IpColumn), QStringLiteral("10.0.0.1"));
        QCOMPARE(m_history->cell(0, CommandHistory::StateColumn), QStringLiteral("Command Send"));
        QCOMPARE(m_history->cell(0, CommandHistory::InfoColumn), QStringLiteral("Set Reboot"));
        QCOMPARE(m_log.entries(), QStringList{QStringLiteral(" 4   [!DEBUG]   --Cann't find Mac=known")});
        // In the map but no socket attached.
        knowBox(QStringLiteral("known"));
        QCOMPARE(m_cmd->SendCommand(2, QStringLiteral("known")), RES_NOLINK);
    }

    void connectionMap()
    {
        m_cmd->MapUpdate(QStringLiteral("a"), QStringLiteral("1.1.1.1"), 1);
        m_cmd->MapUpdate(QStringLiteral("b"), QStringLiteral("1.1.1.1"), 2);
        m_cmd->MapUpdate(QStringLiteral("a"), QStringLiteral("1.1.1.1"), 3);
        QCOMPARE(m_cmd->MapSize(), 2);
        QString mac;
        QCOMPARE(m_cmd->MapFindByAddress(QStringLiteral("1.1.1.1"), 2, &mac), RES_FOUND);
        QCOMPARE(mac, QStringLiteral("b"));
        QCOMPARE(m_cmd->MapFindByAddress(QStringLiteral("1.1.1.1"), 1, &mac), RES_NOTFOUND);
        QCOMPARE(m_cmd->MapFindByAddress(QStringLiteral("1.1.1.1"), 3, &mac), RES_FOUND);
        QCOMPARE(mac, QStringLiteral("a"));
        for (int i = 0; i < kPromisedMapEntries + 10; ++i)
            m_cmd->MapUpdate(QStringLiteral("m%1").arg(i), QStringLiteral("2.2.2.2"), i);
        QCOMPARE(m_cmd->MapSize(), kPromisedMapEntries);
    }

    void historyOrderAndSort()
    {
        m_history->AddSentCommand(QStringLiteral("b"), QString(), QStringLiteral("1"), QStringLiteral("Set Reboot"));
        m_history->AddReply(QStringLiteral("A"), QStringLiteral("x"), QStringLiteral("2"), QStringLiteral("d"),
                            QStringLiteral("m"));
        m_history->AddSentCommand(QStringLiteral("c"), QString(), QStringLiteral("3"), QStringLiteral("n"), 7);
        QCOMPARE(m_history->cell(0, 0), QStringLiteral("c"));
        QCOMPARE(m_history->cell(0, CommandHistory::StateColumn), QStringLiteral("Other"));
        QCOMPARE(m_history->cell(2, 0), QStringLiteral("b"));
        m_history->sortByColumn(0);
        QCOMPARE(m_history->cell(0, 0), QStringLiteral("A"));
        QCOMPARE(m_history->cell(1, 0), QStringLiteral("b"));
        m_history->AddSentCommand(QStringLiteral("a0"), QString(), QString(), QString());
        QCOMPARE(m_history->cell(0, 0), QStringLiteral("a0"));
        QCOMPARE(m_history->headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("状态"));
        m_history->clear();
        QCOMPARE(m_history->rowCount(), 0);
    }
};

QTEST_GUILESS_MAIN(TestCmd)
#include "tst_cmd.moc"
