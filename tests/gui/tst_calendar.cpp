// The calendar window against simulated boxes that keep the play lists the
// server's own transfers gave them: after a transfer each box's week is the
// composed one; a box left on last week's lists, one whose Wednesday list is
// broken and one offline are the group's odd ones out; the days that differ
// from what the box's last transfer sent are marked; "now" follows the
// clock; the week exports as CSV rows and as an A4 picture.
#include "appharness.h"
#include "base/clock.h"
#include "boxsimulator.h"
#include "config/mainform.h"
#include "console/boxlists.h"
#include "console/calendarwindow.h"
#include "link/cmd.h"
#include "schedule/playlist.h"
#include "schedule/playlistxml.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

class TestCalendar : public QObject
{
    Q_OBJECT

private:
    ManualClock m_clock;
    static constexpr int kBoxes = 5;

    // The composed week goes to the boxes the way the transfer window sends it.
    static void transfer(AppHarness &h, BoxSimulator &boxes, const TPlayList &store, const QList<int> &to)
    {
        const GenerationResult generated = GenerateDownloadList(store, h.context().settings);
        QCOMPARE(generated.status, GenerationResult::Ok);
        const QString line = TransferCommand(h.context().settings, generated.downloadList);
        QList<std::shared_ptr<QSignalSpy>> done;
        for (int i : to) {
            done.append(std::make_shared<QSignalSpy>(boxes.box(i), &SimulatedBox::transferFinished));
            h.context().cmd->SendBoxCommand(CMD_FILEUPDATE, BoxSimulator::macFor(i), {{}, {line}});
        }
        for (const auto &spy : done)
            QVERIFY(spy->count() == 1 || spy->wait(20000));
    }
    static TScheduleNode media(quint32 days, int from, int to, const QStringList &names, const QString &folder)
    {
        TScheduleNode entry;
        entry.WeekDays = days;
        entry.StartHour = quint8(from);
        entry.EndHour = quint8(to);
        entry.vec_shortname = names;
        for (const QString &name : names)
            entry.vec_fullname.append(folder + name);
        return entry;
    }
    static QList<QStringList> rows(const WeekModel *model)
    {
        QList<QStringList> all;
        for (int r = 0; r < model->rowCount(); ++r) {
            QStringList row;
            for (int c = WeekModel::DayColumn; c < WeekModel::ColumnCount; ++c)
                row.append(model->index(r, c).data().toString());
            all.append(row);
        }
        return all;
    }
    static void clickRow(QTreeWidget *view, const QString &mac)
    {
        QTreeWidgetItem *item = BoxLists::findBySubItem(view, 0, mac);
        QVERIFY(item);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, GuiUtil::rowRect(view, item).center());
    }

private slots:
    void weekOfEachBoxAndTheOddOnes()
    {
        AppHarness h;
        h.contentPeerLimit = 0;
        QVERIFY(h.start());
        const ServerSettings &s = h.context().settings;
        const QString video = s.videoDir + QLatin1Char('/');
        for (const char *name : {"a.mp4", "广告.avi", "old.mp4"})
            TestUtil::writeFile(video + QString::fromUtf8(name), QByteArray(700, 'v'));
        TestUtil::writeFile(s.bmpDir + QStringLiteral("/门店.bmp"), QByteArray(300, 'b'));
        BoxSimulator boxes(kBoxes, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, kBoxes));
        MacGruoup &registry = h.registry();
        QCOMPARE(registry.AddGroup(QStringLiteral("门店")), RES_OK);
        for (int i = 0; i < kBoxes; ++i) {
            int slot = -1;
            QCOMPARE(registry.FindBox(BoxSimulator::macFor(i), &slot), RES_FOUND);
            registry.SetBoxName(slot, QStringLiteral("前台%1").arg(i));
            registry.SetBoxGroup(slot, QStringLiteral("门店"));
        }

        // Last week: Monday morning only, to every box.
        TPlayList old;
        QCOMPARE(old.AddSchd(media(1 << 1, 8, 12, {QStringLiteral("old.mp4")}, video)), RES_OK);
        transfer(h, boxes, old, {0, 1, 2, 3, 4});
        // This week, to all but box 3; its lists are named by the second.
        const QString first = MakeTimestamp();
        QVERIFY(QTest::qWaitFor([&] { return MakeTimestamp() != first; }, 3000));
        TPlayList week;
        QCOMPARE(week.AddSchd(
                     media((1 << 1) | (1 << 3), 8, 22, {QStringLiteral("a.mp4"), QStringLiteral("广告.avi")}, video)),
                 RES_OK);
        TScheduleNodeOther text;
        text.WeekDays = 1 << 3;
        text.StartHour = 18;
        text.EndHour = 20;
        text.SchdType = SCHD_ONCE;
        text.vec_item = {QStringLiteral("欢迎光临")};
        QCOMPARE(week.AddOtherSchd(OTHER_TEXT, text), RES_OK);
        TScheduleNodeOther picture;
        picture.WeekDays = 1 << 4;
        picture.StartHour = 9;
        picture.EndHour = 10;
        picture.vec_item = {QStringLiteral("门店.bmp")};
        QCOMPARE(week.AddOtherSchd(OTHER_PIC, picture), RES_OK);
        transfer(h, boxes, week, {0, 1, 2, 4});
        // Box 2's Wednesday list breaks; box 4 goes away.
        boxes.box(2)->disk()[QStringLiteral("/mnt/hd1/Disc1/XML/3.xml")] = "<PLAYLIST><schedule starthour=";
        boxes.box(4)->stop();
        int slot4 = -1;
        registry.FindBox(BoxSimulator::macFor(4), &slot4);
        registry.MarkOffline(slot4);

        // The group chosen and read.
        h.clickMain("sbCalendar");
        CalendarWindow *window = h.forms().form1->calendarWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        m_clock.setNow(QDateTime(QDate(2026, 12, 9), QTime(19, 0))); // a Wednesday
        window->setClock(m_clock);
        auto *groups = GuiUtil::child<QComboBox>(window, "cb_Group");
        // The group chosen as a person does: the list opened with the mouse,
        // the entry chosen with the keys.
        QTest::mouseClick(groups, Qt::LeftButton);
        QVERIFY(QTest::qWaitForWindowExposed(groups->view()->window()));
        const int shop = groups->findText(QStringLiteral("门店"));
        QVERIFY(shop > 0);
        for (int i = groups->view()->currentIndex().row(); i < shop; ++i)
            QTest::keyClick(groups->view(), Qt::Key_Down);
        QTest::keyClick(groups->view(), Qt::Key_Return);
        QTRY_COMPARE(groups->currentText(), QStringLiteral("门店"));
        auto *picks = GuiUtil::child<QTreeWidget>(window, "lv_OnlineBox");
        QCOMPARE(picks->topLevelItemCount(), kBoxes);
        QSignalSpy finished(window, &CalendarWindow::readFinished);
        GuiUtil::click(window, "sb_Read");
        QVERIFY(finished.wait(60000));

        // Each box that took this week shows exactly it.
        const QList<QStringList> composed = {
            {QStringLiteral("Monday"), QStringLiteral("08:00"), QStringLiteral("22:00"), QStringLiteral("Media"),
             QStringLiteral("Loop"), QStringLiteral("a.mp4, 广告.avi")},
            {QStringLiteral("Wednesday"), QStringLiteral("08:00"), QStringLiteral("22:00"), QStringLiteral("Media"),
             QStringLiteral("Loop"), QStringLiteral("a.mp4, 广告.avi")},
            {QStringLiteral("Wednesday"), QStringLiteral("18:00"), QStringLiteral("20:00"), QStringLiteral("Text"),
             QStringLiteral("Once"), QStringLiteral("欢迎光临")},
            {QStringLiteral("Thursday"), QStringLiteral("09:00"), QStringLiteral("10:00"), QStringLiteral("Picture"),
             QStringLiteral("Loop"), QStringLiteral("门店.bmp")}};
        for (int i : {0, 1}) {
            clickRow(picks, BoxSimulator::macFor(i));
            QCOMPARE(window->model()->week().mac, BoxSimulator::macFor(i));
            QCOMPARE(rows(window->model()), composed);
            QVERIFY(window->model()->differingDays().isEmpty());
        }
        QCOMPARE(GuiUtil::child<QLabel>(window, "lb_Now")->text(),
                 QStringLiteral("now: Media [08:00~22:00] a.mp4, 广告.avi · Text [18:00~20:00] 欢迎光临"));
        QCOMPARE(window->view()->blockAt(window->view()->blockRect(3).center()), 3);

        // The odd ones out: last week's box, the broken Wednesday, the offline box.
        auto *odd = GuiUtil::child<QTreeWidget>(window, "lv_OddOnes");
        QCOMPARE(odd->topLevelItemCount(), 3);
        QMap<QString, QString> differs;
        for (int r = 0; r < odd->topLevelItemCount(); ++r)
            differs.insert(odd->topLevelItem(r)->text(1), odd->topLevelItem(r)->text(2));
        QCOMPARE(differs.value(BoxSimulator::macFor(2)),
                 QStringLiteral("Wednesday: missing Media [08:00~22:00] a.mp4, 广告.avi"));
        const QString stale = differs.value(BoxSimulator::macFor(3));
        QVERIFY2(stale.startsWith(QLatin1String("Monday: missing Media [08:00~22:00]")) &&
                     stale.contains(QLatin1String("extra Media [08:00~12:00] old.mp4")) &&
                     stale.contains(QLatin1String("Wednesday:")) && stale.contains(QLatin1String("Thursday:")),
                 qPrintable(stale));
        QCOMPARE(differs.value(BoxSimulator::macFor(4)), QStringLiteral("not read: offline"));

        // Box 3 plays what its last transfer sent; box 2's Wednesday is not
        // what was sent, and says why it is empty.
        GuiUtil::doubleClickRow(odd, BoxLists::findBySubItem(odd, 0, BoxSimulator::macFor(3)));
        QCOMPARE(window->model()->week().mac, BoxSimulator::macFor(3));
        QCOMPARE(rows(window->model()),
                 (QList<QStringList>{{QStringLiteral("Monday"), QStringLiteral("08:00"), QStringLiteral("12:00"),
                                      QStringLiteral("Media"), QStringLiteral("Loop"), QStringLiteral("old.mp4")}}));
        QVERIFY(window->model()->differingDays().isEmpty());
        clickRow(picks, BoxSimulator::macFor(2));
        QCOMPARE(window->model()->differingDays(), QList<int>{3});
        QCOMPARE(rows(window->model()).size(), 3);
        QVERIFY(GuiUtil::child<QLabel>(window, "lb_Notes")
                    ->text()
                    .contains(QLatin1String("Wednesday: 3.xml cannot be decoded")));

        // Exports: the rows the model holds, and a page-sized picture.
        clickRow(picks, BoxSimulator::macFor(0));
        const QString csv = h.dir.filePath(QStringLiteral("week.csv"));
        h.prompter.answerFile(csv);
        GuiUtil::click(window, "sb_ExportCsv");
        const QStringList lines =
            QString::fromUtf8(TestUtil::readFile(csv).mid(3)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1 + composed.size());
        QCOMPARE(lines[0], QStringLiteral("Box,Day,Start,End,Kind,Type,Files"));
        QCOMPARE(lines[3], QStringLiteral("前台0,Wednesday,18:00,20:00,Text,Once,欢迎光临"));
        const QString png = h.dir.filePath(QStringLiteral("week.png"));
        h.prompter.answerFile(png);
        GuiUtil::click(window, "sb_ExportPng");
        const QImage page(png);
        QCOMPARE(page.size(), QSize(1754, 1240));
        // Both proposed by one pattern: the box and the day it was read.
        const auto saves = h.prompter.askedOf(QStringLiteral("save"));
        QCOMPARE(QFileInfo(saves[saves.size() - 2].initial).fileName(),
                 QStringLiteral("week-02-00-00-00-00-00-20261209.csv"));
        QCOMPARE(QFileInfo(saves.last().initial).fileName(), QStringLiteral("week-02-00-00-00-00-00-20261209.png"));
        // The offline box read nothing, and its export says so.
        clickRow(picks, BoxSimulator::macFor(4));
        h.prompter.answerFile(csv);
        GuiUtil::click(window, "sb_ExportCsv");
        QVERIFY(TestUtil::readFile(csv).endsWith("No play lists were read from this box.\r\n"));
    }

    // A list of thousands of schedules shows a day's worth and says so; a box
    // naming a list in another box's folder as its own gets nothing from it.
    void hostileListsAndReplies()
    {
        AppHarness h;
        h.contentPeerLimit = 0;
        QVERIFY(h.start());
        const ServerSettings &s = h.context().settings;
        SimulatorOptions options = h.boxOptions();
        options.contentAddress = HttpAddress(s, s.contentRoot);
        BoxSimulator boxes(2, options);
        QVERIFY(h.connectBoxes(boxes, 2));
        QByteArray many = "<PLAYLIST>";
        for (int i = 0; i < 5000; ++i)
            many += "<schedule starthour=\"" + QByteArray::number(i / 60) + "\" startmin=\"" +
                    QByteArray::number(i % 60) +
                    "\" endhour=\"23\" endmin=\"59\" schdtype=\"LOOP\">"
                    "<file groupID=\"1\" filename=\"a.mp4\"/></schedule>";
        boxes.box(0)->disk()[QStringLiteral("/mnt/hd1/Disc1/XML/1.xml")] = many + "</PLAYLIST>";
        // Box 1 answers "get file 0.xml" with box 0's copy, before its own.
        const QString theirs = s.contentRoot + QStringLiteral("filesys/前台(") +
                               QString(BoxSimulator::macFor(0)).replace(QLatin1Char(':'), QLatin1Char('-')) +
                               QStringLiteral(")/0.xml");
        TestUtil::writeFile(theirs, "<PLAYLIST><schedule starthour=\"8\" startmin=\"0\" endhour=\"9\" endmin=\"0\" "
                                    "schdtype=\"LOOP\"><file groupID=\"1\" filename=\"theirs.mp4\"/></schedule>"
                                    "</PLAYLIST>");
        SimulatedBox *liar = boxes.box(1);
        connect(liar, &SimulatedBox::lineReceived, liar, [&](const QByteArray &line) {
            if (line.startsWith("get file 0.xml"))
                liar->sendLine("info get file 0.xml " + HttpAddress(s, theirs).toUtf8());
        });

        h.clickMain("sbCalendar");
        CalendarWindow *window = h.forms().form1->calendarWindow();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QSignalSpy finished(window, &CalendarWindow::readFinished);
        GuiUtil::click(window, "sb_Read");
        QVERIFY(finished.wait(60000));
        auto *picks = GuiUtil::child<QTreeWidget>(window, "lv_OnlineBox");
        clickRow(picks, BoxSimulator::macFor(0));
        const BoxWeek week = window->model()->week();
        QCOMPARE(week.blocksOfDay(1).size(), BoxWeek::kMaxBlocksPerDay);
        QVERIFY(GuiUtil::child<QLabel>(window, "lb_Notes")
                    ->text()
                    .contains(QLatin1String("1.xml holds 5000 schedules; a day shows at most 1000")));
        clickRow(picks, BoxSimulator::macFor(1));
        const BoxWeek lied = window->model()->week();
        QVERIFY(lied.blocksOfDay(0).isEmpty());
        QVERIFY(std::any_of(lied.notes.cbegin(), lied.notes.cend(), [](const auto &note) {
            return note.second == QLatin1String("0.xml cannot be read: it is in another box's folder");
        }));
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
