#include "testutil.h"

#include "scratchserver.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryFile>

#include <sys/resource.h>

namespace TestUtil {

int freePort()
{
    return FreeTcpPort();
}

long raiseDescriptorLimit()
{
    rlimit limit = {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    getrlimit(RLIMIT_NOFILE, &limit);
    return long(limit.rlim_cur);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

HttpResult curl(const QString &url, const QStringList &arguments, const QByteArray &stdinData)
{
    QTemporaryFile body;
    body.open();
    QProcess process;
    QStringList all = {QStringLiteral("-s"), QStringLiteral("-o"), body.fileName(), QStringLiteral("-w"),
                       QStringLiteral("%{http_code}")};
    all += arguments;
    all += url;
    process.start(QStringLiteral("curl"), all);
    process.waitForStarted();
    if (!stdinData.isEmpty())
        process.write(stdinData);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    HttpResult result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.status = process.readAllStandardOutput().trimmed().toInt();
    body.seek(0);
    result.body = body.readAll();
    return result;
}

} // namespace TestUtil
