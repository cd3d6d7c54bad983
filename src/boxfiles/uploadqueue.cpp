#include "uploadqueue.h"

#include "base/codepage.h"
#include "config/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <functional>

void UploadQueue::add(const SUPLOADFILE &task)
{
    SUPLOADFILE t = task;
    t.boxPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    t.localPath = QDir::toNativeSeparators(t.localPath);
    m_waiting.append(t);
}

std::optional<SUPLOADFILE> UploadQueue::startNext(qint64 nowMs)
{
    if (m_running.size() >= kMaxRunning || m_waiting.isEmpty())
        return std::nullopt;
    const SUPLOADFILE task = m_waiting.takeFirst();
    m_running.append(task);
    m_startedMs.append(nowMs);
    return task;
}

QList<SUPLOADFILE> UploadQueue::expire(qint64 nowMs, const std::function<bool(const QString &mac)> &boxGone)
{
    QList<SUPLOADFILE> expired;
    for (qsizetype i = 0; i < m_running.size();) {
        if (nowMs - m_startedMs[i] >= kMaxRunningMs || boxGone(m_running[i].mac)) {
            expired.append(m_running.takeAt(i));
            m_startedMs.removeAt(i);
        } else {
            ++i;
        }
    }
    return expired;
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
                if (m_running[j].mac == mac) {
                    m_running.removeAt(j);
                    m_startedMs.removeAt(j);
                }
            }
            return done;
        }
    }
    return std::nullopt;
}

void UploadQueue::dropRunning(const SUPLOADFILE &task)
{
    const qsizetype i = m_running.indexOf(task);
    if (i >= 0) {
        m_running.removeAt(i);
        m_startedMs.removeAt(i);
    }
}

namespace {

void removeRows(QList<SUPLOADFILE> &list, QList<int> rows, QList<qint64> *beside = nullptr)
{
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : rows) {
        if (row >= 0 && row < list.size()) {
            list.removeAt(row);
            if (beside)
                beside->removeAt(row);
        }
    }
}

} // namespace

void UploadQueue::cancelWaiting(const QList<int> &rows)
{
    removeRows(m_waiting, rows);
}

void UploadQueue::cancelRunning(const QList<int> &rows)
{
    removeRows(m_running, rows, &m_startedMs);
}

QString FileUploadArgument(const ServerSettings &settings, const SUPLOADFILE &task)
{
    // Percent-encoding every Chinese character would take nine bytes for
    // the two it takes in GB2312, and the line holds 255.
    QString path;
    for (const QChar c : ToUrlPath(task.localPath)) {
        const ushort u = c.unicode();
        if (u == ' ')
            path += QStringLiteral("%20");
        else if (u < 0x80)
            path += EncodeUrlBytes(QByteArray(1, char(u))); // controls, '%', '?', '#'
        else
            path += c;
    }
    return task.boxPath + QStringLiteral(" http://") + settings.serviceIp + QLatin1Char(':') +
           QString::number(settings.servicePort) + QLatin1Char('/') + path;
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
    // The name and the MAC make one visible folder: separators would make
    // more (or climb out of filesys), a leading '.' a hidden one the content
    // service rightly refuses to store into.
    const auto onePart = [](QString part) {
        part.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
        part.remove(QChar(0));
        if (part.startsWith(QLatin1Char('.')))
            part[0] = QLatin1Char('_');
        return part;
    };
    const QString box = filesys + onePart(clientName) + QLatin1Char('(') +
                        onePart(QString(mac).replace(QLatin1Char(':'), QLatin1Char('-'))) + QStringLiteral(")/");
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
    if (path.contains(QLatin1Char('%'))) {
        // Encoded bytes are UTF-8 when they read as such, else the box's GB2312.
        const QByteArray bytes = QByteArray::fromPercentEncoding(path.toUtf8());
        QStringDecoder utf8(QStringDecoder::Utf8);
        path = utf8(bytes);
        if (utf8.hasError())
            path = CodePage::fromGb2312(bytes);
    }
    while (path.startsWith(QLatin1String("//")))
        path.remove(0, 1);
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    // Only files boxes upload: a box does not get to point the file list at
    // the program's own files or the rest of this computer.
    const QString clean = QDir::cleanPath(path);
    const QString root = QDir::cleanPath(settings.contentRoot + QStringLiteral("filesys")) + QLatin1Char('/');
    if (!clean.startsWith(root))
        return {};
    return clean;
}

bool InOwnUploadFolder(const ServerSettings &settings, const QString &mac, const QString &localPath)
{
    const QString filesys = QDir::cleanPath(settings.contentRoot + QStringLiteral("filesys")) + QLatin1Char('/');
    if (!localPath.startsWith(filesys))
        return false;
    const QString below = localPath.mid(filesys.size());
    const qsizetype slash = below.indexOf(QLatin1Char('/'));
    return slash < 0 ||
           below.left(slash).endsWith(QLatin1Char('(') + QString(mac).replace(QLatin1Char(':'), QLatin1Char('-')) +
                                      QLatin1Char(')'));
}
