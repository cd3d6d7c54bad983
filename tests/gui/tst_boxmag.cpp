// The box management window end to end: each action with the scripted
// prompter, the exact line every simulated box receives, the question for
// several boxes, the input checks, the firmware image check, file-name
// pages, the emergency text and the list menu.
#include "app/serverapp.h"
#include "appharness.h"
#include "boxsimulator.h"
#include "config/firmware.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/boxlists.h"
#include "console/group.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using GuiUtil::column;
using GuiUtil::entries;

class TestBoxMag : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_harness;
    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompter *m_prompter = nullptr;
    ServerApp *m_app = nullptr;
    std::unique_ptr<BoxSimulator> m_boxes;
    SimulatorOptions m_simOptions;

    TForm3 *window() { return m_app->forms().form3; }
    MacGruoup &registry() { return *m_app->context().registry; }
    template <typename T> T *control(const char *name) { return window()->findChild<T *>(QString::fromLatin1(name)); }
    void click(const char *name) { control<QToolButton>(name)->click(); }
    QTreeWidget *boxes() { return control<QTreeWidget>("lv_OnlineBox"); }
    SimulatedBox *box(int i) { return m_boxes->box(i); }

    // Checks the rows of these simulated boxes, wherever they stand in the list.
    void check(std::initializer_list<int> indices)
    {
        QStringList macs;
        for (int i : indices)
            macs.append(BoxSimulator::macFor(i));
        for (int i = 0; i < boxes()->topLevelItemCount(); ++i) {
            QTreeWidgetItem *row = boxes()->topLevelItem(i);
            row->setCheckState(0, macs.contains(row->text(0)) ? Qt::Checked : Qt::Unchecked);
        }
    }
    // The lines box i received, after waiting for count of them.
    QList<QByteArray> linesOf(int i, int count)
    {
        if (!QTest::qWaitFor([&] { return box(i)->received().size() >= count; }, 5000))
            return box(i)->received();
        return box(i)->received();
    }
    QByteArray firstLineOf(int i)
    {
        const QList<QByteArray> lines = linesOf(i, 1);
        return lines.isEmpty() ? QByteArray() : lines.first();
    }
    int sentCommands() { return countHistory(QStringLiteral("Command Send")); }
    int countHistory(const QString &state)
    {
        CommandHistory *history = m_app->context().history;
        int n = 0;
        for (int row = 0; row < history->rowCount(); ++row)
            n += history->cell(row, CommandHistory::StateColumn) == state;
        return n;
    }
    void expectMessage(const QString &title, const QString &text)
    {
        QVERIFY2(!m_prompter->asked.isEmpty(), qPrintable(text));
        QCOMPARE(m_prompter->asked.last().title, title);
        QCOMPARE(m_prompter->asked.last().text, text);
    }
    QString writeImage(const QString &name, qint64 size, qint64 magicAt)
    {
        const QString path = m_dir->filePath(name);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.resize(size);
        if (magicAt >= 0) {
            file.seek(magicAt);
            file.write("-rom1fs-");
        }
        return path;
    }

private slots:
    void init()
    {
        m_harness = std::make_unique<AppHarness>();
        QVERIFY(m_harness->start());
        m_dir = &m_harness->dir;
        m_prompter = &m_harness->prompter;
        m_app = m_harness->app.get();
        m_simOptions = SimulatorOptions();
        m_simOptions.port = quint16(m_harness->options.boxPort);
        m_simOptions.heartbeatMs = 0;
        m_simOptions.rebootMs = 300;
        m_boxes = std::make_unique<BoxSimulator>(3, m_simOptions);
        m_boxes->start();
        QVERIFY(QTest::qWaitFor([this] { return registry().BoxCount() == 3 && !m_app->forms().form1->listsPending(); },
                                10000));
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbBoxManagement"))->click();
        QVERIFY(window()->isVisible());
        QCOMPARE(boxes()->topLevelItemCount(), 3);
    }

    void cleanup()
    {
        m_boxes.reset();
        m_harness.reset();
    }

    void nothingCheckedSendsNothing()
    {
        click("sb_CalibrateTime");
        expectMessage(QStringLiteral("Error"), QStringLiteral("Warning: Not selected an effective box"));
        QCOMPARE(sentCommands(), 0);
    }

    void severalBoxesAreAskedAbout()
    {
        check({0, 2});
        m_prompter->answerMessage(Prompter::Button::No);
        click("sb_reboot");
        // The question names the command and how many boxes it goes to.
        expectMessage(QStringLiteral("Warning"), QStringLiteral("Send \"重启设备\" to 2 boxes?"));
        QCOMPARE(m_prompter->asked.last().buttons, Prompter::Buttons::YesNo);
        QCOMPARE(sentCommands(), 0);
        // Every command for several boxes asks, named as the window names it.
        m_prompter->answerMessage(Prompter::Button::No);
        click("sb_CalibrateTime");
        expectMessage(QStringLiteral("Warning"), QStringLiteral("Send \"同步时间\" to 2 boxes?"));
        m_prompter->answerMessage(Prompter::Button::No);
        click("SpeedButton2");
        expectMessage(QStringLiteral("Warning"), QStringLiteral("Send \"语言\" to 2 boxes?"));
        QCOMPARE(sentCommands(), 0);

        QSignalSpy away0(box(0), &SimulatedBox::disconnected);
        m_prompter->answerMessage(Prompter::Button::Yes);
        click("sb_reboot");
        QCOMPARE(sentCommands(), 2);
        // In list order: the last box's row is on top.
        QCOMPARE(m_app->context().history->cell(0, CommandHistory::MacColumn), BoxSimulator::macFor(2));
        QCOMPARE(firstLineOf(0), QByteArray("set box reboot"));
        QCOMPARE(firstLineOf(2), QByteArray("set box reboot"));
        QVERIFY(box(1)->received().isEmpty());
        // Out of the online lists at once, back with the next heartbeat.
        QCOMPARE(column(boxes(), 0), QStringList{BoxSimulator::macFor(1)});
        QCOMPARE(m_app->forms().form1->pickBoxes()->topLevelItemCount(), 1);
        QCOMPARE(m_app->forms().form2->groupList()->topLevelItem(0)->text(4), QStringLiteral("Offline"));
        QVERIFY(away0.wait(5000));
        QTRY_COMPARE_WITH_TIMEOUT(boxes()->topLevelItemCount(), 3, 10000);
        // Back in their places, still checked.
        QCOMPARE(column(boxes(), 0),
                 (QStringList{BoxSimulator::macFor(0), BoxSimulator::macFor(1), BoxSimulator::macFor(2)}));
        QCOMPARE(boxes()->topLevelItem(0)->checkState(0), Qt::Checked);
        QCOMPARE(boxes()->topLevelItem(1)->checkState(0), Qt::Unchecked);
        QCOMPARE(boxes()->topLevelItem(2)->checkState(0), Qt::Checked);
        QCOMPARE(m_app->forms().form1->pickBoxes()->topLevelItemCount(), 3);

        // A single box is never asked about.
        m_prompter->asked.clear();
        check({1});
        click("sb_QueryFileName");
        QVERIFY(m_prompter->asked.isEmpty());
        QCOMPARE(firstLineOf(1), QByteArray("get box filename"));
    }

    void basicSettingsLines()
    {
        check({1});
        click("sb_CalibrateTime");
        control<QComboBox>("ComboBox1")->setCurrentIndex(0);
        click("SpeedButton2");
        control<QComboBox>("ComboBox1")->setCurrentIndex(1);
        click("SpeedButton2");
        control<QComboBox>("ComboBox2")->setCurrentIndex(1);
        control<QComboBox>("ComboBox3")->setCurrentIndex(4);
        click("SpeedButton3");
        control<QComboBox>("ComboBox2")->setCurrentIndex(3);
        control<QComboBox>("ComboBox3")->setCurrentIndex(0);
        click("SpeedButton3");
        control<QComboBox>("cb_Onoff")->setCurrentIndex(1);
        click("sp_Onoff");
        control<QLineEdit>("me_DownloadSpeed")->clear();
        click("sp_DownloadSpeed");
        control<QLineEdit>("me_DownloadSpeed")->setText(QStringLiteral("512"));
        click("sp_DownloadSpeed");
        const QList<QByteArray> lines = linesOf(1, 8);
        QCOMPARE(lines.size(), 8);
        QVERIFY(lines[0].startsWith("set box time "));
        QCOMPARE(lines[0].size(), QByteArray("set box time yy mm dd w hh mm ss").size());
        QCOMPARE(lines.mid(1), (QList<QByteArray>{"set box language 0", "set box language 1",
                                                  "set mode outmode 1 laymode 4", "set mode outmode 3 laymode 0",
                                                  "play mode 1", "set download speed 0", "set download speed 512"}));
        QTRY_COMPARE(countHistory(QStringLiteral("Set Outmode Succeed")), 2);
    }

    void boxNetworkFieldsInOrder()
    {
        check({0});
        const char *fields[] = {"MaskEditIP", "MaskEditMask", "MaskEditGW", "MaskEditDNS1", "MaskEditDNS2"};
        const QStringList good = {"192.0.2.9", "255.255.255.0", "192.0.2.1", "192.0.2.1", "192.0.2.2"};
        const QStringList messages = {"Invalid IP", "Invalid Mask", "Invalid GW", "Invalid Dns1", "Invalid DNS2"};
        // Each field blank in turn, the ones before it good.
        for (int bad = 0; bad < 5; ++bad) {
            for (int i = 0; i < 5; ++i)
                control<QLineEdit>(fields[i])->setText(i == bad ? QString() : good[i]);
            click("SpeedButton6");
            expectMessage(QStringLiteral("Error"), messages[bad]);
        }
        for (int i = 0; i < 5; ++i)
            control<QLineEdit>(fields[i])->setText(good[i]);
        control<QLineEdit>("MaskEditMask")->setText(QStringLiteral("255.255.255.255"));
        click("SpeedButton6");
        expectMessage(QStringLiteral("Error"), QStringLiteral("Invalid Mask"));
        QCOMPARE(sentCommands(), 0);
        control<QLineEdit>("MaskEditMask")->setText(good[1]);
        m_prompter->asked.clear();
        click("SpeedButton6");
        QVERIFY(m_prompter->asked.isEmpty());
        QCOMPARE(firstLineOf(0),
                 QByteArray("set network boxattr static 192.0.2.9 255.255.255.0 192.0.2.1 192.0.2.1 192.0.2.2"));
    }

    void serverAddressChecks()
    {
        check({2});
        QVERIFY(!control<QLineEdit>("mk_SvrPort")->isEnabled());
        QCOMPARE(control<QLineEdit>("mk_SvrPort")->text(), QString::number(m_app->context().settings.boxPort));
        click("sb_svattr");
        expectMessage(QStringLiteral("Error"), QStringLiteral("Invalid IP"));
        control<QLineEdit>("mk_SvrIP")->setText(QStringLiteral("192.0.2.1"));
        for (const char *port : {"", "65536"}) {
            control<QLineEdit>("mk_SvrPort")->setText(QString::fromLatin1(port));
            click("sb_svattr");
            expectMessage(QStringLiteral("Error"), QStringLiteral("Invalid Port"));
        }
        QCOMPARE(sentCommands(), 0);
        control<QLineEdit>("mk_SvrPort")->setText(QStringLiteral("9988"));
        click("sb_svattr");
        QCOMPARE(firstLineOf(2), QByteArray("set network svrattr 192.0.2.1 9988"));
    }

    void firmwareImageCheck_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<qint64>("magicAt");
        QTest::addColumn<bool>("valid");
        QTest::newRow("4 MiB - 1") << qint64(4194303) << qint64(65536) << false;
        QTest::newRow("magic at 64 KiB") << qint64(4194304) << qint64(65536) << true;
        QTest::newRow("magic at 0") << qint64(4194304) << qint64(0) << false;
        QTest::newRow("magic after the first MiB") << qint64(4194304) << qint64(1048576) << false;
        QTest::newRow("magic off a 4 KiB boundary") << qint64(4194304) << qint64(4097) << false;
        QTest::newRow("no magic") << qint64(5000000) << qint64(-1) << false;
    }

    void firmwareImageCheck()
    {
        QFETCH(qint64, size);
        QFETCH(qint64, magicAt);
        QFETCH(bool, valid);
        const QString image = writeImage(QStringLiteral("image.bin"), size, magicAt);
        QCOMPARE(CheckUpgradeImage(image).valid, valid);
        check({0});
        m_prompter->answerFile(image);
        click("spb_GetFileName");
        QCOMPARE(m_prompter->asked.last().kind, QStringLiteral("file"));
        QCOMPARE(control<QLineEdit>("ed_Updatafile")->text(), image);
        click("sb_upgrade");
        if (!valid) {
            expectMessage(QStringLiteral("Error"), QStringLiteral("Invalid upgrade image"));
            QCOMPARE(sentCommands(), 0);
            return;
        }
        const QByteArray expected =
            "imageupdate http http://127.0.0.1:" + QByteArray::number(m_app->context().settings.servicePort) + "/" +
            image.toUtf8();
        QCOMPARE(firstLineOf(0), expected);
        // The image lies outside the content folder and is served all the same.
        const auto fetched = TestUtil::curl(QString::fromUtf8(expected.mid(QByteArray("imageupdate http ").size())),
                                            {QStringLiteral("-r"), QStringLiteral("65536-65543")});
        QCOMPARE(fetched.status, 206);
        QCOMPARE(fetched.body, QByteArray("-rom1fs-"));
    }

    void imagePathWithASpaceIsNotTaken()
    {
        QDir().mkpath(m_dir->filePath(QStringLiteral("my images")));
        const QString image = writeImage(QStringLiteral("my images/a.bin"), 4194304, 65536);
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbBoxManagement"))->click();
        m_prompter->answerFile(image);
        click("spb_GetFileName");
        // The dialog opens in the Bin folder of the content root.
        QCOMPARE(m_prompter->asked.last().initial, m_app->context().settings.binDir);
        QVERIFY(control<QLineEdit>("ed_Updatafile")->text().isEmpty());
        check({0});
        click("sb_upgrade");
        expectMessage(QStringLiteral("Error"), QStringLiteral("Invalid upgrade image"));
    }

    void emergencyText()
    {
        check({0});
        m_prompter->answerColour(0x102030);
        click("sb_BGCol");
        control<QComboBox>("cb_TextRepeat")->setCurrentIndex(2);
        // 199 bytes: a Chinese character counts two.
        const QString text199 = QString(197, u'x') + QStringLiteral("字");
        control<QPlainTextEdit>("mm_TextEdit")->setPlainText(text199);
        click("sb_PlayText");
        control<QPlainTextEdit>("mm_TextEdit")->clear();
        click("sb_PlayText");
        const QList<QByteArray> lines = linesOf(0, 2);
        QCOMPARE(lines.size(), 2);
        const QByteArray settings = "play text  30 30 16 32 48 255 255 255 3";
        QCOMPARE(lines[0], settings + ' ' + QByteArray(197, 'x') + "\xd7\xd6");
        QCOMPARE(lines[1], settings);
        // Too long, in bytes or in characters, or not for the boxes: the
        // operator is told and nothing is sent.
        for (const QString &refused : {QString(198, u'x') + QStringLiteral("字"), QString(150, u'字'),
                                       QString(200, u'y'), QStringLiteral("한국어")}) {
            const qsizetype before = m_prompter->asked.size();
            control<QPlainTextEdit>("mm_TextEdit")->setPlainText(refused);
            click("sb_PlayText");
            QCOMPARE(m_prompter->asked.size(), before + 1);
            QCOMPARE(m_prompter->asked.last().title, QStringLiteral("Error"));
            if (!refused.startsWith(QStringLiteral("한")))
                QVERIFY(m_prompter->asked.last().text.contains(QLatin1String("too long")));
        }
        QCOMPARE(sentCommands(), 2);
    }

    void fileNamePages()
    {
        auto *pages = control<QTabWidget>("PageControl_BoxFileName");
        registry().SetBoxName(1, QStringLiteral("前台"));
        check({0, 1});
        m_prompter->answerMessage(Prompter::Button::Yes);
        click("sb_QueryFileName");
        QTRY_COMPARE(pages->count(), 2);
        QStringList captions = {pages->tabText(0), pages->tabText(1)};
        captions.sort();
        QCOMPARE(captions, (QStringList{BoxSimulator::macFor(0), QStringLiteral("前台")}));
        auto *view = pages->widget(0)->findChild<QListWidget *>();
        QCOMPARE(view->count(), 3);
        QCOMPARE(view->item(0)->text(), QStringLiteral("a.mp4"));

        // A renamed box's page follows the name.
        const int page0 = pages->tabText(0) == BoxSimulator::macFor(0) ? 0 : 1;
        window()->RenameBoxPage(BoxSimulator::macFor(0), QStringLiteral("Lobby"));
        QCOMPARE(pages->tabText(page0), QStringLiteral("Lobby"));
        // "关闭" hides the tab; asking again shows it and refills it.
        pages->setCurrentIndex(page0);
        click("spb_Del");
        QVERIFY(!pages->isTabVisible(page0));
        check({0});
        click("sb_QueryFileName");
        QVERIFY(pages->isTabVisible(page0));
        QCOMPARE(pages->count(), 2);
    }

    void renamingInTheGroupWindowRenamesThePage()
    {
        auto *pages = control<QTabWidget>("PageControl_BoxFileName");
        window()->ShowBoxFileNames({BoxSimulator::macFor(2), QStringLiteral("x.mp4"), QStringLiteral("folder")});
        QCOMPARE(pages->tabText(0), BoxSimulator::macFor(2));
        QCOMPARE(pages->widget(0)->findChild<QListWidget *>()->count(), 2);
        TForm2 *groups = m_app->forms().form2;
        auto *list = groups->groupList();
        list->setCurrentItem(list->topLevelItem(2));
        groups->findChild<QLineEdit *>(QStringLiteral("edClientName"))->setText(QStringLiteral("Back door"));
        groups->findChild<QToolButton *>(QStringLiteral("sbMACNodeModify"))->click();
        QCOMPARE(pages->tabText(0), QStringLiteral("Back door"));
        // A list for a box the registry does not know makes no page.
        window()->ShowBoxFileNames({QStringLiteral("stranger"), QStringLiteral("a")});
        QCOMPARE(pages->count(), 1);
    }

    void listMenuAndSorting()
    {
        registry().AddGroup(QStringLiteral("A"));
        registry().SetBoxGroup(0, QStringLiteral("A"));
        registry().SetBoxGroup(2, QStringLiteral("A"));
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbBoxManagement"))->click();
        check({2});
        window()->findChild<QAction *>(QStringLiteral("GroupModeChecked1"))->trigger();
        QCOMPARE(BoxLists::checkedCaptions(boxes()), (QStringList{BoxSimulator::macFor(0), BoxSimulator::macFor(2)}));
        window()->findChild<QAction *>(QStringLiteral("CheckedAll1"))->trigger();
        QCOMPARE(BoxLists::checkedCaptions(boxes()).size(), 3);
        window()->findChild<QAction *>(QStringLiteral("ClearAllChecked1"))->trigger();
        QVERIFY(BoxLists::checkedCaptions(boxes()).isEmpty());
        GuiUtil::clickHeader(boxes(), 1);
        QCOMPARE(column(boxes(), 1), (QStringList{"A", "A", "No Group"}));
    }
};

QTEST_MAIN(TestBoxMag)
#include "tst_boxmag.moc"
