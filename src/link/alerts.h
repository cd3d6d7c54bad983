#pragma once

#include "base/clock.h"
#include "fleetstatus.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <array>
#include <functional>

class MacGruoup;

// One alert for the operator: what happened to which boxes.
struct FleetAlert
{
    enum Kind
    {
        Offline,  // boxes the offline check took offline
        Online,   // boxes heard again after that
        NoAnswer, // commands not answered in time
        Failed,   // commands and transfers that failed
        Ready,    // a transfer ended with every box ready
        KindCount
    };
    Kind kind = Offline;
    QStringList macs;  // the boxes, in the order it happened
    QStringList names; // their client names, the MAC for a box with none
    QString text;      // "37 boxes offline: 前台, 大厅左, 大厅右 and 34 more"

    // The Deploy.ini key under [ALERTS] that switches the kind on or off.
    static const char *Key(Kind kind);
};
Q_DECLARE_METATYPE(FleetAlert)

// Where alerts go: the tray, the desktop's notification service, or the
// event log. A notifier reports a click on an alert it showed.
class AlertNotifier : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    virtual void notify(const FleetAlert &alert) = 0;

signals:
    void clicked(const FleetAlert &alert);
};

// Turns what happens to the boxes into few alerts: events of one kind within
// kGatherSeconds become one alert, and a kind raises at most one alert in
// kQuietSeconds; what happens meanwhile waits for the next one.
class FleetAlerts : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FleetAlerts)

public:
    static constexpr int kGatherSeconds = 10;
    static constexpr int kQuietSeconds = 60;
    static constexpr int kNamesShown = 3;

    FleetAlerts(const MacGruoup &registry, FleetStatus &fleet, QObject *parent = nullptr);

    void setClock(const Clock &clock) { m_clock = &clock; }
    void setEnabled(FleetAlert::Kind kind, bool on);
    bool isEnabled(FleetAlert::Kind kind) const { return m_enabled[kind]; }

    // Raises the alerts whose time came; a timer calls it every second.
    void tick();

    // "37 boxes offline: 前台, 大厅左, 大厅右 and 34 more"
    static QString Text(FleetAlert::Kind kind, const QStringList &names);

signals:
    void raised(const FleetAlert &alert);

private:
    struct Pending
    {
        QStringList macs;
        qint64 firstAt = 0;
        qint64 lastRaised = -1;
    };
    void add(FleetAlert::Kind kind, const QString &mac);
    void onChanged(const QString &mac);
    qint64 now() const;

    const MacGruoup &m_registry;
    FleetStatus &m_fleet;
    const Clock *m_clock = &Clock::system();
    QTimer m_timer;
    std::array<bool, FleetAlert::KindCount> m_enabled{true, true, true, true, true};
    std::array<Pending, FleetAlert::KindCount> m_pending;
    // What each box's command and transfer were when last looked at.
    QHash<QString, QPair<FleetStatus::Result, FleetStatus::Transfer>> m_seen;
    // The boxes of the transfers running now, and those of them that are ready.
    QSet<QString> m_transferring;
    QStringList m_transferReady;
    bool m_transferFailed = false;
};
