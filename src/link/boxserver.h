#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The socket boxes connect to, with its open connections in the order they
// were accepted. Boxes send text messages ending in a zero byte, most as
// 256-byte zero-padded blocks; TCP may split or join them, so every byte that
// arrives is taken and cut at the zero bytes. A message that arrives without
// its zero byte is taken as it stands once the box falls silent, or when it
// reaches 256 bytes.
class BoxServer : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoxServer)

public:
    static constexpr int kMessageSize = 256;
    static constexpr int kUnterminatedWaitMs = 100;
    // Far more than a fleet of 256 boxes needs, far fewer than the
    // process's descriptors: a peer that opens connections without end
    // cannot starve the content service or the boxes.
    static constexpr int kMaxConnections = 1024;
    // Boxes heartbeat every few seconds: a connection silent this long
    // belongs to a box that lost power or its network, and is closed.
    static constexpr int kIdleLimitMs = 5 * 60 * 1000;

    explicit BoxServer(QObject *parent = nullptr);
    ~BoxServer() override;

    // Listens on every local IPv4 interface.
    bool listen(quint16 port);
    bool isListening() const;
    // Stops taking new connections; the open ones stay.
    void stopListening();
    quint16 port() const;
    QString errorString() const;

    // How long a connection may stay silent; tests shorten it.
    void setIdleLimit(int ms);

    // Open connections in accept order.
    const QList<QTcpSocket *> &connections() const { return m_connections; }

    static QString peerIp(const QTcpSocket *socket);
    static int peerPort(const QTcpSocket *socket);

signals:
    void clientConnected(QTcpSocket *socket);
    void messageReceived(QTcpSocket *socket, const QByteArray &message);
    // Winsock-style codes: 10053 connection aborted, 10060 timed out, ...
    void clientError(QTcpSocket *socket, int code);
    // A connection was closed to keep the count within kMaxConnections.
    void connectionShed(const QString &ip, int port);
    // A connection is gone, whatever closed it.
    void connectionClosed(const QString &ip, int port);
    // A connection silent for the idle limit was closed.
    void connectionIdle(const QString &ip, int port, int silentSeconds);

private:
    struct Link
    {
        QByteArray pending;
        QTimer *flush = nullptr;
        bool spoken = false;  // sent at least one byte
        qint64 lastHeard = 0; // ms on m_clock: accepted, or the last read
    };

    // Closes the oldest connection that has sent nothing yet; false when
    // every connection has spoken.
    bool shedSilentConnection();

    void accept();
    void read(QTcpSocket *socket);
    void flushPending(QTcpSocket *socket);
    void drop(QTcpSocket *socket);
    void closeIdleConnections();

    QTcpServer *m_server = nullptr;
    QTimer *m_idleSweep = nullptr;
    QElapsedTimer m_clock;
    int m_idleLimitMs = kIdleLimitMs;
    QList<QTcpSocket *> m_connections;
    QHash<QTcpSocket *, Link> m_links;
};
