#include "filedecode.h"

#include <QFile>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// An element and, two levels deep, its children: all the decoders look at.
struct Node
{
    QString name;
    QXmlStreamAttributes attributes;
    QList<Node> children;

    QString attribute(const char *key) const { return attributes.value(QLatin1String(key)).toString(); }
};

// Reads the whole document first, so that a broken file changes nothing.
bool parse(const QByteArray &document, Node *root, QString *error)
{
    QXmlStreamReader xml(document);
    QList<Node *> open; // the stored elements being read, root first
    int depth = 0;
    int elements = 0;
    bool haveRoot = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (++elements > CFileDecode::kMaxElements) {
                *error = QStringLiteral("more than %1 elements").arg(CFileDecode::kMaxElements);
                return false;
            }
            ++depth;
            if (depth == 1) {
                haveRoot = true;
                root->name = xml.name().toString();
                root->attributes = xml.attributes();
                open = {root};
            } else if (depth <= 3) {
                Node child;
                child.name = xml.name().toString();
                child.attributes = xml.attributes();
                Node *parent = open.at(depth - 2);
                parent->children.append(child);
                open.resize(depth - 1);
                open.append(&parent->children.last());
            }
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
        }
    }
    if (xml.hasError()) {
        *error = QStringLiteral("%1 (line %2, column %3)")
                     .arg(xml.errorString())
                     .arg(xml.lineNumber())
                     .arg(xml.columnNumber());
        return false;
    }
    if (!haveRoot) {
        *error = QStringLiteral("no root element");
        return false;
    }
    return true;
}

DecodedTable unreadable(const QString &why)
{
    DecodedTable table;
    table.result = DECODE_UNREADABLE;
    table.error = why;
    return table;
}

// Hours and minutes as the box wrote them; what is not a number counts as
// 0 and nothing runs past the end of the counter.
quint32 seconds(const QString &hour, const QString &minute)
{
    const qint64 h = std::clamp<qint64>(hour.trimmed().toLongLong(), 0, 1000000);
    const qint64 m = std::clamp<qint64>(minute.trimmed().toLongLong(), 0, 1000000);
    return quint32(h * 3600 + m * 60);
}

QString clockText(quint32 s)
{
    return QString::asprintf("%02u:%02u:%02u", s / 3600, (s % 3600) / 60, s % 60);
}

} // namespace

QList<sBasicInfo> &CBasicScheduleList::AddSchedule(const QString &startHour, const QString &startMin,
                                                   const QString &endHour, const QString &endMin, const QString &type)
{
    const quint32 start = seconds(startHour, startMin);
    qsizetype at = 0;
    for (; at < m_schedules.size(); ++at) {
        if (m_schedules[at].StartSec == start)
            return m_schedules[at].Files;
        if (m_schedules[at].StartSec > start)
            break;
    }
    sBasicSchedule schedule;
    schedule.StartSec = start;
    schedule.EndSec = seconds(endHour, endMin);
    schedule.Type = type;
    m_schedules.insert(at, schedule);
    return m_schedules[at].Files;
}

bool CBasicScheduleList::NextRow(sBasicScheduleInfo &row)
{
    if (!m_iterating) {
        m_iterating = true;
        m_schedule = 0;
        m_file = 0;
    } else {
        ++m_file;
    }
    // Past a schedule's last file (or an empty schedule) to the next one.
    while (m_schedule < m_schedules.size() && m_file >= m_schedules[m_schedule].Files.size()) {
        ++m_schedule;
        m_file = 0;
    }
    if (m_schedule >= m_schedules.size()) {
        m_iterating = false;
        return false;
    }
    const sBasicSchedule &schedule = m_schedules[m_schedule];
    row.StartText = clockText(schedule.StartSec);
    row.EndText = clockText(schedule.EndSec);
    row.Type = schedule.Type;
    row.GroupId = schedule.Files[m_file].GroupId;
    row.FileName = schedule.Files[m_file].FileName;
    return true;
}

bool CFileDecode::FileFinished(const QString &progress, int k)
{
    const QString rest = progress.mid(1).left(64);
    const qsizetype length = rest.size();
    return k >= 0 && k < length && rest.at(length - 1 - k) == QLatin1Char('1');
}

DecodedTable CFileDecode::DecodePlayList(const QByteArray &document)
{
    Node root;
    QString error;
    if (!parse(document, &root, &error))
        return unreadable(error);
    DecodedTable table;
    table.columns = {QStringLiteral("Start Time"), QStringLiteral("End Time"), QStringLiteral("Type"),
                     QStringLiteral("Group ID"), QStringLiteral("Filename")};
    table.widths = {-1, -1, -1, -1, -1};
    if (root.name != QLatin1String("PLAYLIST")) {
        table.result = DECODE_BADNAME;
        return table;
    }
    table.replacesRows = true;
    if (root.children.isEmpty())
        table.result = DECODE_NOCHILDREN;
    CBasicScheduleList list;
    for (const Node &schedule : std::as_const(root.children)) {
        if (schedule.name != QLatin1String("schedule")) {
            table.result = DECODE_BADNAME;
            break;
        }
        QList<sBasicInfo> &files = list.AddSchedule(schedule.attribute("starthour"), schedule.attribute("startmin"),
                                                    schedule.attribute("endhour"), schedule.attribute("endmin"),
                                                    schedule.attribute("schdtype"));
        for (const Node &file : schedule.children) {
            if (file.name != QLatin1String("file")) {
                table.result = DECODE_BADNAME;
                break;
            }
            files.append({file.attribute("groupID"), file.attribute("filename")});
        }
    }
    sBasicScheduleInfo row;
    while (list.NextRow(row))
        table.rows.append({row.StartText, row.EndText, row.Type, row.GroupId, row.FileName});
    return table;
}

DecodedTable CFileDecode::DecodePlanStatus(const QByteArray &document, const QString &progress)
{
    Node root;
    QString error;
    if (!parse(document, &root, &error))
        return unreadable(error);
    DecodedTable table;
    table.columns = {QStringLiteral("Filename"), QStringLiteral("Progress")};
    table.widths = {-1, -1};
    if (root.name != QLatin1String("DLPLANLIST")) {
        table.result = DECODE_BADNAME;
        return table;
    }
    table.replacesRows = true;
    if (root.children.isEmpty())
        table.result = DECODE_NOCHILDREN;
    int k = 0;
    for (const Node &plan : std::as_const(root.children)) {
        if (plan.name != QLatin1String("plantime")) {
            table.result = DECODE_BADNAME;
            break;
        }
        for (const Node &file : plan.children) {
            if (file.name != QLatin1String("filelist"))
                continue;
            QStringList row{file.attribute("filename")};
            // Progress is known for the first 64 files only.
            if (k < 64)
                row.append(FileFinished(progress, k) ? QStringLiteral("Finished") : QStringLiteral("Downloading"));
            table.rows.append(row);
            ++k;
        }
    }
    return table;
}

DecodedTable CFileDecode::DecodeDiskDir(const QByteArray &document)
{
    Node root;
    QString error;
    if (!parse(document, &root, &error))
        return unreadable(error);
    DecodedTable table;
    table.columns = {QStringLiteral("Filename"), QStringLiteral("File Size"), QStringLiteral("Modified Date"),
                     QStringLiteral("File Path")};
    table.widths = {100, 100, 200, 400};
    table.checkable = true;
    if (root.name != QLatin1String("DirList")) {
        table.result = DECODE_BADNAME;
        return table;
    }
    table.replacesRows = true;
    if (root.children.isEmpty())
        table.result = DECODE_NOCHILDREN;
    for (const Node &dir : std::as_const(root.children)) {
        if (dir.name != QLatin1String("DIR")) {
            table.result = DECODE_BADNAME;
            break;
        }
        const QString path = dir.attribute("Path");
        for (const Node &file : dir.children) {
            if (file.name != QLatin1String("File")) {
                table.result = DECODE_BADNAME;
                break;
            }
            const QString name = file.attribute("Filename");
            table.rows.append({name, file.attribute("Size"), file.attribute("Time"), path + QLatin1Char('/') + name});
        }
    }
    return table;
}

DecodedTable CFileDecode::Decode(int kind, const QString &path, const QString &progress)
{
    if (kind != DECODE_PLAYLIST && kind != DECODE_PLANSTATUS && kind != DECODE_DISKDIR) {
        DecodedTable nothing;
        nothing.result = DECODE_NOVIEW;
        return nothing;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return unreadable(QStringLiteral("Cannot read %1: %2").arg(path, file.errorString()));
    if (file.size() > kMaxBytes)
        return unreadable(QStringLiteral("%1 is larger than %2 MiB").arg(path).arg(kMaxBytes >> 20));
    const QByteArray document = file.read(kMaxBytes + 1);
    DecodedTable table;
    if (kind == DECODE_PLAYLIST)
        table = DecodePlayList(document);
    else if (kind == DECODE_PLANSTATUS)
        table = DecodePlanStatus(document, progress);
    else
        table = DecodeDiskDir(document);
    if (table.result == DECODE_UNREADABLE)
        table.error = QStringLiteral("%1 is not a readable XML document: %2").arg(path, table.error);
    return table;
}
