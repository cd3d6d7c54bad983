#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class QFileDevice;

// Every file the program rewrites (Deploy.ini, MacGroup.ini, Ftp.ini, the
// generated XML) is replaced as a whole: the new bytes go into a temporary
// file beside it, and only when every one of them was written and synced is
// the temporary renamed over the old file. A full disk or a crash leaves the
// old file as it was.
class Prompter;

namespace SafeFile {

enum class Access
{
    Keep,     // the old file's permissions, or the usual ones for a new file
    OwnerOnly // 0600: the file holds passwords
};

// True when the file now holds exactly these bytes; otherwise the old file is
// untouched and error (when given) says why.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr, Access access = Access::Keep);

// What puts the bytes into the open temporary file and returns how many it
// wrote, or -1; tests hand in one that fails the way a full disk does. An
// empty function restores the real writer.
using Writer = std::function<qint64(QFileDevice &file, const QByteArray &bytes)>;
void setWriter(Writer writer);

// Removes the temporaries an earlier run that was killed in the middle of a
// write left in the folder beside files matching one of the name patterns
// ("MacGroup.ini", "*.xml"). Returns how many were removed.
int removeStaleTemporaries(const QString &folder, const QStringList &namePatterns);

// Asks the operator where to save an export (title, a proposed path, a
// file-dialog filter) and writes what bytes() gives there; a failure is told.
void exportTo(Prompter &prompter, const QString &title, const QString &proposal, const QString &filter,
              const std::function<QByteArray()> &bytes);

} // namespace SafeFile
