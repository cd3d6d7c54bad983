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

bool canEncode(const QString &text)
{
    bool ok = false;
    toGb2312(text, &ok);
    return ok;
}

qsizetype byteLength(const QString &text)
{
    bool ok = false;
    const QByteArray bytes = toGb2312(text, &ok);
    return ok ? bytes.size() : -1;
}

} // namespace CodePage
