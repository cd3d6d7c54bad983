#pragma once

#include "config/serverapp.h"
#include "scriptedprompter.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

class QComboBox;
class QListWidget;
class QTreeWidget;

// The whole server with its windows, in a temporary folder, on free ports,
// asking its questions of a scripted prompter.
class AppHarness
{
public:
    AppHarness();
    ~AppHarness();

    // Creates and starts the server; false when start-up ended.
    bool start();

    QTemporaryDir dir;
    StartupOptions options;
    ScriptedPrompter prompter;
    std::unique_ptr<ServerApp> app;

    // Connections one address may hold at the content service; simulated
    // boxes all come from 127.0.0.1. -1 keeps the service's own limit.
    int contentPeerLimit = -1;

    Forms &forms() { return app->forms(); }
    AppContext &context() { return app->context(); }
    MacGruoup &registry() { return *app->context().registry; }
    // Clicks a button of the main window's top bar.
    void clickMain(const char *button);
};

namespace GuiUtil {

QStringList column(QTreeWidget *view, int column);

// Clicks a header section of the view with the mouse, as a person does.
void clickHeader(QTreeWidget *view, int column);
// Clicks an item of a list with the mouse.
void clickItem(QListWidget *list, int row);
QStringList entries(QComboBox *combo);
QStringList entries(QListWidget *list);

} // namespace GuiUtil
