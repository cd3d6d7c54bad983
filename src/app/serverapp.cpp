#include "serverapp.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "base/signalbridge.h"
#include "config/inifile.h"
#include "config/language.h"
#include "config/mainform.h"

#include "console/boxMag.h"
#include "console/boxlists.h"
#include "console/calendarwindow.h"
#include "console/cmdhistory.h"
#include "console/deploymanage.h"
#include "console/downloadlist.h"
#include "console/filesystem.h"
#include "console/fleettray.h"
#include "console/fleetwindow.h"
#include "console/group.h"
#include "console/picklists.h"
#include "console/schdlist.h"
#include "ftp/ftpFastconnect.h"
#include "ftp/ftpList.h"
#include "ftp/ftpfile.h"
#include "link/fleetmodel.h"
#include "schedule/scheduleeditor.h"

#include <QApplication>
#include <QComboBox>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QHostAddress>
#include <QLockFile>
#include <QScopeGuard>
#include <QToolButton>

namespace {

// A copy started by a restart has nobody to answer its questions until the
// old copy hands over: what it would have said goes back to the old copy,
// and a question it would have asked ends its start.
class ReportingPrompter : public Prompter
{
public:
    QStringList said;

    Button message(const QString &, const QString &text, Buttons, Icon) override
    {
        said.append(text);
        return Button::Cancel;
    }
    std::optional<QString> input(const QString &, const QString &prompt, const QString &) override
    {
        said.append(QStringLiteral("it asked \"%1\"").arg(prompt));
        return {};
    }
    std::optional<quint32> colour(const QString &, quint32) override { return {}; }
    std::optional<QString> openFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> saveFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseFolder(const QString &title, const QString &) override
    {
        said.append(QStringLiteral("it asked for %1").arg(title));
        return {};
    }
};

} // namespace

ServerApp::ServerApp(const StartupOptions &options, Prompter &prompter, const QString &contentLibrary, QObject *parent)
    : QObject(parent), m_cmd(m_registry, &m_history), m_fleet(m_registry, m_cmd), m_alerts(m_registry, m_fleet)
{
    // Without TZ the C library looks at /etc/localtime again for every local
    // time it converts (each box clock, each log line, each history row);
    // naming the file once lets it keep what it read.
    if (qEnvironmentVariableIsEmpty("TZ") && QFileInfo::exists(QStringLiteral("/etc/localtime")))
        qputenv("TZ", ":/etc/localtime");
    m_context.registry = &m_registry;
    m_context.history = &m_history;
    m_context.cmd = &m_cmd;
    m_context.fleet = &m_fleet;
    m_context.alerts = &m_alerts;
    m_context.database = &m_database;
    m_context.boxServer = &m_boxServer;
    m_context.schedules = &m_schedules;
    m_context.options = options;
    m_context.prompter = &prompter;
    m_context.content = &m_content;
    m_context.contentLibrary = contentLibrary;
    m_context.restartProgram = QCoreApplication::applicationFilePath();
    m_context.restartArguments = RestartHandover::withoutReadyOption(QCoreApplication::arguments().mid(1));
    m_context.restart = [this] { restart(); };
    connect(&m_handover, &RestartHandover::succeeded, this, [this] {
        m_handedOver = true;
        qInfo("A new copy listens on the ports; this one ends");
        if (m_forms.form1)
            m_forms.form1->close();
    });
    connect(&m_handover, &RestartHandover::failed, this, &ServerApp::restartFailed);
    connect(&m_content, &ContentService::logLine, this,
            [](const QString &line) { qInfo("content service: %s", qPrintable(line)); });
}

ServerApp::~ServerApp()
{
    destroyWindows();
}

bool ServerApp::start()
{
    // Started by a restart: nothing is shown before the old copy hands over.
    Prompter *operatorPrompter = m_context.prompter;
    ReportingPrompter reporting;
    const bool handingOver = m_context.options.readyFd >= 0;
    if (handingOver)
        m_context.prompter = &reporting;
    const QString deployFile =
        m_context.options.deployFile.isEmpty() ? DefaultDeployFile() : m_context.options.deployFile;
    m_language = ChosenLanguage(m_context.options.language, deployFile);
    if (!UseLanguage(m_language))
        qWarning("The English texts cannot be loaded; the windows show the Chinese ones");
    try {
        m_forms.form1 = new TForm1(m_context, m_forms);
        m_forms.pickLists.append({PickMain, m_forms.form1->pickGroups(), m_forms.form1->pickBoxes()});
        keepChosenGroup(m_forms.pickLists.last(), "MAIN");
        m_forms.form2 = new TForm2(m_context, m_forms);
        m_forms.form3 = new TForm3(m_context, m_forms);
        m_forms.form4 = new TForm4(m_context, m_forms);
        m_forms.form5 = new TForm5(m_context, m_forms);
        m_forms.form6 = new TForm6(m_context, m_forms);
        m_forms.form7 = new TForm7(m_context, m_forms);
        m_forms.pickLists.append({PickFtpFiles, m_forms.form7->pickGroups(), m_forms.form7->pickBoxes()});
        keepChosenGroup(m_forms.pickLists.last(), "FTP FILES");
        m_forms.form8 = new TForm8(m_context, m_forms);
        m_forms.form9 = new TForm9(m_context, m_forms);
        m_forms.form10 = new TForm10(m_context, m_forms);
        m_forms.pickLists.append({PickFileSystem, m_forms.form10->pickGroups(), m_forms.form10->pickBoxes()});
        keepChosenGroup(m_forms.pickLists.last(), "FILE SYSTEM");
        m_forms.form11 = new TForm11(m_context, m_forms);
    } catch (const StartupError &error) {
        destroyWindows();
        m_context.prompter = operatorPrompter;
        if (handingOver) {
            if (!error.message.isEmpty())
                reporting.said.append(error.message);
            reportReady(reporting.said);
            m_exitCode = 1;
            return false;
        }
        if (error.cancelled) {
            m_exitCode = 0;
        } else {
            m_context.prompter->error(QString::fromLatin1(kMainWindowTitle), error.message);
            m_exitCode = 1;
        }
        return false;
    }
    m_context.prompter = operatorPrompter;
    wireWindows();
    if (handingOver && !reportReady(reporting.said)) {
        destroyWindows();
        m_exitCode = 1;
        return false;
    }
    openDatabase(!handingOver);
    connect(&m_cmd, &Cmd_API::commandSent, this, [this] { ++m_counters.commandsSent; });
    connect(&m_cmd, &Cmd_API::replyClassified, this,
            [this](const QString &, int, int klass) { ++m_counters.repliesByClass[klass]; });
    m_counters.version = QString::fromLatin1(kVersionText);
    m_metricsTimer.setInterval(1000);
    connect(&m_metricsTimer, &QTimer::timeout, this, &ServerApp::publishMetrics);
    if (!m_context.settings.metricsListen.isEmpty() && !startMetrics()) {
        const QString message = Msg::tr(Msg::MetricsNotListening).arg(m_context.settings.metricsListen);
        qCritical("ERR %s", qPrintable(message));
        m_cmd.LogEvent(message, 0, LogLevel::ERR);
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), message);
    }
    startAlerts();
    connect(m_forms.form1, &TForm1::closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_permitTimer.setSingleShot(true);
    m_permitTimer.setInterval(0);
    connect(&m_permitTimer, &QTimer::timeout, this, &ServerApp::publishUploadPermits);
    const auto republish = [this] { m_permitTimer.start(); };
    connect(&m_cmd, &Cmd_API::mapChanged, this, republish);
    // A box the registry takes in, or one at a new address; refused
    // heartbeats change nothing a permit rests on.
    connect(&m_cmd, &Cmd_API::boxMerged, this, [republish](const QString &, int result) {
        if (result == RES_NEWBOX || result == RES_FOUND)
            republish();
    });
    connect(m_forms.form11, &TForm11::runningChanged, this, republish);
    publishUploadPermits();
    // A box named, moved or first seen is on disk at once, and within a
    // second when the file was written less than a second ago, not only at
    // exit: a crash or a power cut loses nothing the operator did.
    m_savedImage = registryImage();
    m_registryTimer.setParent(this);
    m_registryTimer.setObjectName(QStringLiteral("RegistrySaver"));
    m_registryTimer.setInterval(kRegistryLookMs);
    connect(&m_registryTimer, &QTimer::timeout, this, &ServerApp::saveRegistryIfChanged);
    m_registryTimer.start();
    m_draftTimer.setInterval(1000);
    connect(&m_draftTimer, &QTimer::timeout, this, &ServerApp::saveDraftIfChanged);
    m_draftTimer.start();
    m_signals = std::make_unique<SignalBridge>();
    connect(m_signals.get(), &SignalBridge::terminationRequested, m_forms.form1, [this] {
        m_closedBySignal = true;
        m_forms.form1->close();
    });
    return true;
}

int ServerApp::exec()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_forms.form1->show();
    QApplication::exec();
    m_signals.reset();
    // After a handover the stored files are the new copy's: this one saved
    // them before it started the new one.
    m_exitCode = m_handedOver || saveRegistry() ? 0 : 1;
    if (!m_handedOver)
        saveDraftIfChanged();
    if (!flushHistory() && m_exitCode == 0)
        m_exitCode = 1;
    destroyWindows();
    m_content.stop();
    return m_exitCode;
}

void ServerApp::setClock(const Clock &clock)
{
    m_context.clock = &clock;
    m_registry.setClock(clock);
    m_database.setClock(clock);
    m_cmd.setClock(clock);
    m_history.setClock(clock);
    m_fleet.setClock(clock);
    m_alerts.setClock(clock);
    if (TForm1 *main = m_forms.form1) {
        if (main->fleetWindow())
            main->fleetWindow()->model()->setClock(clock);
        if (main->calendarWindow())
            main->calendarWindow()->setClock(clock);
    }
    if (m_forms.form11)
        m_forms.form11->setClock(clock);
}

void ServerApp::wireWindows()
{
    // Windows announce what happened; they are joined here, never to each other.
    const auto raise = [](QWidget *window) {
        window->show();
        window->raise();
        window->activateWindow();
    };
    TForm1 *main = m_forms.form1;
    connect(main, &TForm1::groupsRequested, m_forms.form2, [this, raise] {
        m_forms.form2->refill();
        m_forms.form3->refill();
        raise(m_forms.form2);
    });
    connect(main, &TForm1::boxesRequested, m_forms.form3, [this, raise] {
        m_forms.form3->refill();
        m_forms.form3->SetImageFolder(m_context.settings.binDir);
        raise(m_forms.form3);
    });
    connect(main, &TForm1::historyRequested, m_forms.form6, [this, raise] { raise(m_forms.form6); });
    connect(main, &TForm1::ftpFilesRequested, m_forms.form7, [this, raise] { raise(m_forms.form7); });
    connect(main, &TForm1::fileSystemRequested, m_forms.form10, [this, raise] { raise(m_forms.form10); });
    connect(main, &TForm1::setupRequested, m_forms.form5, [this, raise] {
        m_forms.form5->FillFromDeploy();
        raise(m_forms.form5);
    });
    connect(main, &TForm1::boxesChanged, m_forms.form2, &TForm2::followBoxes);
    connect(main, &TForm1::boxesChanged, m_forms.form3,
            [this](const QList<BoxLists::BoxChange> &changes) { m_forms.form3->followBoxes(changes); });
    connect(m_forms.form4, &TForm4::schedulesChanged, main, &TForm1::RefreshSchdList);
    connect(m_forms.form2, &TForm2::boxListStale, m_forms.form3, &TForm3::refill);
    connect(m_forms.form2, &TForm2::boxRenamed, m_forms.form3, &TForm3::RenameBoxPage);
    ScheduleEditor *editor = m_forms.form1->editor();
    connect(editor, &ScheduleEditor::scheduleListRequested, m_forms.form4, &QWidget::show);
    connect(editor, &ScheduleEditor::allSchedulesRequested, m_forms.form4, [this] {
        m_forms.form4->OpenAllBoxes();
        m_forms.form4->show();
    });
    connect(editor, &ScheduleEditor::transferRequested, m_forms.form4,
            [this](const QList<sBoxInfo> &boxes, const QString &command) {
                m_forms.form4->OpenForTransfer(boxes, command);
                m_forms.form4->show();
            });
    connect(m_forms.form3, &TForm3::boxTakenOffline, m_forms.form2, &TForm2::followBox);
    connect(m_forms.form10, &TForm10::uploadRequested, m_forms.form11, &TForm11::AddTask);
    connect(m_forms.form10, &TForm10::downloadViewRequested, m_forms.form11, [this, raise] { raise(m_forms.form11); });
    connect(m_forms.form7, &TForm7::fastConnectRequested, m_forms.form8, [this, raise] {
        m_forms.form8->ResetFields();
        raise(m_forms.form8);
    });
    connect(m_forms.form8, &TForm8::connectRequested, m_forms.form7, &TForm7::ConnectAccount);
    connect(m_forms.form7, &TForm7::planRequested, m_forms.form9,
            [this, raise](const QList<FtpScheduleRow> &rows, const QList<BoxBasicInfo> &boxes) {
                m_forms.form9->LoadPlan(rows, boxes);
                raise(m_forms.form9);
            });
    connect(m_forms.form8, &TForm8::accountSaved, m_forms.form7, &TForm7::AddAccountHistory);
    connect(m_forms.form11, &TForm11::fileArrived, m_forms.form10,
            [this](const QString &name, const QString &clientName, const QString &mac, const QString &path) {
                m_forms.form10->AddFileRow(name, clientName, mac, path);
            });
}

bool ServerApp::flushHistory()
{
    if (!m_database.isOpen())
        return true;
    m_database.flush();
    const ServerDatabase::Unwritten left = m_database.unwritten();
    if (left.waiting == 0 && left.dropped == 0)
        return true;
    const QString message = QStringLiteral("%1 event history rows could not be written to %2 (%3)")
                                .arg(left.waiting + left.dropped)
                                .arg(m_context.settings.historyFile,
                                     left.error.isEmpty() ? QStringLiteral("no room to keep them") : left.error);
    qCritical("ERR %s", qPrintable(message));
    m_cmd.LogEvent(message, 0, LogLevel::ERR);
    if (m_forms.form1)
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), message);
    return false;
}

void ServerApp::openDatabase(bool ask)
{
    const ServerSettings &settings = m_context.settings;
    const ServerDatabase::OpenResult opened =
        m_database.open(settings.historyFile, settings.historyKeepDays, settings.historyKeepRows);
    if (!opened.ok || !opened.setAside.isEmpty() || opened.waiting) {
        const QString message =
            opened.waiting ? QStringLiteral("The history database %1 cannot be used now: %2. It is left as it is; "
                                            "this run's events are kept and written to it as soon as it can be.")
                                 .arg(settings.historyFile, opened.error)
            : opened.ok ? Msg::tr(Msg::HistorySetAside).arg(settings.historyFile, opened.error, opened.setAside)
                        : Msg::tr(Msg::HistoryNotOpened).arg(settings.historyFile, opened.error);
        qCritical("ERR %s", qPrintable(message));
        m_cmd.LogEvent(message, 0, LogLevel::ERR);
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), message);
    }
    if (!m_database.isOpen())
        return;

    // What the operator saw before: the newest rows of earlier runs as soon
    // as the database thread has them, older ones as the history window
    // scrolls down; the window thread never waits for them.
    m_oldestHistoryId = m_database.newestAtOpen() + 1;
    m_pageTicket = 0;
    connect(&m_database, &ServerDatabase::pageFinished, this,
            [this](int ticket, const QList<StoredHistoryRow> &stored) {
                if (ticket != m_pageTicket)
                    return;
                m_pageTicket = 0;
                QList<CommandHistory::Row> rows;
                for (const StoredHistoryRow &row : stored)
                    rows.append(row.row);
                m_oldestHistoryId = stored.size() < ServerDatabase::kPageRows ? -1 : stored.last().id;
                m_oldestKept.reset();
                m_history.appendOlder(rows);
                m_history.setHasOlder(m_oldestHistoryId > 0);
            });
    const auto page = [this] {
        if ((m_oldestHistoryId > 0 || m_oldestKept) && m_pageTicket == 0)
            m_pageTicket =
                m_database.requestPage(qMax<qint64>(0, m_oldestHistoryId), ServerDatabase::kPageRows, m_oldestKept);
        return QList<CommandHistory::Row>();
    };
    // Rows let go from memory are read back from the database, below the
    // oldest row kept.
    connect(&m_history, &CommandHistory::olderTrimmed, this, [this] {
        m_pageTicket = 0;
        m_oldestHistoryId = 0;
        m_oldestKept = m_history.rowAt(m_history.rowCount() - 1);
    });
    m_history.setOlderSource(page);
    if (m_database.newestAtOpen() > 0)
        page();
    else
        m_oldestHistoryId = -1;
    m_fleet.restore(m_database.fleet());

    connect(&m_history, &CommandHistory::rowToKeep, this, [this](const CommandHistory::Row &row, qint64 at) {
        m_database.addHistory({0, at, row});
    });
    connect(&m_history, &CommandHistory::cleared, &m_database, &ServerDatabase::markCleared);
    connect(&m_fleet, &FleetStatus::changed, this, [this](const QString &mac) {
        if (!mac.isEmpty())
            m_database.putFleet(mac, m_fleet.status(mac));
    });
    connect(&m_database, &ServerDatabase::writeFailed, this, [this](const QString &message) {
        qCritical("ERR %s", qPrintable(message));
        m_cmd.LogEvent(message, 0, LogLevel::ERR);
    });
    connect(&m_database, &ServerDatabase::writeResumed, this,
            [this](const QString &message) { m_cmd.LogEvent(message, 0, LogLevel::INFORcv); });
    // The retention waits until the start-up reads are answered.
    const auto retention = qScopeGuard([this] { m_database.startRetention(); });

    // The schedule being composed when the program last ended. A restart
    // the operator asked for carries it on without a question.
    const QByteArray draft = m_database.draft();
    TPlayList restored;
    if (!LoadScheduleDraft(draft, restored) || restored.isEmpty()) {
        m_savedDraft.clear();
        return;
    }
    if (ask &&
        m_context.prompter->message(QString::fromLatin1(kMainWindowTitle), Msg::tr(Msg::RestoreDraftQuestion),
                                    Prompter::Buttons::YesNo, Prompter::Icon::Question) != Prompter::Button::Yes) {
        // The empty start; the draft is gone with the operator's answer.
        m_database.putDraft({});
        m_savedDraft.clear();
        return;
    }
    m_schedules = restored;
    m_savedDraft = ScheduleDraft(m_schedules);
    if (m_forms.form1)
        m_forms.form1->RefreshSchdList();
}

bool ServerApp::startMetrics()
{
    const QString listen = m_context.settings.metricsListen;
    const qsizetype colon = listen.lastIndexOf(QLatin1Char(':'));
    bool ok = false;
    const int port = colon > 0 ? listen.mid(colon + 1).toInt(&ok) : 0;
    if (!ok || port <= 0 || port > 65535 || !m_content.startMetrics(listen.left(colon), port))
        return false;
    publishMetrics();
    m_metricsTimer.start();
    return true;
}

void ServerApp::publishMetrics()
{
    // The listener reads this snapshot on its own thread; the stores are
    // read here, on the window thread, once a second.
    m_counters.boxConnections = int(m_boxServer.connections().size());
    const ContentService::Counters content = m_content.counters();
    m_counters.contentBytesSent = content.bytesSent;
    m_counters.contentResponses = content.responses;
    m_content.setMetrics(MetricsText(m_registry, m_fleet, m_counters));
}

void ServerApp::saveDraftIfChanged()
{
    if (!m_database.isOpen())
        return;
    const QByteArray draft = ScheduleDraft(m_schedules);
    if (draft == m_savedDraft)
        return;
    m_savedDraft = draft;
    m_database.putDraft(draft);
}

bool ServerApp::reportReady(const QStringList &startProblems)
{
    QStringList problems = startProblems;
    if (m_forms.form1 && !m_boxServer.isListening() && problems.isEmpty())
        problems.append(QStringLiteral("the box port %1 does not listen").arg(m_context.settings.boxPort));
    if (m_forms.form1 && !m_content.isRunning() && problems.isEmpty())
        problems.append(QStringLiteral("the content service does not listen"));
    if (!m_forms.form1 && problems.isEmpty())
        problems.append(QStringLiteral("its start was cancelled"));
    const bool ready = problems.isEmpty();
    // The old copy takes its ports back as soon as it reads a failure:
    // they are free before it can.
    if (!ready) {
        m_boxServer.stopListening();
        m_content.stop();
        m_context.contentLock.reset();
    }
    RestartHandover::report(m_context.options.readyFd,
                            ready ? QStringLiteral("ready")
                                  : QStringLiteral("failed: ") + problems.join(QStringLiteral("; ")));
    m_context.options.readyFd = -1;
    return ready;
}

void ServerApp::restart()
{
    if (m_handover.isWaiting() || m_handedOver)
        return;
    // Everything the new copy reads is on disk before it starts; a registry
    // that cannot be written is not left behind.
    if (!saveRegistry()) {
        m_registryTimer.start();
        return;
    }
    m_savedImage = registryImage();
    if (m_forms.form7)
        m_forms.form7->saveAccounts();
    saveDraftIfChanged();
    m_draftTimer.stop();
    flushHistory();
    m_boxServer.stopListening();
    m_content.stop();
    m_metricsTimer.stop();
    m_cmd.LogEvent(QStringLiteral("Restarting: a new copy of the server takes over the ports"), 0, LogLevel::DEBUG);
    // The new copy takes the content folder's lock as it starts.
    if (m_context.contentLock)
        m_context.contentLock->unlock();
    m_handover.start(m_context.restartProgram, m_context.restartArguments);
}

void ServerApp::restartFailed(const QString &reason)
{
    QStringList lost;
    if (m_context.contentLock && !m_context.contentLock->isLocked() && !m_context.contentLock->tryLock(0))
        lost.append(QStringLiteral("the content folder's lock was taken by another copy"));
    if (!m_boxServer.isListening() && !m_boxServer.listen(quint16(m_context.settings.boxPort)))
        lost.append(Msg::tr(Msg::CannotListenForBoxes)
                        .arg(QString::number(m_context.settings.boxPort), m_boxServer.errorString()));
    if (!m_content.isRunning() &&
        m_content.start(m_context.contentLibrary, m_context.settings, m_forms.form1) != ContentService::Started)
        lost.append(Msg::tr(Msg::ServerStartFailed));
    if (!m_context.settings.metricsListen.isEmpty() && !startMetrics())
        lost.append(Msg::tr(Msg::MetricsNotListening).arg(m_context.settings.metricsListen));
    publishUploadPermits();
    m_registryTimer.start();
    m_draftTimer.start();
    const QString message = lost.isEmpty()
                                ? Msg::tr(Msg::RestartFailed).arg(reason)
                                : Msg::tr(Msg::RestartFailedPortsLost).arg(reason, lost.join(QStringLiteral("; ")));
    qCritical("ERR %s", qPrintable(message));
    m_cmd.LogEvent(message, 0, LogLevel::ERR);
    if (m_forms.form1)
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), message);
}

void ServerApp::publishUploadPermits()
{
    // Addresses as the service sees its IPv4 peers.
    const auto addressOf = [this](const QString &mac) {
        QString ip;
        if (m_cmd.MapFindByMac(mac, &ip, nullptr) != RES_FOUND)
            return QString();
        bool v4 = false;
        const quint32 address = QHostAddress(ip).toIPv4Address(&v4);
        return v4 ? QHostAddress(address).toString() : QString();
    };
    QStringList boxes;
    for (int slot = 0; slot < m_registry.BoxCount(); ++slot) {
        const QString ip = addressOf(m_registry.Box(slot).MacAdd);
        if (!ip.isEmpty() && !boxes.contains(ip))
            boxes.append(ip);
    }
    QList<std::pair<QString, QString>> tasks;
    if (m_forms.form11) {
        for (const SUPLOADFILE &task : m_forms.form11->queue().running()) {
            const QString ip = addressOf(task.mac);
            if (!ip.isEmpty())
                tasks.append({ip, task.localPath});
        }
    }
    m_content.setUploadPermits(boxes, tasks);
}

QString ServerApp::registryImage() const
{
    QString image;
    for (int slot = 0; slot < m_registry.BoxCount(); ++slot) {
        const MacGroupData &box = m_registry.Box(slot);
        image += box.MacAdd + QChar(0x1f) + box.ClientName + QChar(0x1f) + m_registry.GroupNameOf(slot) + QChar(0x1e);
    }
    return image;
}

void ServerApp::saveRegistryIfChanged()
{
    // Heartbeats that change nothing stored write nothing.
    const QString image = registryImage();
    if (!m_forms.form2 || image == m_savedImage || image == m_failedImage)
        return;
    // At most one write a second; the change waits for the next look.
    if (m_registryWritten.isValid() && !m_registryWritten.hasExpired(kRegistryWriteMs))
        return;
    m_registryWritten.start();
    QString why;
    if (SaveRegistryFile(m_registry, m_context.settings.registryFile, &why)) {
        m_savedImage = image;
        m_failedImage.clear();
        return;
    }
    // Said once for this registry; the next change, or the exit, tries again.
    m_failedImage = image;
    const QString message = Msg::tr(Msg::RegistryNotSaved).arg(m_context.settings.registryFile, why);
    qCritical("ERR %s", qPrintable(message));
    m_cmd.LogEvent(message, 0, LogLevel::ERR);
}

bool ServerApp::saveRegistry()
{
    m_registryTimer.stop();
    // The registry was loaded by the group window; without it there is
    // nothing that could be saved over the file.
    if (!m_forms.form2)
        return true;
    QString why;
    if (SaveRegistryFile(m_registry, m_context.settings.registryFile, &why))
        return true;
    const QString message = Msg::tr(Msg::RegistryNotSaved).arg(m_context.settings.registryFile, why);
    qCritical("ERR %s", qPrintable(message));
    // A person who closed the window is told; a stopped service says it in
    // its log and its exit status.
    if (!m_closedBySignal)
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), message);
    return false;
}

void ServerApp::startAlerts()
{
    for (int k = 0; k < FleetAlert::KindCount; ++k) {
        const auto kind = FleetAlert::Kind(k);
        m_alerts.setEnabled(kind, IniReadInt("ALERTS", FleetAlert::Key(kind), 1, m_context.settings.deployFile) != 0);
    }
    TForm1 *main = m_forms.form1;
    m_tray = std::make_unique<FleetTray>(main);
    connect(main, &TForm1::fleetSummaryChanged, m_tray.get(), &FleetTray::setSummary);
    connect(m_tray.get(), &FleetTray::fleetStatusRequested, main,
            [main] { main->findChild<QToolButton *>(QStringLiteral("sbFleetStatus"))->click(); });
    if (m_notifier) {
        connect(m_notifier, &AlertNotifier::clicked, main, &TForm1::showFleetAlert);
    } else {
        // A desktop service or tray that comes after the start is used when
        // it comes, and one that goes is no longer counted on.
        const QDBusConnection bus =
            m_desktopBus.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(m_desktopBus);
        auto *watcher = new QDBusServiceWatcher(this);
        watcher->setConnection(bus);
        watcher->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
        watcher->addWatchedService(DesktopBusNotifier::kService);
        watcher->addWatchedService(FleetTray::kTrayService);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &ServerApp::chooseDesktopNotifier,
                Qt::QueuedConnection);
        chooseDesktopNotifier();
    }
    // Every alert is in the event log too; on a desktop with neither a tray
    // nor a notification service it is only there.
    connect(&m_alerts, &FleetAlerts::raised, this, [this](const FleetAlert &alert) {
        m_cmd.LogEvent(QStringLiteral("Alert: ") + alert.text, 0,
                       alert.kind == FleetAlert::Online || alert.kind == FleetAlert::Ready ? LogLevel::INFORcv
                                                                                           : LogLevel::ERR);
        if (m_notifier)
            m_notifier->notify(alert);
    });
}

void ServerApp::keepChosenGroup(const Forms::PickList &pick, const char *key)
{
    QComboBox *groups = pick.groups;
    // Each window's pick list opens on the group last chosen in it, kept
    // under [PICK] in Deploy.ini (empty: every box).
    const QString file = m_context.settings.deployFile;
    QByteArray stored;
    if (IniReadString("PICK", key, stored, 256, nullptr, file)) {
        groups->setProperty(BoxLists::kChosenGroup, CodePage::fromGb2312(stored));
        BoxLists::PickList(groups, pick.boxes, m_registry, BoxLists::PickRefresh);
    }
    connect(groups, &QComboBox::activated, this, [groups, key, file](int index) {
        const QString chosen = index == 0 ? QString() : groups->itemText(index);
        groups->setProperty(BoxLists::kChosenGroup, chosen);
        bool ok = false;
        const QByteArray bytes = CodePage::toGb2312(chosen, &ok);
        if (!ok || !IniWriteString("PICK", key, bytes, file))
            qWarning("The chosen group cannot be kept in %s", qPrintable(file));
    });
}

void ServerApp::chooseDesktopNotifier()
{
    if (!m_tray)
        return;
    const QDBusConnection bus = m_desktopBus.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(m_desktopBus);
    std::unique_ptr<AlertNotifier> chosen = DesktopNotifier(*m_tray, bus);
    const auto kindOf = [](const AlertNotifier *notifier) {
        return notifier ? QString::fromLatin1(notifier->metaObject()->className()) : QString();
    };
    if (kindOf(chosen.get()) == kindOf(m_desktopNotifier.get()))
        return;
    const bool before = bool(m_desktopNotifier);
    m_desktopNotifier = std::move(chosen);
    m_notifier = m_desktopNotifier.get();
    if (m_notifier)
        connect(m_notifier, &AlertNotifier::clicked, m_forms.form1, &TForm1::showFleetAlert);
    if (before || m_notifier) {
        const QString where = !m_notifier ? QStringLiteral("the event log only")
                              : qobject_cast<TrayNotifier *>(m_notifier)
                                  ? QStringLiteral("the tray")
                                  : QStringLiteral("the desktop's notifications");
        m_cmd.LogEvent(QStringLiteral("Alerts now go to ") + where, 0, LogLevel::DEBUG);
    }
}

void ServerApp::destroyWindows()
{
    // The tray and the desktop's alerts point at the main window.
    m_desktopNotifier.reset();
    m_notifier = nullptr;
    m_tray.reset();
    // Reverse order of creation; the main window goes last. No pick list is
    // reached once its window starts to go.
    m_forms.pickLists.clear();
    delete m_forms.form11;
    delete m_forms.form10;
    delete m_forms.form9;
    delete m_forms.form8;
    delete m_forms.form7;
    delete m_forms.form6;
    delete m_forms.form5;
    delete m_forms.form4;
    delete m_forms.form3;
    delete m_forms.form2;
    delete m_forms.form1;
    m_forms = Forms();
}
