#include "inifile.h"

#include "base/require.h"
#include "base/safefile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>

namespace {

constexpr const char *kUnit = "inifile";

bool isLineBreak(char c)
{
    return c == '\n' || c == '\r';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// A stored name matches a wanted one when the wanted name begins with it.
bool nameMatches(QByteArrayView stored, const QByteArray &wanted)
{
    return wanted.startsWith(stored);
}

std::optional<QByteArray> readText(const QString &file)
{
    BF_REQUIRE(!file.isEmpty(), kUnit, "file !=NULL");
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.readAll();
}

bool writeText(const QString &file, const QByteArray &text, QString *why = nullptr)
{
    // Ftp.ini holds the FTP accounts' passwords: for the operator's eyes only.
    const bool secret = QFileInfo(file).fileName().compare(QLatin1String("Ftp.ini"), Qt::CaseInsensitive) == 0;
    QString error;
    if (SafeFile::write(file, text, &error, secret ? SafeFile::Access::OwnerOnly : SafeFile::Access::Keep))
        return true;
    qWarning("%s", qPrintable(error));
    if (why)
        *why = error;
    return false;
}

struct Header
{
    qsizetype start;     // the '['
    qsizetype close;     // the ']', or the end of the text
    QByteArrayView name; // into the text, which outlives it
};

// Section headers: a '[' at the start of the text or directly after a line break.
QList<Header> headers(const QByteArray &text)
{
    QList<Header> result;
    // The next ']' is looked for once per stretch of text, not once per
    // header: a file of many lines that open a header and never close it
    // would otherwise take time in the square of its length.
    qsizetype nextClose = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '[' || (i > 0 && !isLineBreak(text[i - 1])))
            continue;
        if (nextClose <= i)
            nextClose = text.indexOf(']', i + 1);
        if (nextClose < 0)
            nextClose = text.size();
        result.append({i, nextClose, QByteArrayView(text).sliced(i + 1, nextClose - i - 1)});
    }
    return result;
}

// The first '=' of the line from pos up to end, or -1.
qsizetype equalsIn(const QByteArray &text, qsizetype pos, qsizetype end)
{
    const char *found = static_cast<const char *>(std::memchr(text.constData() + pos, '=', size_t(end - pos)));
    return found ? found - text.constData() : -1;
}

struct SettingHit
{
    bool sectionFound = false;
    bool sectionClosed = true; // the last matching section's header has its ']'
    qsizetype insertAt = -1;   // start of the lines of the last matching section
    bool keyFound = false;
    qsizetype valueStart = -1;
    qsizetype valueEnd = -1; // the line break that ends the value, or the end of the text
};

SettingHit findSetting(const QByteArray &text, const QByteArray &section, const QByteArray &key)
{
    BF_REQUIRE(!section.isEmpty(), kUnit, "section != NULL && strlen(section)");
    BF_REQUIRE(!key.isEmpty(), kUnit, "key != NULL && strlen(key)");
    SettingHit hit;
    for (const Header &h : headers(text)) {
        if (!nameMatches(h.name, section))
            continue;
        qsizetype pos = h.close + 1;
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
        pos = qMin(pos, text.size());
        hit.sectionFound = true;
        hit.sectionClosed = h.close < text.size();
        hit.insertAt = pos;
        // The section's lines run up to the next line that begins with '['.
        while (pos < text.size()) {
            qsizetype end = pos;
            while (end < text.size() && !isLineBreak(text[end]))
                ++end;
            const bool lineStart = pos == 0 || isLineBreak(text[pos - 1]);
            if (lineStart && text[pos] == '[')
                break;
            if (end > pos && text[pos] != ';') {
                const qsizetype eq = equalsIn(text, pos, end);
                if (eq > pos && nameMatches(QByteArrayView(text).sliced(pos, eq - pos), key)) {
                    hit.keyFound = true;
                    hit.valueStart = eq + 1;
                    hit.valueEnd = end;
                    return hit;
                }
            }
            pos = end + 1;
        }
    }
    return hit;
}

struct BlockSection
{
    qsizetype bodyStart;
    qsizetype bodyEnd; // the next '[' anywhere, or the end of the text
    bool closed;       // the header has its ']'
};

std::optional<BlockSection> findBlockSection(const QByteArray &text, const QByteArray &section)
{
    for (const Header &h : headers(text)) {
        if (!nameMatches(h.name, section))
            continue;
        const qsizetype start = qMin(h.close + 1, text.size());
        qsizetype end = text.indexOf('[', start);
        if (end < 0)
            end = text.size();
        return BlockSection{start, end, h.close < text.size()};
    }
    return std::nullopt;
}

} // namespace

bool IniIsValidBlockValue(const QByteArray &value)
{
    if (value.size() >= MAX_INIWRITEVALUELEN)
        return false;
    for (char c : value) {
        // '[' would end the section's body where it stands, and every block
        // after it would be lost.
        if (c == ',' || c == '}' || c == '[' || isLineBreak(c) || c == '\0')
            return false;
    }
    return true;
}

int IniReadString(const QByteArray &section, const QByteArray &key, QByteArray &value, int size,
                  const char *defaultValue, const QString &file)
{
    BF_REQUIRE(!section.isEmpty(), kUnit, "section != NULL && strlen(section)");
    BF_REQUIRE(!key.isEmpty(), kUnit, "key != NULL && strlen(key)");
    BF_REQUIRE(size > 0, kUnit, "size > 0");
    BF_REQUIRE(!file.isEmpty(), kUnit, "file !=NULL");
    if (const auto text = readText(file)) {
        const SettingHit hit = findSetting(*text, section, key);
        if (hit.keyFound) {
            value = text->mid(hit.valueStart, qMin<qsizetype>(hit.valueEnd - hit.valueStart, size - 1));
            return 1;
        }
    }
    if (defaultValue)
        value = QByteArray(defaultValue).left(size);
    return 0;
}

int IniReadInt(const QByteArray &section, const QByteArray &key, int defaultValue, const QString &file)
{
    QByteArray text;
    if (!IniReadString(section, key, text, 32, nullptr, file))
        return defaultValue;
    qsizetype i = 0;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    long long number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        number = number * 10 + (text[i] - '0');
        if (number > static_cast<long long>(INT_MAX) + 1)
            number = static_cast<long long>(INT_MAX) + 1; // saturate: out of range is not a wrap-around
    }
    if (negative)
        number = -number;
    return static_cast<int>(std::clamp<long long>(number, INT_MIN, INT_MAX));
}

int IniWriteString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &file)
{
    BF_REQUIRE(!section.isEmpty(), kUnit, "section != NULL && strlen(section)");
    BF_REQUIRE(!key.isEmpty(), kUnit, "key != NULL && strlen(key)");
    BF_REQUIRE(!file.isEmpty(), kUnit, "file !=NULL");
    // A line break or a zero byte would not read back as this value.
    if (value.contains('\n') || value.contains('\r') || value.contains('\0'))
        return 0;
    const QByteArray old = readText(file).value_or(QByteArray());
    QByteArray text;
    if (old.isEmpty()) {
        text = "[" + section + "]\n" + key + "=" + value + "\n";
    } else {
        const SettingHit hit = findSetting(old, section, key);
        if (!hit.sectionFound)
            text = old + "\n[" + section + "]\n" + key + "=" + value + "\n";
        else if (!hit.keyFound && !hit.sectionClosed)
            // A file cut in the middle of its last header: close the header,
            // or the new line would read as part of the section's name.
            text = old + "]\n" + key + "=" + value + "\n";
        else if (!hit.keyFound)
            text = old.left(hit.insertAt) + key + "=" + value + "\n" + old.mid(hit.insertAt);
        else
            text = old.left(hit.valueStart) + value + old.mid(hit.valueEnd);
    }
    return writeText(file, text) ? 1 : 0;
}

int IniReadNode(InitNode &node, const QString &file)
{
    BF_REQUIRE(!node.section.isEmpty(), kUnit, "pNode->section != NULL && strlen(pNode->section)");
    BF_REQUIRE(!node.key.isEmpty(), kUnit, "pNode->key != NULL && strlen(pNode->key)");
    node.blocks.clear();
    node.kept.clear();
    const auto text = readText(file);
    if (!text)
        return 0;
    const auto body = findBlockSection(*text, node.section);
    if (!body)
        return 0;
    const QByteArray &t = *text;
    qsizetype pos = body->bodyStart;
    while (pos < body->bodyEnd) {
        qsizetype lineEnd = pos;
        while (lineEnd < body->bodyEnd && !isLineBreak(t[lineEnd]))
            ++lineEnd;
        const qsizetype eq = equalsIn(t, pos, lineEnd);
        if (eq >= 0 && nameMatches(QByteArrayView(t).sliced(pos, eq - pos), node.key) && eq + 1 < body->bodyEnd &&
            t[eq + 1] == '{') {
            const qsizetype close = t.indexOf('}', eq + 2);
            // A block that is not closed inside its section is not read.
            if (close < 0 || close >= body->bodyEnd) {
                for (const QByteArray &line : t.mid(pos, body->bodyEnd - pos).split('\n')) {
                    if (!line.trimmed().isEmpty())
                        node.kept.append(line.endsWith('\r') ? line.chopped(1) : line);
                }
                break;
            }
            node.blocks.append(t.mid(eq + 2, close - eq - 2).split(','));
            // The rest of the block's line is not looked at.
            lineEnd = close;
            while (lineEnd < body->bodyEnd && !isLineBreak(t[lineEnd]))
                ++lineEnd;
        } else {
            const QByteArray line = t.mid(pos, lineEnd - pos);
            if (!line.trimmed().isEmpty())
                node.kept.append(line);
        }
        pos = lineEnd + 1;
    }
    return 1;
}

int IniWriteNode(const InitNode &node, const QString &file, QString *error)
{
    BF_REQUIRE(!file.isEmpty(), kUnit, "file !=NULL");
    BF_REQUIRE(!node.section.isEmpty() && !node.key.isEmpty(), kUnit, "pHead!=NULL");
    for (const auto &block : node.blocks) {
        for (const QByteArray &value : block) {
            if (!IniIsValidBlockValue(value)) {
                if (error)
                    *error = QStringLiteral("a value cannot be stored in %1").arg(file);
                return 0;
            }
        }
    }
    const auto old = readText(file);
    const auto body = old ? findBlockSection(*old, node.section) : std::nullopt;
    QByteArray text;
    if (body) {
        // The header and its line break stay; blocks start on a fresh line
        // even when the header line went on (a comment, or nothing at all),
        // or they would not read back.
        text = old->left(body->bodyStart);
        // A header without its ']' would take the blocks into its name.
        if (!body->closed)
            text += ']';
        const bool lineBreak = body->bodyStart < old->size() && isLineBreak(old->at(body->bodyStart));
        text += lineBreak ? old->at(body->bodyStart) : '\n';
    } else {
        text = "[" + node.section + "]\n";
    }
    for (const QByteArray &line : node.kept) {
        if (!line.trimmed().isEmpty() && !line.contains('\n') && !line.contains('\r'))
            text += line + '\n';
    }
    for (const auto &block : node.blocks) {
        if (block.isEmpty())
            continue;
        text += node.key + "={" + block.join(',') + "}\n";
    }
    if (body)
        text += "\n" + old->mid(body->bodyEnd);
    return writeText(file, text, error) ? 1 : 0;
}
