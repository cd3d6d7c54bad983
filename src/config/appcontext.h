#pragma once

#include "base/clock.h"
#include "settings.h"

#include <QStringList>

#include <functional>
#include <memory>

class BoxServer;
class Cmd_API;
class FleetAlerts;
class FleetStatus;
class ServerDatabase;
class CommandHistory;
class ContentService;
class MacGruoup;
class QLockFile;
class Prompter;
class TPlayList;

// The process-wide objects every window reaches: the settings, the prompter
// that asks the operator, the content service, and the restart request.
struct AppContext
{
    StartupOptions options;
    ServerSettings settings;
    Prompter *prompter = nullptr;
    ContentService *content = nullptr;
    MacGruoup *registry = nullptr;
    CommandHistory *history = nullptr;
    Cmd_API *cmd = nullptr;
    FleetStatus *fleet = nullptr;          // commands' answers and transfers, per box
    FleetAlerts *alerts = nullptr;         // what the operator is told without looking
    ServerDatabase *database = nullptr;    // history and fleet status kept between runs
    BoxServer *boxServer = nullptr;        // the socket boxes connect to
    TPlayList *schedules = nullptr;        // the working schedule set
    const Clock *clock = &Clock::system(); // the time windows read
    QString contentLibrary;                // the service library to load
    // Held while this copy serves its content folder; a restart passes it on.
    std::shared_ptr<QLockFile> contentLock;
    // Where the setup window learns this computer's addresses; tests hand in
    // their own, so that no machine's network decides their outcome.
    std::function<LocalAddressList()> localAddresses = &ThisComputersAddresses;
    // Hands the ports to a new copy of the program; this one ends only once
    // the new copy listens.
    std::function<void()> restart;
    // What a restart starts: this executable with this run's arguments.
    QString restartProgram;
    QStringList restartArguments;
};
