#include "alerts.h"

#include "registry/MacGroup.h"

#include <QDateTime>

const char *FleetAlert::Key(Kind kind)
{
    switch (kind) {
    case Offline:
        return "OFFLINE";
    case Online:
        return "ONLINE";
    case NoAnswer:
        return "NO ANSWER";
    case Failed:
        return "FAILED";
    case Ready:
        return "READY";
    case KindCount:
        break;
    }
    return "";
}

FleetAlerts::FleetAlerts(const MacGruoup &registry, FleetStatus &fleet, QObject *parent)
    : QObject(parent), m_registry(registry), m_fleet(fleet)
{
    connect(&fleet, &FleetStatus::wentOffline, this, [this](const QString &mac) { add(FleetAlert::Offline, mac); });
    connect(&fleet, &FleetStatus::cameBack, this, [this](const QString &mac) { add(FleetAlert::Online, mac); });
    connect(&fleet, &FleetStatus::changed, this, &FleetAlerts::onChanged);
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &FleetAlerts::tick);
    m_timer.start();
}

qint64 FleetAlerts::now() const
{
    return m_clock->secsSinceEpoch();
}

void FleetAlerts::setEnabled(FleetAlert::Kind kind, bool on)
{
    m_enabled[kind] = on;
    if (!on)
        m_pending[kind].macs.clear();
}

void FleetAlerts::add(FleetAlert::Kind kind, const QString &mac)
{
    if (!m_enabled[kind])
        return;
    Pending &p = m_pending[kind];
    if (p.macs.contains(mac))
        return;
    if (p.macs.isEmpty())
        p.firstAt = now();
    p.macs.append(mac);
}

void FleetAlerts::onChanged(const QString &mac)
{
    if (mac.isEmpty()) {
        // Many boxes changed at once (states restored from an earlier run):
        // what they hold now is where changes count from, and a command left
        // waiting by that run was already past its answer.
        m_seen.clear();
        for (const QString &box : m_fleet.macs()) {
            const FleetStatus::BoxStatus s = m_fleet.status(box);
            m_seen.insert(
                box, {s.result == FleetStatus::Result::Waiting ? FleetStatus::Result::NoAnswer : s.result, s.transfer});
        }
        return;
    }
    const FleetStatus::BoxStatus box = m_fleet.status(mac);
    const auto seen = m_seen.value(mac, {FleetStatus::Result::None, FleetStatus::Transfer::None});
    m_seen.insert(mac, {box.result, box.transfer});
    const bool commandFailed = box.result == FleetStatus::Result::Failed && seen.first != box.result;
    const bool transferFailed = box.transfer == FleetStatus::Transfer::Failed && seen.second != box.transfer;
    if (box.result == FleetStatus::Result::NoAnswer && seen.first != box.result)
        add(FleetAlert::NoAnswer, mac);
    if (commandFailed || transferFailed)
        add(FleetAlert::Failed, mac);

    // A transfer is ready when every box that took part in it is.
    if (box.transfer == FleetStatus::Transfer::InProgress) {
        if (m_transferring.isEmpty() && m_transferReady.isEmpty())
            m_transferFailed = false;
        m_transferring.insert(mac);
        m_transferReady.removeAll(mac);
        return;
    }
    if (!m_transferring.remove(mac))
        return;
    if (box.transfer == FleetStatus::Transfer::Ready)
        m_transferReady.append(mac);
    else
        m_transferFailed = true;
    if (!m_transferring.isEmpty())
        return;
    if (!m_transferFailed) {
        for (const QString &ready : std::as_const(m_transferReady))
            add(FleetAlert::Ready, ready);
    }
    m_transferReady.clear();
    m_transferFailed = false;
}

void FleetAlerts::tick()
{
    const qint64 t = now();
    for (int k = 0; k < FleetAlert::KindCount; ++k) {
        Pending &p = m_pending[k];
        if (p.macs.isEmpty() || t - p.firstAt < kGatherSeconds ||
            (p.lastRaised >= 0 && t - p.lastRaised < kQuietSeconds))
            continue;
        FleetAlert alert;
        alert.kind = FleetAlert::Kind(k);
        alert.macs = std::exchange(p.macs, {});
        p.lastRaised = t;
        for (const QString &mac : std::as_const(alert.macs)) {
            int slot = -1;
            QString name;
            if (m_registry.FindBox(mac, &slot) == RES_FOUND)
                name = m_registry.Box(slot).ClientName;
            alert.names.append(name.isEmpty() ? mac : name);
        }
        alert.text = Text(alert.kind, alert.names);
        emit raised(alert);
    }
}

QString FleetAlerts::Text(FleetAlert::Kind kind, const QStringList &names)
{
    const qsizetype count = names.size();
    QString list = names.mid(0, kNamesShown).join(QStringLiteral(", "));
    if (count > kNamesShown)
        list += tr(" and %1 more").arg(count - kNamesShown);
    const QString boxes = count == 1 ? tr("1 box") : tr("%1 boxes").arg(count);
    switch (kind) {
    case FleetAlert::Offline:
        return tr("%1 offline: %2").arg(boxes, list);
    case FleetAlert::Online:
        return tr("%1 back online: %2").arg(boxes, list);
    case FleetAlert::NoAnswer:
        return tr("No answer within %1 s from %2: %3").arg(FleetStatus::kAnswerSeconds).arg(boxes, list);
    case FleetAlert::Failed:
        return tr("Command or transfer failed on %1: %2").arg(boxes, list);
    case FleetAlert::Ready:
        return (count == 1 ? tr("Transfer ready on %1: %2") : tr("Transfer ready on all %1: %2")).arg(boxes, list);
    case FleetAlert::KindCount:
        break;
    }
    return QString();
}
