#include "safefile.h"

#include "messages.h"
#include "prompter.h"

#include <QDir>
#include <QRegularExpression>
#include <QSaveFile>

namespace SafeFile {

namespace {

Writer &writer()
{
    static Writer w;
    return w;
}

} // namespace

bool write(const QString &path, const QByteArray &bytes, QString *error, Access access)
{
    QSaveFile file(path);
    const auto fail = [&](const QString &why) {
        file.cancelWriting();
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, why);
        return false;
    };
    // Unbuffered: a write the disk refuses fails here, before the rename.
    // Through a buffer it would fail only inside commit(), which renames the
    // short temporary over the old file all the same.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    if (access == Access::OwnerOnly && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return fail(file.errorString());
    const qint64 written = writer() ? writer()(file, bytes) : file.write(bytes);
    if (written != bytes.size() || file.error() != QFileDevice::NoError)
        return fail(file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("short write"));
    if (!file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}

void setWriter(Writer w)
{
    writer() = std::move(w);
}

int removeStaleTemporaries(const QString &folder, const QStringList &namePatterns)
{
    // A temporary is the file's own name followed by '.' and six random
    // letters or digits.
    QStringList filters;
    for (const QString &pattern : namePatterns)
        filters.append(pattern + QStringLiteral(".??????"));
    const QRegularExpression suffix(QStringLiteral("\\.[A-Za-z0-9]{6}$"));
    QDir dir(folder);
    int removed = 0;
    for (const QString &name : dir.entryList(filters, QDir::Files | QDir::Hidden | QDir::System)) {
        if (suffix.match(name).hasMatch() && dir.remove(name)) {
            qInfo("Removed %s, left by an interrupted write", qPrintable(dir.filePath(name)));
            ++removed;
        }
    }
    return removed;
}

void exportTo(Prompter &prompter, const QString &title, const QString &proposal, const QString &filter,
              const std::function<QByteArray()> &bytes)
{
    const auto file = prompter.saveFile(title, proposal, filter);
    if (!file)
        return;
    QString error;
    if (!write(*file, bytes(), &error))
        prompter.error(Msg::tr(Msg::ErrorTitle), error);
}

} // namespace SafeFile
