#include "uploadqueue.h"

#include "config/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <functional>

void UploadQueue::add(const SUPLOADFILE &task)
{
    SUPLOADFILE t = task;
    t.boxPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    t.localPath = QDir::toNativeSeparators(t.localPath);
    m_waiting.append(t);
}

std::optional<SUPLOADFILE> UploadQueue::startNext()
{
    if (m_running.size() >= kMaxRunning || m_waiting.isEmpty())
        return std::nullopt;
    const SUPLOADFILE task = m_waiting.takeFirst();
    m_running.append(task);
    return task;
}

std::optional<SUPLOADFILE> UploadQueue::complete(const QString &mac, const QString &boxPath)
{
    for (qsizetype i = 0; i < m_running.size(); ++i) {
        const SUPLOADFILE &task = m_running[i];
        if (task.mac != mac)
            continue;
        if (task.boxPath == boxPath || (task.boxPath.isEmpty() && boxPath == kBoxDiskDirPath)) {
            const SUPLOADFILE done = task;
            // The box works through its uploads in order: the ones before
            // this are not coming any more.
            for (qsizetype j = i; j >= 0; --j) {
                if (m_running[j].mac == mac)
                    m_running.removeAt(j);
            }
            return done;
        }
    }
    return std::nullopt;
}

void UploadQueue::dropRunning(const SUPLOADFILE &task)
{
    m_running.removeOne(task);
}

namespace {

void removeRows(QList<SUPLOADFILE> &list, QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : rows) {
        if (row >= 0 && row < list.size())
            list.removeAt(row);
    }
}

} // namespace

void UploadQueue::cancelWaiting(const QList<int> &rows)
{
    removeRows(m_waiting, rows);
}

void UploadQueue::cancelRunning(const QList<int> &rows)
{
    removeRows(m_running, rows);
}

QString FileUploadArgument(const ServerSettings &settings, const SUPLOADFILE &task)
{
    return task.boxPath + QStringLiteral(" ") + HttpAddress(settings, task.localPath);
}

QString MakeBoxFolder(const ServerSettings &settings, const QString &clientName, const QString &mac, QString *error)
{
    const auto make = [error](const QString &folder) {
        if (QDir().mkpath(folder))
            return true;
        if (error)
            *error = folder;
        return false;
    };
    const QString filesys = settings.contentRoot + QStringLiteral("filesys/");
    if (!make(filesys))
        return {};
    // A name is one folder: separators in a client name would make more.
    QString name = clientName;
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    name.remove(QChar(0));
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        name = QStringLiteral("_");
    const QString box = filesys + name + QLatin1Char('(') + QString(mac).replace(QLatin1Char(':'), QLatin1Char('-')) +
                        QStringLiteral(")/");
    if (!make(box))
        return {};
    for (const char *sub : {"Ftp", "Http", "CONFIG", "PlayLog", "ErrLog", "BACKUP"}) {
        if (!make(box + QLatin1String(sub)))
            return {};
    }
    return box;
}

QString LocalPathOfUpload(const ServerSettings &settings, const QString &urlPath)
{
    QString path = urlPath;
    if (path.contains(QLatin1Char('%')))
        path = QUrl::fromPercentEncoding(path.toUtf8());
    while (path.startsWith(QLatin1String("//")))
        path.remove(0, 1);
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    // Only files of the content folder: a box does not get to point the
    // decoders at the rest of this computer.
    const QString clean = QDir::cleanPath(path);
    const QString root = QDir::cleanPath(settings.contentRoot) + QLatin1Char('/');
    if (!clean.startsWith(root))
        return {};
    return clean;
}
