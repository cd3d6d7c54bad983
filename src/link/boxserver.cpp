#include "boxserver.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstring>

namespace {

// The error codes the event log shows, in the numbering boxes' operators know.
int errorCode(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return 10061;
    case QAbstractSocket::SocketAccessError:
        return 10013;
    case QAbstractSocket::SocketResourceError:
        return 10055;
    case QAbstractSocket::SocketTimeoutError:
        return 10060;
    case QAbstractSocket::NetworkError:
        return 10050;
    default:
        return 10053;
    }
}

} // namespace

BoxServer::BoxServer(QObject *parent) : QObject(parent), m_server(new QTcpServer(this)), m_idleSweep(new QTimer(this))
{
    connect(m_server, &QTcpServer::newConnection, this, &BoxServer::accept);
    m_clock.start();
    // Silence is looked for a few times within the limit, not on every read.
    m_idleSweep->setInterval(m_idleLimitMs / 5);
    connect(m_idleSweep, &QTimer::timeout, this, &BoxServer::closeIdleConnections);
    m_idleSweep->start();
}

void BoxServer::setIdleLimit(int ms)
{
    m_idleLimitMs = qMax(1, ms);
    m_idleSweep->start(qMax(1, m_idleLimitMs / 5));
}

void BoxServer::closeIdleConnections()
{
    const qint64 now = m_clock.elapsed();
    QList<QTcpSocket *> idle;
    for (QTcpSocket *socket : std::as_const(m_connections)) {
        if (now - m_links.value(socket).lastHeard >= m_idleLimitMs)
            idle.append(socket);
    }
    for (QTcpSocket *socket : idle) {
        emit connectionIdle(peerIp(socket), peerPort(socket), int((now - m_links.value(socket).lastHeard) / 1000));
        socket->abort();
        if (m_connections.contains(socket))
            drop(socket);
    }
}

BoxServer::~BoxServer() = default;

bool BoxServer::listen(quint16 port)
{
    return m_server->listen(QHostAddress::AnyIPv4, port);
}

bool BoxServer::isListening() const
{
    return m_server->isListening();
}

void BoxServer::stopListening()
{
    m_server->close();
}

quint16 BoxServer::port() const
{
    return m_server->serverPort();
}

QString BoxServer::errorString() const
{
    return m_server->errorString();
}

QString BoxServer::peerIp(const QTcpSocket *socket)
{
    return socket->peerAddress().toString();
}

int BoxServer::peerPort(const QTcpSocket *socket)
{
    return socket->peerPort();
}

bool BoxServer::shedSilentConnection()
{
    for (QTcpSocket *socket : std::as_const(m_connections)) {
        if (!m_links.value(socket).spoken) {
            emit connectionShed(peerIp(socket), peerPort(socket));
            socket->abort();
            if (m_connections.contains(socket))
                drop(socket);
            return true;
        }
    }
    return false;
}

void BoxServer::accept()
{
    while (QTcpSocket *socket = m_server->nextPendingConnection()) {
        // Full: the oldest connection that never said a word makes room;
        // when every one has spoken, the newcomer is turned away.
        if (m_connections.size() >= kMaxConnections && !shedSilentConnection()) {
            emit connectionShed(peerIp(socket), peerPort(socket));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_connections.append(socket);
        // The system notices a peer that vanished without a word.
        socket->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
        Link &link = m_links[socket];
        link.lastHeard = m_clock.elapsed();
        link.flush = new QTimer(socket);
        link.flush->setSingleShot(true);
        link.flush->setInterval(kUnterminatedWaitMs);
        connect(link.flush, &QTimer::timeout, this, [this, socket] { flushPending(socket); });
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { drop(socket); });
        connect(socket, &QTcpSocket::errorOccurred, this, [this, socket](QAbstractSocket::SocketError error) {
            // A box closing its end is no error; the connection just goes.
            if (error == QAbstractSocket::RemoteHostClosedError)
                return;
            const int code = errorCode(error);
            emit clientError(socket, code);
            if (code == 10053)
                socket->abort();
        });
        emit clientConnected(socket);
    }
}

void BoxServer::read(QTcpSocket *socket)
{
    auto it = m_links.find(socket);
    if (it == m_links.end())
        return;
    it->pending += socket->readAll();
    it->spoken = true;
    it->lastHeard = m_clock.elapsed();
    it->flush->stop();
    // Signal receivers may send or close; keep working on a local copy.
    QByteArray data = std::exchange(it->pending, QByteArray());
    qsizetype start = 0;
    for (;;) {
        const qsizetype zero = data.indexOf('\0', start);
        const qsizetype end = zero < 0 ? data.size() : zero;
        // Boxes that end their lines with a line break may have several
        // joined in one read: a line break with more text after it, before
        // the zero byte, ends a message too.
        const qsizetype window = qMin(end, start + kMessageSize);
        if (const char *nl =
                static_cast<const char *>(std::memchr(data.constData() + start, '\n', size_t(window - start)))) {
            const qsizetype at = nl - data.constData();
            if (at + 1 < end) {
                if (at > start)
                    emit messageReceived(socket, data.mid(start, at - start));
                start = at + 1;
                continue;
            }
        }
        if (end - start >= kMessageSize) {
            emit messageReceived(socket, data.mid(start, kMessageSize));
            start += kMessageSize;
            continue;
        }
        if (zero < 0)
            break;
        if (zero > start)
            emit messageReceived(socket, data.mid(start, zero - start));
        start = zero + 1;
    }
    it = m_links.find(socket);
    if (it == m_links.end() || start >= data.size())
        return;
    it->pending = data.mid(start);
    it->flush->start();
}

void BoxServer::flushPending(QTcpSocket *socket)
{
    auto it = m_links.find(socket);
    if (it == m_links.end() || it->pending.isEmpty())
        return;
    const QByteArray message = std::exchange(it->pending, QByteArray());
    emit messageReceived(socket, message);
}

void BoxServer::drop(QTcpSocket *socket)
{
    if (!m_connections.removeOne(socket))
        return;
    m_links.remove(socket);
    emit connectionClosed(peerIp(socket), peerPort(socket));
    socket->deleteLater();
}
