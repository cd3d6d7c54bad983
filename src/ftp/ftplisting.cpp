#include "ftplisting.h"

#include <QStringDecoder>
#include <QStringEncoder>

void host_info::cut()
{
    name.truncate(kNameMax);
    host.truncate(kHostMax);
    user.truncate(kUserMax);
    password.truncate(kPasswordMax);
    dir.truncate(kDirMax);
}

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c.unicode() < 0x20;
}

// Reads listing tokens: leading spaces and control characters are skipped, a
// token runs to the next space, and reading goes on after that space.
class Tokens
{
public:
    explicit Tokens(const QString &line) : m_line(line) {}

    // The next token, which must have more text after it; nothing otherwise.
    bool next(QString *token)
    {
        skipBlanks();
        const qsizetype space = m_line.indexOf(QLatin1Char(' '), m_at);
        if (space < 0)
            return false;
        if (token)
            *token = m_line.mid(m_at, space - m_at);
        m_at = space + 1;
        return true;
    }

    QString rest()
    {
        skipBlanks();
        return m_line.mid(m_at);
    }

private:
    void skipBlanks()
    {
        while (m_at < m_line.size() && isBlank(m_line.at(m_at)))
            ++m_at;
    }

    const QString &m_line;
    qsizetype m_at = 0;
};

} // namespace

s_listInfo ParseListLine(const QString &line)
{
    s_listInfo info;
    if (line.isEmpty())
        return info;
    const QChar first = line.at(0);
    Tokens tokens(line);
    if (first == QLatin1Char('-') || first == QLatin1Char('d') || first == QLatin1Char('D')) {
        QString attributes, size, month, day, time;
        if (!tokens.next(&attributes) || !tokens.next(nullptr) || !tokens.next(nullptr) || !tokens.next(nullptr) ||
            !tokens.next(&size) || !tokens.next(&month) || !tokens.next(&day) || !tokens.next(&time))
            return {};
        info.attributes = attributes;
        info.size = attributes.startsWith(QLatin1Char('d'), Qt::CaseInsensitive) ? kDirMarker : size;
        info.date = month + QLatin1Char(' ') + day + QLatin1Char(' ') + time;
    } else if (first >= QLatin1Char('0') && first <= QLatin1Char('9')) {
        QString date, time, size;
        if (!tokens.next(&date) || !tokens.next(&time) || !tokens.next(&size))
            return {};
        info.date = date + QLatin1Char(' ') + time;
        info.size = size;
    } else {
        return info;
    }
    info.name = tokens.rest();
    if (info.name.isEmpty())
        return {};
    return info;
}

QString StatusText(FtpStatus kind, const QString &text)
{
    switch (kind) {
    case FtpStatus::Resolving:
        return QStringLiteral("A host name is being resolved to an IP Address");
    case FtpStatus::Connecting:
        return QStringLiteral("A connection is being opened");
    case FtpStatus::Connected:
        return QStringLiteral("A connection has been made");
    case FtpStatus::Disconnecting:
        return QStringLiteral("The connection is being closed");
    case FtpStatus::Disconnected:
        return QStringLiteral("The connection has been closed");
    case FtpStatus::Other:
        break;
    }
    return QStringLiteral("Info:") + text;
}

QString DecodeFtpText(const QByteArray &bytes, bool *utf8)
{
    QStringDecoder fromUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = fromUtf8(bytes);
    if (!fromUtf8.hasError()) {
        if (utf8)
            *utf8 = true;
        return text;
    }
    if (utf8)
        *utf8 = false;
    QStringDecoder fromGb18030("GB18030");
    return fromGb18030(bytes);
}

QString DecodeFtpTextAs(const QByteArray &bytes, bool utf8)
{
    if (utf8)
        return QString::fromUtf8(bytes);
    QStringDecoder fromGb18030("GB18030");
    return fromGb18030(bytes);
}

QByteArray EncodeFtpText(const QString &text, bool utf8)
{
    if (utf8)
        return text.toUtf8();
    QStringEncoder toGb18030("GB18030");
    return toGb18030(text);
}
