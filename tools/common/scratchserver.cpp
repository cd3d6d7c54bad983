#include "scratchserver.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTcpServer>

namespace {

// The lowest port the kernel hands out to outgoing connections.
int EphemeralPortsStart()
{
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range"));
    if (!range.open(QIODevice::ReadOnly))
        return 32768;
    bool ok = false;
    const int low = range.readAll().simplified().split(' ').value(0).toInt(&ok);
    return ok ? low : 32768;
}

bool Listens(int port)
{
    QTcpServer server;
    return server.listen(QHostAddress::Any, quint16(port));
}

} // namespace

int FreeTcpPort()
{
    // A port below the ones outgoing connections get: a port a server lets go
    // for a moment (a restart) cannot be taken by some other program's
    // connection meanwhile.
    const int end = EphemeralPortsStart();
    constexpr int kFirst = 10000;
    for (int attempt = 0; end > kFirst && attempt < 200; ++attempt) {
        const int port = kFirst + int(QRandomGenerator::global()->bounded(end - kFirst));
        if (Listens(port))
            return port;
    }
    QTcpServer server;
    if (!server.listen(QHostAddress::Any, 0))
        return 0;
    return server.serverPort();
}

StartupOptions ScratchServerOptions(const QString &folder, const QString &serviceIp)
{
    StartupOptions options;
    options.deployFile = folder + QStringLiteral("/Deploy.ini");
    options.content = folder + QStringLiteral("/content");
    options.serviceIp = serviceIp;
    options.boxPort = FreeTcpPort();
    QFile deploy(options.deployFile);
    if (deploy.open(QIODevice::WriteOnly))
        deploy.write("[SERVICE]\nSERVICE PORT=" + QByteArray::number(FreeTcpPort()) + "\n");
    return options;
}
