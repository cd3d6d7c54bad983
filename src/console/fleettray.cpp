#include "fleettray.h"

#include "config/mainform.h"

#include <QAction>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QVariantMap>
#include <QWidget>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr qsizetype kShownMax = 64;

// A box drawn in the fleet's colour: green, or red while a box is offline.
QIcon fleetIcon(bool red)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(red ? QColor(0xc6, 0x28, 0x28) : QColor(0x2e, 0x7d, 0x32));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawRoundedRect(QRectF(3, 6, 26, 20), 4, 4);
    painter.drawLine(QPointF(10, 29), QPointF(22, 29));
    return QIcon(pixmap);
}

} // namespace

FleetTray::FleetTray(QWidget *mainWindow, QObject *parent)
    : QObject(parent), m_mainWindow(mainWindow), m_menu(std::make_unique<QMenu>())
{
    m_menu->setObjectName(QStringLiteral("pm_Tray"));
    m_showHide = m_menu->addAction(tr("显示/隐藏主窗口"));
    connect(m_showHide, &QAction::triggered, this, [this] {
        if (m_mainWindow->isVisible() && !m_mainWindow->isMinimized()) {
            m_mainWindow->hide();
        } else {
            m_mainWindow->showNormal();
            m_mainWindow->raise();
            m_mainWindow->activateWindow();
        }
    });
    connect(m_menu->addAction(tr("状态")), &QAction::triggered, this, &FleetTray::fleetStatusRequested);
    m_icon = std::make_unique<QSystemTrayIcon>(fleetIcon(false));
    m_icon->setContextMenu(m_menu.get());
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            m_showHide->trigger();
    });
}

FleetTray::~FleetTray() = default;

bool FleetTray::show()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_icon->show();
    return true;
}

void FleetTray::setSummary(const QString &summary, bool someOffline)
{
    m_icon->setToolTip(summary);
    if (someOffline != m_red) {
        m_red = someOffline;
        m_icon->setIcon(fleetIcon(m_red));
    }
}

TrayNotifier::TrayNotifier(QSystemTrayIcon &icon, QObject *parent) : AlertNotifier(parent), m_icon(icon)
{
    connect(&icon, &QSystemTrayIcon::messageClicked, this, [this] { emit clicked(m_last); });
}

void TrayNotifier::notify(const FleetAlert &alert)
{
    m_last = alert;
    const bool bad =
        alert.kind == FleetAlert::Offline || alert.kind == FleetAlert::Failed || alert.kind == FleetAlert::NoAnswer;
    m_icon.showMessage(QString::fromLatin1(kMainWindowTitle), alert.text,
                       bad ? QSystemTrayIcon::Warning : QSystemTrayIcon::Information);
}

DesktopBusNotifier::DesktopBusNotifier(const QDBusConnection &bus, QObject *parent) : AlertNotifier(parent), m_bus(bus)
{
    m_bus.connect(kService, kPath, kService, QStringLiteral("ActionInvoked"), this,
                  SLOT(onActionInvoked(uint, QString)));
    m_bus.connect(kService, kPath, kService, QStringLiteral("NotificationClosed"), this, SLOT(onClosed(uint, uint)));
}

bool DesktopBusNotifier::available(const QDBusConnection &bus)
{
    return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
}

void DesktopBusNotifier::notify(const FleetAlert &alert)
{
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const bool bad =
        alert.kind == FleetAlert::Offline || alert.kind == FleetAlert::Failed || alert.kind == FleetAlert::NoAnswer;
    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"), QVariant::fromValue(uchar(bad ? 2 : 1)));
    call << QString::fromLatin1(kMainWindowTitle) << uint(0) << QString()
         << QString::fromLatin1(kMainWindowTitle)
         // The body is read as markup by most desktops: names and MACs from
         // boxes are shown as the text they are.
         << alert.text.toHtmlEscaped() << QStringList{QStringLiteral("default"), tr("状态")} << hints << int(-1);
    // The window thread does not wait for the desktop: the answer (the
    // notification's number) comes back as an event.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, alert](QDBusPendingCallWatcher *w) {
        const QDBusPendingReply<uint> reply = *w;
        w->deleteLater();
        if (reply.isError()) {
            qWarning("The desktop did not show an alert: %s", qPrintable(reply.error().message()));
            return;
        }
        // Services that never say a notification closed do not make this grow.
        if (m_shown.size() >= kShownMax)
            m_shown.erase(m_shown.begin());
        m_shown.insert(reply.value(), alert);
    });
}

void DesktopBusNotifier::onActionInvoked(uint id, const QString &)
{
    const auto it = m_shown.constFind(id);
    if (it != m_shown.constEnd())
        emit clicked(*it);
}

void DesktopBusNotifier::onClosed(uint id, uint)
{
    m_shown.remove(id);
}

std::unique_ptr<AlertNotifier> DesktopNotifier(FleetTray &tray, const QDBusConnection &bus)
{
    if (tray.show())
        return std::make_unique<TrayNotifier>(*tray.icon());
    if (DesktopBusNotifier::available(bus))
        return std::make_unique<DesktopBusNotifier>(bus);
    return nullptr;
}
