#pragma once

#include "schedule/playlist.h"

#include <QSet>
#include <QString>
#include <QWidget>

#include <memory>

class QFileSystemWatcher;
class QListWidget;
class QTimer;
class QTreeWidget;
struct AppContext;
struct Forms;
struct TScheduleNode;
struct TScheduleNodeOther;

namespace Ui {
class ScheduleEditor;
}

// The schedule editor of the main window: the content library, the three
// composition lists, the schedule row, the schedule list, and the transfer.
class ScheduleEditor : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ScheduleEditor)

public:
    static constexpr int kMaxItems = 256;
    static constexpr int kMaxTextBytes = 256;
    // How long a media folder must stay quiet before its list is refilled.
    static constexpr int kLibraryRefreshMs = 300;
    static constexpr int kLibraryMinWidth = 220;
    static constexpr int kScheduleListMaxWidth = 210;
    static constexpr int kScheduleListMinWidth = 170;
    static constexpr int kWeekDaysMinWidth = 330;

    ScheduleEditor(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~ScheduleEditor() override;

    // The box list whose checked boxes a transfer goes to.
    void setBoxList(QTreeWidget *boxes) { m_boxes = boxes; }
    // Fills the file lists and the BMP library from the content folders, and
    // watches the folders to refill a list when its folder changes.
    void fillLibrary();
    void RefreshSchdList();

    // A drop of the file list's selected item onto the play list.
    bool dropFromLibrary(QListWidget *source);
    // The composition lists' menu commands.
    enum ListCommand
    {
        ClearAll,
        Delete,
        Down,
        Up,
        Insert
    };
    void listCommand(QListWidget *list, ListCommand command);

signals:
    // The lists of changed media folders were refilled.
    void libraryRefreshed();
    // The operator asked to see the schedule list.
    void scheduleListRequested();
    // The operator asked to check every schedule on every box.
    void allSchedulesRequested();
    // The play lists are written: the transfer goes to these boxes with this command line.
    void transferRequested(const QList<sBoxInfo> &boxes, const QString &command);

private:
    void fillFileList(QListWidget *list);
    void fillPictureLibrary();
    void refreshChangedFolders();
    void bnSchdAddClick();
    void bnSchdDelClick();
    void bnTransferClick();
    void sb_TextAddClick();
    void btn_PicAddClick();
    void loadBack();
    void checkAllSchedule();
    void chooseColour(QWidget *swatch);
    void message(const char *text);
    // Kind, index and start of a schedule list line; false when it names no entry.
    bool readLine(QString *kind, int *index);
    template <typename Entry> bool readRow(Entry &entry);
    template <typename Entry> void showRow(const Entry &entry);
    void showList(QListWidget *list, const QStringList &items);

    std::unique_ptr<Ui::ScheduleEditor> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QTreeWidget *m_boxes = nullptr;
    quint32 m_textColour = 0xFFFFFF;
    quint32 m_backgroundColour = 0x000000;
    int m_sortColumn = 0;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_libraryRefresh = nullptr;
    QSet<QString> m_changedFolders;
};
