#pragma once

#include <QLibrary>
#include <QObject>
#include <QString>
#include <QStringList>

#include <utility>

struct ServerSettings;

// Starts the content HTTP service library beside the executable and relays
// its log lines to this thread.
class ContentService : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ContentService)

public:
    enum Result
    {
        Started = 0,
        NotLoadable = 2,  // the library cannot be loaded
        NoEntryPoint = 3, // the library has no VodServerInit
        NotListening = 4, // the library loaded but the service did not start (port in use)
    };

    explicit ContentService(QObject *parent = nullptr);
    ~ContentService() override;

    // libvestrid.so in the executable's folder, or else in the program's
    // private library folder of an installation.
    static QString defaultLibraryPath();

    // Loads the library, gives it the content root and its upload folder, and
    // starts it on the settings' service port.
    Result start(const QString &libraryPath, const ServerSettings &settings, void *window = nullptr);
    // Stops the service and the monitoring listener.
    void stop();
    bool isRunning() const { return m_running; }

    // Lets the service hand out a file outside the content root.
    void publish(const QString &path);
    void setUploadLimit(qint64 bytes);
    // Uploads from then on: straight into the upload folder only from a box
    // address, into a box's folder only the file a task asked that address
    // for (address, local path); the rest is refused.
    void setUploadPermits(const QStringList &boxAddresses, const QList<std::pair<QString, QString>> &tasks);
    // Connections one peer address may hold (0: no limit); used by start().
    void setPerAddressLimit(int connections) { m_perAddressLimit = connections; }
    // Seconds a connection may stay silent (0: the library's own 20 s); used by start().
    void setIdleTimeout(int seconds) { m_idleSeconds = seconds; }
    // Uploads that would leave less free space than this are refused.
    void setFreeSpaceReserve(qint64 bytes);

    // The monitoring listener on address:port (an IPv4 address), apart from
    // the content port; false when it cannot listen there. The text it
    // serves at /metrics is the last one set.
    bool startMetrics(const QString &address, int port);
    void stopMetrics();
    void setMetrics(const QByteArray &text);
    // Responses per status code (0: any other code) and bytes of file
    // bodies sent whole, since the library was loaded.
    struct Counters
    {
        QList<QPair<int, quint64>> responses;
        quint64 bytesSent = 0;
    };
    Counters counters() const;

    // The folder under the content root that boxes upload into.
    static QString uploadRoot(const ServerSettings &settings);

signals:
    // A line from the service's own threads, delivered on this object's thread.
    void logLine(const QString &line);

private:
    static void relayLog(void *context, const char *line);

    QLibrary m_library;
    bool m_running = false;
    int m_perAddressLimit = -1; // the library's own default
    int m_idleSeconds = 0;
    char m_bufferA[16] = {};
    char m_bufferB[16] = {};
};
