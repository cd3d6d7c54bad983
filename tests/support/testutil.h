#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestUtil {

// A TCP port nobody listens on right now.
int freePort();

// Raises this process's descriptor limit to the hard one; the limit now in
// force. Tests holding both ends of a thousand connections need it.
long raiseDescriptorLimit();

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

struct HttpResult
{
    int exitCode = -1; // curl's own
    int status = 0;    // the HTTP status
    QByteArray body;
};

// Runs curl with the arguments and the URL; the body comes back whole.
HttpResult curl(const QString &url, const QStringList &arguments = {}, const QByteArray &stdinData = {});

} // namespace TestUtil
