// Desktop alerts with 40 simulated boxes and stepped clocks: the boxes going
// silent together are one alert naming the count, and each other kind (back
// online, no answer, failed, transfer ready) is one alert too; a click on an
// alert shows its boxes in the fleet status window; each kind switched off in
// the setup window raises nothing, and stays off at the next start. The tray
// icon's tool tip is the summary line and its menu opens the fleet window.
#include "appharness.h"
#include "base/clock.h"
#include "boxsimulator.h"
#include "config/inifile.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/deploymanage.h"
#include "console/fleettray.h"
#include "console/fleetwindow.h"
#include "link/alerts.h"
#include "testutil.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTableView>
#include <QTest>
#include <QTimer>

namespace {

// Keeps what it was asked to show; a test "clicks" an alert through it as
// the desktop would.
class RecordingNotifier : public AlertNotifier
{
public:
    void notify(const FleetAlert &alert) override { shown.append(alert); }
    void click(const FleetAlert &alert) { emit clicked(alert); }
    QList<FleetAlert> ofKind(FleetAlert::Kind kind) const
    {
        QList<FleetAlert> found;
        for (const FleetAlert &a : shown) {
            if (a.kind == kind)
                found.append(a);
        }
        return found;
    }
    QList<FleetAlert> shown;
};

// The desktop's notification service, as far as alerts use it.
class FakeNotifications : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    QStringList bodies;
    QStringList actions;

public slots:
    uint Notify(const QString &, uint, const QString &, const QString &, const QString &body,
                const QStringList &actionList, const QVariantMap &, int)
    {
        bodies.append(body);
        actions = actionList;
        return uint(bodies.size() + 100);
    }
};

} // namespace

class TestAlerts : public QObject
{
    Q_OBJECT

private:
    static constexpr int kBoxes = 40;
    // It decides who is offline, when a command has no answer and when
    // gathered events are raised.
    ManualClock m_clock;

    void useClock(AppHarness &h)
    {
        h.app->setClock(m_clock);
        // The offline check and the answer sweep look often; the stepped clock decides.
        h.forms().form1->findChild<QTimer *>(QStringLiteral("Timer1"))->start(5);
    }
    // Lets the gathering time pass and raises what is due.
    void passGathering(AppHarness &h, int seconds = FleetAlerts::kQuietSeconds)
    {
        m_clock.advanceSecs(seconds);
        h.app->alerts().tick();
    }
    QString downloadList(AppHarness &h)
    {
        const ServerSettings &s = h.context().settings;
        const QString video = s.videoDir + QStringLiteral("/a.mp4");
        TestUtil::writeFile(video, QByteArray(500, 'a'));
        const QString list = s.xmlPrefix + QStringLiteral("download_alerts.xml");
        TestUtil::writeFile(list,
                            "<downloadList><file filetype=\"VIDEO\" filesize=\"500\" filename=\"a.mp4\" fileurl=\"" +
                                HttpAddress(s, video).toUtf8() + "\"/></downloadList>");
        return QStringLiteral("fileupdate http ") + HttpAddress(s, list);
    }
    // Something of every kind happens: the first five boxes come back and
    // take a transfer that ends ready, box 0 refuses a command, box 39 has
    // gone away and never answers one; then all go silent.
    void everyKindHappens(AppHarness &h, BoxSimulator &boxes)
    {
        for (int i = 0; i < 5; ++i)
            boxes.box(i)->sendHeartbeat();
        QTRY_VERIFY(h.registry().Box(4).Online == 1);
        const QString line = downloadList(h);
        for (int i = 0; i < 5; ++i)
            h.context().cmd->SendBoxCommand(CMD_FILEUPDATE, BoxSimulator::macFor(i), {{}, {line}});
        QTRY_VERIFY(h.context().fleet->status(BoxSimulator::macFor(4)).transfer == FleetStatus::Transfer::Ready &&
                    h.context().fleet->status(BoxSimulator::macFor(0)).transfer == FleetStatus::Transfer::Ready);
        h.context().cmd->SendBoxCommand(CMD_LANGUAGE, BoxSimulator::macFor(0), {{1}, {}});
        QTRY_COMPARE(h.context().fleet->status(BoxSimulator::macFor(0)).result, FleetStatus::Result::Failed);
        boxes.box(39)->stop();
        h.context().cmd->SendBoxCommand(CMD_MODE, BoxSimulator::macFor(39), {{1, 0}, {}});
        m_clock.advanceSecs(FleetStatus::kAnswerSeconds);
        QTRY_COMPARE(h.context().fleet->status(BoxSimulator::macFor(39)).result, FleetStatus::Result::NoAnswer);
        m_clock.advanceSecs(OfflineAfterSeconds + 1);
        QTRY_VERIFY(h.registry().Box(4).Online == 0);
    }
    static QString eventLog(AppHarness &h)
    {
        h.forms().form3->flushLog();
        return h.forms().form3->findChild<QPlainTextEdit *>(QStringLiteral("mm_log"))->toPlainText();
    }

    // A session bus of the test's own; its address, empty when there is no daemon.
    static QString startPrivateBus(QProcess &daemon)
    {
        daemon.start(QStringLiteral("dbus-daemon"),
                     {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted(5000))
            return {};
        if (!QTest::qWaitFor([&daemon] { return daemon.canReadLine(); }, 5000))
            return {};
        return QString::fromUtf8(daemon.readLine()).trimmed();
    }

private slots:
    void fortyBoxesGoingSilentAreOneAlert()
    {
        AppHarness h;
        h.contentPeerLimit = 0;
        RecordingNotifier notifier;
        h.notifier = &notifier;
        QVERIFY(h.start());
        useClock(h);
        SimulatorOptions options = h.boxOptions();
        options.failTypes = {CMD_LANGUAGE};
        BoxSimulator boxes(kBoxes, options);
        QVERIFY(h.connectBoxes(boxes, kBoxes));
        for (int i = 0; i < kBoxes; ++i) {
            int slot = -1;
            QCOMPARE(h.registry().FindBox(BoxSimulator::macFor(i), &slot), RES_FOUND);
            QCOMPARE(h.registry().SetBoxName(slot, QStringLiteral("大厅%1").arg(i)), RES_OK);
        }

        // All 40 fall silent within a few seconds of each other.
        m_clock.advanceSecs(OfflineAfterSeconds + 1);
        QTRY_VERIFY(h.registry().Box(kBoxes - 1).Online == 0);
        passGathering(h, FleetAlerts::kGatherSeconds - 1);
        QVERIFY(notifier.shown.isEmpty());
        passGathering(h, 1);
        QCOMPARE(notifier.shown.size(), 1);
        const FleetAlert offline = notifier.shown.first();
        QCOMPARE(offline.kind, FleetAlert::Offline);
        QCOMPARE(offline.macs.size(), kBoxes);
        QVERIFY(QRegularExpression(QStringLiteral("^40 boxes offline: 大厅\\d+, 大厅\\d+, 大厅\\d+ and 37 more$"))
                    .match(offline.text)
                    .hasMatch());
        QVERIFY(eventLog(h).contains(QStringLiteral("Alert: 40 boxes offline")));
        passGathering(h);
        QCOMPARE(notifier.shown.size(), 1);

        // Every other kind: one alert each, raised together once gathered.
        everyKindHappens(h, boxes);
        passGathering(h);
        QCOMPARE(notifier.ofKind(FleetAlert::Online).size(), 1);
        QVERIFY(
            notifier.ofKind(FleetAlert::Online).first().text.startsWith(QStringLiteral("5 boxes back online: 大厅")));
        QVERIFY(notifier.ofKind(FleetAlert::Online).first().text.endsWith(QLatin1String(" and 2 more")));
        QCOMPARE(notifier.ofKind(FleetAlert::Ready).size(), 1);
        QCOMPARE(notifier.ofKind(FleetAlert::Ready).first().macs.size(), 5);
        QCOMPARE(notifier.ofKind(FleetAlert::Failed).size(), 1);
        QCOMPARE(notifier.ofKind(FleetAlert::Failed).first().names, QStringList{QStringLiteral("大厅0")});
        QCOMPARE(notifier.ofKind(FleetAlert::NoAnswer).size(), 1);
        QCOMPARE(notifier.ofKind(FleetAlert::NoAnswer).first().names, QStringList{QStringLiteral("大厅39")});
        // The five going silent again are the next offline alert.
        QCOMPARE(notifier.ofKind(FleetAlert::Offline).size(), 2);
        QCOMPARE(notifier.ofKind(FleetAlert::Offline).last().macs.size(), 5);

        // A click on the alert shows its boxes, and "全部设备" every box.
        notifier.click(notifier.ofKind(FleetAlert::Online).first());
        FleetWindow *window = h.forms().form1->fleetWindow();
        QVERIFY(window->isVisible());
        auto *table = window->findChild<QTableView *>(QStringLiteral("tv_Fleet"));
        QCOMPARE(table->model()->rowCount(), 5);
        QVERIFY(window->findChild<QLabel *>(QStringLiteral("lb_Alert"))->text().contains(QLatin1String("back online")));
        GuiUtil::click(window, "sb_AllBoxes");
        QCOMPARE(table->model()->rowCount(), kBoxes);
        // Opened from the top bar, it shows every box, not the last alert's.
        notifier.click(notifier.ofKind(FleetAlert::Online).first());
        QCOMPARE(table->model()->rowCount(), 5);
        h.clickMain("sbFleetStatus");
        QCOMPARE(table->model()->rowCount(), kBoxes);

        // Each kind switched off in the setup window: nothing is raised.
        h.clickMain("sbDeploy");
        TForm5 *setup = h.forms().form5;
        for (const char *name :
             {"cb_AlertOffline", "cb_AlertOnline", "cb_AlertNoAnswer", "cb_AlertFailed", "cb_AlertReady"}) {
            auto *check = GuiUtil::child<QCheckBox>(setup, name);
            QVERIFY(check->isChecked());
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(8, check->height() / 2));
            QVERIFY(!check->isChecked());
        }
        const qsizetype before = notifier.shown.size();
        const QString logBefore = eventLog(h);
        boxes.box(39)->start();
        everyKindHappens(h, boxes);
        passGathering(h);
        passGathering(h);
        QCOMPARE(notifier.shown.size(), before);
        QCOMPARE(eventLog(h).count(QLatin1String("Alert: ")), logBefore.count(QLatin1String("Alert: ")));

        // The switches are kept for the next start.
        QCOMPARE(IniReadInt("ALERTS", "OFFLINE", 1, h.context().settings.deployFile), 0);
        boxes.stop();
        h.app.reset();
        QVERIFY(h.start());
        for (int k = 0; k < FleetAlert::KindCount; ++k)
            QVERIFY(!h.app->alerts().isEnabled(FleetAlert::Kind(k)));
    }

    // A "no answer" kept from the last run is not news at the next start,
    // whatever the box says next.
    void aStateRestoredAtStartIsNoAlert()
    {
        AppHarness h;
        RecordingNotifier notifier;
        h.notifier = &notifier;
        QVERIFY(h.start());
        useClock(h);
        {
            BoxSimulator boxes(2, h.boxOptions());
            QVERIFY(h.connectBoxes(boxes, 2));
            boxes.box(1)->stop();
            h.context().cmd->SendBoxCommand(CMD_MODE, BoxSimulator::macFor(1), {{1, 0}, {}});
            m_clock.advanceSecs(FleetStatus::kAnswerSeconds);
            QTRY_COMPARE(h.context().fleet->status(BoxSimulator::macFor(1)).result, FleetStatus::Result::NoAnswer);
            passGathering(h);
            QCOMPARE(notifier.ofKind(FleetAlert::NoAnswer).size(), 1);
        }
        QTimer::singleShot(0, h.forms().form1, &QWidget::close);
        QCOMPARE(h.app->exec(), 0);
        h.app.reset();
        notifier.shown.clear();
        QVERIFY(h.start());
        useClock(h);
        QCOMPARE(h.context().fleet->status(BoxSimulator::macFor(1)).result, FleetStatus::Result::NoAnswer);
        BoxSimulator boxes(2, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, 2));
        QTRY_VERIFY(boxes.box(1)->isConnected());
        boxes.box(1)->sendHeartbeat();
        boxes.box(1)->sendLine("info set box time");
        QTRY_VERIFY(!h.context().fleet->status(BoxSimulator::macFor(1)).lastReply.isEmpty());
        passGathering(h);
        QCOMPARE(notifier.ofKind(FleetAlert::NoAnswer).size(), 0);
    }

    void desktopServiceShowsAlertsAndReportsClicks()
    {
        QProcess daemon;
        const QString address = startPrivateBus(daemon);
        if (address.isEmpty())
            QSKIP("no private D-Bus daemon could be started (dbus-daemon)");
        {
            QDBusConnection client = QDBusConnection::connectToBus(address, QStringLiteral("boxfleet"));
            QVERIFY(client.isConnected());
            QVERIFY(!DesktopBusNotifier::available(client));

            QDBusConnection desktop = QDBusConnection::connectToBus(address, QStringLiteral("desktop"));
            FakeNotifications service;
            QVERIFY(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                           QDBusConnection::ExportAllSlots));
            QVERIFY(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));
            QVERIFY(DesktopBusNotifier::available(client));

            DesktopBusNotifier notifier(client);
            FleetAlert alert;
            alert.kind = FleetAlert::Offline;
            alert.macs = {BoxSimulator::macFor(1)};
            alert.text = QStringLiteral("1 box offline: 前台 <b>OK</b>&#10;x");
            notifier.notify(alert);
            QTRY_COMPARE(service.bodies,
                         QStringList{QStringLiteral("1 box offline: 前台 &lt;b&gt;OK&lt;/b&gt;&amp;#10;x")});
            QCOMPARE(service.actions.first(), QStringLiteral("default"));

            // The operator clicks it.
            QSignalSpy clicked(&notifier, &AlertNotifier::clicked);
            QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                             QStringLiteral("org.freedesktop.Notifications"),
                                                             QStringLiteral("ActionInvoked"));
            signal << uint(101) << QStringLiteral("default");
            QVERIFY(desktop.send(signal));
            QVERIFY(clicked.wait(5000));
            QCOMPARE(clicked.first().first().value<FleetAlert>().macs, alert.macs);
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("boxfleet"));
        QDBusConnection::disconnectFromBus(QStringLiteral("desktop"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    // A notification service that starts after the program is used from then on.
    void aNotificationServiceThatComesLaterIsUsed()
    {
        QProcess daemon;
        const QString address = startPrivateBus(daemon);
        if (address.isEmpty())
            QSKIP("no private D-Bus daemon could be started (dbus-daemon)");
        {
            QVERIFY(QDBusConnection::connectToBus(address, QStringLiteral("late-boxfleet")).isConnected());
            AppHarness h;
            h.desktopBus = QStringLiteral("late-boxfleet");
            QVERIFY(h.start());
            useClock(h);
            BoxSimulator boxes(1, h.boxOptions());
            QVERIFY(h.connectBoxes(boxes, 1));

            QDBusConnection desktop = QDBusConnection::connectToBus(address, QStringLiteral("late-desktop"));
            FakeNotifications service;
            QVERIFY(desktop.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                           QDBusConnection::ExportAllSlots));
            QVERIFY(desktop.registerService(QStringLiteral("org.freedesktop.Notifications")));
            QTRY_VERIFY(eventLog(h).contains(QLatin1String("Alerts now go to the desktop's notifications")));

            boxes.stop();
            m_clock.advanceSecs(OfflineAfterSeconds + 1);
            QTRY_VERIFY(h.registry().Box(0).Online == 0);
            passGathering(h);
            QTRY_COMPARE(service.bodies.size(), 1);
            QVERIFY(service.bodies.first().startsWith(QLatin1String("1 box offline")));
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("late-boxfleet"));
        QDBusConnection::disconnectFromBus(QStringLiteral("late-desktop"));
        daemon.terminate();
        daemon.waitForFinished(5000);
    }

    void trayFollowsTheFleet()
    {
        AppHarness h;
        QVERIFY(h.start());
        BoxSimulator boxes(2, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, 2));
        FleetTray *tray = h.app->tray();
        const auto *summary = h.forms().form1->findChild<QLabel *>(QStringLiteral("lb_FleetSummary"));
        QTRY_COMPARE(tray->icon()->toolTip(), summary->text());
        QVERIFY(summary->text().startsWith(QLatin1String("2 boxes: 2 online")));

        // The menu's "状态" opens the fleet status window.
        QMenu *menu = tray->menu();
        menu->popup(QPoint(10, 10));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QAction *status = menu->actions().at(1);
        QCOMPARE(status->text(), QStringLiteral("状态"));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(status).center());
        QTRY_VERIFY(h.forms().form1->fleetWindow()->isVisible());
    }
};

QTEST_MAIN(TestAlerts)
#include "tst_alerts.moc"
