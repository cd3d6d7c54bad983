#include "settings.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "base/safefile.h"
#include "inifile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QHostInfo>
#include <QLockFile>
#include <QNetworkInterface>
#include <QStandardPaths>
#include <QStorageInfo>

#include <arpa/inet.h>

namespace {

constexpr char kFallbackServiceIp[] = "192.168.1.100";
constexpr int kPathBufferSize = 256;
constexpr int kAddressBufferSize = 16;

// The base folder of the content root as the operator types it: an absolute,
// existing folder.
std::optional<QString> checkedBaseFolder(const QString &answer)
{
    const QString trimmed = answer.trimmed();
    if (trimmed.isEmpty() || !QDir::isAbsolutePath(trimmed))
        return std::nullopt;
    const QFileInfo info(trimmed);
    if (!info.isDir())
        return std::nullopt;
    return QDir::cleanPath(info.absoluteFilePath());
}

QString withTrailingSeparator(const QString &folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}

bool writeSetting(const char *section, const char *key, const QString &value, const QString &file)
{
    bool ok = false;
    const QByteArray bytes = CodePage::toGb2312(value, &ok);
    if (ok && IniWriteString(section, key, bytes, file))
        return true;
    qWarning("Could not write [%s] %s to %s", section, key, qPrintable(file));
    return false;
}

// Asks for the folder that holds the content root until an existing folder
// is named; nothing when the operator cancels.
std::optional<QString> askContentRoot(Prompter &prompter)
{
    QString proposal = QDir::homePath();
    for (;;) {
        const auto answer = prompter.input(Msg::tr(Msg::InputBoxTitle), Msg::tr(Msg::DriverPrompt), proposal);
        if (!answer)
            return std::nullopt;
        const auto base = checkedBaseFolder(*answer);
        if (!base) {
            prompter.error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::NoSuchFolder).arg(answer->trimmed()));
            proposal = *answer;
            continue;
        }
        const QString root = withTrailingSeparator(*base) + QStringLiteral("content/");
        if (!CodePage::canEncode(root)) {
            prompter.error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::FolderNotStorable).arg(root));
            continue;
        }
        return root;
    }
}

} // namespace

QString DefaultDeployFile()
{
    // Beside the program in a build tree (or wherever one was put there);
    // an installed program keeps each user's settings in their own folder.
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString beside = exeDir + QStringLiteral("/Deploy.ini");
    if (!exeDir.isEmpty() && (QFileInfo::exists(beside) || QFileInfo(exeDir).isWritable()))
        return beside;
    const QString configDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/boxfleet");
    QDir().mkpath(configDir);
    return configDir + QStringLiteral("/Deploy.ini");
}

QString DefaultContentRoot()
{
    return withTrailingSeparator(QDir::homePath()) + QStringLiteral("content/");
}

QString DefaultServiceIp()
{
    const QStringList addresses = ThisComputersAddresses().addresses;
    if (!addresses.isEmpty() && !QHostAddress(addresses.first()).isLoopback())
        return addresses.first();
    return QString::fromLatin1(kFallbackServiceIp);
}

LocalAddressList ThisComputersAddresses()
{
    LocalAddressList result;
    result.hostName = QHostInfo::localHostName();
    QStringList loopback;
    const auto addresses = QNetworkInterface::allAddresses();
    for (const QHostAddress &address : addresses) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol)
            continue;
        QStringList &list = address.isLoopback() ? loopback : result.addresses;
        if (!list.contains(address.toString()))
            list.append(address.toString());
    }
    result.addresses += loopback;
    return result;
}

void DeriveContentPaths(ServerSettings &s)
{
    const QString &root = s.contentRoot;
    s.registryFile = root + QStringLiteral("MacGroup.ini");
    s.ftpFile = root + QStringLiteral("Ftp.ini");
    s.historyFile = root + QStringLiteral("boxfleet.sqlite");
    s.videoDir = root + QStringLiteral("video");
    s.audioDir = root + QStringLiteral("audio");
    s.pictureDir = root + QStringLiteral("picture");
    s.bmpDir = root + QStringLiteral("BMP");
    s.textDir = root + QStringLiteral("text");
    s.binDir = root + QStringLiteral("Bin");
    s.xmlDir = root + QStringLiteral("XML");
    s.xmlPrefix = root + QStringLiteral("XML/");
    s.downloadPrefix = root + QStringLiteral("XML/download");
    s.planPrefix = root + QStringLiteral("XML/plan");
}

LoadResult LoadServerSettings(ServerSettings &s, const StartupOptions &options, Prompter &prompter, QString *error)
{
    s.deployFile = options.deployFile.isEmpty() ? DefaultDeployFile() : options.deployFile;
    const QString &file = s.deployFile;

    // An empty value names no folder (the folders would land wherever the
    // program was started) and counts as missing.
    QByteArray content;
    if (IniReadString("PATH", "CONTENT", content, kPathBufferSize, nullptr, file) && !content.isEmpty()) {
        s.contentRoot = CodePage::fromGb2312(content);
    } else {
        if (!options.content.isEmpty()) {
            s.contentRoot = withTrailingSeparator(QDir::cleanPath(QFileInfo(options.content).absoluteFilePath()));
        } else {
            const auto root = askContentRoot(prompter);
            if (!root)
                return LoadResult::Cancelled;
            s.contentRoot = *root;
        }
        writeSetting("PATH", "CONTENT", s.contentRoot, file);
    }
    DeriveContentPaths(s);

    const QString fallbackIp = DefaultServiceIp();
    // An empty address would give boxes links to nowhere; it counts as missing.
    QByteArray ip;
    if (IniReadString("SERVICE", "SERVICE IP", ip, kAddressBufferSize, nullptr, file) && !ip.isEmpty()) {
        s.serviceIp = CodePage::fromGb2312(ip);
    } else {
        QString answer = fallbackIp;
        if (!options.serviceIp.isEmpty()) {
            answer = options.serviceIp;
        } else {
            // Only an IPv4 address is taken; a refusal says why and asks again.
            QString proposal = fallbackIp;
            while (const auto typed =
                       prompter.input(Msg::tr(Msg::InputBoxTitle), Msg::tr(Msg::ServerIpPrompt), proposal)) {
                if (IsValidIpv4Address(typed->trimmed())) {
                    answer = typed->trimmed();
                    break;
                }
                prompter.error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::NotAnIpv4Address).arg(typed->trimmed()));
                proposal = *typed;
            }
        }
        // The address field holds 15 bytes; a text the settings file cannot
        // store is replaced by the default rather than written broken.
        bool ok = false;
        const QByteArray bytes = CodePage::toGb2312(answer, &ok).left(kServiceIpMaxLen);
        s.serviceIp = ok ? CodePage::fromGb2312(bytes) : fallbackIp;
        writeSetting("SERVICE", "SERVICE IP", s.serviceIp, file);
    }

    s.servicePort = IniReadInt("SERVICE", "SERVICE PORT", kDefaultServicePort, file);
    writeSetting("SERVICE", "SERVICE PORT", QString::number(s.servicePort), file);

    s.boxPort = options.boxPort;
    // Optional keys, read only: a file without them keeps the defaults.
    const int keepDays = IniReadInt("HISTORY", "KEEP DAYS", s.historyKeepDays, file);
    const int keepRows = IniReadInt("HISTORY", "KEEP ROWS", s.historyKeepRows, file);
    if (keepDays > 0)
        s.historyKeepDays = keepDays;
    if (keepRows > 0)
        s.historyKeepRows = keepRows;
    QByteArray listen;
    if (!options.metrics.isEmpty())
        s.metricsListen = options.metrics;
    else if (IniReadString("METRICS", "LISTEN", listen, kAddressBufferSize + 8, nullptr, file))
        s.metricsListen = QString::fromLatin1(listen).trimmed();

    for (const QString *dir : {&s.videoDir, &s.audioDir, &s.pictureDir, &s.bmpDir, &s.binDir, &s.xmlDir, &s.textDir}) {
        if (!QFileInfo(*dir).isDir() && !QDir().mkpath(*dir)) {
            if (error)
                *error = Msg::tr(Msg::CannotCreate).arg(s.contentRoot);
            return LoadResult::FolderFailed;
        }
    }
    // Boxes upload the files they are asked for by name ("get file") straight
    // into filesys/: without it the service refuses them.
    if (!QDir().mkpath(s.contentRoot + QStringLiteral("filesys")))
        qWarning("Cannot create %sfilesys: boxes cannot send files", qPrintable(s.contentRoot));
    // A run killed in the middle of a write leaves its temporary file behind.
    SafeFile::removeStaleTemporaries(QFileInfo(file).absolutePath(), {QFileInfo(file).fileName()});
    SafeFile::removeStaleTemporaries(s.contentRoot, {QStringLiteral("MacGroup.ini"), QStringLiteral("Ftp.ini")});
    SafeFile::removeStaleTemporaries(s.xmlDir, {QStringLiteral("*.xml")});
    return LoadResult::Ok;
}

bool IsValidIpv4Address(const QString &text)
{
    if (text.isEmpty() || text.size() > 19)
        return false;
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            return false;
    }
    return ::inet_addr(text.toLatin1().constData()) != INADDR_NONE;
}

QStringList ContentBaseFolders()
{
    QStringList folders = {QDir::homePath()};
    const auto volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        const QString root = volume.rootPath();
        if (!volume.isValid() || !volume.isReady() || volume.isReadOnly() || folders.contains(root))
            continue;
        // Kernel and memory file systems hold no content.
        const QByteArray type = volume.fileSystemType();
        if (type == "proc" || type == "sysfs" || type == "devtmpfs" || type == "tmpfs" || type == "devpts" ||
            type == "cgroup2" || type == "overlay" || type.startsWith("fuse.") ||
            root.startsWith(QLatin1String("/sys")) || root.startsWith(QLatin1String("/proc")) ||
            root.startsWith(QLatin1String("/dev")) || root.startsWith(QLatin1String("/run")) ||
            root == QLatin1String("/boot"))
            continue;
        if (QFileInfo(root).isWritable())
            folders.append(root);
    }
    return folders;
}

QString MakeTimestamp()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return QString::asprintf("%02d%02d%02d%02d%02d%02d", d.year() - 2000, d.month(), d.day(), t.hour(), t.minute(),
                             t.second());
}

qint64 FileSizeOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    return file.size();
}

QString ToUrlPath(const QString &path)
{
    QString result = path;
    result.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return result;
}

QString EncodeUrlPath(const QString &path)
{
    return EncodeUrlBytes(ToUrlPath(path).toUtf8());
}

QString EncodeUrlBytes(const QByteArray &bytes)
{
    static const char hex[] = "0123456789ABCDEF";
    QString result;
    result.reserve(bytes.size());
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F || c == '%' || c == '?' || c == '#') {
            result += QLatin1Char('%');
            result += QLatin1Char(hex[byte >> 4]);
            result += QLatin1Char(hex[byte & 0xF]);
        } else {
            result += QLatin1Char(c);
        }
    }
    return result;
}

QString ContentAddress(const ServerSettings &settings, const QString &path)
{
    return settings.serviceIp + QLatin1Char(':') + QString::number(settings.servicePort) + QLatin1Char('/') +
           EncodeUrlPath(path);
}

QString HttpAddress(const ServerSettings &settings, const QString &path)
{
    return QStringLiteral("http://") + ContentAddress(settings, path);
}

std::unique_ptr<QLockFile> LockContentFolder(const QString &contentRoot, QString *error)
{
    auto lock = std::make_unique<QLockFile>(QDir(contentRoot).filePath(QStringLiteral(".boxfleet.lock")));
    // Never stale by age: only a holder that is gone gives it up.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0))
        return lock;
    qint64 pid = 0;
    QString host, application;
    if (lock->error() == QLockFile::LockFailedError && lock->getLockInfo(&pid, &host, &application))
        *error = QStringLiteral("boxfleet is already running for this content folder (process %1)").arg(pid);
    else
        *error = QStringLiteral("Cannot lock the content folder %1 (%2)")
                     .arg(QDir::toNativeSeparators(contentRoot), lock->error() == QLockFile::PermissionError
                                                                     ? QStringLiteral("no permission")
                                                                     : QStringLiteral("unknown error"));
    return nullptr;
}
