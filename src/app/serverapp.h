#pragma once

#include "config/appcontext.h"
#include "config/contentservice.h"
#include "config/forms.h"
#include "handover.h"
#include "link/alerts.h"
#include "link/boxserver.h"
#include "link/cmd.h"
#include "link/fleetstatus.h"
#include "link/history.h"
#include "link/metrics.h"
#include "link/serverdb.h"
#include "registry/MacGroup.h"
#include "schedule/playlist.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class FleetTray;
class QComboBox;
class SignalBridge;

// The server process: its process-wide objects, its eleven windows created in
// their fixed order, the message loop, and the restart.
class ServerApp : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ServerApp)

public:
    ServerApp(const StartupOptions &options, Prompter &prompter,
              const QString &contentLibrary = ContentService::defaultLibraryPath(), QObject *parent = nullptr);
    ~ServerApp() override;

    // Creates the windows. False when start-up ended before the message loop:
    // the error was shown (exit code 1) or the operator cancelled (exit code 0).
    bool start();

    // Shows the main window and runs the message loop until it closes, then
    // saves the registry (unless a new copy took over). 0, or 1 when the
    // registry could not be saved.
    int exec();

    // Saves what a new copy reads, closes the ports and starts the new copy;
    // this copy ends when the new one listens, or opens its ports again and
    // says why when it does not.
    void restart();
    const RestartHandover &handover() const { return m_handover; }
    ServerDatabase &database() { return m_database; }
    FleetAlerts &alerts() { return m_alerts; }
    // Every store, service and window of the program reads this clock from
    // now on (the machine's until then); it must outlive the program object.
    void setClock(const Clock &clock);
    FleetTray *tray() const { return m_tray.get(); }
    // Where alerts go instead of the desktop's tray or notification service;
    // set before start().
    void setAlertNotifier(AlertNotifier *notifier) { m_notifier = notifier; }
    // The D-Bus connection (by name) the desktop's notification service is
    // looked for on, instead of the session bus; set before start().
    void setDesktopBus(const QString &connectionName) { m_desktopBus = connectionName; }

    int exitCode() const { return m_exitCode; }
    // "zh" or "en": the language this run shows.
    const QString &language() const { return m_language; }
    AppContext &context() { return m_context; }
    Forms &forms() { return m_forms; }

private:
    void destroyWindows();
    // Opens the history database and shows what it holds; asks whether the
    // schedule draft is to be restored.
    void openDatabase(bool ask);
    // Joins what one window announces to the window that acts on it.
    void wireWindows();
    // Writes the queued history; false, with the operator told, when rows
    // could not be written.
    bool flushHistory();
    // Keeps the working schedule lists as a draft when they changed.
    void saveDraftIfChanged();
    // The monitoring listener, when the settings name one; false when it
    // could not listen.
    bool startMetrics();
    void publishMetrics();
    // The tray icon, and where alerts go: the switches Deploy.ini holds.
    void startAlerts();
    // The new copy could not take over: the ports open again, the operator is told.
    void restartFailed(const QString &reason);
    // In a copy started by a restart: reports to the old copy whether both
    // ports listen. False when they do not.
    bool reportReady(const QStringList &startProblems);
    // Tells the content service which boxes may upload, and which files.
    void publishUploadPermits();
    // What MacGroup.ini holds of the registry now, to see whether it changed.
    QString registryImage() const;
    // Writes MacGroup.ini when what it holds changed since the last write.
    void saveRegistryIfChanged();
    // False when the registry file could not be written; the operator was told.
    bool saveRegistry();

    // Process-wide objects, created before the first window and destroyed
    // after the last.
    MacGruoup m_registry;
    CommandHistory m_history;
    ServerDatabase m_database; // written until the stores above are gone
    Cmd_API m_cmd;
    FleetStatus m_fleet;
    FleetAlerts m_alerts;
    BoxServer m_boxServer;
    TPlayList m_schedules;
    AppContext m_context;
    ContentService m_content;
    Forms m_forms;
    std::unique_ptr<SignalBridge> m_signals;
    std::unique_ptr<FleetTray> m_tray;
    std::unique_ptr<AlertNotifier> m_desktopNotifier;
    AlertNotifier *m_notifier = nullptr;
    QString m_desktopBus; // a connection's name; empty: the session bus
    // Follows a notification service or a tray that comes or goes.
    void chooseDesktopNotifier();
    void keepChosenGroup(const Forms::PickList &pick, const char *key);
    QTimer m_permitTimer;                         // gathers the changes of one event into one publication
    static constexpr int kRegistryLookMs = 100;   // how often the registry is compared
    static constexpr int kRegistryWriteMs = 1000; // at most one write in this time
    QTimer m_registryTimer;                       // looks whether the registry changed
    QElapsedTimer m_registryWritten;
    QTimer m_draftTimer;     // looks once a second whether the schedule lists changed
    QString m_savedImage;    // the registry as MacGroup.ini last held it
    QString m_failedImage;   // a registry that could not be written, told once
    QByteArray m_savedDraft; // the schedule lists as the database last held them
    FleetCounters m_counters;
    QTimer m_metricsTimer;                           // publishes the metrics snapshot once a second
    qint64 m_oldestHistoryId = 0;                    // the oldest history row shown
    std::optional<CommandHistory::Row> m_oldestKept; // after rows were let go: the oldest kept
    int m_pageTicket = 0;                            // the page of older rows asked for, 0 when none
    RestartHandover m_handover;
    bool m_handedOver = false; // a new copy owns the ports and the stored files
    int m_exitCode = 0;
    QString m_language;
    bool m_closedBySignal = false; // no person is there to read a message
};
