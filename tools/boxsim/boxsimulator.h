#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QTcpSocket;
class QThread;
class QTimer;

// What one simulated box reports about itself.
struct BoxProfile
{
    QString mac;
    QString ip;
    QString version = QStringLiteral("1.0.3");
    int outputMode = 0;
    int layout = 0;
    int diskTotalMB = 1000;
    int diskFreeMB = 200;
    int status = 1;
    bool sendStatus = true;
    int clockOffsetSeconds = 0; // the box clock minus the real one
};

struct SimulatorOptions
{
    enum class Framing
    {
        Padded,
        Bare
    };

    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 9988;
    int heartbeatMs = 5000;            // 0: only the first heartbeat
    Framing framing = Framing::Padded; // 256-byte zero-padded blocks, or zero-terminated lines
    bool coalesce = false;             // several messages in one write
    bool split = false;                // every message in two writes
    QSet<int> failTypes;               // command types answered with their failure reply
    bool silent = false;               // connect, then never send anything
    int rebootMs = 2000;               // how long a reboot keeps the box away
    int reconnectMs = 1000;            // wait before reconnecting after the server went away
    QStringList files = {QStringLiteral("a.mp4"), QStringLiteral("b.mp4"), QStringLiteral("c.bmp")};
    int namesPerPart = 2; // file names per "info get box filename" part
    // Where the box puts files the server asks for when no upload address
    // came with the request: the server's content folder as an address
    // ("http://ip:port//path/content/"). Learnt from transfers, plans and
    // uploads when empty.
    QString contentAddress;
    // The box's clock, which decides when a plan's download window is open.
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
};

// A file of a download plan as the box fetched it from its FTP server.
struct PlanDownload
{
    QString name;
    QString url;
    qint64 received = -1; // bytes, -1 when the download failed
    QString error;
};

// A file a box fetched for a transfer.
struct BoxDownload
{
    QString name;
    qint64 announced = -1; // "filesize" in the download list
    qint64 received = -1;  // bytes fetched, -1 when the fetch failed
    bool ok() const { return received >= 0 && received == announced; }
};

// One box: keeps its link to the server, heartbeats, and answers commands
// with the replies a real box gives.
class SimulatedBox : public QObject
{
    Q_OBJECT

public:
    SimulatedBox(const BoxProfile &profile, const SimulatorOptions &options, QObject *parent = nullptr);
    ~SimulatedBox() override;

    void start();
    void stop();
    // Writes out whatever is still buffered, then stops.
    void finish();
    // Goes away as a reboot does and comes back after the reboot time.
    void reboot();

    const BoxProfile &profile() const { return m_profile; }
    BoxProfile &profile() { return m_profile; }
    bool isConnected() const;
    quint16 localPort() const;
    // Every command line received, without its padding.
    const QList<QByteArray> &received() const { return m_received; }
    // The files of the latest transfer.
    const QList<BoxDownload> &downloads() const { return m_downloads; }
    // The latest plan: its document, the day files fetched with it (short
    // name and bytes) and the files fetched over FTP.
    const QByteArray &plan() const { return m_plan; }
    const QList<QPair<QString, QByteArray>> &planDays() const { return m_planDays; }
    const QList<PlanDownload> &planDownloads() const { return m_planDownloads; }
    // The box's disk: path ("/mnt/hd1/Disc1/...") to contents. Play logs of
    // the last seven days, a few media files and a play list to begin with.
    QMap<QString, QByteArray> &disk() { return m_disk; }
    // The disk directory as the box reports it (GB2312).
    QByteArray diskDirectory() const;
    // Messages handed to the socket so far.
    qint64 sentMessages() const { return m_sent; }

    QByteArray heartbeatLine() const;
    void sendHeartbeat();
    void sendLine(const QByteArray &line);
    // Bytes exactly as given, for framing tests.
    void sendRaw(const QByteArray &bytes);

signals:
    void connected();
    void disconnected();
    void lineReceived(const QByteArray &line);
    // The raw bytes of one command block as they arrived.
    void blockReceived(const QByteArray &block);
    // A transfer ended: every file named by the download list was fetched or failed.
    void transferFinished();
    // A plan's files were all fetched or failed.
    void planFinished();

private:
    void connectToServer();
    void readCommands();
    void answer(const QByteArray &line);
    QByteArray frame(const QByteArray &line) const;
    void flushCoalesced();
    void startTransfer(const QByteArray &url);
    void fetchNext();
    void pumpSplit();
    void startPlan(const QByteArray &url);
    void fetchPlanDay();
    void startPlanDownloads();
    void answerFtpStatus();
    void answerGetFile(const QString &name);
    void answerFileUpload(const QByteArray &argument);
    void learnContentAddress(const QUrl &url);
    void seedDisk();
    // "0.xml" … "6.xml", "text-0.xml" …, "pic-0.xml" …: a day's play list.
    static bool isPlayList(const QString &name);
    void dropPlayLists();
    void keepPlayList(const QString &name, const QByteArray &bytes);
    void nextUpload();
    // PUTs the bytes to the content folder's filesys/ under the name, then
    // calls done with the address (empty on failure).
    void uploadToServer(const QString &name, const QByteArray &bytes, std::function<void(const QByteArray &)> done);

    BoxProfile m_profile;
    SimulatorOptions m_options;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_heartbeat = nullptr;
    QTimer *m_reconnect = nullptr;
    QByteArray m_incoming;
    QByteArray m_coalesced;
    QList<QByteArray> m_splitQueue; // messages still to go out in two writes each
    bool m_splitBusy = false;
    QList<QByteArray> m_received;
    QNetworkAccessManager *m_http = nullptr;
    QList<QPair<BoxDownload, QUrl>> m_pendingFiles;
    QList<BoxDownload> m_downloads;
    int m_transferId = 0;
    QByteArray m_plan;
    QUrl m_planUrl;
    QList<QPair<QString, QUrl>> m_pendingDays;
    QList<QPair<QString, QByteArray>> m_planDays;
    QList<PlanDownload> m_planDownloads;
    QDateTime m_windowStart;
    QDateTime m_windowEnd;
    QThread *m_ftpThread = nullptr;
    QMap<QString, QByteArray> m_disk;
    struct PendingUpload
    {
        QString boxPath;
        QUrl target;
        QByteArray bytes;
    };
    QList<PendingUpload> m_uploads;
    qint64 m_sent = 0;
    bool m_running = false;
};

// N boxes in one process, MACs 02:00:00:00:HH:LL and addresses 10.H.L.1.
class BoxSimulator : public QObject
{
    Q_OBJECT

public:
    BoxSimulator(int count, const SimulatorOptions &options, QObject *parent = nullptr);

    void start();
    void stop();
    const QList<SimulatedBox *> &boxes() const { return m_boxes; }
    SimulatedBox *box(int i) const { return m_boxes.value(i); }

    static QString macFor(int index);
    static QString ipFor(int index);

signals:
    void lineReceived(const QString &mac, const QByteArray &line);

private:
    QList<SimulatedBox *> m_boxes;
};
