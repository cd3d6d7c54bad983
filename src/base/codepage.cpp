#include "codepage.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace CodePage {

QByteArray toGb2312(const QString &text, bool *ok)
{
    QStringEncoder encoder("GB2312", QStringConverter::Flag::Stateless);
    QByteArray bytes = encoder.encode(text);
    const bool good = encoder.isValid() && !encoder.hasError();
    if (ok)
        *ok = good;
    return good ? bytes : QByteArray();
}

QString fromGb2312(const QByteArray &bytes)
{
    QStringDecoder decoder("GB18030", QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

QString fromGb2312(const QByteArray &bytes, bool *exact)
{
    QString text = fromGb2312(bytes);
    if (exact) {
        bool ok = false;
        *exact = toGb2312(text, &ok) == bytes && ok;
    }
    return text;
}

QByteArray sortKey(const QString &text)
{
    // Lists sort up to a million rows: most texts are ASCII and need no
    // converter, and the converter is made once per thread.
    QByteArray key;
    bool ascii = true;
    for (const QChar c : text)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        key = text.toLatin1();
    } else {
        thread_local QStringEncoder encoder("GB18030", QStringConverter::Flag::Stateless);
        key = encoder.encode(text);
    }
    for (char &c : key) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return key;
}

bool roundTrips(const QString &text)
{
    bool ok = false;
    const QByteArray bytes = toGb2312(text, &ok);
    return ok && fromGb2312(bytes) == text;
}

bool canEncode(const QString &text)
{
    bool ok = false;
    toGb2312(text, &ok);
    return ok;
}

QString unencodable(const QString &text)
{
    QStringList refused;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character beyond the first plane is a surrogate pair.
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, length);
        i += length - 1;
        if (!canEncode(character) && !refused.contains(character))
            refused.append(character);
    }
    return refused.join(QStringLiteral(", "));
}

qsizetype byteLength(const QString &text)
{
    bool ok = false;
    const QByteArray bytes = toGb2312(text, &ok);
    return ok ? bytes.size() : -1;
}

QString leftBytes(const QString &text, qsizetype maxBytes)
{
    qsizetype used = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const qsizetype width = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const qsizetype bytes = text[i].unicode() < 0x80 ? 1 : 2;
        if (used + bytes > maxBytes)
            break;
        used += bytes;
        i += width;
    }
    return text.left(i);
}

QByteArray leftBytes(const QByteArray &bytes, qsizetype maxBytes)
{
    if (bytes.size() <= maxBytes)
        return bytes;
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype width = static_cast<unsigned char>(bytes[i]) >= 0x80 ? 2 : 1;
        if (i + width > maxBytes)
            break;
        i += width;
    }
    return bytes.left(i);
}

} // namespace CodePage
