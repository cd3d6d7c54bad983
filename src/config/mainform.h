#pragma once

#include "base/messages.h"
#include "registry/boxchange.h"
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>

class CalendarWindow;
class FleetWindow;
struct FleetAlert;
class QComboBox;
class QLabel;
class QToolButton;
class ScheduleEditor;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm1;
}

// Main window: the top bar that opens every other window, and the frame the
// schedule editor lives in. Building it loads the settings and starts the
// content service; it throws StartupError when start-up cannot go on.
class TForm1 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm1)

public:
    static constexpr int kDefaultWidth = 1260;
    static constexpr int kDefaultHeight = 720;
    static constexpr int kBoxListMinWidth = 285;
    // The box lists follow heartbeats at most this often.
    static constexpr int kListRefreshMs = 200;

    TForm1(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm1() override;

    // The box pick list: the group chooser and its boxes.
    QComboBox *pickGroups() const;
    QTreeWidget *pickBoxes() const;

    // Rebuilds the schedule list from the store.
    void RefreshSchdList();
    ScheduleEditor *editor() const { return m_editor; }
    FleetWindow *fleetWindow() const { return m_fleetWindow.get(); }
    CalendarWindow *calendarWindow() const { return m_calendarWindow.get(); }
    // Opens the fleet status window on the boxes an alert is about.
    void showFleetAlert(const FleetAlert &alert);
    // True while box changes wait for the next refresh of the lists.
    bool listsPending() const { return m_listRefresh && m_listRefresh->isActive(); }

signals:
    // The operator (or a termination signal) closed the main window.
    void closed();
    // The top bar's buttons: the operator asks for a window.
    void groupsRequested();
    void boxesRequested();
    void historyRequested();
    void ftpFilesRequested();
    void fileSystemRequested();
    void setupRequested();
    // Boxes heard or gone silent since the last refresh, in order; newBox:
    // the registry took in a box. Box lists of other windows follow.
    void boxesChanged(const QList<BoxLists::BoxChange> &changes, bool newBox);
    // The box lists of every window show the boxes' latest state.
    void listsRefreshed();
    // The fleet's summary line changed; someOffline: a box is offline.
    void fleetSummaryChanged(const QString &summary, bool someOffline);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void sb_FtpFileClick();
    void sb_FilestyleClick();
    void Timer1Timer();
    // Every list that shows the box follows a heartbeat or its silence.
    void boxHeard(const QString &mac, int result);
    void boxesSilent(const QList<int> &silent);
    void scheduleListRefresh();
    void refreshChangedBoxes();
    void updateFleetSummary();

    std::unique_ptr<Ui::TForm1> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QTimer *m_timer1 = nullptr;
    QTimer *m_listRefresh = nullptr;
    QToolButton *m_sbFleetStatus = nullptr;
    QLabel *m_fleetSummary = nullptr;
    std::unique_ptr<FleetWindow> m_fleetWindow;
    QToolButton *m_sbCalendar = nullptr;
    std::unique_ptr<CalendarWindow> m_calendarWindow;
    // What happened to the boxes since the lists were last refreshed, in order.
    QList<BoxLists::BoxChange> m_boxEvents;
    QSet<QString> m_heardPending; // heard since their last silence
    bool m_newBoxSeen = false;
    ScheduleEditor *m_editor = nullptr;
};
