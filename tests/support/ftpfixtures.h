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
    // slow: data at 32 KiB/s, and the commands it receives noted.
    explicit FtpServerProcess(const QString &root, bool slow = false);
    ~FtpServerProcess();
    FtpServerProcess(const FtpServerProcess &) = delete;
    FtpServerProcess &operator=(const FtpServerProcess &) = delete;

    bool isRunning() const { return m_port > 0; }
    int port() const { return m_port; }
    QString error() const { return m_error; }
    // The commands received so far (slow servers only), one a line.
    QByteArray commandsReceived();

private:
    QProcess m_process;
    int m_port = 0;
    QString m_error;
    QByteArray m_commands;
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
        EndlessListing,    // entries trickle out until ABOR
        Gb18030Names,      // a listing in GB18030 bytes; records CWD arguments
        HugeGreeting,      // a greeting of endless continuation lines, fast
        DrippedGreeting,   // a greeting one byte every 200 ms, never ending
        ElsewherePasv,     // EPSV refused; PASV names 127.0.0.2, where nothing listens
        DroppedMidListing, // the control connection closes during the listing
        ExactListing       // exactly 200,000 entries
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
    void drip();

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
