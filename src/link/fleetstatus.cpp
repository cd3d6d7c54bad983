#include "fleetstatus.h"

#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QUrl>
#include <QXmlStreamReader>

namespace {

// The reply-table code that answers a command of this type.
int answerCode(int type)
{
    return type == CMD_GETFILENAME ? CMD_FILENAMELIST : type;
}

bool answerable(int type)
{
    const int code = answerCode(type);
    for (const cmd_Info &row : Cmd_API::ReplyTable()) {
        if (row.code == code && (row.klass == 2 || row.klass == 3))
            return true;
    }
    return false;
}

} // namespace

QString LocalFileNamedBy(const QString &commandLine)
{
    const qsizetype at = commandLine.indexOf(QLatin1String("http://"));
    if (at < 0)
        return {};
    const QString address = commandLine.mid(at + 7).section(QLatin1Char(' '), 0, 0);
    const qsizetype slash = address.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return {};
    // The address carries the file's absolute path after its first '/'.
    QString path = QString::fromUtf8(QByteArray::fromPercentEncoding(address.mid(slash + 1).toLatin1()));
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    return path;
}

int FilesNamedBy(const QString &commandLine)
{
    const QString path = LocalFileNamedBy(commandLine);
    if (path.isEmpty())
        return -1;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    QXmlStreamReader xml(&file);
    int files = 0;
    while (!xml.atEnd()) {
        // A download list names its files in "file" elements, a plan in "filelist" ones.
        if (xml.readNext() == QXmlStreamReader::StartElement &&
            (xml.name() == QLatin1String("file") || xml.name() == QLatin1String("filelist")))
            ++files;
    }
    return xml.hasError() ? -1 : files;
}

FleetStatus::FleetStatus(const MacGruoup &registry, Cmd_API &cmd, QObject *parent)
    : QObject(parent), m_registry(registry), m_cmd(cmd)
{
    connect(&cmd, &Cmd_API::commandSent, this, &FleetStatus::onCommand);
    connect(&cmd, &Cmd_API::replyClassified, this, &FleetStatus::onReply);
    connect(&cmd, &Cmd_API::boxMerged, this, &FleetStatus::onHeard);
}

qint64 FleetStatus::now() const
{
    return m_clock->secsSinceEpoch();
}

FleetStatus::BoxStatus FleetStatus::status(const QString &mac) const
{
    return m_boxes.value(mac);
}

bool FleetStatus::known(const QString &mac) const
{
    int slot = -1;
    return m_registry.FindBox(mac, &slot) == RES_FOUND;
}

void FleetStatus::restore(const QHash<QString, BoxStatus> &boxes)
{
    for (auto it = boxes.begin(); it != boxes.end(); ++it) {
        if (!m_boxes.contains(it.key()) && known(it.key()))
            m_boxes.insert(it.key(), it.value());
    }
    // An empty MAC: more than one box changed.
    if (!boxes.isEmpty())
        emit changed(QString());
}

void FleetStatus::onCommand(const QString &mac, int type, const QString &name, const BoxCommandArgs &args)
{
    if (!known(mac))
        return;
    BoxStatus &box = m_boxes[mac];
    box.command = name;
    box.commandType = type;
    box.commandTime = now();
    box.result = answerable(type) ? Result::Waiting : Result::Sent;
    box.resultText.clear();
    if (type == CMD_FILEUPDATE) {
        // A new transfer: its size is the number of files the list names.
        box.transfer = Transfer::InProgress;
        // A transfer goes to many boxes with the same list: read it once.
        const QString line = args.texts.value(0);
        if (line != m_listLine) {
            m_listLine = line;
            m_listFiles = qMax(0, FilesNamedBy(line));
        }
        box.filesTotal = m_listFiles;
        box.transferList = LocalFileNamedBy(line);
        box.filesDone = 0;
        box.filesFailed = 0;
        box.finishedAt = 0;
    }
    emit changed(mac);
}

void FleetStatus::onReply(const QString &mac, int code, int klass, const QString &display, const QString &message)
{
    // A MAC the registry does not hold (refused, or invented by a peer)
    // leaves no state behind.
    if (!known(mac))
        return;
    BoxStatus &box = m_boxes[mac];
    const bool final = klass == 2 || klass == 3;
    bool answered = false;
    if (box.result == Result::Waiting && final && code == answerCode(box.commandType)) {
        box.result = klass == 2 ? Result::Done : Result::Failed;
        box.resultText = message;
        answered = true;
        if (klass == 3 && box.transfer == Transfer::InProgress && box.commandType == CMD_FILEUPDATE)
            box.transfer = Transfer::Failed;
    }
    if (box.transfer == Transfer::InProgress && code == CMD_DOWNLOADREPORT) {
        answered = true;
        if (message.startsWith(QLatin1String("dlreport progress"))) {
            if (klass == 2)
                ++box.filesDone;
            else
                ++box.filesFailed;
        } else if (message.startsWith(QLatin1String("dlreport finish"))) {
            box.finishedAt = now();
            box.transfer = box.filesFailed == 0 && box.filesDone >= box.filesTotal ? Transfer::Ready : Transfer::Failed;
        } else if (klass == 3) {
            box.transfer = Transfer::Failed;
        }
    } else if (box.transfer == Transfer::InProgress && code == CMD_FILEUPDATE && klass == 3) {
        answered = true;
        box.transfer = Transfer::Failed;
    }
    if (!answered)
        box.lastReply = display.isEmpty() ? message : display + QStringLiteral(": ") + message;
    emit changed(mac);
}

void FleetStatus::onHeard(const QString &mac, int)
{
    if (!m_offline.remove(mac))
        return;
    int slot = -1;
    const QString name = m_registry.FindBox(mac, &slot) == RES_FOUND ? m_registry.Box(slot).ClientName : QString();
    m_cmd.LogEvent(QStringLiteral("Box back online: Mac=%1 Name=%2").arg(mac, name), 0, LogLevel::INFORcv);
    emit cameBack(mac);
    emit changed(mac);
}

void FleetStatus::boxesWentOffline(const QList<int> &offline)
{
    for (int slot : offline) {
        const MacGroupData &b = m_registry.Box(slot);
        m_offline.insert(b.MacAdd);
        m_cmd.LogEvent(QStringLiteral("Box offline: Mac=%1 Name=%2").arg(b.MacAdd, b.ClientName), 0, LogLevel::ERR);
        auto it = m_boxes.find(b.MacAdd);
        if (it != m_boxes.end() && it->transfer == Transfer::InProgress) {
            // The files not reported by now will not come.
            it->filesFailed += qMax(0, it->filesTotal - it->filesDone - it->filesFailed);
            it->transfer = Transfer::Failed;
        }
        emit wentOffline(b.MacAdd);
        emit changed(b.MacAdd);
    }
}

void FleetStatus::sweep()
{
    const qint64 t = now();
    for (auto it = m_boxes.begin(); it != m_boxes.end(); ++it) {
        if (it->result == Result::Waiting && t - it->commandTime >= kAnswerSeconds) {
            it->result = Result::NoAnswer;
            emit changed(it.key());
        }
    }
}

QString FleetStatus::ResultText(Result result)
{
    switch (result) {
    case Result::None:
        return QString();
    case Result::Waiting:
        return tr("waiting");
    case Result::Done:
        return tr("done");
    case Result::Failed:
        return tr("failed");
    case Result::NoAnswer:
        return tr("no answer");
    case Result::Sent:
        return tr("sent");
    }
    return QString();
}

QString FleetStatus::TransferText(Transfer transfer)
{
    switch (transfer) {
    case Transfer::None:
        return QString();
    case Transfer::InProgress:
        return tr("in progress");
    case Transfer::Ready:
        return tr("ready");
    case Transfer::Failed:
        return tr("failed");
    }
    return QString();
}
