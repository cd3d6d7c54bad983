#pragma once

#include "link/alerts.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>

#include <memory>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QWidget;

// The fleet in the desktop's tray: the summary line as the icon's tool tip,
// red while a box is offline; its menu shows or hides the main window and
// opens the fleet status window.
class FleetTray : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FleetTray)

public:
    // The D-Bus service of the desktop's tray (status notifier) host.
    static inline const QString kTrayService = QStringLiteral("org.kde.StatusNotifierWatcher");

    explicit FleetTray(QWidget *mainWindow, QObject *parent = nullptr);
    ~FleetTray() override;

    // Shows the icon; false when the desktop has no tray.
    bool show();
    void setSummary(const QString &summary, bool someOffline);

    QSystemTrayIcon *icon() const { return m_icon.get(); }
    QMenu *menu() const { return m_menu.get(); }

signals:
    void fleetStatusRequested();

private:
    QWidget *m_mainWindow;
    std::unique_ptr<QMenu> m_menu;
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QAction *m_showHide = nullptr;
    bool m_red = false;
};

// Alerts as the tray icon's messages.
class TrayNotifier : public AlertNotifier
{
    Q_OBJECT

public:
    explicit TrayNotifier(QSystemTrayIcon &icon, QObject *parent = nullptr);
    void notify(const FleetAlert &alert) override;

private:
    QSystemTrayIcon &m_icon;
    FleetAlert m_last; // the message a click is about
};

// Alerts through the desktop's notification service on the session bus.
class DesktopBusNotifier : public AlertNotifier
{
    Q_OBJECT

public:
    static inline const QString kService = QStringLiteral("org.freedesktop.Notifications");

    explicit DesktopBusNotifier(const QDBusConnection &bus, QObject *parent = nullptr);
    // True when a notification service is on the bus.
    static bool available(const QDBusConnection &bus);
    void notify(const FleetAlert &alert) override;

private slots:
    void onActionInvoked(uint id, const QString &action);
    void onClosed(uint id, uint reason);

private:
    QDBusConnection m_bus;
    QHash<uint, FleetAlert> m_shown; // notifications still on the screen
};

// The desktop's way to show alerts: the tray when there is one, else the
// notification service; null when neither is there (the event log has them).
std::unique_ptr<AlertNotifier> DesktopNotifier(FleetTray &tray, const QDBusConnection &bus);
