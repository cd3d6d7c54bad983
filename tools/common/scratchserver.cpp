#include "scratchserver.h"

#include <QFile>
#include <QTcpServer>

int FreeTcpPort()
{
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
