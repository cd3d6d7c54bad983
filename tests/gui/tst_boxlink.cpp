// The box link end to end on 127.0.0.1: the real server objects and windows,
// simulated boxes on real sockets. Every wait is for a signal or a state.
#include "app/serverapp.h"
#include "appharness.h"
#include "base/clock.h"
#include "boxsimulator.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/cmdhistory.h"
#include "console/filesystem.h"
#include "console/group.h"
#include "ftp/ftpfile.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QStringList rowTexts(QTreeWidget *view, int row)
{
    QStringList texts;
    QTreeWidgetItem *item = view->topLevelItem(row);
    for (int c = 0; c < view->columnCount(); ++c)
        texts.append(item->text(c));
    return texts;
}

} // namespace

using GuiUtil::column;

class TestBoxLink : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_harness;
    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompter *m_prompter = nullptr;
    ServerApp *m_app = nullptr;
    std::unique_ptr<BoxSimulator> m_boxes;
    ManualClock m_clock;
    SimulatorOptions m_simOptions;

    Forms &forms() { return m_app->forms(); }
    QTreeWidget *tree(QWidget *window, const char *name)
    {
        return window->findChild<QTreeWidget *>(QString::fromLatin1(name));
    }
    QStringList logEntries()
    {
        forms().form3->flushLog();
        QStringList result;
        const auto lines = forms()
                               .form3->findChild<QPlainTextEdit *>(QStringLiteral("mm_log"))
                               ->toPlainText()
                               .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines)
            result.append(line.mid(line.indexOf(QLatin1String("] ")) + 2));
        return result;
    }
    int countLog(const QString &start)
    {
        int n = 0;
        for (const QString &line : logEntries())
            n += line.startsWith(start);
        return n;
    }

    void startBoxes(int count)
    {
        m_boxes = std::make_unique<BoxSimulator>(count, m_simOptions);
        m_boxes->start();
    }

    // Waits until the registry holds this many boxes, all online.
    bool waitForBoxes(int count)
    {
        return QTest::qWaitFor(
            [&] {
                const MacGruoup &reg = *m_app->context().registry;
                if (reg.BoxCount() != count || forms().form1->listsPending())
                    return false;
                for (int i = 0; i < count; ++i) {
                    if (!reg.Box(i).Online)
                        return false;
                }
                return true;
            },
            10000);
    }

private slots:
    void init()
    {
        m_harness = std::make_unique<AppHarness>();
        QVERIFY(m_harness->start());
        m_dir = &m_harness->dir;
        m_prompter = &m_harness->prompter;
        m_app = m_harness->app.get();
        QVERIFY(m_app->context().boxServer->isListening());
        m_clock.setNow(QDateTime::currentDateTime());
        m_app->setClock(m_clock);
        m_simOptions = SimulatorOptions();
        m_simOptions.port = quint16(m_harness->options.boxPort);
        m_simOptions.heartbeatMs = 0;
    }

    void cleanup()
    {
        m_boxes.reset();
        m_harness.reset();
    }

    void newBoxAppearsInEveryList()
    {
        startBoxes(1);
        QVERIFY(waitForBoxes(1));
        const QString mac = BoxSimulator::macFor(0);
        const QString ip = BoxSimulator::ipFor(0);

        QTreeWidget *groupList = tree(forms().form2, "lv_GroupList");
        QCOMPARE(groupList->topLevelItemCount(), 1);
        QCOMPARE(rowTexts(groupList, 0),
                 (QStringList{mac, ip, QString(), QStringLiteral("No Group"), QStringLiteral("Online")}));
        QTreeWidget *details = tree(forms().form3, "lv_OnlineBox");
        QCOMPARE(details->topLevelItemCount(), 1);
        QCOMPARE(details->topLevelItem(0)->text(0), mac);
        QCOMPARE(details->topLevelItem(0)->text(10), QStringLiteral("Running"));
        QCOMPARE(forms().form2->findChild<QListWidget *>(QStringLiteral("lbGroupName"))->item(0)->text(),
                 QStringLiteral("No Group"));
        for (QWidget *window : {static_cast<QWidget *>(forms().form1), static_cast<QWidget *>(forms().form7)}) {
            QTreeWidget *pick = tree(window, "lv_OnlineBox");
            QCOMPARE(pick->topLevelItemCount(), 1);
            QCOMPARE(rowTexts(pick, 0), (QStringList{QString(), mac, QStringLiteral("Online")}));
        }
        forms().form1->findChild<QToolButton *>(QStringLiteral("sb_Filestyle"))->click();
        QCOMPARE(tree(forms().form10, "lv_OnlineBox")->topLevelItemCount(), 1);

        // Connect, then the parser's line and the registry's two lines.
        QCOMPARE(countLog(QStringLiteral(" 0   [!DEBUG]   --ClientConnect: IP=127.0.0.1, Port=")), 1);
        const QStringList log = logEntries();
        QCOMPARE(log.size(), 4);
        QVERIFY(log[1].startsWith(QStringLiteral(" 0   [!INFORcv]   --heatbeat ") + ip + QLatin1Char(' ') + mac));
        QVERIFY(log[2].startsWith(QStringLiteral(" 4   [!INFORcv]   --heatbeat ")));
        QVERIFY(log[3].startsWith(QStringLiteral(" 0   [!DEBUG]   --heatbeat ")));

        // A second heartbeat: two lines, the registry's with code 6.
        m_boxes->box(0)->sendHeartbeat();
        QTRY_COMPARE(logEntries().size(), 6);
        QVERIFY(logEntries()[5].startsWith(QStringLiteral(" 6   [!INFORcv]   --heatbeat ")));
        QCOMPARE(groupList->topLevelItemCount(), 1);
    }

    void framingKeepsEveryMessage_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<bool>("coalesce");
        QTest::addColumn<bool>("split");
        QTest::newRow("padded blocks") << int(SimulatorOptions::Framing::Padded) << false << false;
        QTest::newRow("bare lines") << int(SimulatorOptions::Framing::Bare) << false << false;
        QTest::newRow("several in one write") << int(SimulatorOptions::Framing::Bare) << true << false;
        QTest::newRow("padded blocks joined") << int(SimulatorOptions::Framing::Padded) << true << false;
        QTest::newRow("split across reads") << int(SimulatorOptions::Framing::Padded) << false << true;
        QTest::newRow("bare lines split") << int(SimulatorOptions::Framing::Bare) << false << true;
    }

    void framingKeepsEveryMessage()
    {
        QFETCH(int, framing);
        QFETCH(bool, coalesce);
        QFETCH(bool, split);
        m_simOptions.framing = SimulatorOptions::Framing(framing);
        m_simOptions.coalesce = coalesce;
        m_simOptions.split = split;
        startBoxes(2);
        QVERIFY(waitForBoxes(2));
        for (SimulatedBox *box : m_boxes->boxes()) {
            box->sendHeartbeat();
            box->sendLine("info set box time");
            box->sendHeartbeat();
        }
        // Per box: three heartbeats and one reply, each parsed whole.
        QTRY_COMPARE(countLog(QStringLiteral(" 0   [!INFORcv]   --heatbeat 10.0.")), 6);
        QTRY_COMPARE(countLog(QStringLiteral(" 6   [!INFORcv]   --heatbeat 10.0.")), 4);
        QCOMPARE(countLog(QStringLiteral(" 0   [!INFORcv]   --info set box time")), 2);
        QCOMPARE(countLog(QStringLiteral(" 1   [!ERR]")), 0);

        // Heartbeats left out of the memo; replies still in it.
        auto *hide = forms().form3->findChild<QCheckBox *>(QStringLiteral("cb_HideHeartbeats"));
        forms().form3->show();
        QVERIFY(QTest::qWaitForWindowExposed(forms().form3));
        QTest::mouseClick(hide, Qt::LeftButton, {}, QPoint(8, hide->height() / 2));
        QVERIFY(hide->isChecked());
        SimulatedBox *box = m_boxes->boxes().first();
        box->sendHeartbeat();
        box->sendLine("info set box time");
        QTRY_COMPARE(countLog(QStringLiteral(" 0   [!INFORcv]   --info set box time")), 3);
        QCOMPARE(countLog(QStringLiteral(" 0   [!INFORcv]   --heatbeat 10.0.")) +
                     countLog(QStringLiteral(" 6   [!INFORcv]   --heatbeat 10.0.")),
                 10);
    }

    void commandTravelsAs256BytesAndTheReplyReachesTheHistory()
    {
        startBoxes(2);
        QVERIFY(waitForBoxes(2));
        SimulatedBox *box = m_boxes->box(1);
        QSignalSpy blocks(box, &SimulatedBox::blockReceived);
        QSignalSpy other(m_boxes->box(0), &SimulatedBox::blockReceived);
        m_app->context().cmd->SendBoxCommand(CMD_LANGUAGE, box->profile().mac, {{1}, {}});
        QVERIFY(blocks.wait(5000));
        const QByteArray block = blocks.first().first().toByteArray();
        QCOMPARE(block.size(), 256);
        QCOMPARE(block, QByteArray("set box language 1").leftJustified(256, '\0'));
        // Both boxes share 127.0.0.1; the port tells them apart.
        QCOMPARE(other.size(), 0);
        QVERIFY(countLog(QStringLiteral(" 0   [!INFOSend]   --set box language 1 Send 127.0.0.1")) == 1);

        CommandHistory *history = m_app->context().history;
        QTRY_COMPARE(history->rowCount(), 2);
        QCOMPARE(history->cell(1, CommandHistory::StateColumn), QStringLiteral("Command Send"));
        QCOMPARE(history->cell(1, CommandHistory::InfoColumn), QStringLiteral("Set Lanuage"));
        QCOMPARE(history->cell(1, CommandHistory::IpColumn), BoxSimulator::ipFor(1));
        QCOMPARE(history->cell(0, CommandHistory::MacColumn), box->profile().mac);
        QCOMPARE(history->cell(0, CommandHistory::IpColumn), QStringLiteral("127.0.0.1"));
        QCOMPARE(history->cell(0, CommandHistory::StateColumn), QStringLiteral("Set Language Succeed"));
        QCOMPARE(history->cell(0, CommandHistory::InfoColumn), QStringLiteral("info set box language"));
        // A success is no error in the log.
        QCOMPARE(countLog(QStringLiteral(" 0   [!INFORcv]   --info set box language")), 1);
        // The history window came up by itself.
        QVERIFY(forms().form6->isVisible());
    }

    void historyStaysHiddenWithoutAutoPrompt()
    {
        forms().form6->findChild<QCheckBox *>(QStringLiteral("cb_AutoPrompt"))->setChecked(false);
        startBoxes(1);
        QVERIFY(waitForBoxes(1));
        m_app->context().cmd->SendBoxCommand(CMD_SETTIME, m_boxes->box(0)->profile().mac);
        QTRY_COMPARE(m_app->context().history->rowCount(), 2);
        QVERIFY(!forms().form6->isVisible());
    }

    void reconnectedBoxIsReachedOnlyAfterItsHeartbeat()
    {
        startBoxes(1);
        QVERIFY(waitForBoxes(1));
        SimulatedBox *box = m_boxes->box(0);
        const QString mac = box->profile().mac;
        const quint16 firstPort = box->localPort();
        Cmd_API *cmd = m_app->context().cmd;
        box->stop();
        QTRY_VERIFY(m_app->context().boxServer->connections().isEmpty());
        QCOMPARE(cmd->SendCommand(CMD_REBOOT, mac), RES_NOCONN);

        QSignalSpy connected(box, &SimulatedBox::connected);
        const int heartbeatsBefore = countLog(QStringLiteral(" 0   [!INFORcv]   --heatbeat"));
        box->start();
        QVERIFY(connected.wait(5000));
        QVERIFY(box->localPort() != firstPort);
        QTRY_COMPARE(countLog(QStringLiteral(" 0   [!INFORcv]   --heatbeat")), heartbeatsBefore + 1);
        QSignalSpy lines(box, &SimulatedBox::lineReceived);
        QCOMPARE(cmd->SendCommand(CMD_GETFILENAME, mac), RES_OK);
        QVERIFY(lines.wait(5000));
        QCOMPARE(lines.first().first().toByteArray(), QByteArray("get box filename"));
    }

    void silentBoxGoesOfflineAndComesBack()
    {
        startBoxes(2);
        QVERIFY(waitForBoxes(2));
        QTreeWidget *details = tree(forms().form3, "lv_OnlineBox");
        QTreeWidget *pick = tree(forms().form1, "lv_OnlineBox");
        QTreeWidget *groupList = tree(forms().form2, "lv_GroupList");
        QCOMPARE(details->topLevelItemCount(), 2);
        m_clock.advanceSecs(20);
        m_boxes->box(1)->sendHeartbeat();
        QTRY_COMPARE(countLog(QStringLiteral(" 6   [!INFORcv]")), 1);
        m_clock.advanceSecs(11); // box 0 silent for 31 s, box 1 for 11 s
        forms().form1->findChild<QTimer *>(QStringLiteral("Timer1"))->start(5);
        QTRY_COMPARE(details->topLevelItemCount(), 1);
        QCOMPARE(column(details, 0), QStringList{BoxSimulator::macFor(1)});
        QCOMPARE(pick->topLevelItemCount(), 1);
        QCOMPARE(tree(forms().form7, "lv_OnlineBox")->topLevelItemCount(), 1);
        QCOMPARE(groupList->topLevelItemCount(), 2);
        QCOMPARE(groupList->topLevelItem(0)->text(4), QStringLiteral("Offline"));
        QCOMPARE(groupList->topLevelItem(1)->text(4), QStringLiteral("Online"));

        m_boxes->box(0)->sendHeartbeat();
        QTRY_COMPARE(details->topLevelItemCount(), 2);
        QCOMPARE(pick->topLevelItemCount(), 2);
        QCOMPARE(groupList->topLevelItem(0)->text(4), QStringLiteral("Online"));
    }

    void fileNamesArriveInParts()
    {
        m_simOptions.files = {QStringLiteral("a.mp4"), QStringLiteral("b.mp4"), QStringLiteral("c.bmp"),
                              QStringLiteral("d.bmp"), QStringLiteral("e.txt")};
        m_simOptions.namesPerPart = 2;
        startBoxes(1);
        QVERIFY(waitForBoxes(1));
        QSignalSpy lists(m_app->context().cmd, &Cmd_API::fileNamesReceived);
        m_app->context().cmd->SendBoxCommand(CMD_GETFILENAME, BoxSimulator::macFor(0));
        QVERIFY(lists.wait(5000));
        QCOMPARE(lists.first().first().toStringList(), QStringList{BoxSimulator::macFor(0)} + m_simOptions.files);
        QTRY_COMPARE(m_app->context().history->cell(0, CommandHistory::StateColumn), QStringLiteral("Get Dir Succeed"));
    }

    void badInputFromABoxIsLoggedAndDropped()
    {
        startBoxes(1);
        QVERIFY(waitForBoxes(1));
        SimulatedBox *box = m_boxes->box(0);
        const int rowsBefore = m_app->context().history->rowCount();
        box->sendLine("this is no reply");
        box->sendLine("heatbeat 1.2.3.4 m 1 x 0 10 5 01-03-2026-12:00:00");
        box->sendRaw(QByteArray("\xff\xfe\x01garbage\x7f", 11) + QByteArray(300, 'x') + '\0');
        box->sendLine("heatbeat 1.2.3.4 " + QByteArray(25, 'M') + " 1 0 0 10 5 01-03-2026-12:00:00");
        QTRY_COMPARE(countLog(QStringLiteral(" 1   [!ERR]")), 4);
        QTRY_COMPARE(countLog(QStringLiteral(" 0   [!DEBUG]   --heatbeat 1.2.3.4 MMM")), 1);
        QCOMPARE(m_app->context().registry->BoxCount(), 1);
        QCOMPARE(m_app->context().history->rowCount(), rowsBefore);
        // The link still works afterwards.
        box->sendHeartbeat();
        QTRY_COMPARE(countLog(QStringLiteral(" 6   [!INFORcv]")), 1);
    }
};

QTEST_MAIN(TestBoxLink)
#include "tst_boxlink.moc"
