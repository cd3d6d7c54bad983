#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QProcess>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A real FTP server (pyftpdlib from Debian) on 127.0.0.1 serving a folder:
// user "op" with password "secret", and anonymous logins.
class FtpServerProcess
{
public:
    explicit FtpServerProcess(const QString &root);
    ~FtpServerProcess();
    FtpServerProcess(const FtpServerProcess &) = delete;
    FtpServerProcess &operator=(const FtpServerProcess &) = delete;

    bool isRunning() const { return m_port > 0; }
    int port() const { return m_port; }
    QString error() const { return m_error; }

private:
    QProcess m_process;
    int m_port = 0;
    QString m_error;
};

// A small FTP server that misbehaves on purpose, run on the test's own
// thread: it may never greet, never answer CWD, stall a listing's data, or
// send a listing of many lines slowly until it is aborted.
class ScriptedFtpServer : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        SilentGreeting,
        UnansweredCwd,
        StalledData,
        EndlessListing, // entries trickle out until ABOR
        Gb18030Names    // a listing in GB18030 bytes; records CWD arguments
    };

    explicit ScriptedFtpServer(Mode mode, QObject *parent = nullptr);
    int port() const;
    // Every command line received, as bytes.
    const QList<QByteArray> &commands() const { return m_commands; }
    qint64 entriesSent() const { return m_entriesSent; }

signals:
    void commandReceived(const QByteArray &line);

private:
    void onConnection();
    void onCommand(QTcpSocket *control, const QByteArray &line);
    void reply(QTcpSocket *control, const QByteArray &line);
    void trickle();

    Mode m_mode;
    QTcpServer *m_server = nullptr;
    QTcpServer *m_dataServer = nullptr;
    QTcpSocket *m_control = nullptr;
    QTcpSocket *m_data = nullptr;
    QList<QByteArray> m_commands;
    QByteArray m_pendingListing;
    qint64 m_entriesSent = 0;
    bool m_trickling = false;
};
