#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class Prompter;
class QLockFile;

inline constexpr char kVersionText[] = BOXFLEET_VERSION;
inline constexpr int kDefaultServicePort = 5002;
inline constexpr int kDefaultBoxPort = 9988;
// Texts of at most this many bytes fit the address field.
inline constexpr int kServiceIpMaxLen = 15;

// What the command line says about the settings. With both content and
// serviceIp a first start asks nothing.
struct StartupOptions
{
    QString deployFile; // the settings file; empty: the default place
    QString content;    // the content root, used when [PATH] CONTENT is missing
    QString serviceIp;  // used when [SERVICE] SERVICE IP is missing
    int boxPort = kDefaultBoxPort;
    bool echoLog = false; // the event log also goes to standard error
    // Started by a restart: where to report that the ports listen.
    int readyFd = -1;
    QString metrics;  // ADDRESS:PORT of the monitoring listener; empty: the settings' own
    QString language; // "zh" or "en"; empty: the settings' own, else the system's
};

// The settings and content paths, filled once at start-up. Every path ends as
// the content root followed by its suffix, with no separator added.
struct ServerSettings
{
    QString deployFile;
    QString contentRoot;
    QString registryFile;
    QString ftpFile;
    QString videoDir;
    QString audioDir;
    QString pictureDir;
    QString bmpDir;
    QString textDir;
    QString binDir;
    QString xmlDir;
    QString xmlPrefix;
    QString downloadPrefix;
    QString planPrefix;
    QString serviceIp;
    int servicePort = kDefaultServicePort;
    int boxPort = kDefaultBoxPort;
    // The event history and fleet status database beside the registry, and
    // how much history it keeps ([HISTORY] KEEP DAYS / KEEP ROWS, optional).
    QString historyFile;
    int historyKeepDays = 90;
    int historyKeepRows = 2000000;
    // Where the monitoring listener listens (ADDRESS:PORT; [METRICS] LISTEN,
    // optional); empty: no listener.
    QString metricsListen;
};

enum class LoadResult
{
    Ok = 0,
    Cancelled,    // the operator cancelled the content folder prompt: nothing was written
    FolderFailed, // a content folder could not be created; see error
};

// Fills settings from Deploy.ini, asking for what is missing, and creates the
// content folders. On FolderFailed, error holds "Cannot create <content root>".
LoadResult LoadServerSettings(ServerSettings &settings, const StartupOptions &options, Prompter &prompter,
                              QString *error);

// Where Deploy.ini lives: beside the executable when that folder is writable
// or already holds one, else in $XDG_CONFIG_HOME/boxfleet/.
QString DefaultDeployFile();

// The content root the "Driver" prompt proposes when no folder was given.
QString DefaultContentRoot();

// This computer's first non-loopback IPv4 address, else a fixed private one.
QString DefaultServiceIp();

// This computer's name and IPv4 interface addresses, the ones other than
// loopback first: what the setup window offers as the service address.
struct LocalAddressList
{
    QString hostName;
    QStringList addresses;
};
LocalAddressList ThisComputersAddresses();

// Derives every path of settings from settings.contentRoot.
void DeriveContentPaths(ServerSettings &settings);

// A dotted IPv4 address as the sockets library's inet_addr reads it; the
// all-ones address is refused with the rest, since it is inet_addr's error.
bool IsValidIpv4Address(const QString &text);

// The folders a content root may be made in: the home folder and the
// mounted, writable volumes.
QStringList ContentBaseFolders();

// Twelve digits of local time: year within the century, month, day, hour,
// minute, second.
QString MakeTimestamp();

// The file's size in bytes, or -1 when it cannot be opened.
qint64 FileSizeOf(const QString &path);

// Backslashes turned into forward slashes.
QString ToUrlPath(const QString &path);

// The path as it goes into an address: slashes for backslashes, its UTF-8
// bytes, and every byte that is not printable ASCII, and '%', '?' and '#',
// written as %XX. Every other character, spaces and '(' ')' among them, keeps
// its byte, so ASCII addresses read as they always did.
QString EncodeUrlPath(const QString &path);

// The same rule for bytes as they are: every byte that is not printable
// ASCII, and '%', '?' and '#', written as %XX.
QString EncodeUrlBytes(const QByteArray &bytes);

// "ip:port/" followed by the file's absolute path, encoded: the one way the
// program names a file of the content service to a box.
QString ContentAddress(const ServerSettings &settings, const QString &path);

// "http://" followed by the content address.
QString HttpAddress(const ServerSettings &settings, const QString &path);

// One running copy per content folder: a lock file in it, held for the life
// of the program (a copy that crashed leaves a lock the next one takes over).
// Null, with the reason in error, when another live copy holds it.
std::unique_ptr<QLockFile> LockContentFolder(const QString &contentRoot, QString *error);

// Why start-up ended before the message loop: a start-up error to show the
// operator, or the operator's own cancel of a settings prompt.
struct StartupError
{
    QString message;
    bool cancelled = false;
};
