// The box link under load: a burst of heartbeats leaves every list exactly
// as the same messages one at a time do, a single heartbeat shows at the next
// refresh of the lists, the event log keeps its newest lines, and
// connections that fall silent are closed.
#include "appharness.h"
#include "base/clock.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/filesystem.h"
#include "console/group.h"
#include "ftp/ftpfile.h"
#include "link/boxserver.h"
#include "link/cmd.h"
#include "testutil.h"

#include <QComboBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QByteArray heartbeat(int box)
{
    return "heatbeat 10.9.9." + QByteArray::number(box % 250) +
           " 02:00:00:00:00:" + QByteArray::number(box).rightJustified(2, '0') +
           " 1.0 0 0 1000 200 01-03-2026-12:00:00 1";
}

// Every box list of every window: texts and check marks.
QStringList snapshot(Forms &forms)
{
    QStringList lines;
    const auto tree = [&lines](const QString &name, QTreeWidget *view) {
        for (int i = 0; i < view->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = view->topLevelItem(i);
            QStringList cells;
            for (int c = 0; c < view->columnCount(); ++c)
                cells.append(item->text(c));
            lines.append(name + QLatin1Char(' ') + QString::number(item->checkState(0)) + QLatin1Char(' ') +
                         cells.join(QLatin1Char('|')));
        }
    };
    tree(QStringLiteral("main"), forms.form1->pickBoxes());
    tree(QStringLiteral("group"), forms.form2->groupList());
    tree(QStringLiteral("detail"), forms.form3->boxList());
    tree(QStringLiteral("ftp"), forms.form7->findChild<QTreeWidget *>(QStringLiteral("lv_OnlineBox")));
    tree(QStringLiteral("files"), forms.form10->findChild<QTreeWidget *>(QStringLiteral("lv_OnlineBox")));
    lines += GuiUtil::entries(forms.form2->groupListBox());
    lines += GuiUtil::entries(forms.form2->groupCombo());
    lines += GuiUtil::entries(forms.form1->pickGroups());
    return lines;
}

} // namespace

// What the program promises, not what its constant happens to say.
constexpr int kPromisedLogLines = 20000;

class TestLinkLoad : public QObject
{
    Q_OBJECT

private:
    ManualClock m_clock;

    // 40 boxes known and listed, some checked; then box silence and a second
    // wave of heartbeats (20 known boxes, 20 new ones), all at once or one by
    // one with the lists refreshed after each.
    QStringList run(bool burst)
    {
        AppHarness h;
        if (!h.start())
            return {QStringLiteral("no start")};
        // The boxes' clocks are right.
        m_clock.setNow(QDateTime(QDate(2026, 3, 1), QTime(12, 0, 0)));
        h.app->setClock(m_clock);
        Forms &forms = h.forms();
        forms.form1->show();
        h.clickMain("sbGroup");
        h.clickMain("sbBoxManagement");
        QTcpSocket link;
        link.connectToHost(QHostAddress::LocalHost, quint16(h.options.boxPort));
        if (!link.waitForConnected(5000))
            return {QStringLiteral("no link")};
        QByteArray first;
        for (int box = 0; box < 40; ++box)
            first += heartbeat(box) + '\0';
        link.write(first);
        if (!QTest::qWaitFor([&] { return h.registry().BoxCount() == 40 && !forms.form1->listsPending(); }, 10000))
            return {QStringLiteral("first wave")};
        for (int row : {3, 33, 37})
            forms.form1->pickBoxes()->topLevelItem(row)->setCheckState(0, Qt::Checked);
        for (int row : {5, 35, 39})
            forms.form3->boxList()->topLevelItem(row)->setCheckState(0, Qt::Checked);

        // 31 s on, boxes 30 to 39 have spoken again and the others fall
        // silent; then the second wave.
        m_clock.advanceSecs(31);
        QByteArray keepers;
        for (int box = 30; box < 40; ++box)
            keepers += heartbeat(box) + '\0';
        link.write(keepers);
        if (!QTest::qWaitFor(
                [&] {
                    return h.registry().Box(39).LastHeard == m_clock.secsSinceEpoch() && !forms.form1->listsPending();
                },
                10000))
            return {QStringLiteral("keepers")};
        auto *offlineCheck = forms.form1->findChild<QTimer *>(QStringLiteral("Timer1"));
        offlineCheck->start(5);
        if (!QTest::qWaitFor([&] { return h.registry().Box(29).Online == 0; }, 10000))
            return {QStringLiteral("silence")};
        offlineCheck->stop();
        QSignalSpy refreshed(forms.form1, &TForm1::listsRefreshed);
        if (!burst && !QTest::qWaitFor([&] { return !forms.form1->listsPending(); }, 10000))
            return {QStringLiteral("silence shown")};
        QByteArray second;
        for (int box = 10; box < 50; ++box) {
            if (burst) {
                second += heartbeat(box) + '\0';
                continue;
            }
            refreshed.clear();
            link.write(heartbeat(box) + '\0');
            if (!refreshed.wait(10000))
                return {QStringLiteral("slow heartbeat %1").arg(box)};
        }
        if (burst)
            link.write(second);
        if (!QTest::qWaitFor(
                [&] {
                    return h.registry().BoxCount() == 50 && h.registry().Box(49).Online == 1 &&
                           !forms.form1->listsPending();
                },
                10000))
            return {QStringLiteral("second wave")};
        return snapshot(forms);
    }

private slots:
    void burstEndsAsASlowSequenceDoes()
    {
        const QStringList slow = run(false);
        const QStringList burst = run(true);
        QVERIFY(slow.size() > 100);
        QCOMPARE(burst, slow);
        // The check marks of boxes that stayed listed survived.
        QCOMPARE(burst.filter(QStringLiteral("main 2 ")).size(), 2);
        QCOMPARE(burst.filter(QStringLiteral("detail 2 ")).size(), 2);
    }

    void oneHeartbeatShowsAtTheNextRefresh()
    {
        AppHarness h;
        QVERIFY(h.start());
        h.forms().form1->show();
        QTcpSocket link;
        link.connectToHost(QHostAddress::LocalHost, quint16(h.options.boxPort));
        QVERIFY(link.waitForConnected(5000));
        QSignalSpy refreshed(h.forms().form1, &TForm1::listsRefreshed);
        link.write(heartbeat(1) + '\0');
        // The first refresh after the heartbeat shows it.
        QVERIFY(refreshed.wait(10000));
        QCOMPARE(h.forms().form1->pickBoxes()->topLevelItemCount(), 1);
        QCOMPARE(h.forms().form1->pickBoxes()->topLevelItem(0)->text(1), QStringLiteral("02:00:00:00:00:01"));
    }

    void eventLogKeepsItsNewestLines()
    {
        AppHarness h;
        QVERIFY(h.start());
        h.clickMain("sbBoxManagement");
        TForm3 *window = h.forms().form3;
        for (int i = 0; i < kPromisedLogLines + 5000; ++i) {
            window->appendLogLine(QStringLiteral("line %1").arg(i));
            if (i % 3000 == 0)
                window->flushLog();
        }
        window->flushLog();
        const QStringList lines =
            window->findChild<QPlainTextEdit *>(QStringLiteral("mm_log"))->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), kPromisedLogLines);
        QCOMPARE(lines.first(), QStringLiteral("line 5000"));
        QCOMPARE(lines.last(), QStringLiteral("line %1").arg(kPromisedLogLines + 4999));
    }

    void silentConnectionsAreClosed()
    {
        if (TestUtil::raiseDescriptorLimit() < 4096)
            QSKIP("this machine allows too few descriptors");
        AppHarness h;
        QVERIFY(h.start());
        BoxServer &server = *h.context().boxServer;
        // A live box heartbeats more often than the limit.
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(h.options.boxPort));
        QVERIFY(box.waitForConnected(5000));
        QTimer beat;
        connect(&beat, &QTimer::timeout, &box, [&box] { box.write(heartbeat(1) + '\0'); });
        beat.start(100);
        // A thousand connections opened and abandoned.
        std::vector<std::unique_ptr<QTcpSocket>> abandoned;
        for (int i = 0; i < 1000; ++i) {
            abandoned.push_back(std::make_unique<QTcpSocket>());
            abandoned.back()->connectToHost(QHostAddress::LocalHost, quint16(h.options.boxPort));
            if (i % 50 == 49)
                QTRY_VERIFY(abandoned.back()->state() == QAbstractSocket::ConnectedState);
        }
        QTRY_COMPARE(int(server.connections().size()), 1001);
        for (QTcpSocket *socket : server.connections())
            QCOMPARE(socket->socketOption(QAbstractSocket::KeepAliveOption).toInt(), 1);
        QSignalSpy idle(&server, &BoxServer::connectionIdle);
        server.setIdleLimit(1000);
        QTRY_COMPARE_WITH_TIMEOUT(int(server.connections().size()), 1, 20000);
        QCOMPARE(idle.size(), 1000);
        QVERIFY(box.state() == QAbstractSocket::ConnectedState);
        QTRY_VERIFY(abandoned.front()->state() == QAbstractSocket::UnconnectedState);
    }
};

QTEST_MAIN(TestLinkLoad)
#include "tst_linkload.moc"
