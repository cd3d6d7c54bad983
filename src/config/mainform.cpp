#include "mainform.h"

#include "ui_mainform.h"

#include "appcontext.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "contentservice.h"
#include "forms.h"
#include "link/boxserver.h"
#include "link/cmd.h"
#include "link/fleetmodel.h"
#include "link/fleetstatus.h"
#include "registry/MacGroup.h"
#include "schedule/scheduleeditor.h"

#include "../console/boxlists.h"
#include "../console/calendarwindow.h"
#include "../console/fleetwindow.h"
#include "../console/picklists.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLockFile>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kOfflineCheckMs = 10000;

void showWindow(QWidget *window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

TForm1::TForm1(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm1>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    // Opens so that a MAC, a box name and a file name read whole on a
    // 1280×800 screen; the box list never shrinks below a MAC's width.
    resize(kDefaultWidth, kDefaultHeight);
    m_ui->gb_BoxList->setMinimumWidth(kBoxListMinWidth);
    // The fleet status button follows the six, and the fleet's summary
    // stands beside them.
    m_sbFleetStatus = new QToolButton(m_ui->Panel1);
    m_sbFleetStatus->setObjectName(QStringLiteral("sbFleetStatus"));
    m_sbFleetStatus->setText(tr("状态"));
    m_ui->panelLayout->insertWidget(m_ui->panelLayout->indexOf(m_ui->sbDeploy) + 1, m_sbFleetStatus);
    // The calendar follows it.
    m_sbCalendar = new QToolButton(m_ui->Panel1);
    m_sbCalendar->setObjectName(QStringLiteral("sbCalendar"));
    m_sbCalendar->setText(tr("日历"));
    m_ui->panelLayout->insertWidget(m_ui->panelLayout->indexOf(m_sbFleetStatus) + 1, m_sbCalendar);
    m_fleetSummary = new QLabel(m_ui->Panel1);
    m_fleetSummary->setObjectName(QStringLiteral("lb_FleetSummary"));
    m_ui->panelLayout->insertWidget(m_ui->panelLayout->indexOf(m_sbCalendar) + 1, m_fleetSummary);
    m_ui->ver->setText(QString::fromLatin1(kVersionText));

    QString error;
    switch (LoadServerSettings(m_context.settings, m_context.options, *m_context.prompter, &error)) {
    case LoadResult::Ok:
        break;
    case LoadResult::Cancelled:
        throw StartupError{QString(), true};
    case LoadResult::FolderFailed:
        throw StartupError{error, false};
    }
    // Two copies on one content folder would both write the registry and
    // the history: the second one ends here, before it takes anything.
    m_context.contentLock = LockContentFolder(m_context.settings.contentRoot, &error);
    if (!m_context.contentLock) {
        qCritical("%s", qPrintable(error));
        throw StartupError{error, false};
    }

    if (m_context.content) {
        const auto result = m_context.content->start(m_context.contentLibrary, m_context.settings, this);
        if (result == ContentService::Started) {
            qInfo("Content service listening on port %d", m_context.settings.servicePort);
        } else {
            qWarning("Content service did not start (%d)", int(result));
            m_context.prompter->error(windowTitle(), Msg::tr(Msg::ServerStartFailed));
        }
    }

    // The content library and the schedule editor.
    m_editor = new ScheduleEditor(m_context, m_forms, m_ui->editorArea);
    auto *editorLayout = new QVBoxLayout(m_ui->editorArea);
    editorLayout->setContentsMargins(0, 0, 0, 0);
    editorLayout->addWidget(m_editor);
    m_editor->setBoxList(m_ui->lv_OnlineBox);
    m_editor->fillLibrary();
    BoxLists::onHeaderClick(m_ui->lv_OnlineBox, this, [this](int column) {
        // The state column lists "Online" first.
        BoxLists::sortRows(m_ui->lv_OnlineBox, column, column == 2);
    });

    if (m_context.boxServer && !m_context.boxServer->listen(quint16(m_context.settings.boxPort))) {
        const QString reason = m_context.boxServer->errorString();
        qWarning("Cannot listen for boxes on port %d: %s", m_context.settings.boxPort, qPrintable(reason));
        m_context.prompter->error(
            windowTitle(), Msg::tr(Msg::CannotListenForBoxes).arg(QString::number(m_context.settings.boxPort), reason));
    }
    if (m_context.cmd) {
        connect(m_context.cmd, &Cmd_API::boxMerged, this, &TForm1::boxHeard);
    }
    if (m_context.registry) {
        BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh);
        connect(m_ui->cb_Group, &QComboBox::activated, this,
                [this] { BoxLists::ShowChosenGroup(pickGroups(), pickBoxes(), *m_context.registry); });
    }

    m_listRefresh = new QTimer(this);
    m_listRefresh->setSingleShot(true);
    m_listRefresh->setInterval(kListRefreshMs);
    connect(m_listRefresh, &QTimer::timeout, this, &TForm1::refreshChangedBoxes);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kOfflineCheckMs);
    connect(m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    m_timer1->start();

    connect(m_ui->sbGroup, &QToolButton::clicked, this, &TForm1::groupsRequested);
    connect(m_ui->sbBoxManagement, &QToolButton::clicked, this, &TForm1::boxesRequested);
    connect(m_ui->sb_CMDPrompt, &QToolButton::clicked, this, &TForm1::historyRequested);
    connect(m_ui->sb_FtpFile, &QToolButton::clicked, this, &TForm1::sb_FtpFileClick);
    connect(m_ui->sb_Filestyle, &QToolButton::clicked, this, &TForm1::sb_FilestyleClick);
    connect(m_ui->sbDeploy, &QToolButton::clicked, this, &TForm1::setupRequested);
    if (m_context.fleet && m_context.registry) {
        m_fleetWindow = std::make_unique<FleetWindow>(m_context);
        // From the top bar the window shows every box, whatever alert it showed last.
        connect(m_sbFleetStatus, &QToolButton::clicked, this, [this] {
            m_fleetWindow->showAllBoxes();
            showWindow(m_fleetWindow.get());
        });
        m_calendarWindow = std::make_unique<CalendarWindow>(m_context);
        connect(m_sbCalendar, &QToolButton::clicked, this, [this] { showWindow(m_calendarWindow.get()); });
        connect(m_context.fleet, &FleetStatus::changed, this, &TForm1::scheduleListRefresh);
        updateFleetSummary();
    }
}

void TForm1::updateFleetSummary()
{
    const MacGruoup &registry = *m_context.registry;
    const QString summary = FleetSummary(registry, *m_context.fleet);
    if (summary == m_fleetSummary->text())
        return;
    m_fleetSummary->setText(summary);
    int online = 0;
    for (int slot = 0; slot < registry.BoxCount(); ++slot)
        online += registry.Box(slot).Online == 1;
    emit fleetSummaryChanged(summary, online < registry.BoxCount());
}

void TForm1::showFleetAlert(const FleetAlert &alert)
{
    if (!m_fleetWindow)
        return;
    showWindow(m_fleetWindow.get());
    m_fleetWindow->showAlert(alert);
}

TForm1::~TForm1() = default;

QComboBox *TForm1::pickGroups() const
{
    return m_ui->cb_Group;
}

QTreeWidget *TForm1::pickBoxes() const
{
    return m_ui->lv_OnlineBox;
}

void TForm1::RefreshSchdList()
{
    m_editor->RefreshSchdList();
}

void TForm1::boxHeard(const QString &mac, int result)
{
    // Only the first heartbeat since the box was last silent changes where
    // its rows stand; later ones change texts, which the refresh reads
    // from the registry anyway.
    if (!m_heardPending.contains(mac)) {
        m_heardPending.insert(mac);
        m_boxEvents.append({mac, true});
    }
    m_newBoxSeen = m_newBoxSeen || result == RES_NEWBOX;
    scheduleListRefresh();
}

void TForm1::boxesSilent(const QList<int> &silent)
{
    for (int slot : silent) {
        const QString mac = m_context.registry->Box(slot).MacAdd;
        m_heardPending.remove(mac);
        m_boxEvents.append({mac, false});
    }
    if (!silent.isEmpty())
        scheduleListRefresh();
}

void TForm1::scheduleListRefresh()
{
    // A burst of heartbeats (a fleet reconnecting) must not redraw every
    // list for every message: the changes are kept in order and the lists
    // follow at most every refresh period, ending exactly as they would have
    // one message at a time.
    if (!m_listRefresh->isActive())
        m_listRefresh->start();
}

void TForm1::refreshChangedBoxes()
{
    const MacGruoup &registry = *m_context.registry;
    const QList<BoxLists::BoxChange> events = std::exchange(m_boxEvents, {});
    m_heardPending.clear();
    const bool newBox = std::exchange(m_newBoxSeen, false);
    for (const BoxLists::BoxChange &change : events) {
        // A box gone silent left the online lists then, even if it is back now.
        UpdatePickLists(m_forms, registry, PickAll, change.heard ? BoxLists::PickUpdateBox : BoxLists::PickRemoveBox,
                        change.mac);
    }
    emit boxesChanged(events, newBox);
    if (m_context.fleet) {
        updateFleetSummary();
        if (m_fleetWindow && m_fleetWindow->isVisible())
            m_fleetWindow->refresh();
    }
    emit listsRefreshed();
}

void TForm1::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

void TForm1::sb_FtpFileClick()
{
    UpdatePickLists(m_forms, *m_context.registry, PickFtpFiles, BoxLists::PickRefresh);
    emit ftpFilesRequested();
}

void TForm1::sb_FilestyleClick()
{
    UpdatePickLists(m_forms, *m_context.registry, PickFileSystem, BoxLists::PickRefresh);
    emit fileSystemRequested();
}

void TForm1::Timer1Timer()
{
    if (!m_context.registry)
        return;
    const QList<int> silent = m_context.registry->CheckOffline();
    if (m_context.fleet) {
        m_context.fleet->boxesWentOffline(silent);
        m_context.fleet->sweep();
    }
    boxesSilent(silent);
}
