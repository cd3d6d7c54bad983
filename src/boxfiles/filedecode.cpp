#include "filedecode.h"

#include <QFile>
#include <QStringDecoder>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// The attributes any decoder reads; others are not kept, so a document of
// many small attributes cannot make the tree larger than what is shown.
bool isReadAttribute(QStringView name)
{
    static const QStringList wanted = {
        QStringLiteral("starthour"), QStringLiteral("startmin"), QStringLiteral("endhour"),  QStringLiteral("endmin"),
        QStringLiteral("schdtype"),  QStringLiteral("groupID"),  QStringLiteral("filename"), QStringLiteral("Path"),
        QStringLiteral("Filename"),  QStringLiteral("Size"),     QStringLiteral("Time"),     QStringLiteral("context")};
    for (const QString &w : wanted) {
        if (name == w)
            return true;
    }
    return false;
}

// An element and, two levels deep, its children: all the decoders look at.
struct Node
{
    QString name;
    QList<std::pair<QString, QString>> attributes;
    QList<Node> children;

    QString attribute(const char *key) const
    {
        for (const auto &[name, value] : attributes) {
            if (name == QLatin1String(key))
                return value;
        }
        return {};
    }
    void keep(const QXmlStreamAttributes &all)
    {
        for (const QXmlStreamAttribute &a : all) {
            if (isReadAttribute(a.name()))
                attributes.append({a.name().toString(), a.value().toString()});
        }
    }
};

// Attributes in one tag, counted from the raw bytes before the parser sees
// them: a tag of tens of thousands of attributes costs the parser seconds.
// Comments, CDATA sections, processing instructions and the document type
// are stepped over whole, so a stray quote inside one cannot hide the tags
// after it from the count.
bool tagsWithinAttributeLimit(const QByteArray &document)
{
    const qsizetype size = document.size();
    const char *const d = document.constData();
    // Index just past the first `close` at or after `from`, or the end.
    const auto skipPast = [&](qsizetype from, const char *close) {
        const qsizetype at = document.indexOf(close, from);
        return at < 0 ? size : at + qsizetype(qstrlen(close));
    };
    // Index just past the quote closing the one at `from`, or the end.
    const auto skipQuoted = [&](qsizetype from) {
        const qsizetype at = document.indexOf(d[from], from + 1);
        return at < 0 ? size : at + 1;
    };
    const auto startsWith = [&](qsizetype at, const char *text) {
        return QByteArrayView(d + at, size - at).startsWith(QByteArrayView(text));
    };
    qsizetype i = 0;
    while (i < size) {
        if (d[i] != '<') {
            ++i;
        } else if (startsWith(i, "<!--")) {
            i = skipPast(i + 4, "-->");
        } else if (startsWith(i, "<![CDATA[")) {
            i = skipPast(i + 9, "]]>");
        } else if (startsWith(i, "<?")) {
            i = skipPast(i + 2, "?>");
        } else if (startsWith(i, "<!")) {
            // A declaration, with an internal subset of its own declarations,
            // comments and instructions between brackets.
            i += 2;
            bool subset = false;
            while (i < size) {
                const char c = d[i];
                if (c == '"' || c == '\'') {
                    i = skipQuoted(i);
                } else if (subset && startsWith(i, "<!--")) {
                    i = skipPast(i + 4, "-->");
                } else if (subset && startsWith(i, "<?")) {
                    i = skipPast(i + 2, "?>");
                } else if (c == '[') {
                    subset = true;
                    ++i;
                } else if (c == ']') {
                    subset = false;
                    ++i;
                } else if (c == '>' && !subset) {
                    ++i;
                    break;
                } else {
                    ++i;
                }
            }
        } else {
            // A start or end tag: names, '=' and quoted values up to '>'. A
            // value never holds '<', so one ends the tag for the count too.
            int equals = 0;
            ++i;
            while (i < size && d[i] != '>' && d[i] != '<') {
                if (d[i] == '"' || d[i] == '\'') {
                    const qsizetype close = skipQuoted(i);
                    const qsizetype open = document.indexOf('<', i + 1);
                    i = (open >= 0 && open < close) ? open : close;
                } else {
                    if (d[i] == '=' && ++equals > CFileDecode::kMaxAttributes)
                        return false;
                    ++i;
                }
            }
            if (i < size && d[i] == '>')
                ++i;
        }
    }
    return true;
}

// Reads the whole document first, so that a broken file changes nothing.
// Box files need no DTD: a document that declares entities is refused, so
// no reference can multiply what the rows hold.
bool parse(const QByteArray &document, Node *root, QString *error)
{
    if (!tagsWithinAttributeLimit(document)) {
        *error = QStringLiteral("an element has more than %1 attributes").arg(CFileDecode::kMaxAttributes);
        return false;
    }
    QXmlStreamReader xml(document);
    QList<Node *> open; // the stored elements being read, root first
    int depth = 0;
    int elements = 0;
    bool haveRoot = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD) {
            if (!xml.entityDeclarations().isEmpty()) {
                *error = QStringLiteral("the document declares entities");
                return false;
            }
        } else if (token == QXmlStreamReader::StartElement) {
            if (++elements > CFileDecode::kMaxElements) {
                *error = QStringLiteral("more than %1 elements").arg(CFileDecode::kMaxElements);
                return false;
            }
            const QXmlStreamAttributes attributes = xml.attributes();
            if (attributes.size() > CFileDecode::kMaxAttributes) {
                *error = QStringLiteral("an element has more than %1 attributes").arg(CFileDecode::kMaxAttributes);
                return false;
            }
            for (const QXmlStreamAttribute &attribute : attributes) {
                if (attribute.value().size() > CFileDecode::kMaxAttributeChars) {
                    *error = QStringLiteral("an attribute is longer than %1 characters (line %2)")
                                 .arg(CFileDecode::kMaxAttributeChars)
                                 .arg(xml.lineNumber());
                    return false;
                }
            }
            ++depth;
            if (depth == 1) {
                haveRoot = true;
                root->name = xml.name().toString();
                open = {root};
            } else if (depth <= 3) {
                Node child;
                child.name = xml.name().toString();
                child.keep(attributes);
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

// Counts what a decode puts into its rows; a document whose rows would hold
// more text than the bound is refused rather than filling memory.
class RowBudget
{
public:
    bool take(const QStringList &row)
    {
        for (const QString &text : row)
            m_used += text.size();
        return m_used <= CFileDecode::kMaxRowChars;
    }

private:
    qint64 m_used = 0;
};

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

DecodedTable tooMuchText()
{
    return unreadable(QStringLiteral("its rows would hold more than %1 characters").arg(CFileDecode::kMaxRowChars));
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
    // A later schedule with the same start keeps the first one's end and type.
    const auto [at, made] = m_schedules.try_emplace(start);
    if (made) {
        at->second.StartSec = start;
        at->second.EndSec = seconds(endHour, endMin);
        at->second.Type = type;
    }
    return at->second.Files;
}

bool CBasicScheduleList::NextRow(sBasicScheduleInfo &row)
{
    if (!m_iterating) {
        m_iterating = true;
        m_schedule = m_schedules.begin();
        m_file = 0;
    } else {
        ++m_file;
    }
    // Past a schedule's last file (or an empty schedule) to the next one.
    while (m_schedule != m_schedules.end() && m_file >= m_schedule->second.Files.size()) {
        ++m_schedule;
        m_file = 0;
    }
    if (m_schedule == m_schedules.end()) {
        m_iterating = false;
        return false;
    }
    const sBasicSchedule &schedule = m_schedule->second;
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
    RowBudget budget;
    while (list.NextRow(row)) {
        table.rows.append({row.StartText, row.EndText, row.Type, row.GroupId, row.FileName});
        if (!budget.take(table.rows.last()))
            return tooMuchText();
    }
    return table;
}

DecodedSchedules CFileDecode::ReadSchedules(int kind, const QByteArray &document)
{
    // Root, schedule and item element names, and the item's attribute.
    static const char *const names[3][4] = {{"PLAYLIST", "schedule", "file", "filename"},
                                            {"STEXTLIST", "stextschedule", "stext", "context"},
                                            {"PICLIST", "picschedule", "picture", "filename"}};
    DecodedSchedules result;
    if (kind < DECODE_PLAYLIST || kind > DECODE_PICLIST) {
        result.result = DECODE_NOVIEW;
        return result;
    }
    const char *const *n = names[kind];
    Node root;
    if (!parse(document, &root, &result.error)) {
        result.result = DECODE_UNREADABLE;
        return result;
    }
    if (root.name != QLatin1String(n[0])) {
        result.result = DECODE_BADNAME;
        result.error = QStringLiteral("its root is <%1>, not <%2>").arg(root.name, QLatin1String(n[0]));
        return result;
    }
    CBasicScheduleList list;
    qint64 text = 0;
    for (const Node &schedule : std::as_const(root.children)) {
        if (schedule.name != QLatin1String(n[1])) {
            result.result = DECODE_BADNAME;
            result.error = QStringLiteral("<%1> where <%2> belongs").arg(schedule.name, QLatin1String(n[1]));
            break;
        }
        QList<sBasicInfo> &items = list.AddSchedule(schedule.attribute("starthour"), schedule.attribute("startmin"),
                                                    schedule.attribute("endhour"), schedule.attribute("endmin"),
                                                    schedule.attribute("schdtype"));
        for (const Node &item : schedule.children) {
            if (item.name != QLatin1String(n[2])) {
                result.result = DECODE_BADNAME;
                result.error = QStringLiteral("<%1> where <%2> belongs").arg(item.name, QLatin1String(n[2]));
                break;
            }
            const QString value = item.attribute(n[3]);
            text += value.size();
            if (text > kMaxRowChars) {
                result.result = DECODE_UNREADABLE;
                result.error = tooMuchText().error;
                result.schedules.clear();
                return result;
            }
            items.append({item.attribute("groupID"), value});
        }
    }
    for (const auto &[start, s] : list.schedules()) {
        PlaySchedule schedule{s.StartSec, s.EndSec, s.Type, {}};
        for (const sBasicInfo &item : s.Files)
            schedule.items.append(item.FileName);
        result.schedules.append(schedule);
    }
    return result;
}

namespace {

// Rows of a text or picture list: one per text or picture.
DecodedTable scheduleRows(int kind, const QByteArray &document, const QString &itemColumn)
{
    const DecodedSchedules read = CFileDecode::ReadSchedules(kind, document);
    if (read.result == DECODE_UNREADABLE)
        return unreadable(read.error);
    DecodedTable table;
    table.columns = {QStringLiteral("Start Time"), QStringLiteral("End Time"), QStringLiteral("Type"), itemColumn};
    table.widths = {-1, -1, -1, -1};
    table.result = read.result;
    if (read.result == DECODE_BADNAME && read.schedules.isEmpty())
        return table;
    table.replacesRows = true;
    if (read.schedules.isEmpty())
        table.result = DECODE_NOCHILDREN;
    RowBudget budget;
    for (const PlaySchedule &s : read.schedules) {
        for (const QString &item : s.items) {
            table.rows.append({clockText(s.startSec), clockText(s.endSec), s.type, item});
            if (!budget.take(table.rows.last()))
                return tooMuchText();
        }
    }
    return table;
}

} // namespace

DecodedTable CFileDecode::DecodeTextList(const QByteArray &document)
{
    return scheduleRows(DECODE_TEXTLIST, document, QStringLiteral("Text"));
}

DecodedTable CFileDecode::DecodePicList(const QByteArray &document)
{
    return scheduleRows(DECODE_PICLIST, document, QStringLiteral("Filename"));
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
    RowBudget budget;
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
            if (!budget.take(row))
                return tooMuchText();
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
    RowBudget budget;
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
            const QStringList row{name, file.attribute("Size"), file.attribute("Time"), path + QLatin1Char('/') + name};
            if (!budget.take(row))
                return tooMuchText();
            table.rows.append(row);
        }
    }
    return table;
}

DecodedTable CFileDecode::Decode(int kind, const QString &path, const QString &progress)
{
    if (kind < DECODE_PLAYLIST || kind > DECODE_DISKDIR) {
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
    else if (kind == DECODE_TEXTLIST)
        table = DecodeTextList(document);
    else if (kind == DECODE_PICLIST)
        table = DecodePicList(document);
    else if (kind == DECODE_PLANSTATUS)
        table = DecodePlanStatus(document, progress);
    else
        table = DecodeDiskDir(document);
    if (table.result == DECODE_UNREADABLE)
        table.error = QStringLiteral("%1 is not a readable XML document: %2").arg(path, table.error);
    return table;
}

BoxText ReadBoxText(const QString &path, qint64 maxBytes)
{
    BoxText result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    result.size = file.size();
    if (result.size > maxBytes) {
        result.cut = true;
        file.seek(result.size - maxBytes);
    }
    QByteArray bytes = file.read(maxBytes);
    if (result.cut) {
        // A cut may fall inside a character: start at the next line.
        const qsizetype line = bytes.indexOf('\n');
        bytes = line >= 0 ? bytes.mid(line + 1) : QByteArray();
    }
    if (bytes.contains('\0')) {
        result.binary = true;
        return result;
    }
    // Boxes append lines from programs of their own: each line is UTF-8 when
    // it reads as UTF-8, else GB18030, so one odd line spoils no other.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QStringDecoder gb18030("GB18030", QStringDecoder::Flag::Stateless);
    QString text;
    text.reserve(bytes.size());
    for (qsizetype from = 0; from < bytes.size();) {
        qsizetype end = bytes.indexOf('\n', from);
        end = end < 0 ? bytes.size() : end + 1;
        const QByteArrayView line(bytes.constData() + from, end - from);
        QString decoded = utf8.decode(line);
        if (utf8.hasError()) {
            utf8.resetState();
            decoded = gb18030.decode(line);
            gb18030.resetState();
        }
        if (decoded.size() > kMaxBoxTextLine + 1) {
            const bool newline = decoded.endsWith(QLatin1Char('\n'));
            decoded.truncate(kMaxBoxTextLine);
            decoded += QStringLiteral(" …");
            if (newline)
                decoded += QLatin1Char('\n');
            ++result.longLines;
        }
        text += decoded;
        from = end;
    }
    result.text = std::move(text);
    return result;
}
