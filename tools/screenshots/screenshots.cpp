// Takes pictures of the main windows with three simulated boxes connected,
// for the documentation. Run under a real X server (make screenshots uses
// xvfb-run). Usage: screenshots OUTPUT_FOLDER [zh|en]
#include "app/serverapp.h"
#include "base/clock.h"
#include "base/quietprompter.h"
#include "boxfiles/uploadqueue.h"
#include "boxsimulator.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/boxlists.h"
#include "console/calendarwindow.h"
#include "console/deploymanage.h"
#include "console/downloadlist.h"
#include "console/filesystem.h"
#include "console/fleetwindow.h"
#include "console/group.h"
#include "console/schdlist.h"
#include "ftp/ftpFastconnect.h"
#include "ftp/ftpList.h"
#include "ftp/ftpfile.h"
#include "link/cmd.h"
#include "link/fleetmodel.h"
#include "registry/MacGroup.h"
#include "schedule/playlist.h"
#include "schedule/playlistxml.h"
#include "schedule/scheduleeditor.h"
#include "scratchserver.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTabWidget>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <cstdio>

namespace {

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *window, const QString &file)
{
    window->show();
    window->raise();
    wait(300);
    const bool ok = window->grab().save(file);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(file));
    return ok;
}

void waitIdle(TForm7 *files)
{
    for (int i = 0; i < 200 && files->ftpClient().isBusy(); ++i)
        wait(50);
}

void check(QTreeWidget *view, const QString &caption)
{
    for (QTreeWidgetItem *item : view->findItems(caption, Qt::MatchExactly, 0))
        item->setCheckState(0, Qt::Checked);
}

void click(QWidget *window, const char *button)
{
    window->findChild<QToolButton *>(QString::fromLatin1(button))->click();
}

// The FTP windows browsing a small FTP server on this machine, with a plan
// of two schedule rows for two boxes.
bool ftpPictures(Forms &forms, const QString &out)
{
    QTemporaryDir ftpRoot;
    const QDir tree(ftpRoot.path());
    tree.mkpath(QStringLiteral("广告/春节"));
    tree.mkpath(QStringLiteral("pub/video"));
    int size = 1;
    for (const char *name : {"广告/春节/开场.mp4", "广告/春节/新年促销 30s.mp4", "广告/春节/菜单.mpg",
                             "广告/春节/天气预报.mp4", "pub/video/demo.mp4"}) {
        QFile file(tree.filePath(QString::fromUtf8(name)));
        file.open(QIODevice::WriteOnly);
        file.write(QByteArray(1048576 * (size++ % 7 + 1), 'x'));
    }
    QProcess server;
    server.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(FTPSERVER_SCRIPT), ftpRoot.path()});
    if (!server.waitForStarted(10000) || !server.waitForReadyRead(20000)) {
        std::fprintf(stderr, "could not start the FTP server (python3-pyftpdlib)\n");
        return false;
    }
    const int port = server.readLine().trimmed().toInt();

    TForm7 *files = forms.form7;
    TForm8 *fast = forms.form8;
    files->show();
    // Two earlier connects in the run history (nobody listens on port 1).
    for (const char *name : {"总部素材库", "门店 FTP"}) {
        fast->findChild<QComboBox *>(QStringLiteral("cb_History"))->setEditText(QString::fromUtf8(name));
        fast->findChild<QLineEdit *>(QStringLiteral("ld_Host"))->setText(QStringLiteral("127.0.0.1"));
        fast->findChild<QLineEdit *>(QStringLiteral("ld_Port"))->setText(QStringLiteral("1"));
        click(fast, "ToolButton1");
        waitIdle(files);
    }
    fast->ResetFields();
    fast->findChild<QLineEdit *>(QStringLiteral("ld_Host"))->setText(QStringLiteral("127.0.0.1"));
    fast->findChild<QLineEdit *>(QStringLiteral("ld_Port"))->setText(QString::number(port));
    fast->findChild<QLineEdit *>(QStringLiteral("ld_UserID"))->setText(QStringLiteral("op"));
    fast->findChild<QLineEdit *>(QStringLiteral("ld_PassWord"))->setText(QStringLiteral("secret"));
    fast->findChild<QLineEdit *>(QStringLiteral("ld_Dir"))->setText(QStringLiteral("/广告/春节"));
    fast->findChild<QComboBox *>(QStringLiteral("cb_History"))->setEditText(QStringLiteral("门店素材"));
    bool ok = save(fast, out + QStringLiteral("/TForm8.png"));
    click(fast, "ToolButton1");
    waitIdle(files);

    auto *list = files->findChild<QTreeWidget *>(QStringLiteral("lv_FtpFileList"));
    check(list, QStringLiteral("开场.mp4"));
    check(list, QStringLiteral("新年促销 30s.mp4"));
    check(list, QStringLiteral("天气预报.mp4"));
    click(files, "sb_Leadin");
    auto *days = files->findChild<QListWidget *>(QStringLiteral("clb_WeekIndex"));
    for (int d = 1; d <= 5; ++d)
        days->item(d)->setCheckState(Qt::Checked);
    click(files, "sb_FtpSchdAdd");
    for (int d = 1; d <= 5; ++d)
        days->item(d)->setCheckState(Qt::Unchecked);
    days->item(0)->setCheckState(Qt::Checked);
    days->item(6)->setCheckState(Qt::Checked);
    files->findChild<QComboBox *>(QStringLiteral("cb_StHour"))->setCurrentText(QStringLiteral("10"));
    files->findChild<QComboBox *>(QStringLiteral("cb_EndHour"))->setCurrentText(QStringLiteral("20"));
    click(files, "sb_FtpSchdAdd");
    QTreeWidget *boxes = files->pickBoxes();
    for (int i = 0; i < boxes->topLevelItemCount() && i < 2; ++i)
        boxes->topLevelItem(i)->setCheckState(0, Qt::Checked);
    ok = save(files, out + QStringLiteral("/TForm7.png")) && ok;

    click(files, "sb_Validation");
    TForm9 *plans = forms.form9;
    plans->findChild<QComboBox *>(QStringLiteral("cbStartHour"))->setCurrentText(QStringLiteral("01"));
    plans->findChild<QComboBox *>(QStringLiteral("cbEndHour"))->setCurrentText(QStringLiteral("05"));
    plans->findChild<QComboBox *>(QStringLiteral("cb_ActivateHour"))->setCurrentText(QStringLiteral("06"));
    plans->findChild<QTabWidget *>(QStringLiteral("PageControl2"))->setCurrentIndex(2);
    plans->findChild<QTabWidget *>(QStringLiteral("PageControl3"))->setCurrentIndex(1);
    ok = save(plans, out + QStringLiteral("/TForm9.png")) && ok;
    plans->hide();
    files->hide();
    server.kill();
    server.waitForFinished();
    return ok;
}

// The file-system window with a decoded play list and a decoded disk
// directory, and the download list with uploads running and waiting.
// Every box's week read back, the first box's shown with the odd ones out.
bool calendarPicture(Forms &forms, const MacGruoup &registry, const QString &out)
{
    ::click(forms.form1, "sbCalendar");
    CalendarWindow *calendar = forms.form1->calendarWindow();
    static ManualClock noon(QDateTime(QDate(2026, 12, 9), QTime(12, 30)));
    calendar->setClock(noon);
    auto *groups = calendar->findChild<QComboBox *>(QStringLiteral("cb_Group"));
    groups->setCurrentIndex(0);
    BoxLists::ShowChosenGroup(groups, calendar->findChild<QTreeWidget *>(QStringLiteral("lv_OnlineBox")), registry);
    bool finished = false;
    QObject::connect(calendar, &CalendarWindow::readFinished, calendar, [&finished] { finished = true; });
    calendar->findChild<QToolButton *>(QStringLiteral("sb_Read"))->click();
    for (int i = 0; i < 200 && !finished; ++i)
        wait(50);
    calendar->showBox(registry.Box(0).MacAdd);
    return save(calendar, out + QStringLiteral("/Calendar.png"));
}

bool boxFilePictures(Forms &forms, const ServerSettings &settings, BoxSimulator &boxes, MacGruoup &registry,
                     const QString &out)
{
    TForm10 *files = forms.form10;
    TForm11 *uploads = forms.form11;
    BoxLists::PickList(files->pickGroups(), files->pickBoxes(), registry, BoxLists::PickRefresh);
    const QString mac = registry.Box(0).MacAdd;
    const QString name = registry.Box(0).ClientName;
    const QString folder = MakeBoxFolder(settings, name, mac);
    const auto store = [](const QString &path, const QByteArray &bytes) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    };
    const QString list = settings.contentRoot + QStringLiteral("filesys/1.xml");
    const QString disk = folder + QStringLiteral("CONFIG/DiskDir(261209083000).xml");
    store(list, boxes.box(0)->disk().value(QStringLiteral("/mnt/hd1/Disc1/XML/1.xml")));
    store(disk, boxes.box(0)->diskDirectory());
    for (const char *log : {"20261207.log", "20261208.log", "20261209.log"})
        files->AddFileRow(QLatin1String(log), name, mac, folder + QStringLiteral("PlayLog/") + QLatin1String(log));
    files->AddFileRow(QStringLiteral("1.xml"), name, mac, list);
    files->AddFileRow(QStringLiteral("DiskDir.xml"), name, mac, disk);
    auto *fileList = files->findChild<QTreeWidget *>(QStringLiteral("lv_File"));
    const auto decode = [&](int row) {
        fileList->clearSelection();
        fileList->topLevelItem(row)->setSelected(true);
        // Files are decoded on a worker; the picture waits for the rows.
        QEventLoop loop;
        QObject::connect(files, &TForm10::decodeFinished, &loop, &QEventLoop::quit);
        emit fileList->itemDoubleClicked(fileList->topLevelItem(row), 0);
        loop.exec();
    };
    decode(3);
    bool ok = save(files, out + QStringLiteral("/TForm10-playlist.png"));
    decode(4);
    auto *decoded = files->findChild<QTreeWidget *>(QStringLiteral("lv_DecodeFile"));
    for (int i = 0; i < decoded->topLevelItemCount(); i += 3)
        decoded->topLevelItem(i)->setCheckState(0, Qt::Checked);
    ok = save(files, out + QStringLiteral("/TForm10.png")) && ok;
    files->hide();

    for (int b = 0; b < 3; ++b) {
        const QString boxFolder = MakeBoxFolder(settings, registry.Box(b).ClientName, registry.Box(b).MacAdd);
        for (const char *log : {"20261207.log", "20261208.log", "20261209.log"})
            uploads->AddTask({QLatin1String(log), registry.Box(b).ClientName, registry.Box(b).MacAdd,
                              QStringLiteral("/mnt/hd1/Disc1/PlayLog/") + QLatin1String(log),
                              boxFolder + QStringLiteral("PlayLog/") + QLatin1String(log)});
    }
    uploads->findChild<QTimer *>(QStringLiteral("Timer1"))->start(300);
    wait(1400);
    uploads->findChild<QTimer *>(QStringLiteral("Timer1"))->stop();
    ok = save(uploads, out + QStringLiteral("/TForm11.png")) && ok;
    uploads->hide();
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [zh|en]\n", argv[0]);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);

    QTemporaryDir dir;
    StartupOptions options = ScratchServerOptions(dir.path(), QStringLiteral("192.168.1.10"));
    options.language = argc > 2 ? QString::fromLatin1(argv[2]) : QStringLiteral("zh");

    // A small content library.
    const QString root = dir.filePath(QStringLiteral("content/"));
    QDir().mkpath(root + QStringLiteral("video"));
    QDir().mkpath(root + QStringLiteral("BMP"));
    for (const char *name : {"opening.mp4", "广告-春节.avi", "menu.mp4", "weather.mp4"}) {
        QFile file(root + QStringLiteral("video/") + QString::fromUtf8(name));
        file.open(QIODevice::WriteOnly);
        file.write("movie");
    }
    QImage logo(800, 600, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    logo.save(root + QStringLiteral("BMP/logo.bmp"));

    QuietPrompter prompter;
    ServerApp server(options, prompter, QCoreApplication::applicationDirPath() + QStringLiteral("/libvestrid.so"));
    if (!server.start())
        return 1;
    SimulatorOptions simulator;
    simulator.port = quint16(options.boxPort);
    simulator.heartbeatMs = 1000;
    simulator.failTypes = {CMD_LANGUAGE}; // one failed answer for the fleet status window
    BoxSimulator boxes(4, simulator);
    boxes.box(1)->profile().outputMode = 2;
    boxes.box(1)->profile().status = 3;
    boxes.box(2)->profile().layout = 1;
    boxes.box(2)->profile().clockOffsetSeconds = -42;
    boxes.start();
    MacGruoup &registry = *server.context().registry;
    for (int i = 0; i < 100 && registry.BoxCount() < 4; ++i)
        wait(50);
    registry.AddGroup(QStringLiteral("大厅"));
    registry.SetBoxGroup(1, QStringLiteral("大厅"));
    registry.SetBoxGroup(2, QStringLiteral("大厅"));
    registry.SetBoxName(0, QStringLiteral("前台"));
    registry.SetBoxName(1, QStringLiteral("大厅左"));
    registry.SetBoxName(2, QStringLiteral("大厅右"));
    wait(1200);

    Forms &forms = server.forms();
    const auto click = [&forms](const char *button) { ::click(forms.form1, button); };
    // The names and groups were set behind the windows' back: refresh them.
    BoxLists::PickList(forms.form1->pickGroups(), forms.form1->pickBoxes(), registry, BoxLists::PickRefresh);
    click("sbGroup");
    click("sbBoxManagement");
    server.context().cmd->SendBoxCommand(CMD_GETFILENAME, registry.Box(0).MacAdd);
    server.context().cmd->SendBoxCommand(CMD_SETTIME, registry.Box(2).MacAdd);
    server.context().cmd->SendBoxCommand(CMD_LANGUAGE, registry.Box(1).MacAdd, {{1}, {}});
    wait(500);
    // A composed schedule: a media entry on weekdays, a text and a picture entry.
    TPlayList &store = *server.context().schedules;
    TScheduleNode media;
    media.StartHour = 8;
    media.EndHour = 22;
    media.WeekDays = 0b0111110;
    media.vec_shortname = {QStringLiteral("opening.mp4"), QStringLiteral("广告-春节.avi"), QStringLiteral("menu.mp4")};
    for (const QString &name : media.vec_shortname)
        media.vec_fullname.append(root + QStringLiteral("video/") + name);
    store.AddSchd(media);
    media.StartHour = 10;
    media.EndHour = 18;
    media.WeekDays = 0b1000001;
    media.vec_shortname = {QStringLiteral("weather.mp4")};
    media.vec_fullname = {root + QStringLiteral("video/weather.mp4")};
    store.AddSchd(media);
    TScheduleNodeOther text;
    text.StartHour = 9;
    text.EndHour = 21;
    text.WeekDays = 0x7F;
    text.vec_item = {QStringLiteral("欢迎光临")};
    store.AddOtherSchd(OTHER_TEXT, text);
    TScheduleNodeOther picture;
    picture.StartHour = 12;
    picture.EndHour = 14;
    picture.WeekDays = 0x7F;
    picture.vec_item = {QStringLiteral("logo.bmp")};
    store.AddOtherSchd(OTHER_PIC, picture);
    forms.form1->RefreshSchdList();
    // For the fleet status window: the composed schedule goes to the first
    // box, which fetches it (the simulated boxes reach the service on this
    // machine, not at the address the pictures show), and the last box
    // falls silent and goes offline.
    ServerSettings local = server.context().settings;
    local.serviceIp = QStringLiteral("127.0.0.1");
    // For the calendar: the box in the middle keeps last week's lists.
    TPlayList lastWeek;
    TScheduleNode old = media;
    old.StartHour = 9;
    old.EndHour = 12;
    old.WeekDays = 0b0111110;
    lastWeek.AddSchd(old);
    const GenerationResult previous = GenerateDownloadList(lastWeek, local);
    if (previous.status == GenerationResult::Ok)
        server.context().cmd->SendBoxCommand(CMD_FILEUPDATE, registry.Box(2).MacAdd,
                                             {{}, {TransferCommand(local, previous.downloadList)}});
    wait(1100); // the next lists are named by another second
    const GenerationResult transfer = GenerateDownloadList(store, local);
    if (transfer.status == GenerationResult::Ok) {
        for (int slot : {0, 1})
            server.context().cmd->SendBoxCommand(CMD_FILEUPDATE, registry.Box(slot).MacAdd,
                                                 {{}, {TransferCommand(local, transfer.downloadList)}});
    }
    boxes.box(3)->stop();
    static ManualClock later;
    later.advanceSecs(OfflineAfterSeconds + 1);
    registry.setClock(later);
    forms.form1->fleetWindow()->model()->setClock(later);
    wait(1500);
    auto *offlineCheck = forms.form1->findChild<QTimer *>(QStringLiteral("Timer1"));
    offlineCheck->start(5);
    wait(100);
    offlineCheck->start(10000);
    wait(500);
    // The first entry loaded back into the editor.
    auto *lines = forms.form1->findChild<QListWidget *>(QStringLiteral("ListBoxSchdList"));
    lines->setCurrentRow(0);
    emit lines->itemClicked(lines->currentItem());

    // Every window at the size it opens with.
    bool ok = save(forms.form1, out + QStringLiteral("/TForm1.png"));
    ok = save(forms.form2, out + QStringLiteral("/TForm2.png")) && ok;
    ok = save(forms.form3, out + QStringLiteral("/TForm3.png")) && ok;
    click("sbDeploy");
    ok = save(forms.form5, out + QStringLiteral("/TForm5.png")) && ok;
    forms.form5->hide();
    click("sbFleetStatus");
    ok = save(forms.form1->fleetWindow(), out + QStringLiteral("/FleetStatus.png")) && ok;
    forms.form4->OpenAllBoxes();
    ok = save(forms.form4, out + QStringLiteral("/TForm4.png")) && ok;
    forms.form4->hide();
    BoxLists::PickList(forms.form7->pickGroups(), forms.form7->pickBoxes(), registry, BoxLists::PickRefresh);
    ok = ftpPictures(forms, out) && ok;
    // Before the file-system pictures, whose uploads teach the boxes the
    // address the pictures show, which they cannot reach.
    ok = calendarPicture(forms, registry, out) && ok;
    ok = boxFilePictures(forms, server.context().settings, boxes, registry, out) && ok;
    boxes.stop();
    return ok ? 0 : 1;
}
