#include "boxwords.h"

#include <QCoreApplication>
#include <QRegularExpression>

namespace {

// The download speed's word carries its number: "Set Max Download Speed: 512KB/s".
constexpr char kSpeedWord[] = "Set Max Download Speed: %1KB/s";

} // namespace

QString ReadableWord(const QString &kept)
{
    if (kept.isEmpty())
        return kept;
    static const QRegularExpression speed(QStringLiteral("^Set Max Download Speed: (-?\\d+)KB/s$"));
    if (const QRegularExpressionMatch match = speed.match(kept); match.hasMatch())
        return QCoreApplication::translate("BoxWords", kSpeedWord).arg(match.captured(1));
    const auto translated = [](const QString &word) {
        return QCoreApplication::translate("BoxWords", word.toUtf8().constData());
    };
    const QString whole = translated(kept);
    if (whole != kept)
        return whole;
    // A reply kept with the box's own text after it: "Get File Succeed: info get file …".
    const qsizetype colon = kept.indexOf(QLatin1String(": "));
    if (colon > 0) {
        const QString head = kept.left(colon);
        const QString readable = translated(head);
        if (readable != head)
            return readable + kept.mid(colon);
    }
    return kept;
}

QStringList KeptWordsReadAs(const QString &text, const QStringList &keptWords)
{
    QStringList found;
    if (text.isEmpty())
        return found;
    for (const QString &kept : keptWords) {
        if (kept.contains(QLatin1String("%1")))
            continue; // found by its own words
        if (!kept.contains(text, Qt::CaseInsensitive) && ReadableWord(kept).contains(text, Qt::CaseInsensitive))
            found.append(kept);
    }
    return found;
}
