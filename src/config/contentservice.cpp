#include "contentservice.h"

#include "settings.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <vector>

namespace {

using InitFunction = int (*)(void *, char *, char *, int);
using StopFunction = void (*)();
using RootsFunction = void (*)(const char *, const char *);
using PathFunction = void (*)(const char *);
using LimitFunction = void (*)(long long);
using LoggerFunction = void (*)(void (*)(void *, const char *), void *);

} // namespace

ContentService::ContentService(QObject *parent) : QObject(parent) {}

ContentService::~ContentService()
{
    stop();
}

QString ContentService::defaultLibraryPath()
{
    // Beside the program in a build tree; in its private folder when installed.
    const QString beside = QCoreApplication::applicationDirPath() + QStringLiteral("/libvestrid.so");
    if (QFileInfo::exists(beside))
        return beside;
    return QStringLiteral(BOXFLEET_PRIVATE_LIBDIR "/libvestrid.so");
}

QString ContentService::uploadRoot(const ServerSettings &settings)
{
    return settings.contentRoot + QStringLiteral("filesys/");
}

ContentService::Result ContentService::start(const QString &libraryPath, const ServerSettings &settings, void *window)
{
    if (m_running)
        return Started;
    m_library.setFileName(libraryPath);
    if (!m_library.load()) {
        qWarning("Cannot load the content service: %s", qPrintable(m_library.errorString()));
        return NotLoadable;
    }
    const auto init = reinterpret_cast<InitFunction>(m_library.resolve("VodServerInit"));
    if (!init) {
        qWarning("The content service library has no VodServerInit");
        return NoEntryPoint;
    }
    if (const auto setLogger = reinterpret_cast<LoggerFunction>(m_library.resolve("VodServerSetLogger")))
        setLogger(&ContentService::relayLog, this);
    if (const auto setRoots = reinterpret_cast<RootsFunction>(m_library.resolve("VodServerSetRoots"))) {
        setRoots(QFile::encodeName(settings.contentRoot).constData(),
                 QFile::encodeName(uploadRoot(settings)).constData());
    }
    if (m_perAddressLimit >= 0) {
        using CountFunction = void (*)(unsigned);
        if (const auto setLimit = reinterpret_cast<CountFunction>(m_library.resolve("VodServerSetPerAddressLimit")))
            setLimit(unsigned(m_perAddressLimit));
    }
    if (m_idleSeconds > 0) {
        using CountFunction = void (*)(unsigned);
        if (const auto setIdle = reinterpret_cast<CountFunction>(m_library.resolve("VodServerSetIdleTimeout")))
            setIdle(unsigned(m_idleSeconds));
    }
    if (init(window, m_bufferA, m_bufferB, settings.servicePort) != 0)
        return NotListening;
    m_running = true;
    return Started;
}

void ContentService::stop()
{
    if (!m_library.isLoaded())
        return;
    stopMetrics();
    if (m_running) {
        if (const auto stopService = reinterpret_cast<StopFunction>(m_library.resolve("VodServerStop")))
            stopService();
        m_running = false;
    }
    if (const auto setLogger = reinterpret_cast<LoggerFunction>(m_library.resolve("VodServerSetLogger")))
        setLogger(nullptr, nullptr);
}

bool ContentService::startMetrics(const QString &address, int port)
{
    using StartFunction = int (*)(const char *, int);
    const auto start = reinterpret_cast<StartFunction>(m_library.resolve("VodServerMetricsStart"));
    return start && start(address.toLatin1().constData(), port) == 0;
}

void ContentService::stopMetrics()
{
    if (const auto stopMetrics = reinterpret_cast<StopFunction>(m_library.resolve("VodServerMetricsStop")))
        stopMetrics();
}

void ContentService::setMetrics(const QByteArray &text)
{
    using SetFunction = void (*)(const char *, size_t);
    if (const auto set = reinterpret_cast<SetFunction>(m_library.resolve("VodServerSetMetrics")))
        set(text.constData(), size_t(text.size()));
}

ContentService::Counters ContentService::counters() const
{
    Counters result;
    using CountsFunction = size_t (*)(int *, unsigned long long *, size_t);
    using BytesFunction = unsigned long long (*)();
    auto &library = const_cast<QLibrary &>(m_library);
    if (const auto counts = reinterpret_cast<CountsFunction>(library.resolve("VodServerResponseCounts"))) {
        int codes[32];
        unsigned long long values[32];
        const size_t n = counts(codes, values, 32);
        for (size_t i = 0; i < n; ++i)
            result.responses.append({codes[i], quint64(values[i])});
    }
    if (const auto bytes = reinterpret_cast<BytesFunction>(library.resolve("VodServerBytesSent")))
        result.bytesSent = bytes();
    return result;
}

void ContentService::publish(const QString &path)
{
    if (const auto publishPath = reinterpret_cast<PathFunction>(m_library.resolve("VodServerPublish")))
        publishPath(QFile::encodeName(path).constData());
}

void ContentService::setUploadLimit(qint64 bytes)
{
    if (const auto setLimit = reinterpret_cast<LimitFunction>(m_library.resolve("VodServerSetUploadLimit")))
        setLimit(bytes);
}

void ContentService::setUploadPermits(const QStringList &boxAddresses, const QList<std::pair<QString, QString>> &tasks)
{
    using PermitsFunction = void (*)(const char *const *, size_t, const char *const *, const char *const *, size_t);
    const auto setPermits = reinterpret_cast<PermitsFunction>(m_library.resolve("VodServerSetUploadPermits"));
    if (!setPermits)
        return;
    QList<QByteArray> texts;
    for (const QString &address : boxAddresses)
        texts.append(address.toLatin1());
    for (const auto &[address, path] : tasks) {
        texts.append(address.toLatin1());
        texts.append(QFile::encodeName(path));
    }
    std::vector<const char *> boxes;
    std::vector<const char *> taskAddresses;
    std::vector<const char *> taskPaths;
    qsizetype i = 0;
    for (; i < boxAddresses.size(); ++i)
        boxes.push_back(texts[i].constData());
    for (; i < texts.size(); i += 2) {
        taskAddresses.push_back(texts[i].constData());
        taskPaths.push_back(texts[i + 1].constData());
    }
    setPermits(boxes.data(), boxes.size(), taskAddresses.data(), taskPaths.data(), taskPaths.size());
}

void ContentService::setFreeSpaceReserve(qint64 bytes)
{
    if (const auto setReserve = reinterpret_cast<LimitFunction>(m_library.resolve("VodServerSetFreeSpaceReserve")))
        setReserve(bytes);
}

void ContentService::relayLog(void *context, const char *line)
{
    auto *self = static_cast<ContentService *>(context);
    const QString text = QString::fromUtf8(line);
    QMetaObject::invokeMethod(
        self, [self, text] { emit self->logLine(text); }, Qt::QueuedConnection);
}
