#include "base/codepage.h"
#include "base/safefile.h"
#include "config/settings.h"
#include "ftp/ftpplan.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

FtpScheduleRow row(const QString &start, const QString &end, std::initializer_list<int> days,
                   const QList<sFtpFile> &files, const QString &kind = QStringLiteral("Loop"))
{
    FtpScheduleRow r;
    r.start = start;
    r.end = end;
    r.kind = kind;
    for (const int d : days)
        r.days[d] = true;
    r.files = files;
    return r;
}

const sFtpFile fileA{QStringLiteral("A.mpg"), QStringLiteral("ftp://op:pw@10.0.0.1:21/A.mpg")};
const sFtpFile fileB{QStringLiteral("B.mpg"), QStringLiteral("ftp://op:pw@10.0.0.1:21/B.mpg")};

PlanMoment at(int y, int mo, int d, int h, int mi)
{
    return {y, mo, d, h, mi};
}

// Every element of a document as "name attr=value attr=value", in order.
QStringList elements(const QByteArray &xml, QString *encoding = nullptr)
{
    QStringList result;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        const auto token = reader.readNext();
        if (token == QXmlStreamReader::StartDocument && encoding)
            *encoding = reader.documentEncoding().toString();
        if (token != QXmlStreamReader::StartElement)
            continue;
        QString line = reader.name().toString();
        for (const QXmlStreamAttribute &a : reader.attributes())
            line += QLatin1Char(' ') + a.name().toString() + QLatin1Char('=') + a.value().toString();
        result.append(line);
    }
    if (reader.hasError())
        result.append(QStringLiteral("ERROR ") + reader.errorString());
    return result;
}

// The settings of a content folder in the given folder, served at 192.168.1.5:5002.
ServerSettings contentIn(const QString &folder)
{
    ServerSettings settings;
    settings.contentRoot = folder + QLatin1Char('/');
    settings.serviceIp = QStringLiteral("192.168.1.5");
    settings.servicePort = 5002;
    DeriveContentPaths(settings);
    return settings;
}

bool xmllintAccepts(const QString &path)
{
    QProcess lint;
    lint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    return lint.waitForFinished(10000) && lint.exitStatus() == QProcess::NormalExit && lint.exitCode() == 0;
}

} // namespace

class tst_FtpPlan : public QObject
{
    Q_OBJECT

private slots:
    void planTimesValidity();
    void clashRule();
    void rowTextsRoundTrip();
    void mondaySlotsMerge();
    void slotsInStartOrder();
    void downloadListOnceDayFilesPerSlot();
    void writesOnlyUsedDays();
    void refusesNamesGb2312CannotHold();
    void ftpIniAccounts();
    void refusedPlanWritesNothing();
};

void tst_FtpPlan::planTimesValidity()
{
    PlanTimes t;
    t.start = at(2007, 7, 10, 8, 0);
    t.end = at(2007, 7, 10, 20, 0);
    t.activation = at(2007, 7, 11, 6, 0);
    t.loopDays = 7;
    QVERIFY(PlanTimesValid(t));
    // Seven days after the start is 2007-07-17 08:00.
    t.activation = at(2007, 7, 17, 9, 0);
    QVERIFY(!PlanTimesValid(t));
    t.activation = at(2007, 7, 17, 7, 59);
    QVERIFY(PlanTimesValid(t));
    t.activation = at(2007, 7, 17, 8, 0);
    QVERIFY(!PlanTimesValid(t));
    t.activation = at(2007, 7, 11, 6, 0);
    t.end = t.start;
    QVERIFY(!PlanTimesValid(t));
    t.end = at(2007, 7, 10, 20, 0);
    t.activation = t.end;
    QVERIFY(!PlanTimesValid(t));
    // A date that does not exist is never valid.
    t.activation = at(2007, 2, 30, 6, 0);
    QVERIFY(!PlanTimesValid(t));
}

void tst_FtpPlan::clashRule()
{
    const QList<FtpScheduleRow> rows{row(QStringLiteral("09:00"), QStringLiteral("10:00"), {0}, {})};
    const std::array<bool, 7> sunday{true, false, false, false, false, false, false};
    const std::array<bool, 7> monday{false, true, false, false, false, false, false};
    const auto m = [](int h, int mi) { return h * 60 + mi; };
    QVERIFY(ScheduleClashes(rows, sunday, m(9, 30), m(11, 0)));
    QVERIFY(ScheduleClashes(rows, sunday, m(8, 0), m(9, 30)));
    QVERIFY(!ScheduleClashes(rows, sunday, m(8, 0), m(22, 0))); // encloses
    QVERIFY(!ScheduleClashes(rows, sunday, m(9, 0), m(10, 0))); // equal
    QVERIFY(!ScheduleClashes(rows, sunday, m(7, 0), m(9, 0)));  // touches
    QVERIFY(!ScheduleClashes(rows, monday, m(9, 30), m(11, 0)));
    // A stored time without a colon never clashes.
    const QList<FtpScheduleRow> odd{row(QStringLiteral("0900"), QStringLiteral("10:00"), {0}, {})};
    QVERIFY(!ScheduleClashes(odd, sunday, m(9, 30), m(11, 0)));
}

void tst_FtpPlan::rowTextsRoundTrip()
{
    const FtpScheduleRow r = row(QStringLiteral("08:00"), QStringLiteral("22:00"), {1, 5}, {fileA, fileB});
    QCOMPARE(r.caption(), QStringLiteral("Media [08:00~22:00]"));
    const QStringList items = r.subItems();
    QCOMPARE(items.mid(0, 10), QStringList({"08:00", "22:00", "Loop", "NO", "YES", "NO", "NO", "NO", "YES", "NO"}));
    QCOMPARE(items.mid(10), QStringList({fileA.name, fileA.url, fileB.name, fileB.url}));
    const FtpScheduleRow back = FtpScheduleRow::fromTexts(r.caption(), items);
    QCOMPARE(back.subItems(), items);
    // A row added with an empty plan list carries no files.
    QCOMPARE(row(QStringLiteral("08:00"), QStringLiteral("09:00"), {0}, {}).subItems().size(), 10);
}

void tst_FtpPlan::mondaySlotsMerge()
{
    const QList<FtpScheduleRow> rows{
        row(QStringLiteral("08:00"), QStringLiteral("10:00"), {1}, {fileA}),
        row(QStringLiteral("08:00"), QStringLiteral("12:00"), {1}, {fileB}, QStringLiteral("Once"))};
    const QList<sPlayList> monday = BuildDaySlots(rows, 1);
    QCOMPARE(monday.size(), 1);
    QCOMPARE(SlotTimeText(monday[0].startHour, monday[0].startMin), QStringLiteral("08:00"));
    QCOMPARE(SlotTimeText(monday[0].endHour, monday[0].endMin), QStringLiteral("10:00"));
    QCOMPARE(monday[0].kind, QStringLiteral("Loop"));
    QCOMPARE(monday[0].files, QList<sFtpFile>({fileA, fileB}));
    QVERIFY(BuildDaySlots(rows, 0).isEmpty());
    QVERIFY(BuildDaySlots(rows, 7).isEmpty());
}

void tst_FtpPlan::slotsInStartOrder()
{
    const QList<FtpScheduleRow> rows{row(QStringLiteral("20:00"), QStringLiteral("21:00"), {2}, {fileA}),
                                     row(QStringLiteral("08:30"), QStringLiteral("09:00"), {2}, {fileB}),
                                     row(QStringLiteral("bad"), QStringLiteral("09:00"), {2}, {fileB}),
                                     row(QStringLiteral("12:05"), QStringLiteral("13:00"), {2}, {fileA})};
    const QList<sPlayList> tuesday = BuildDaySlots(rows, 2);
    QCOMPARE(tuesday.size(), 3);
    QCOMPARE(SlotTimeText(tuesday[0].startHour, tuesday[0].startMin), QStringLiteral("08:30"));
    QCOMPARE(SlotTimeText(tuesday[1].startHour, tuesday[1].startMin), QStringLiteral("12:05"));
    QCOMPARE(SlotTimeText(tuesday[2].startHour, tuesday[2].startMin), QStringLiteral("20:00"));
}

void tst_FtpPlan::downloadListOnceDayFilesPerSlot()
{
    const sFtpFile sameNameOtherUrl{fileA.name, QStringLiteral("ftp://op:pw@10.0.0.2:21/A.mpg")};
    const QList<FtpScheduleRow> rows{row(QStringLiteral("08:00"), QStringLiteral("09:00"), {3}, {fileA, fileB}),
                                     row(QStringLiteral("10:00"), QStringLiteral("11:00"), {3}, {fileA}),
                                     row(QStringLiteral("12:00"), QStringLiteral("13:00"), {3}, {sameNameOtherUrl})};
    QCOMPARE(BuildDownloadList(rows), QList<sFtpFile>({fileA, fileB, sameNameOtherUrl}));
    const QStringList day = elements(DayPlanDocument(BuildDaySlots(rows, 3)));
    QCOMPARE(day,
             QStringList({"PLAYLIST picinterval=5", "schedule starthour=8 startmin=0 endhour=9 endmin=0 schdtype=Loop",
                          "file groupID=1 filename=A.mpg", "file groupID=1 filename=B.mpg",
                          "schedule starthour=10 startmin=0 endhour=11 endmin=0 schdtype=Loop",
                          "file groupID=1 filename=A.mpg",
                          "schedule starthour=12 startmin=0 endhour=13 endmin=0 schdtype=Loop",
                          "file groupID=1 filename=A.mpg"}));
}

void tst_FtpPlan::writesOnlyUsedDays()
{
    QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/计划 XXXXXX"));
    QVERIFY(dir.isValid());
    const ServerSettings settings = contentIn(dir.path());
    QVERIFY(QDir().mkpath(settings.xmlDir));
    const sFtpFile chinese{QStringLiteral("广告 一.mpg"), QStringLiteral("ftp://op:pw@10.0.0.1:21/%E5%B9%BF.mpg")};
    const QList<FtpScheduleRow> rows{
        row(QStringLiteral("08:00"), QStringLiteral("10:00"), {5}, {fileB}),
        row(QStringLiteral("07:00"), QStringLiteral("09:00"), {1}, {fileA, chinese}, QStringLiteral("None"))};
    PlanTimes t;
    t.start = at(2007, 7, 10, 8, 30);
    t.end = at(2007, 7, 10, 20, 5);
    t.activation = at(2007, 7, 11, 6, 0);
    t.loopDays = 7;
    const PlanWriteResult result = WritePlan(settings, t, rows, QStringLiteral("070710083000"));
    QVERIFY2(result.ok, qPrintable(result.error));
    const QString monday = settings.xmlPrefix + QStringLiteral("1(070710083000).xml");
    const QString friday = settings.xmlPrefix + QStringLiteral("5(070710083000).xml");
    QCOMPARE(result.planPath, settings.planPrefix + QStringLiteral("_070710083000.xml"));
    QCOMPARE(result.files, QStringList({monday, friday, result.planPath}));
    QCOMPARE(QDir(settings.xmlDir).entryList(QDir::Files).size(), 3);
    QCOMPARE(result.command, QStringLiteral("planupdate http ") + HttpAddress(settings, result.planPath));
    QVERIFY(result.command.startsWith(QLatin1String("planupdate http http://192.168.1.5:5002//")));
    QVERIFY(result.command.contains(QLatin1String("%E8%AE%A1%E5%88%92"))); // 计划, encoded

    for (const QString &path : result.files)
        QVERIFY2(xmllintAccepts(path), qPrintable(path));
    const QByteArray planBytes = TestUtil::readFile(result.planPath);
    QVERIFY(planBytes.startsWith("<?xml version=\"1.0\" encoding=\"GB2312\"?>"));
    QVERIFY(planBytes.contains(CodePage::toGb2312(chinese.name)));
    QString encoding;
    const QStringList plan = elements(planBytes, &encoding);
    QCOMPARE(encoding, QStringLiteral("GB2312"));
    QCOMPARE(plan, QStringList({"DLPLANLIST",
                                "plantime startyear=2007 startmoon=7 startday=10 starthour=8 startmin=30 endyear=2007 "
                                "endmoon=7 endday=10 endhour=20 endmin=5 actyear=2007 actmoon=7 actday=11 acthour=6 "
                                "actmin=0 LoopDay=7",
                                "playlist filename=1.xml fileurl=" + HttpAddress(settings, monday),
                                "playlist filename=5.xml fileurl=" + HttpAddress(settings, friday),
                                "filelist filename=B.mpg fileurl=" + fileB.url,
                                "filelist filename=A.mpg fileurl=" + fileA.url,
                                "filelist filename=" + chinese.name + " fileurl=" + chinese.url}));
    QCOMPARE(elements(TestUtil::readFile(monday)),
             QStringList({"PLAYLIST picinterval=5", "schedule starthour=7 startmin=0 endhour=9 endmin=0 schdtype=None",
                          "file groupID=1 filename=A.mpg", "file groupID=1 filename=" + chinese.name}));
}

void tst_FtpPlan::refusesNamesGb2312CannotHold()
{
    QTemporaryDir dir;
    const ServerSettings settings = contentIn(dir.path());
    QVERIFY(QDir().mkpath(settings.xmlDir));
    const sFtpFile emoji{QStringLiteral("clip\U0001F600.mpg"), QStringLiteral("ftp://a:b@h:21/x.mpg")};
    PlanTimes t;
    t.start = at(2007, 7, 10, 8, 30);
    t.end = at(2007, 7, 10, 20, 5);
    t.activation = at(2007, 7, 11, 6, 0);
    const PlanWriteResult result =
        WritePlan(settings, t, {row(QStringLiteral("08:00"), QStringLiteral("10:00"), {5}, {emoji})}, "070710083000");
    QVERIFY(!result.ok);
    QVERIFY(result.error.contains(QLatin1String("GB2312")));
    QVERIFY(!QFile::exists(settings.planPrefix + QStringLiteral("_070710083000.xml")));
}

void tst_FtpPlan::ftpIniAccounts()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Ftp.ini"));
    TestUtil::writeFile(file, "[FTP]\r\n"
                              "; the shop's servers\r\n"
                              "Account={four,10.0.0.1,21,op}\r\n"
                              "Account={five,10.0.0.2,2121,op,pw}\r\n"
                              "Account={\xB9\xE3\xB8\xE6,10.0.0.3,x21,user,pass,/pub}\r\n");
    const QList<host_info> loaded = LoadFtpAccounts(file);
    QCOMPARE(loaded.size(), 2);
    QCOMPARE(loaded[0].name, QStringLiteral("five"));
    QCOMPARE(loaded[0].port, 2121);
    QVERIFY(loaded[0].dir.isEmpty());
    QCOMPARE(loaded[1].name, QStringLiteral("广告"));
    QCOMPARE(loaded[1].port, 0);
    QCOMPARE(loaded[1].dir, QStringLiteral("/pub"));

    // Written back whole, for the owner's eyes only, with the lines it does
    // not read; an account the file cannot hold is refused with its name,
    // and the others are saved.
    host_info bad = loaded[0];
    bad.name = QStringLiteral("bad");
    bad.password = QStringLiteral("a,b");
    QVERIFY(!FtpAccountProblem(bad).isEmpty());
    QVERIFY(FtpAccountProblem(loaded[1]).isEmpty());
    QString why;
    QVERIFY(!SaveFtpAccounts({loaded[0], bad, loaded[1]}, file, &why));
    QVERIFY(why.contains(QLatin1String("bad")));
    QCOMPARE(LoadFtpAccounts(file), QList<host_info>({loaded[0], loaded[1]}));
    for (const QByteArray &line : {QByteArray("; the shop's servers\n"), QByteArray("Account={four,10.0.0.1,21,op}\n")})
        QCOMPARE(TestUtil::readFile(file).count(line), 1);
    QVERIFY(SaveFtpAccounts({loaded[0], loaded[1]}, file));
    QCOMPARE(TestUtil::readFile(file).count("Account={four,10.0.0.1,21,op}\n"), 1);
    QVERIFY(!(QFile(file).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)));
    QCOMPARE(LoadFtpAccounts(file), QList<host_info>({loaded[0], loaded[1]}));
    // Values as they were read, the bad port text among them.
    QVERIFY(TestUtil::readFile(file).contains("Account={\xB9\xE3\xB8\xE6,10.0.0.3,x21,user,pass,/pub}"));

    // Accounts today's checks would refuse are never dropped: a GBK-only
    // name goes back byte for byte; a name longer than the file may carry
    // stays as its line was, and does not stop the others being saved.
    TestUtil::writeFile(file, "[FTP]\r\nAccount={\x81\x40,10.0.0.4,21,op,pw}\r\n");
    QVERIFY(SaveFtpAccounts(LoadFtpAccounts(file), file));
    QVERIFY(TestUtil::readFile(file).contains("Account={\x81\x40,10.0.0.4,21,op,pw}"));
    const QByteArray longName = "[FTP]\r\nAccount={" + QByteArray(300, 'n') + ",10.0.0.5,21,op,pw}\r\n";
    TestUtil::writeFile(file, longName);
    host_info added = loaded[0];
    added.name = QStringLiteral("added");
    QVERIFY(SaveFtpAccounts(LoadFtpAccounts(file) + QList<host_info>{added}, file, &why));
    QVERIFY(TestUtil::readFile(file).contains(longName.mid(7).chopped(2)));
    QCOMPARE(LoadFtpAccounts(file).size(), 2);
}

void tst_FtpPlan::refusedPlanWritesNothing()
{
    QTemporaryDir dir;
    const ServerSettings settings = contentIn(dir.path());
    QVERIFY(QDir().mkpath(settings.xmlDir));
    PlanTimes t;
    t.start = at(2007, 7, 10, 8, 30);
    t.end = at(2007, 7, 10, 20, 5);
    t.activation = at(2007, 7, 11, 6, 0);
    t.loopDays = 7;
    QCOMPARE(PlanTimesProblem(t), QString());
    // A control character would vanish from the documents: refused, and no
    // day file is left behind.
    const sFtpFile control{QStringLiteral("a\x01b\x0b"
                                          "c.mpg"),
                           QStringLiteral("ftp://a:b@h:21/a%01b%0Bc.mpg")};
    const sFtpFile plain{QStringLiteral("plain.mpg"), QStringLiteral("ftp://a:b@h:21/plain.mpg")};
    PlanWriteResult result = WritePlan(settings, t,
                                       {row(QStringLiteral("08:00"), QStringLiteral("10:00"), {1}, {plain}),
                                        row(QStringLiteral("11:00"), QStringLiteral("12:00"), {5}, {control})},
                                       "070710083000");
    QVERIFY(!result.ok);
    QVERIFY(QDir(settings.xmlDir).entryList(QDir::Files).isEmpty());
    // The disk refuses the plan itself: the day files written first go too.
    int writes = 0;
    SafeFile::setWriter([&writes](QFileDevice &file, const QByteArray &bytes) -> qint64 {
        return ++writes < 2 ? file.write(bytes) : -1;
    });
    result =
        WritePlan(settings, t, {row(QStringLiteral("08:00"), QStringLiteral("10:00"), {1}, {plain})}, "070710083001");
    SafeFile::setWriter({});
    QVERIFY(!result.ok);
    QCOMPARE(writes, 2);
    QVERIFY(QDir(settings.xmlDir).entryList(QDir::Files).isEmpty());
}

QTEST_GUILESS_MAIN(tst_FtpPlan)
#include "tst_ftpplan.moc"
