#pragma once

#include "app/serverapp.h"
#include "boxsimulator.h"
#include "scriptedprompter.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <memory>

class QComboBox;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;
class QWidget;
#include <QRect>

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
    // Where alerts go instead of the desktop, when set.
    AlertNotifier *notifier = nullptr;
    // The D-Bus connection (by name) the desktop's services are looked for on.
    QString desktopBus;

    Forms &forms() { return app->forms(); }
    AppContext &context() { return app->context(); }
    MacGruoup &registry() { return *app->context().registry; }
    // Options for simulated boxes that talk to this server and send one
    // heartbeat each.
    SimulatorOptions boxOptions() const;
    // Starts the boxes and waits until the registry holds count boxes.
    bool connectBoxes(BoxSimulator &boxes, int count);
    // Clicks a button of the main window's top bar.
    void clickMain(const char *button);
};

namespace GuiUtil {

// A window's control by its name; the test stops when there is none.
template <typename T> T *child(QWidget *window, const char *name)
{
    T *found = window->findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// Clicks a window's tool button with the mouse.
void click(QWidget *window, const char *button);

QStringList column(QTreeWidget *view, int column);

// Clicks a header section of the view with the mouse, as a person does.
void clickHeader(QTreeWidget *view, int column);
// Clicks an item of a list with the mouse.
void clickItem(QListWidget *list, int row);
// The row's rectangle in the view's viewport, scrolled into sight.
QRect rowRect(QTreeWidget *view, QTreeWidgetItem *item);
// Clicks the check box of a row or list item.
void checkRow(QTreeWidget *view, QTreeWidgetItem *item);
void checkItem(QListWidget *list, int row);
void doubleClickRow(QTreeWidget *view, QTreeWidgetItem *item);
QTreeWidgetItem *rowNamed(QTreeWidget *view, const QString &caption);
// Replaces the text of an edit (a line edit, a combo box's edit) by typing.
void type(QWidget *edit, const QString &text);
QStringList entries(QComboBox *combo);
QStringList entries(QListWidget *list);

} // namespace GuiUtil
