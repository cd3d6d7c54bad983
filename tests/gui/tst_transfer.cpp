// A transfer end to end on 127.0.0.1: one media entry with two real files,
// sent from the schedule list window to simulated boxes, which fetch the
// download list and every file over HTTP from the content service.
#include "appharness.h"
#include "boxsimulator.h"
#include "config/mainform.h"
#include "console/boxlists.h"
#include "console/picklists.h"
#include "console/schdlist.h"
#include "schedule/scheduleeditor.h"
#include "testutil.h"

#include <QComboBox>
#include <QDir>
#include <QListWidget>
#include <QMap>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using GuiUtil::checkRow;
using GuiUtil::column;

class TestTransfer : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_h;
    std::unique_ptr<BoxSimulator> m_boxes;

    ScheduleEditor *editor() { return m_h->forms().form1->editor(); }
    template <typename T> T *control(QWidget *window, const char *name)
    {
        return window->findChild<T *>(QString::fromLatin1(name));
    }
    int historyRows(const QString &state)
    {
        int n = 0;
        for (int r = 0; r < m_h->context().history->rowCount(); ++r)
            n += m_h->context().history->cell(r, CommandHistory::StateColumn) == state;
        return n;
    }

    // Starts the server on a content root under the test folder, with these
    // files in its video folder, and three boxes.
    void startWith(const QString &contentFolder, const QMap<QString, QByteArray> &videos)
    {
        const QString root = m_h->dir.filePath(contentFolder);
        m_h->options.content = root;
        QVERIFY(QDir().mkpath(root + QStringLiteral("video")));
        for (auto it = videos.begin(); it != videos.end(); ++it)
            TestUtil::writeFile(root + QStringLiteral("video/") + it.key(), it.value());
        QVERIFY(m_h->start());
        SimulatorOptions options;
        options.port = quint16(m_h->options.boxPort);
        options.heartbeatMs = 0;
        m_boxes = std::make_unique<BoxSimulator>(3, options);
        m_boxes->start();
        QVERIFY(QTest::qWaitFor(
            [this] { return m_h->registry().BoxCount() == 3 && !m_h->forms().form1->listsPending(); }, 10000));
    }

    // Every file of the video library in one entry, on Monday.
    void composeAll()
    {
        auto *video = control<QListWidget>(editor(), "FileListBoxVideo");
        for (int i = 0; i < video->count(); ++i) {
            video->setCurrentRow(i);
            QVERIFY(editor()->dropFromLibrary(video));
        }
        control<QListWidget>(editor(), "clb_WeekIndex")->item(1)->setCheckState(Qt::Checked);
        control<QToolButton>(editor(), "bnSchdAdd")->click();
    }

    // Chooses an entry of a group chooser with the keyboard, as a person does.
    static void choose(QComboBox *groups, const QString &entry)
    {
        const int target = groups->findText(entry);
        QVERIFY(target >= 0);
        groups->setFocus();
        while (groups->currentIndex() != target)
            QTest::keyClick(groups, groups->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    }

private slots:
    void init() { m_h = std::make_unique<AppHarness>(); }

    void boxesFetchEveryFile()
    {
        startWith(QStringLiteral("content/"), {{QStringLiteral("intro.mp4"), QByteArray(300000, 'v')},
                                               {QStringLiteral("广告.avi"), QByteArray(12345, 'w')}});
        // Compose: both files, Monday, 08:00-22:00.
        composeAll();

        // Nothing checked in the box list: the files are written, the warning shown.
        control<QToolButton>(editor(), "bnTransfer")->click();
        QCOMPARE(m_h->prompter.asked.last().text, QStringLiteral("Warning: Not selected an effective box"));
        QVERIFY(!m_h->forms().form4->isVisible());

        auto *boxes = m_h->forms().form1->pickBoxes();
        QCOMPARE(boxes->topLevelItemCount(), 3);
        for (int i = 0; i < 3; ++i)
            boxes->topLevelItem(i)->setCheckState(0, Qt::Checked);
        control<QToolButton>(editor(), "bnTransfer")->click();
        TForm4 *window = m_h->forms().form4;
        QVERIFY(window->isVisible());
        QVERIFY(window->pendingCommand().startsWith(QStringLiteral("fileupdate http http://127.0.0.1:")));
        // Unchecking a MAC unchecks the same box's name; it gets nothing.
        auto *macs = control<QListWidget>(window, "clb_MacAdd");
        auto *names = control<QListWidget>(window, "clb_BoxName");
        macs->item(1)->setCheckState(Qt::Unchecked);
        QCOMPARE(names->item(1)->checkState(), Qt::Unchecked);

        QSignalSpy done0(m_boxes->box(0), &SimulatedBox::transferFinished);
        QSignalSpy done2(m_boxes->box(2), &SimulatedBox::transferFinished);
        auto *send = control<QToolButton>(window, "spb_Send");
        send->click();
        QVERIFY(!send->isEnabled());
        QVERIFY(done0.wait(20000));
        QVERIFY(done2.count() == 1 || done2.wait(20000));
        for (int i : {0, 2}) {
            const QList<BoxDownload> &files = m_boxes->box(i)->downloads();
            QCOMPARE(files.size(), 3);
            QCOMPARE(files[0].name, QStringLiteral("1.xml"));
            QCOMPARE(files[1].name, QStringLiteral("intro.mp4"));
            QCOMPARE(files[1].received, 300000);
            QCOMPARE(files[2].name, QStringLiteral("广告.avi"));
            for (const BoxDownload &file : files)
                QVERIFY2(file.ok(), qPrintable(file.name));
        }
        QVERIFY(m_boxes->box(1)->received().isEmpty());
        QTRY_COMPARE(historyRows(QStringLiteral("File Download Succeed(ALL DONE)")), 2);
        QCOMPARE(historyRows(QStringLiteral("File Update Begin")), 2);
        QCOMPARE(historyRows(QStringLiteral("File Download Succeed(ONE FILE DONE)")), 6);
        QCOMPARE(m_h->context().history->rowCount() > 0, true);
        // "Set FileupData" twice, and a second press sends nothing more.
        int sent = 0;
        for (int r = 0; r < m_h->context().history->rowCount(); ++r)
            sent += m_h->context().history->cell(r, CommandHistory::InfoColumn) == QStringLiteral("Set FileupData");
        QCOMPARE(sent, 2);
        send->click();
        QCOMPARE(m_boxes->box(0)->received().size(), 1);
    }

    void checksUnderEveryGroupAreSent()
    {
        startWith(QStringLiteral("content/"), {{QStringLiteral("intro.mp4"), QByteArray(1000, 'v')}});
        MacGruoup &registry = m_h->registry();
        registry.AddGroup(QStringLiteral("Hall"));
        registry.AddGroup(QStringLiteral("Shop"));
        registry.SetBoxGroup(0, QStringLiteral("Hall"));
        registry.SetBoxGroup(1, QStringLiteral("Shop"));
        UpdatePickLists(m_h->forms(), registry, PickMain, BoxLists::PickRefresh);
        composeAll();

        m_h->forms().form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_h->forms().form1));
        auto *groups = m_h->forms().form1->pickGroups();
        auto *boxes = m_h->forms().form1->pickBoxes();
        QCOMPARE(groups->itemText(0), QStringLiteral("全部"));
        choose(groups, QStringLiteral("Hall"));
        QCOMPARE(column(boxes, 1), QStringList{BoxSimulator::macFor(0)});
        checkRow(boxes, boxes->topLevelItem(0));
        choose(groups, QStringLiteral("Shop"));
        QCOMPARE(column(boxes, 1), QStringList{BoxSimulator::macFor(1)});
        checkRow(boxes, boxes->topLevelItem(0));
        QCOMPARE(boxes->topLevelItem(0)->checkState(0), Qt::Checked);
        // Every box of every group, the checks made under each kept.
        choose(groups, QStringLiteral("全部"));
        QCOMPARE(boxes->topLevelItemCount(), 3);
        for (int i = 0; i < 3; ++i) {
            const bool picked = boxes->topLevelItem(i)->text(1) != BoxSimulator::macFor(2);
            QCOMPARE(boxes->topLevelItem(i)->checkState(0), picked ? Qt::Checked : Qt::Unchecked);
        }
        // Sent from under a third group, to both checked boxes, once each.
        choose(groups, QStringLiteral("No Group"));
        control<QToolButton>(editor(), "bnTransfer")->click();
        TForm4 *window = m_h->forms().form4;
        QVERIFY(window->isVisible());
        QCOMPARE(control<QListWidget>(window, "clb_MacAdd")->count(), 2);
        control<QToolButton>(window, "spb_Send")->click();
        QTRY_COMPARE(historyRows(QStringLiteral("File Download Succeed(ALL DONE)")), 2);
        for (int i : {0, 1}) {
            QCOMPARE(m_boxes->box(i)->received().size(), 1);
            QVERIFY(m_boxes->box(i)->received().first().startsWith("fileupdate "));
        }
        QVERIFY(m_boxes->box(2)->received().isEmpty());
    }

    void aChineseContentFolderAndOddNames()
    {
        // Names that need their bytes written as %XX in an address.
        const QMap<QString, QByteArray> videos = {{QStringLiteral("片 1.mp4"), QByteArray(2000, '1')},
                                                  {QStringLiteral("what?.mp4"), QByteArray(3000, '2')},
                                                  {QStringLiteral("100%1.mp4"), QByteArray(4000, '3')}};
        startWith(QStringLiteral("广告内容/content/"), videos);
        composeAll();
        auto *boxes = m_h->forms().form1->pickBoxes();
        boxes->topLevelItem(0)->setCheckState(0, Qt::Checked);
        control<QToolButton>(editor(), "bnTransfer")->click();
        TForm4 *window = m_h->forms().form4;
        QVERIFY(window->isVisible());
        // The command line carries the address in ASCII.
        const QString command = window->pendingCommand();
        for (const QChar c : command)
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7F, qPrintable(command));
        QSignalSpy done(m_boxes->box(0), &SimulatedBox::transferFinished);
        control<QToolButton>(window, "spb_Send")->click();
        QVERIFY(done.wait(20000));
        const QList<BoxDownload> &files = m_boxes->box(0)->downloads();
        QCOMPARE(files.size(), 4);
        for (const BoxDownload &file : files) {
            QVERIFY2(file.ok(), qPrintable(file.name));
            if (videos.contains(file.name))
                QCOMPARE(file.received, videos[file.name].size());
        }
        QTRY_COMPARE(historyRows(QStringLiteral("File Download Succeed(ALL DONE)")), 1);
        // The box reported the file names in GB2312; the history reads them.
        bool named = false;
        const CommandHistory &history = *m_h->context().history;
        for (int r = 0; r < history.rowCount(); ++r) {
            for (int c = 0; c < history.columnCount(); ++c)
                named = named || history.cell(r, c).contains(QStringLiteral("dlreport progress 片 1.mp4 Done"));
        }
        QVERIFY(named);
    }
};

QTEST_MAIN(TestTransfer)
#include "tst_transfer.moc"
