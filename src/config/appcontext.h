#pragma once

#include "settings.h"

#include <QStringList>

class ContentService;
class Prompter;

// The process-wide objects every window reaches: the settings, the prompter
// that asks the operator, the content service, and the restart request.
struct AppContext
{
    StartupOptions options;
    ServerSettings settings;
    Prompter *prompter = nullptr;
    ContentService *content = nullptr;
    QString contentLibrary; // the service library to load
    bool restartRequested = false;
    // What a restart starts: this executable with this run's arguments.
    QString restartProgram;
    QStringList restartArguments;
};
