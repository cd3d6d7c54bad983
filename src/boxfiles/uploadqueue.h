#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

struct ServerSettings;

// One upload a box is asked for: the name the file list shows, the box's
// client name and MAC, the file's path on the box ('/' separated, empty for
// the box's disk directory) and where it lands on this computer.
struct SUPLOADFILE
{
    QString taskName;
    QString clientName;
    QString mac;
    QString boxPath;
    QString localPath;
    bool operator==(const SUPLOADFILE &) const = default;
};

// The path a box reports when it has uploaded its disk directory.
inline const QString kBoxDiskDirPath = QStringLiteral("/mnt/hd1/Disc1/CONFIG/DiskDir.xml");

// Waiting and running uploads: one starts per tick, at most 16 run at once,
// and a box's report of a finished upload ends its task.
class UploadQueue
{
public:
    static constexpr int kMaxRunning = 16;
    // A box that has not reported a task done after this long never will
    // (a refused upload, a name its report cannot carry).
    static constexpr qint64 kMaxRunningMs = 10 * 60 * 1000;

    void add(const SUPLOADFILE &task);
    // The task that starts now (nowMs on a steady clock), moved from waiting
    // to running, or nothing (no task waiting, or 16 running).
    std::optional<SUPLOADFILE> startNext(qint64 nowMs);
    // Running tasks that ran out of time or whose box went away, taken out.
    QList<SUPLOADFILE> expire(qint64 nowMs, const std::function<bool(const QString &mac)> &boxGone);
    // The running task the report ends: the first of the box with that path
    // (or with an empty path for the disk directory). It leaves the running
    // list together with the box's running tasks before it.
    std::optional<SUPLOADFILE> complete(const QString &mac, const QString &boxPath);
    // Running tasks that cannot go out are dropped.
    void dropRunning(const SUPLOADFILE &task);

    void cancelWaiting(const QList<int> &rows);
    void cancelAllWaiting() { m_waiting.clear(); }
    void cancelRunning(const QList<int> &rows);

    const QList<SUPLOADFILE> &waiting() const { return m_waiting; }
    const QList<SUPLOADFILE> &running() const { return m_running; }

private:
    QList<SUPLOADFILE> m_waiting;
    QList<SUPLOADFILE> m_running;
    QList<qint64> m_startedMs; // beside m_running, one each
};

// "fileupload" argument of a task: the box path, a space, and the content
// address the box uploads to, its path as plain text but for '%', '?', '#',
// spaces and control characters (the line carries it in GB2312).
QString FileUploadArgument(const ServerSettings &settings, const SUPLOADFILE &task);

// The box's folder under <content>/filesys: "client(MA-C-...)" with its six
// subfolders, made as needed; its path ends with '/'. Empty, with the folder
// that could not be made in error, on failure.
QString MakeBoxFolder(const ServerSettings &settings, const QString &clientName, const QString &mac,
                      QString *error = nullptr);

// A box's report names a file by an address path; the local file it stands
// for, or empty when it is not a file under the folder boxes upload into.
QString LocalPathOfUpload(const ServerSettings &settings, const QString &urlPath);

// Whether an upload's local path (as LocalPathOfUpload gives it) is one the
// box may have put there: straight in filesys/, or in its own box folder,
// never in another box's.
bool InOwnUploadFolder(const ServerSettings &settings, const QString &mac, const QString &localPath);
