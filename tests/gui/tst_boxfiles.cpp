// The box file-system and download list windows as an operator drives them:
// box folders, the upload queue (16 at most, one a tick), the disk
// directory's completion, and, end to end with simulated boxes and a content
// folder under a Chinese path, play logs, a disk directory decoded, a file
// deleted on the box and another fetched, and a play list fetched by name.
#include "appharness.h"
#include "base/clock.h"
#include "base/codepage.h"
#include "boxfiles/uploadqueue.h"
#include "boxsimulator.h"
#include "config/forms.h"
#include "config/settings.h"
#include "console/boxlists.h"
#include "console/downloadlist.h"
#include "console/filesystem.h"
#include "registry/MacGroup.h"
#include "testutil.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>

using namespace GuiUtil;

namespace {

// Types a date into a date picker, section by section, as a person does.
void typeDate(QDateEdit *picker, const QString &digits)
{
    picker->setFocus();
    picker->setSelectedSection(QDateTimeEdit::YearSection);
    QTest::keyClicks(picker, digits);
}

SUPLOADFILE task(const QString &name, const QString &mac, const QString &boxPath, const QString &local)
{
    return {name, QStringLiteral("Shop"), mac, boxPath, local};
}

} // namespace

class TestBoxFiles : public QObject
{
    Q_OBJECT

private slots:
    void boxFolders();
    void queueStartsOneATickSixteenAtMost();
    void uploadsEndTheirTasks();
    void playLogRangeAndClean();
    void boxesUploadTheirFiles();
    void aRepeatingBoxKeepsTheFileListBounded();
};

// A box repeating a reply updates one row; many files keep the newest.
void TestBoxFiles::aRepeatingBoxKeepsTheFileListBounded()
{
    AppHarness h;
    QVERIFY(h.start());
    BoxSimulator boxes(1, h.boxOptions());
    QVERIFY(h.connectBoxes(boxes, 1));
    TForm10 *window = h.forms().form10;
    auto *files = child<QTreeWidget>(window, "lv_File");
    const QString folder = h.context().settings.contentRoot + QStringLiteral("filesys/");
    const QString url = HttpAddress(h.context().settings, folder + QStringLiteral("0.xml"));
    for (int i = 0; i < 50; ++i)
        boxes.box(0)->sendLine("info get file 0.xml " + url.toUtf8());
    boxes.box(0)->sendLine("info get file 1.xml " +
                           HttpAddress(h.context().settings, folder + QStringLiteral("1.xml")).toUtf8());
    QTRY_COMPARE(files->topLevelItemCount(), 2);
    for (int i = 0; i < TForm10::kMaxFileRows + 5; ++i)
        window->AddFileRow(QStringLiteral("f"), QString(), BoxSimulator::macFor(0), folder + QString::number(i));
    QCOMPARE(files->topLevelItemCount(), TForm10::kMaxFileRows);
    QCOMPARE(files->topLevelItem(0)->text(3), folder + QStringLiteral("5"));
}

void TestBoxFiles::boxFolders()
{
    QTemporaryDir dir;
    ServerSettings s;
    s.contentRoot = dir.path() + QStringLiteral("/content/");
    const QString shop = MakeBoxFolder(s, QStringLiteral("Shop1"), QStringLiteral("00:11:22:33:44:55"));
    QCOMPARE(shop, s.contentRoot + QStringLiteral("filesys/Shop1(00-11-22-33-44-55)/"));
    for (const char *sub : {"Ftp", "Http", "CONFIG", "PlayLog", "ErrLog", "BACKUP"})
        QVERIFY(QFileInfo(shop + QLatin1String(sub)).isDir());
    QCOMPARE(MakeBoxFolder(s, QString(), QStringLiteral("00:11:22:33:44:55")),
             s.contentRoot + QStringLiteral("filesys/(00-11-22-33-44-55)/"));
    // A client name and a MAC make one visible folder, never a way out of
    // filesys nor a hidden folder the content service would not store into.
    QCOMPARE(MakeBoxFolder(s, QStringLiteral("../a/b"), QStringLiteral("00:11")),
             s.contentRoot + QStringLiteral("filesys/_._a_b(00-11)/"));
    QCOMPARE(MakeBoxFolder(s, QStringLiteral(".shop"), QStringLiteral("/../../../esc")),
             s.contentRoot + QStringLiteral("filesys/_shop(_.._.._.._esc)/"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList({"content"}));
    // A folder that cannot be made names itself.
    TestUtil::writeFile(s.contentRoot + QStringLiteral("filesys/Blocked(00-11)"), "a file in the way");
    QString failed;
    QVERIFY(MakeBoxFolder(s, QStringLiteral("Blocked"), QStringLiteral("00:11"), &failed).isEmpty());
    QCOMPARE(failed, s.contentRoot + QStringLiteral("filesys/Blocked(00-11)/"));
    // Reports naming files outside the upload folder are not taken.
    QCOMPARE(LocalPathOfUpload(s, QStringLiteral("/") + s.contentRoot + QStringLiteral("filesys/a.xml")),
             s.contentRoot + QStringLiteral("filesys/a.xml"));
    QVERIFY(LocalPathOfUpload(s, QStringLiteral("/etc/passwd")).isEmpty());
    QVERIFY(LocalPathOfUpload(s, s.contentRoot + QStringLiteral("../x.xml")).isEmpty());
    QVERIFY(LocalPathOfUpload(s, QStringLiteral("//") + s.contentRoot + QStringLiteral("Ftp.ini")).isEmpty());
}

void TestBoxFiles::queueStartsOneATickSixteenAtMost()
{
    AppHarness h;
    QVERIFY(h.start());
    TForm11 *list = h.forms().form11;
    ManualClock clock;
    list->setClock(clock);
    list->show();
    QVERIFY(QTest::qWaitForWindowExposed(list));
    // A copy left by an earlier fetch goes when its task starts, so it can
    // never pass for the new upload.
    const QString local = h.dir.filePath(QStringLiteral("%1.log"));
    TestUtil::writeFile(local.arg(0), "an earlier fetch");
    for (int i = 0; i < 20; ++i)
        list->AddTask(task(QStringLiteral("%1.log").arg(i), QStringLiteral("02:00:00:00:00:01"),
                           QStringLiteral("/mnt/hd1/Disc1/PlayLog/%1.log").arg(i), local.arg(i)));
    auto *waiting = child<QTreeWidget>(list, "lv_TaskFile");
    auto *running = child<QTreeWidget>(list, "lv_Download");
    QCOMPARE(waiting->topLevelItemCount(), 20);
    // Step the timer quickly and record what each tick left behind.
    auto *timer = child<QTimer>(list, "Timer1");
    QList<int> runningAfterTick;
    connect(timer, &QTimer::timeout, this, [&] { runningAfterTick.append(running->topLevelItemCount()); });
    timer->start(1);
    QTRY_VERIFY(runningAfterTick.size() >= 20);
    timer->stop();
    QList<int> expected;
    for (int i = 1; i <= 20; ++i)
        expected.append(qMin(i, 16));
    QCOMPARE(runningAfterTick.mid(0, 20), expected);
    QCOMPARE(waiting->topLevelItemCount(), 4);
    QCOMPARE(column(running, 0).first(), QStringLiteral("0.log"));
    QVERIFY(!QFile::exists(local.arg(0)));

    // Cancelling with nothing checked changes nothing; checked rows go.
    click(list, "sb_CancelPlan");
    click(list, "sb_CancelDownloading");
    QCOMPARE(waiting->topLevelItemCount(), 4);
    QCOMPARE(running->topLevelItemCount(), 16);
    checkRow(waiting, waiting->topLevelItem(1));
    click(list, "sb_CancelPlan");
    QCOMPARE(column(waiting, 0), QStringList({"16.log", "18.log", "19.log"}));
    // Check marks survive the other list's changes.
    checkRow(waiting, waiting->topLevelItem(0));
    checkRow(running, running->topLevelItem(0));
    click(list, "sb_CancelDownloading");
    QCOMPARE(running->topLevelItemCount(), 15);
    QCOMPARE(waiting->topLevelItem(0)->checkState(0), Qt::Checked);
    checkRow(running, running->topLevelItem(2));
    click(list, "sb_CancelPlan");
    QCOMPARE(column(waiting, 0), QStringList({"18.log", "19.log"}));
    QCOMPARE(running->topLevelItem(2)->checkState(0), Qt::Checked);
    click(list, "sb_CancelAllPlan");
    QCOMPARE(waiting->topLevelItemCount(), 0);

    // Tasks no box reports within ten minutes end as failed and free their places.
    clock.advance(UploadQueue::kMaxRunningMs - 1);
    QSignalSpy ticks(timer, &QTimer::timeout);
    timer->start(1);
    QVERIFY(ticks.wait());
    QCOMPARE(running->topLevelItemCount(), 15);
    clock.advance(1);
    QTRY_COMPARE(running->topLevelItemCount(), 0);
    QVERIFY(
        child<QStatusBar>(list, "stb_Failed")->currentMessage().contains(QLatin1String("no report within 10 minutes")));
}

void TestBoxFiles::uploadsEndTheirTasks()
{
    QTemporaryDir dir;
    UploadQueue queue;
    const QString mac = QStringLiteral("02:00:00:00:00:01");
    queue.add(task(QStringLiteral("DiskDir.xml"), mac, QString(), dir.filePath(QStringLiteral("DiskDir(T).xml"))));
    queue.add(task(QStringLiteral("a.log"), mac, QStringLiteral("/mnt/hd1/Disc1/PlayLog/a.log"), QStringLiteral("/a")));
    queue.add(
        task(QStringLiteral("b.log"), mac, QStringLiteral("\\mnt\\hd1\\Disc1\\PlayLog\\b.log"), QStringLiteral("/b")));
    queue.add(task(QStringLiteral("c.log"), QStringLiteral("02:00:00:00:00:02"),
                   QStringLiteral("/mnt/hd1/Disc1/PlayLog/c.log"), QStringLiteral("/c")));
    while (queue.startNext(0)) {
    }
    QCOMPARE(queue.running().size(), 4);
    QCOMPARE(queue.running()[2].boxPath, QStringLiteral("/mnt/hd1/Disc1/PlayLog/b.log"));
    // A report from a box with no such task changes nothing.
    QVERIFY(!queue.complete(QStringLiteral("02:00:00:00:00:09"), kBoxDiskDirPath));
    // The disk directory completes the task with an empty box path; the
    // second play log takes the first one of the same box with it.
    QCOMPARE(queue.complete(mac, kBoxDiskDirPath)->taskName, QStringLiteral("DiskDir.xml"));
    QCOMPARE(queue.complete(mac, QStringLiteral("/mnt/hd1/Disc1/PlayLog/b.log"))->taskName, QStringLiteral("b.log"));
    QCOMPARE(queue.running().size(), 1);
    QCOMPARE(queue.running().first().taskName, QStringLiteral("c.log"));
    // The upload address keeps Chinese text as GB2312 on the line, so a deep
    // Chinese folder still fits in a command; only what an address cannot
    // carry as it is gets encoded.
    ServerSettings s;
    s.serviceIp = QStringLiteral("192.168.100.200");
    s.servicePort = 8080;
    const SUPLOADFILE deep{QStringLiteral("新年促销广告片.mpg"), QStringLiteral("一号店前台收银机"), mac,
                           QStringLiteral("/mnt/hd1/Disc1/video/新年促销广告片.mpg"),
                           QStringLiteral("/home/operator/content/filesys/一号店前台收银机(02-00-00-00-00-01)/video/"
                                          "新年促销广告片 100%.mpg")};
    const QString argument = FileUploadArgument(s, deep);
    QVERIFY(argument.endsWith(QStringLiteral("/video/新年促销广告片%20100%25.mpg")));
    QVERIFY(argument.contains(QStringLiteral(" http://192.168.100.200:8080//home/operator/content/filesys/一号店")));
    QVERIFY(CodePage::byteLength(QStringLiteral("fileupload ") + argument) <= 255);
    // A box that went away ends its tasks.
    QCOMPARE(queue.expire(1, [](const QString &m) { return m.endsWith(QLatin1String("02")); }).size(), 1);
    QVERIFY(queue.running().isEmpty());
}

void TestBoxFiles::playLogRangeAndClean()
{
    AppHarness h;
    QVERIFY(h.start());
    SimulatorOptions options = h.boxOptions();
    BoxSimulator boxes(2, options);
    QVERIFY(h.connectBoxes(boxes, 2));
    TForm10 *window = h.forms().form10;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    BoxLists::PickList(window->pickGroups(), window->pickBoxes(), h.registry(), BoxLists::PickRefresh);
    checkRow(window->pickBoxes(), window->pickBoxes()->topLevelItem(0));
    child<QTabWidget>(window, "pgc_Download")->setCurrentIndex(1);
    // A range that runs backwards makes no task, but the folder all the same.
    typeDate(child<QDateEdit>(window, "dtp_Start"), QStringLiteral("20260310"));
    typeDate(child<QDateEdit>(window, "dtp_End"), QStringLiteral("20260308"));
    QCOMPARE(child<QDateEdit>(window, "dtp_Start")->date(), QDate(2026, 3, 10));
    click(window, "sb_GetPlayLog");
    QCOMPARE(h.forms().form11->queue().waiting().size(), 0);
    QVERIFY(QFileInfo(h.context().settings.contentRoot + QStringLiteral("filesys/(") +
                      QString(BoxSimulator::macFor(0)).replace(QLatin1Char(':'), QLatin1Char('-')) +
                      QStringLiteral(")/PlayLog"))
                .isDir());

    // "X" with nothing checked empties the file list; with checks only those.
    window->AddFileRow(QStringLiteral("a"), {}, BoxSimulator::macFor(0), QStringLiteral("/x/a"));
    window->AddFileRow(QStringLiteral("b"), {}, BoxSimulator::macFor(0), QStringLiteral("/x/b"));
    auto *files = child<QTreeWidget>(window, "lv_File");
    checkRow(files, files->topLevelItem(0));
    click(window, "sb_Clean");
    QCOMPARE(column(files, 0), QStringList({"b"}));
    click(window, "sb_Clean");
    QCOMPARE(files->topLevelItemCount(), 0);
    // A header click sorts the file list.
    for (const char *name : {"b.log", "A.log", "c.log"})
        window->AddFileRow(QLatin1String(name), {}, BoxSimulator::macFor(0), QStringLiteral("/x"));
    clickHeader(files, 0);
    QCOMPARE(column(files, 0), QStringList({"A.log", "b.log", "c.log"}));
    // Double-clicking a file that is not decoded shows the decode text only.
    doubleClickRow(files, files->topLevelItem(1));
    QCOMPARE(window->decodeText(), QStringLiteral("Decode b.log:/x"));
    QCOMPARE(child<QStatusBar>(window, "stb_Decodefile")->currentMessage(), window->decodeText());

    // A play log is shown as text beside the decode list, each line read as
    // UTF-8 or GB18030 by its own bytes, with a find line; of a large one
    // only its end.
    const QString log = h.dir.filePath(QStringLiteral("0310.log"));
    const QString text = QStringLiteral("08:00:00 play 广告.avi\n08:05:00 play intro.mp4\n08:06:00 播放 广告\n");
    TestUtil::writeFile(log, CodePage::toGb2312(text.section(QLatin1Char('\n'), 0, 1) + QLatin1Char('\n')) +
                                 QStringLiteral("08:06:00 播放 广告\n").toUtf8());
    const QString big = h.dir.filePath(QStringLiteral("big.log"));
    QByteArray lines;
    for (int i = 0; lines.size() < 9 * 1024 * 1024; ++i)
        lines += "line " + QByteArray::number(i) + '\n';
    TestUtil::writeFile(big, lines);
    window->AddFileRow(QStringLiteral("0310.log"), {}, BoxSimulator::macFor(0), log);
    window->AddFileRow(QStringLiteral("big.log"), {}, BoxSimulator::macFor(0), big);
    auto *shown = child<QPlainTextEdit>(window, "mm_FileText");
    QSignalSpy texts(window, &TForm10::textShown);
    doubleClickRow(files, files->topLevelItem(3));
    QVERIFY(texts.wait(60000));
    QCOMPARE(shown->toPlainText(), text);
    QCOMPARE(window->decodeText(), QStringLiteral("Decode 0310.log:") + log);
    auto *find = child<QLineEdit>(window, "ed_Find");
    find->setFocus();
    QTest::keyClicks(find, QStringLiteral("play"));
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(shown->textCursor().blockNumber(), 0);
    QTest::keyClick(find, Qt::Key_Return);
    QCOMPARE(shown->textCursor().blockNumber(), 1);
    QCOMPARE(shown->textCursor().selectedText(), QStringLiteral("play"));
    doubleClickRow(files, files->topLevelItem(4));
    QVERIFY(texts.wait(60000));
    const QString tail = shown->toPlainText();
    QVERIFY(tail.size() <= 8 * 1024 * 1024);
    QVERIFY(tail.startsWith(QLatin1String("line ")));
    QVERIFY(QString::fromLatin1(lines).endsWith(tail));
    QVERIFY(child<QLabel>(window, "lb_FileText")->text().contains(QLatin1String("the last 8 MiB of 9.0 MiB")));
    // A log of one line of almost 8 MiB shows its line cut.
    const QString oneLine = h.dir.filePath(QStringLiteral("one.log"));
    TestUtil::writeFile(oneLine, QByteArray(8 * 1024 * 1024 - 16, 'x') + '\n');
    window->AddFileRow(QStringLiteral("one.log"), {}, BoxSimulator::macFor(0), oneLine);
    doubleClickRow(files, files->topLevelItem(5));
    QVERIFY(texts.wait(60000));
    QCOMPARE(shown->toPlainText(), QString(kMaxBoxTextLine, QLatin1Char('x')) + QStringLiteral(" …\n"));
    QVERIFY(child<QLabel>(window, "lb_FileText")->text().endsWith(QLatin1String("(lines cut to 4096 characters: 1)")));
}

void TestBoxFiles::boxesUploadTheirFiles()
{
    // A content folder under a Chinese path.
    AppHarness h;
    h.options.content = h.dir.filePath(QStringLiteral("广告 内容/content"));
    QVERIFY(QDir().mkpath(h.options.content));
    h.contentPeerLimit = 0;
    QVERIFY(h.start());
    const ServerSettings &s = h.context().settings;
    QVERIFY(s.contentRoot.contains(QStringLiteral("广告 内容")));
    SimulatorOptions options = h.boxOptions();
    options.clock = [] { return QDateTime(QDate(2026, 3, 10), QTime(9, 0)); };
    BoxSimulator boxes(2, options);
    QVERIFY(h.connectBoxes(boxes, 2));
    h.registry().SetBoxName(0, QStringLiteral("前台"));

    TForm10 *window = h.forms().form10;
    TForm11 *list = h.forms().form11;
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    BoxLists::PickList(window->pickGroups(), window->pickBoxes(), h.registry(), BoxLists::PickRefresh);
    QTreeWidget *pick = window->pickBoxes();
    checkRow(pick, pick->topLevelItem(0));
    checkRow(pick, pick->topLevelItem(1));
    child<QTimer>(list, "Timer1")->start(5);

    // Three days of play logs from two boxes.
    child<QTabWidget>(window, "pgc_Download")->setCurrentIndex(1);
    typeDate(child<QDateEdit>(window, "dtp_Start"), QStringLiteral("20260308"));
    typeDate(child<QDateEdit>(window, "dtp_End"), QStringLiteral("20260310"));
    click(window, "sb_GetPlayLog");
    auto *files = child<QTreeWidget>(window, "lv_File");
    QTRY_COMPARE_WITH_TIMEOUT(files->topLevelItemCount(), 6, 30000);
    const QString front = s.contentRoot + QStringLiteral("filesys/前台(") +
                          QString(BoxSimulator::macFor(0)).replace(QLatin1Char(':'), QLatin1Char('-')) +
                          QStringLiteral(")/");
    for (const char *day : {"20260308", "20260309", "20260310"}) {
        const QString log = QLatin1String(day) + QStringLiteral(".log");
        QCOMPARE(TestUtil::readFile(front + QStringLiteral("PlayLog/") + log),
                 boxes.box(0)->disk().value(QStringLiteral("/mnt/hd1/Disc1/PlayLog/") + log));
    }
    // Each box's rows carry its client name; uploads of two boxes interleave.
    QStringList frontLogs;
    for (int i = 0; i < files->topLevelItemCount(); ++i) {
        if (files->topLevelItem(i)->text(2) == BoxSimulator::macFor(0)) {
            frontLogs.append(files->topLevelItem(i)->text(0));
            QCOMPARE(files->topLevelItem(i)->text(1), QStringLiteral("前台"));
        }
    }
    frontLogs.sort();
    QCOMPARE(frontLogs, QStringList({"20260308.log", "20260309.log", "20260310.log"}));
    QCOMPARE(list->queue().running().size(), 0);

    // The disk directory of the first box, decoded.
    checkRow(pick, pick->topLevelItem(1));
    click(window, "sb_Clean");
    click(window, "sb_GetDiskDir");
    QTRY_COMPARE_WITH_TIMEOUT(files->topLevelItemCount(), 1, 30000);
    QCOMPARE(files->topLevelItem(0)->text(0), QStringLiteral("DiskDir.xml"));
    QVERIFY(files->topLevelItem(0)->text(3).startsWith(front + QStringLiteral("CONFIG/DiskDir(")));
    // Nobody else may put a file into a box's folder: not a forged
    // directory, not even from a box's own address when no task asked it.
    const QString forgedUrl =
        QString::fromUtf8(QUrl::fromLocalFile(files->topLevelItem(0)->text(3)).toEncoded())
            .replace(QLatin1String("file://"), QStringLiteral("http://127.0.0.1:%1/").arg(s.servicePort));
    const auto forged = TestUtil::curl(forgedUrl, {QStringLiteral("-T"), QStringLiteral("-")}, "<DirList/>").status;
    QCOMPARE(forged, 403);
    QSignalSpy decodes(window, &TForm10::decodeFinished);
    doubleClickRow(files, files->topLevelItem(0));
    QTRY_COMPARE(decodes.size(), 1);
    QVERIFY(child<QWidget>(window, "tb_DiskMsg")->isVisible());
    auto *decoded = child<QTreeWidget>(window, "lv_DecodeFile");
    QCOMPARE(decoded->headerItem()->text(3), QStringLiteral("File Path"));
    const QStringList paths = column(decoded, 3);
    QVERIFY(paths.contains(QStringLiteral("/mnt/hd1/Disc1/video/广告.mpg")));
    QVERIFY(paths.contains(QStringLiteral("/mnt/hd1/Disc1/PlayLog/20260310.log")));

    // Delete one file on the box, fetch another to the server.
    const int chinese = int(paths.indexOf(QStringLiteral("/mnt/hd1/Disc1/video/广告.mpg")));
    checkRow(decoded, decoded->topLevelItem(chinese));
    click(window, "tb_Delete");
    QTRY_VERIFY(!boxes.box(0)->disk().contains(QStringLiteral("/mnt/hd1/Disc1/video/广告.mpg")));
    checkRow(decoded, decoded->topLevelItem(chinese));
    checkRow(decoded, decoded->topLevelItem(int(paths.indexOf(QStringLiteral("/mnt/hd1/Disc1/video/opening.mp4")))));
    click(window, "tb_Upload");
    QTRY_COMPARE_WITH_TIMEOUT(files->topLevelItemCount(), 2, 30000);
    QCOMPARE(files->topLevelItem(1)->text(0), QStringLiteral("opening.mp4"));
    QCOMPARE(TestUtil::readFile(front + QStringLiteral("video/opening.mp4")), QByteArray(4096, 'v'));
    // The deleted file was asked for too and never arrives.
    QVERIFY(!QFile::exists(front + QStringLiteral("video/广告.mpg")));
    click(window, "tb_Close");
    QVERIFY(!child<QWidget>(window, "tb_DiskMsg")->isVisible());
    QCOMPARE(decoded->topLevelItemCount(), 0);

    // A play list asked for by name comes back and decodes in time order.
    child<QTabWidget>(window, "pgc_Download")->setCurrentIndex(0);
    auto *names = child<QComboBox>(window, "cb_XMLList");
    QCOMPARE(names->count(), 21);
    names->setFocus();
    QTest::keyClick(names, Qt::Key_Down); // 1.xml
    click(window, "sb_GetXML");
    QTRY_COMPARE_WITH_TIMEOUT(files->topLevelItemCount(), 3, 30000);
    QCOMPARE(files->topLevelItem(2)->text(0), QStringLiteral("1.xml"));
    doubleClickRow(files, files->topLevelItem(2));
    QTRY_COMPARE(decodes.size(), 2);
    QCOMPARE(column(decoded, 0), QStringList({"08:00:00", "08:00:00", "20:00:00"}));
    QCOMPARE(column(decoded, 4), QStringList({"opening.mp4", "广告.mpg", "opening.mp4"}));

    // A disk directory decoded for one box, then another box's that cannot
    // be read: its message, and nothing left that "删除" could send anywhere.
    doubleClickRow(files, files->topLevelItem(0));
    QTRY_COMPARE(decodes.size(), 3);
    QVERIFY(decoded->topLevelItemCount() > 0);
    const QString broken = h.dir.filePath(QStringLiteral("broken.xml"));
    TestUtil::writeFile(broken, "<DirList><DIR Path=\"/mnt\">");
    window->AddFileRow(QStringLiteral("DiskDir.xml"), {}, BoxSimulator::macFor(1), broken);
    doubleClickRow(files, files->topLevelItem(3));
    QTRY_COMPARE(decodes.size(), 4);
    QVERIFY(h.prompter.asked.last().text.contains(QLatin1String("is not a readable XML document")));
    QCOMPARE(decoded->topLevelItemCount(), 0);
    QVERIFY(!child<QWidget>(window, "tb_DiskMsg")->isVisible());
}

QTEST_MAIN(TestBoxFiles)
#include "tst_boxfiles.moc"
