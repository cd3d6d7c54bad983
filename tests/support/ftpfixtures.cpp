#include "ftpfixtures.h"

#include <QStringEncoder>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

FtpServerProcess::FtpServerProcess(const QString &root, bool slow)
{
    m_process.setProgram(QStringLiteral("/usr/bin/python3"));
    m_process.setArguments({QStringLiteral(FTPSERVER_SCRIPT), root});
    if (slow)
        m_process.setArguments(m_process.arguments() << QStringLiteral("slow"));
    m_process.setProcessChannelMode(QProcess::SeparateChannels);
    m_process.start();
    if (!m_process.waitForStarted(10000)) {
        m_error = QStringLiteral("python3 did not start: ") + m_process.errorString();
        return;
    }
    // The first line is the port; wait for it however long start-up takes.
    while (!m_process.canReadLine()) {
        if (!m_process.waitForReadyRead(30000)) {
            m_error = QString::fromUtf8(m_process.readAllStandardError());
            return;
        }
    }
    m_port = m_process.readLine().trimmed().toInt();
}

QByteArray FtpServerProcess::commandsReceived()
{
    m_commands += m_process.readAllStandardError();
    return m_commands;
}

FtpServerProcess::~FtpServerProcess()
{
    m_process.kill();
    m_process.waitForFinished(5000);
}

ScriptedFtpServer::ScriptedFtpServer(Mode mode, QObject *parent) : QObject(parent), m_mode(mode)
{
    m_server = new QTcpServer(this);
    m_server->listen(QHostAddress::LocalHost);
    connect(m_server, &QTcpServer::newConnection, this, &ScriptedFtpServer::onConnection);
    m_dataServer = new QTcpServer(this);
    m_dataServer->listen(QHostAddress::LocalHost);
    connect(m_dataServer, &QTcpServer::newConnection, this, [this] {
        QTcpSocket *socket = m_dataServer->nextPendingConnection();
        if (m_data)
            m_data->deleteLater();
        m_data = socket;
        if (!m_pendingListing.isNull() || m_trickling)
            QTimer::singleShot(0, this, &ScriptedFtpServer::trickle);
    });
}

int ScriptedFtpServer::port() const
{
    return m_server->serverPort();
}

void ScriptedFtpServer::onConnection()
{
    QTcpSocket *control = m_server->nextPendingConnection();
    m_control = control;
    connect(control, &QTcpSocket::readyRead, this, [this, control] {
        while (control->canReadLine()) {
            QByteArray line = control->readLine();
            while (line.endsWith('\n') || line.endsWith('\r'))
                line.chop(1);
            m_commands.append(line);
            emit commandReceived(line);
            onCommand(control, line);
        }
    });
    connect(control, &QTcpSocket::disconnected, control, &QObject::deleteLater);
    if (m_mode == Mode::HugeGreeting) {
        // Two mebibytes of continuation lines, with no last line.
        QByteArray lines;
        for (int i = 0; i < 32768; ++i)
            lines += "220-" + QByteArray(58, 'g') + "\r\n";
        control->write(lines);
    } else if (m_mode == Mode::DrippedGreeting) {
        control->write("2");
        QTimer::singleShot(200, this, &ScriptedFtpServer::drip);
    } else if (m_mode != Mode::SilentGreeting) {
        reply(control, "220 scripted server");
    }
}

void ScriptedFtpServer::drip()
{
    if (!m_control || m_control->state() != QAbstractSocket::ConnectedState)
        return;
    m_control->write("2");
    QTimer::singleShot(200, this, &ScriptedFtpServer::drip);
}

void ScriptedFtpServer::reply(QTcpSocket *control, const QByteArray &line)
{
    control->write(line + "\r\n");
    control->flush();
}

void ScriptedFtpServer::onCommand(QTcpSocket *control, const QByteArray &line)
{
    const QByteArray verb = line.split(' ').value(0).toUpper();
    if (verb == "USER") {
        reply(control, "331 password please");
    } else if (verb == "PASS") {
        reply(control, "230 logged in");
    } else if (verb == "TYPE") {
        reply(control, "200 type set");
    } else if (verb == "PWD") {
        reply(control, "257 \"/\" is the current directory");
    } else if (verb == "CWD") {
        if (m_mode != Mode::UnansweredCwd)
            reply(control, "250 done");
    } else if (verb == "CDUP") {
        reply(control, "250 done");
    } else if (verb == "EPSV" && m_mode == Mode::ElsewherePasv) {
        reply(control, "500 no EPSV here");
    } else if (verb == "EPSV") {
        reply(control,
              "229 Entering Extended Passive Mode (|||" + QByteArray::number(m_dataServer->serverPort()) + "|)");
    } else if (verb == "PASV") {
        const int p = m_dataServer->serverPort();
        const QByteArray host = m_mode == Mode::ElsewherePasv ? "127,0,0,2," : "127,0,0,1,";
        reply(control, "227 Entering Passive Mode (" + host + QByteArray::number(p >> 8) + ',' +
                           QByteArray::number(p & 0xFF) + ")");
    } else if (verb == "LIST") {
        reply(control, "150 here it comes");
        if (m_mode == Mode::StalledData)
            return;
        if (m_mode == Mode::ExactListing) {
            for (int i = 0; i < 200000; ++i)
                m_pendingListing += "-rw-r--r-- 1 ftp ftp 1 Jan 01 12:00 f" + QByteArray::number(i) + "\r\n";
        } else if (m_mode == Mode::DroppedMidListing) {
            m_pendingListing = "-rw-r--r-- 1 ftp ftp 1 Jan 01 12:00 first.mpg\r\n";
        } else if (m_mode == Mode::ElsewherePasv) {
            m_pendingListing = "-rw-r--r-- 1 ftp ftp 1 Jan 01 12:00 here.mpg\r\n";
        } else if (m_mode == Mode::Gb18030Names) {
            QStringEncoder toGb18030("GB18030");
            m_pendingListing = toGb18030(QStringLiteral("drwxr-xr-x 2 ftp ftp 4096 Jan 01 12:00 节目 一\r\n"
                                                        "-rw-r--r-- 1 ftp ftp 2048 Mar 3 2007 广告.mpg\r\n"));
        } else {
            m_pendingListing = QByteArray("");
        }
        m_trickling = m_mode == Mode::EndlessListing;
        if (m_data)
            QTimer::singleShot(0, this, &ScriptedFtpServer::trickle);
    } else if (verb == "ABOR") {
        m_trickling = false;
        m_pendingListing = QByteArray();
        if (m_data)
            m_data->abort();
        reply(control, "426 transfer aborted");
        reply(control, "226 ABOR done");
    } else if (verb == "NOOP") {
        reply(control, "200 ok");
    } else if (verb == "QUIT" && m_mode == Mode::UnansweredCwd) {
        // Neither CWD nor QUIT gets an answer.
    } else if (verb == "QUIT") {
        reply(control, "221 bye");
        control->disconnectFromHost();
    } else {
        reply(control, "502 not here");
    }
}

void ScriptedFtpServer::trickle()
{
    if (!m_data)
        return;
    if (m_mode == Mode::DroppedMidListing) {
        // Part of the listing, then the server goes away altogether.
        m_data->write(m_pendingListing);
        m_data->flush();
        if (m_control)
            m_control->abort();
        m_data->abort();
        return;
    }
    if (m_mode != Mode::EndlessListing) {
        m_data->write(m_pendingListing);
        m_data->disconnectFromHost();
        m_pendingListing = QByteArray();
        if (m_control)
            reply(m_control, "226 done");
        return;
    }
    if (!m_trickling)
        return;
    // A hundred thousand entries, a few hundred at a time.
    QByteArray chunk;
    for (int i = 0; i < 500 && m_entriesSent < 100000; ++i, ++m_entriesSent)
        chunk += "-rw-r--r-- 1 ftp ftp 1024 Jan 01 12:00 file" + QByteArray::number(m_entriesSent) + ".mpg\r\n";
    m_data->write(chunk);
    if (m_entriesSent >= 100000) {
        m_trickling = false;
        m_data->disconnectFromHost();
        if (m_control)
            reply(m_control, "226 done");
        return;
    }
    QTimer::singleShot(20, this, &ScriptedFtpServer::trickle);
}
