// The schedule editor: adding each kind with every check and message in its
// order, the composition list commands, the schedule list lines, deleting and
// loading back, and the schedule list window's grid, sorting and sending.
#include "appharness.h"
#include "config/mainform.h"
#include "console/schdlist.h"
#include "schedule/playlist.h"
#include "schedule/scheduleeditor.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using GuiUtil::column;

class TestEditor : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_h;

    ScheduleEditor *editor() { return m_h->forms().form1->editor(); }
    TPlayList &store() { return *m_h->context().schedules; }
    template <typename T> T *control(const char *name) { return editor()->findChild<T *>(QString::fromLatin1(name)); }
    void click(const char *name) { control<QToolButton>(name)->click(); }
    QStringList messages()
    {
        QStringList texts;
        for (const auto &a : m_h->prompter.askedOf(QStringLiteral("message")))
            texts.append(a.text);
        return texts;
    }
    void setTimes(int sh, int sm, int eh, int em)
    {
        control<QComboBox>("cbStartHour")->setCurrentIndex(sh);
        control<QComboBox>("cbStartMin")->setCurrentIndex(sm);
        control<QComboBox>("cbEndHour")->setCurrentIndex(eh);
        control<QComboBox>("cbEndMin")->setCurrentIndex(em);
    }
    void setDays(std::initializer_list<int> days)
    {
        auto *list = control<QListWidget>("clb_WeekIndex");
        for (int d = 0; d < 7; ++d)
            list->item(d)->setCheckState(Qt::Unchecked);
        for (int d : days)
            list->item(d)->setCheckState(Qt::Checked);
    }
    void showPage(const char *page)
    {
        auto *pages = control<QTabWidget>("PageControl4");
        pages->setCurrentWidget(editor()->findChild<QWidget *>(QString::fromLatin1(page)));
    }
    void addPlayListFiles(int count)
    {
        auto *video = control<QListWidget>("FileListBoxVideo");
        for (int i = 0; i < count; ++i) {
            video->setCurrentRow(i % video->count());
            QVERIFY(editor()->dropFromLibrary(video));
        }
    }
    QStringList schedules() { return GuiUtil::entries(control<QListWidget>("ListBoxSchdList")); }

private slots:
    void init()
    {
        m_h = std::make_unique<AppHarness>();
        // A small content library before start-up.
        const QString root = m_h->dir.filePath(QStringLiteral("content/"));
        QDir().mkpath(root + QStringLiteral("video"));
        QDir().mkpath(root + QStringLiteral("BMP"));
        for (const char *name : {"a.mp4", "b.avi", "片头.mp4"})
            TestUtil::writeFile(root + QStringLiteral("video/") + QString::fromUtf8(name), "movie");
        QImage(12, 7, QImage::Format_RGB32).save(root + QStringLiteral("BMP/logo.bmp"));
        QVERIFY(m_h->start());
    }

    void cleanup() { m_h.reset(); }

    void libraryFollowsItsFolders()
    {
        auto *video = control<QListWidget>("FileListBoxVideo");
        video->setCurrentRow(1);
        QCOMPARE(video->currentItem()->text(), QStringLiteral("b.avi"));
        auto *bmp = control<QTreeWidget>("lv_pictureLib");
        bmp->topLevelItem(0)->setCheckState(0, Qt::Checked);
        // Media copied in while the program runs appear; what the operator
        // had chosen stays chosen.
        QSignalSpy refreshed(editor(), &ScheduleEditor::libraryRefreshed);
        const QString root = m_h->context().settings.contentRoot;
        TestUtil::writeFile(root + QStringLiteral("video/0-first.mp4"), "movie");
        QImage(3, 3, QImage::Format_RGB32).save(root + QStringLiteral("BMP/new.bmp"), "BMP");
        QTRY_VERIFY(video->count() == 4 && bmp->topLevelItemCount() == 2);
        QCOMPARE(GuiUtil::entries(video), (QStringList{"0-first.mp4", "a.mp4", "b.avi", "片头.mp4"}));
        QCOMPARE(video->currentItem()->text(), QStringLiteral("b.avi"));
        QVERIFY(video->currentItem()->isSelected());
        QCOMPARE(bmp->topLevelItem(0)->text(0), QStringLiteral("logo.bmp"));
        QCOMPARE(bmp->topLevelItem(0)->checkState(0), Qt::Checked);
        QCOMPARE(bmp->topLevelItem(1)->checkState(0), Qt::Unchecked);
        QVERIFY(refreshed.count() >= 1);
        // A file taken away goes too.
        QFile::remove(root + QStringLiteral("video/a.mp4"));
        QTRY_COMPARE(video->count(), 3);
    }

    void libraryAndDefaults()
    {
        QCOMPARE(GuiUtil::entries(control<QListWidget>("FileListBoxVideo")),
                 (QStringList{"a.mp4", "b.avi", "片头.mp4"}));
        auto *bmp = control<QTreeWidget>("lv_pictureLib");
        QCOMPARE(bmp->topLevelItemCount(), 1);
        QCOMPARE(bmp->topLevelItem(0)->text(1), QStringLiteral("12×7"));
        QCOMPARE(control<QComboBox>("cbStartHour")->currentText(), QStringLiteral("08"));
        QCOMPARE(control<QComboBox>("cbEndHour")->currentText(), QStringLiteral("22"));
        QVERIFY(control<QRadioButton>("rb_Loop")->isChecked());
        QCOMPARE(control<QLineEdit>("me_SpeedMS")->text(), QStringLiteral("30"));
        QVERIFY(!control<QPlainTextEdit>("mm_FileList")->isVisible());
        auto *library = control<QTabWidget>("PageControl3");
        QVERIFY(!library->isTabVisible(library->indexOf(editor()->findChild<QWidget *>(QStringLiteral("TabSheet5")))));
        // The library's pages and the editor's pages follow each other.
        library->setCurrentIndex(1);
        QCOMPARE(control<QTabWidget>("PageControl4")->currentIndex(), 1);
        control<QTabWidget>("PageControl4")->setCurrentIndex(2);
        QCOMPARE(library->currentIndex(), 2);
    }

    void mediaChecksInOrder()
    {
        click("bnSchdAdd");
        addPlayListFiles(2);
        setTimes(8, 0, 8, 0);
        click("bnSchdAdd");
        setTimes(23, 0, 1, 0);
        click("bnSchdAdd");
        setTimes(8, 0, 8, 1);
        click("bnSchdAdd");
        setDays({1, 3});
        click("bnSchdAdd");
        click("bnSchdAdd");
        QCOMPARE(messages(),
                 (QStringList{"Pls. Drag Items from content library", "Pls. Fill in Correct StartTime and EndTime",
                              "Pls. Fill in Correct StartTime and EndTime", "Pls. Choose a right date to perform it!",
                              "The same schedule Item alreay Exist"}));
        QCOMPARE(m_h->prompter.asked.first().title, QStringLiteral("boxfleet"));
        QCOMPARE(store().GetSchdList().size(), 1);
        const TScheduleNode &e = store().GetSchdList()[0];
        QCOMPARE(e.WeekDays, 0b1010u);
        QCOMPARE(e.vec_shortname, (QStringList{"a.mp4", "b.avi"}));
        QCOMPARE(e.vec_fullname.first(), m_h->context().settings.videoDir + QStringLiteral("/a.mp4"));
        QCOMPARE(schedules(), QStringList{"Media[0] 08:00--08:01"});
        // A different start minute makes it acceptable.
        setTimes(8, 2, 9, 0);
        click("bnSchdAdd");
        QCOMPARE(store().GetSchdList().size(), 2);
    }

    void atMost256Files()
    {
        addPlayListFiles(300);
        setDays({0});
        click("bnSchdAdd");
        QCOMPARE(store().GetSchdList()[0].vec_shortname.size(), 256);
        QCOMPARE(store().GetSchdList()[0].vec_fullname.size(), 256);
        QCOMPARE(control<QListWidget>("ListBoxPlayList")->count(), 300);
    }

    void textChecksAndSettings()
    {
        auto *memo = control<QPlainTextEdit>("mm_PlayListText");
        memo->setPlainText(QString(128, u'字') + QLatin1Char('x')); // 257 bytes
        click("sb_TextAdd");
        QCOMPARE(control<QListWidget>("lb_PlayTextList")->count(), 0);
        QCOMPARE(m_h->prompter.asked.size(), 1);
        QVERIFY(m_h->prompter.asked.last().text.contains(QLatin1String("257 bytes, at most 256")));
        // A control character the play list would drop is refused with a word;
        // line breaks and tabs are kept.
        memo->setPlainText(QStringLiteral("bell\x07 here"));
        click("sb_TextAdd");
        QCOMPARE(control<QListWidget>("lb_PlayTextList")->count(), 0);
        QCOMPARE(m_h->prompter.asked.size(), 2);
        QVERIFY(m_h->prompter.asked.last().text.contains(QLatin1String("control characters")));
        memo->setPlainText(QString(128, u'字')); // 256 bytes
        click("sb_TextAdd");
        QCOMPARE(control<QListWidget>("lb_PlayTextList")->count(), 1);
        QCOMPARE(control<QTabWidget>("PageControl4")->currentIndex(), 1);
        memo->setPlainText(QStringLiteral("한국어"));
        click("sb_TextAdd");
        QCOMPARE(control<QListWidget>("lb_PlayTextList")->count(), 1);
        QCOMPARE(m_h->prompter.asked.last().title, QStringLiteral("Error"));
        m_h->prompter.asked.clear();

        m_h->prompter.answerColour(0xFF0000); // pure red
        click("sb_TextCol");
        setDays({2});
        control<QLineEdit>("me_YOff")->setText(QStringLiteral("29"));
        click("bnSchdAdd");
        control<QLineEdit>("me_YOff")->setText(QStringLiteral("31"));
        control<QLineEdit>("me_SpeedMS")->clear();
        click("bnSchdAdd");
        control<QLineEdit>("me_SpeedMS")->setText(QStringLiteral("5"));
        click("bnSchdAdd");
        QCOMPARE(messages(), (QStringList{"Pls. Fill in Correct YOff", "Pls. Fill in Correct SpeedMS"}));
        const TScheduleNodeOther &e = store().GetOtherSchdList(OTHER_TEXT)[0];
        QCOMPARE(e.speedMs, 30u);
        QCOMPARE(e.OffsetPosition, 31u);
        QCOMPARE((QList<quint32>{e.TextColourR, e.TextColourG, e.TextColourB}), (QList<quint32>{255, 0, 0}));
        QCOMPARE((QList<quint32>{e.BackgroundColourR, e.BackgroundColourG, e.BackgroundColourB}),
                 (QList<quint32>{0, 0, 0}));
        // Media lines come first whatever the order of adding.
        addPlayListFiles(1);
        showPage("TabSheet6");
        click("bnSchdAdd");
        QCOMPARE(schedules(), (QStringList{"Media[0] 08:00--22:00", "Text[0] 08:00--22:00"}));
    }

    void pictures()
    {
        control<QTreeWidget>("lv_pictureLib")->topLevelItem(0)->setCheckState(0, Qt::Checked);
        click("btn_PicAdd");
        click("btn_PicAdd");
        QCOMPARE(GuiUtil::entries(control<QListWidget>("lb_PlayPicList")), (QStringList{"logo.bmp", "logo.bmp"}));
        setDays({6});
        click("bnSchdAdd");
        QCOMPARE(schedules(), QStringList{"BMP[0] 08:00--22:00"});
    }

    void compositionListCommands()
    {
        auto *list = control<QListWidget>("ListBoxPlayList");
        auto *paths = control<QListWidget>("ListBoxPlayListFile");
        addPlayListFiles(3); // a, b, 片头
        const auto names = [&] { return GuiUtil::entries(list); };
        list->setCurrentRow(2);
        editor()->listCommand(list, ScheduleEditor::Down);
        QCOMPARE(names(), (QStringList{"片头.mp4", "a.mp4", "b.avi"}));
        QVERIFY(GuiUtil::entries(paths).first().endsWith(QStringLiteral("片头.mp4")));
        list->clearSelection();
        editor()->listCommand(list, ScheduleEditor::Up);
        QCOMPARE(names(), (QStringList{"a.mp4", "b.avi", "片头.mp4"}));
        list->setCurrentRow(1);
        editor()->listCommand(list, ScheduleEditor::Up);
        QCOMPARE(names(), (QStringList{"b.avi", "a.mp4", "片头.mp4"}));
        list->setCurrentRow(2);
        m_h->prompter.answerInput(QStringLiteral("0"));
        editor()->listCommand(list, ScheduleEditor::Insert);
        QCOMPARE(names(), (QStringList{"片头.mp4", "b.avi", "a.mp4"}));
        m_h->prompter.answerInput(QStringLiteral("3"));
        editor()->listCommand(list, ScheduleEditor::Insert);
        QCOMPARE(names(), (QStringList{"片头.mp4", "b.avi", "a.mp4"}));
        QCOMPARE(m_h->prompter.asked.last().text, QStringLiteral("Insert Index"));
        list->setCurrentRow(1);
        editor()->listCommand(list, ScheduleEditor::Delete);
        QCOMPARE(names(), (QStringList{"片头.mp4", "a.mp4"}));
        QCOMPARE(paths->count(), 2);
        editor()->listCommand(list, ScheduleEditor::ClearAll);
        QCOMPARE(list->count(), 0);
        QCOMPARE(paths->count(), 0);
    }

    void deleteAndLoadBackFollowTheLine()
    {
        addPlayListFiles(1);
        for (int hour : {9, 10, 11}) {
            setTimes(hour, 0, hour + 1, 0);
            setDays({hour % 7});
            click("bnSchdAdd");
        }
        auto *lines = control<QListWidget>("ListBoxSchdList");
        QCOMPARE(schedules(), (QStringList{"Media[0] 09:00--10:00", "Media[1] 10:00--11:00", "Media[2] 11:00--12:00"}));
        // Loading back a line shows its entry.
        GuiUtil::clickItem(lines, 1);
        QCOMPARE(control<QComboBox>("cbStartHour")->currentIndex(), 10);
        QCOMPARE(control<QListWidget>("clb_WeekIndex")->item(3)->checkState(), Qt::Checked);
        // After a re-sort the line no longer names its entry: nothing happens.
        store().SortSchd(4 + 4); // Thursday (day 4) first: 11:00 moves to the top
        lines->setCurrentRow(0);
        click("bnSchdDel");
        QCOMPARE(store().GetSchdList().size(), 3);
        editor()->RefreshSchdList();
        QCOMPARE(schedules().first(), QStringLiteral("Media[0] 11:00--12:00"));
        lines->setCurrentRow(0);
        click("bnSchdDel");
        QCOMPARE(schedules(), (QStringList{"Media[0] 09:00--10:00", "Media[1] 10:00--11:00"}));
    }

    void loadBackTextAndPictures()
    {
        control<QPlainTextEdit>("mm_PlayListText")->setPlainText(QStringLiteral("第一行\n第二行"));
        click("sb_TextAdd");
        setTimes(6, 15, 7, 45);
        setDays({0, 6});
        control<QRadioButton>("rb_Once")->setChecked(true);
        click("bnSchdAdd");
        control<QTreeWidget>("lv_pictureLib")->topLevelItem(0)->setCheckState(0, Qt::Checked);
        click("btn_PicAdd");
        setTimes(12, 0, 13, 0);
        setDays({3});
        control<QRadioButton>("rb_None")->setChecked(true);
        click("bnSchdAdd");
        QCOMPARE(schedules(), (QStringList{"Text[0] 06:15--07:45", "BMP[0] 12:00--13:00"}));
        // Clear the editor, then load each entry back.
        editor()->listCommand(control<QListWidget>("lb_PlayTextList"), ScheduleEditor::ClearAll);
        editor()->listCommand(control<QListWidget>("lb_PlayPicList"), ScheduleEditor::ClearAll);
        auto *lines = control<QListWidget>("ListBoxSchdList");
        GuiUtil::clickItem(lines, 0);
        QCOMPARE(control<QTabWidget>("PageControl4")->currentIndex(), 1);
        QCOMPARE(GuiUtil::entries(control<QListWidget>("lb_PlayTextList")), QStringList{"第一行\n第二行"});
        QCOMPARE(control<QComboBox>("cbStartMin")->currentIndex(), 15);
        QCOMPARE(control<QComboBox>("cbEndMin")->currentIndex(), 45);
        QVERIFY(control<QRadioButton>("rb_Once")->isChecked());
        QCOMPARE(control<QListWidget>("clb_WeekIndex")->item(6)->checkState(), Qt::Checked);
        GuiUtil::clickItem(lines, 1);
        QCOMPARE(control<QTabWidget>("PageControl4")->currentIndex(), 2);
        QCOMPARE(GuiUtil::entries(control<QListWidget>("lb_PlayPicList")), QStringList{"logo.bmp"});
        QVERIFY(control<QRadioButton>("rb_None")->isChecked());
        QCOMPARE(control<QListWidget>("clb_WeekIndex")->item(6)->checkState(), Qt::Unchecked);
        // Adding the shown entry again is a conflict.
        click("bnSchdAdd");
        QCOMPARE(messages().last(), QStringLiteral("The same schedule Item alreay Exist"));
    }

    void scheduleListWindow()
    {
        addPlayListFiles(5);
        setDays({1});
        click("bnSchdAdd");
        setTimes(7, 30, 8, 0);
        setDays({0, 2});
        click("bnSchdAdd");
        control<QPlainTextEdit>("mm_PlayListText")->setPlainText(QStringLiteral("hello"));
        click("sb_TextAdd");
        click("bnSchdAdd");
        TForm4 *window = m_h->forms().form4;
        window->show();
        auto *grid = window->findChild<QTableWidget *>(QStringLiteral("sgSchdCMD"));
        QCOMPARE(grid->rowCount(), 3);
        QCOMPARE(grid->columnCount(), 17);
        const auto row = [grid](int r) {
            QStringList cells;
            for (int c = 0; c < grid->columnCount(); ++c)
                cells.append(grid->item(r, c) ? grid->item(r, c)->text() : QString());
            return cells;
        };
        QCOMPARE(row(0).mid(0, 13), (QStringList{"1", "Media", "08:00", "22:00", "LOOP", "NO", "YES", "NO", "NO", "NO",
                                                 "NO", "NO", "a.mp4"}));
        QCOMPARE(row(0).at(16), QStringLiteral("b.avi"));
        // Each heading stands over its own column, as wide as it: the cell
        // under "Monday" of the Monday-only entry reads "YES".
        const char *const heads[] = {"cb_1",  "spb_1", "spb_2", "spb_3", "spb_4",  "spb_5",
                                     "spb_6", "spb_7", "spb_8", "spb_9", "spb_10", "spb_11"};
        for (int i = 0; i < 12; ++i) {
            auto *head = window->findChild<QWidget *>(QString::fromLatin1(heads[i]));
            const int headX = head->mapTo(window, QPoint(0, 0)).x();
            const int columnX = grid->viewport()->mapTo(window, QPoint(grid->columnViewportPosition(i + 1), 0)).x();
            QCOMPARE(headX, columnX);
            QCOMPARE(head->width(), grid->columnWidth(i + 1));
        }
        auto *monday = window->findChild<QWidget *>(QStringLiteral("spb_5"));
        const int mondayX = grid->viewport()->mapFrom(window, monday->mapTo(window, monday->rect().center())).x();
        QCOMPARE(grid->item(0, grid->columnAt(mondayX))->text(), QStringLiteral("YES"));
        window->findChild<QComboBox *>(QStringLiteral("cb_1"))->setCurrentIndex(2);
        QCOMPARE(grid->rowCount(), 1);
        QCOMPARE(row(0).mid(0, 2), (QStringList{"1", "Text"}));
        window->findChild<QComboBox *>(QStringLiteral("cb_1"))->setCurrentIndex(0);
        // "Sunday" puts the Sunday entry first, and the main window's list follows.
        window->findChild<QToolButton *>(QStringLiteral("spb_4"))->click();
        QCOMPARE(row(0).at(2), QStringLiteral("07:30"));
        QCOMPARE(schedules().first(), QStringLiteral("Media[0] 07:30--08:00"));

        // Opened for all boxes: nothing to send.
        click("bnSchdAdd"); // conflict, nothing changes
        m_h->registry().MergeHeartbeat(MacGroupData{0, QStringLiteral("m1"), QStringLiteral("Front"), 1,
                                                    QStringLiteral("1.1.1.1"), 0, QStringLiteral("1")});
        window->OpenAllBoxes();
        auto *macs = window->findChild<QListWidget *>(QStringLiteral("clb_MacAdd"));
        QCOMPARE(GuiUtil::entries(macs), QStringList{"m1"});
        QCOMPARE(macs->item(0)->checkState(), Qt::Unchecked);
        QVERIFY(!window->findChild<QToolButton *>(QStringLiteral("spb_Send"))->isEnabled());
    }

    void checkAllScheduleNeedsSchedules()
    {
        QMetaObject::invokeMethod(
            editor(),
            [this] {
                // The context menu's "CheckAllSchedule" with an empty working set.
                auto *lines = control<QListWidget>("ListBoxSchdList");
                emit lines->customContextMenuRequested({});
            },
            Qt::QueuedConnection);
        QTimer::singleShot(50, [] {
            if (auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) {
                menu->actions().at(2)->trigger();
                menu->close();
            }
        });
        QTRY_VERIFY(messages().contains(QStringLiteral("Warning: Empty schedule List.")));
    }
};

QTEST_MAIN(TestEditor)
#include "tst_editor.moc"
