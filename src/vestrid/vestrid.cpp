#include "vestrid.h"

#include <microhttpd.h>

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <iconv.h>
#include <iterator>
#include <linux/openat2.h>
#include <map>
#include <memory>
#include <mutex>
#include <netinet/in.h>
#include <set>
#include <string>
#include <strings.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr long long kDefaultUploadLimit = 2LL << 30;
// An upload that would leave less free space than this on its disk is refused.
constexpr long long kDefaultFreeSpaceReserve = 1LL << 30;
constexpr size_t kUploadFlushSize = 256 * 1024;
constexpr uint64_t kSmallFileSize = 32 * 1024;
// A box needs one or two connections, but a shop may put a whole fleet
// behind one router: one address may hold as many connections as the
// registry has boxes, and no more, so that it cannot take the service. A
// connection silent for this long (a stalled download among them) is closed.
constexpr unsigned kDefaultPerAddressLimit = 256;
constexpr unsigned kDefaultIdleSeconds = 20;
constexpr unsigned kConnectionLimit = 4000;
// One line repeated within this many seconds is counted, not written again.
constexpr int kRepeatWindowSeconds = 10;

// A descriptor shared by every copy of the configuration that holds it.
struct Descriptor
{
    int fd = -1;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor()
    {
        if (fd >= 0)
            close(fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
};

struct Config
{
    std::string contentRoot; // resolved, without a trailing '/'; "/" for the whole disk
    std::shared_ptr<Descriptor> contentRootDir;
    std::string uploadRoot;
    std::set<std::string> published; // resolved paths
    long long uploadLimit = kDefaultUploadLimit;
    long long freeSpaceReserve = kDefaultFreeSpaceReserve;
    unsigned perAddressLimit = kDefaultPerAddressLimit;
    unsigned idleSeconds = kDefaultIdleSeconds;
    // Who may upload what, once the program has said so: box addresses may
    // put files straight into the upload folder; inside a box's folder only
    // the exact file a running task asked that box for.
    bool permitsSet = false;
    std::set<std::string> boxAddresses;
    std::set<std::pair<std::string, std::string>> taskUploads; // address, resolved target
};

std::mutex g_configMutex;
std::shared_ptr<const Config> g_config = std::make_shared<Config>();

std::mutex g_daemonMutex;
// Connections in the middle of sending a file, by descriptor: stopping the
// service resets them before the library closes them (it would close them
// cleanly, and a short body with a clean close looks like a whole file).
std::mutex g_sendingMutex;
std::set<int> g_sending;

// Responses per status code, and bytes of file bodies sent whole.
constexpr int kCountedCodes[] = {200, 201, 206, 400, 403, 404, 405, 411, 413, 416, 500, 507};
constexpr size_t kCodeSlots = std::size(kCountedCodes) + 1; // the last: any other code
std::atomic<unsigned long long> g_responses[kCodeSlots];
std::atomic<unsigned long long> g_bytesSent{0};
// The body length of each connection's file response, until it ends.
std::map<int, uint64_t> g_sendingLength;

void countResponse(unsigned status)
{
    size_t slot = std::size(kCountedCodes);
    for (size_t i = 0; i < std::size(kCountedCodes); ++i) {
        if (unsigned(kCountedCodes[i]) == status)
            slot = i;
    }
    ++g_responses[slot];
}

int connectionFd(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    return info ? info->connect_fd : -1;
}
MHD_Daemon *g_daemon = nullptr;

std::mutex g_logMutex;
VodLogFunction g_logFunction = nullptr;
void *g_logContext = nullptr;
// The last line written, when, and how often it came again since.
std::string g_lastLine;
time_t g_lastLineTime = 0;
unsigned long g_repeats = 0;

void emitLine(const char *line)
{
    if (g_logFunction)
        g_logFunction(g_logContext, line);
    else
        std::fprintf(stderr, "vestrid: %s\n", line);
}

void flushRepeats()
{
    if (g_repeats == 0)
        return;
    char note[1200];
    std::snprintf(note, sizeof note, "the last line came %lu more times: %s", g_repeats, g_lastLine.c_str());
    g_repeats = 0;
    emitLine(note);
}

void vlogLine(const char *format, va_list args)
{
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        line[--n] = '\0';
    std::lock_guard lock(g_logMutex);
    // A fault that repeats in a tight loop ("Too many open files") must not
    // fill the log: the same line within the window is only counted.
    const time_t now = time(nullptr);
    if (g_lastLine == line && now - g_lastLineTime < kRepeatWindowSeconds) {
        ++g_repeats;
        return;
    }
    flushRepeats();
    g_lastLine = line;
    g_lastLineTime = now;
    emitLine(line);
}

void logLine(const char *format, ...) __attribute__((format(printf, 1, 2)));
void logLine(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vlogLine(format, args);
    va_end(args);
}

void mhdLogger(void *, const char *format, va_list args)
{
    vlogLine(format, args);
}

std::shared_ptr<const Config> currentConfig()
{
    std::lock_guard lock(g_configMutex);
    return g_config;
}

template <typename Change> void changeConfig(Change change)
{
    std::lock_guard lock(g_configMutex);
    auto next = std::make_shared<Config>(*g_config);
    change(*next);
    g_config = std::move(next);
}

// The path with every symlink, "." and ".." resolved; empty when it does not exist.
std::string resolved(const std::string &path)
{
    char buffer[PATH_MAX];
    if (!realpath(path.c_str(), buffer))
        return {};
    return buffer;
}

std::string rootFrom(const char *root)
{
    if (!root || !*root)
        return {};
    std::string r = resolved(root);
    if (!r.empty())
        return r;
    // Not there yet (the upload folder is made later): resolve the folder it
    // will be made in, so that it compares with the resolved paths of requests.
    r = root;
    while (r.size() > 1 && r.back() == '/')
        r.pop_back();
    const auto slash = r.rfind('/');
    if (slash == std::string::npos || slash == 0)
        return r;
    const std::string parent = resolved(r.substr(0, slash));
    return parent.empty() ? r : parent + r.substr(slash);
}

bool isUnder(const std::string &path, const std::string &root)
{
    if (root.empty() || path.empty())
        return false;
    if (root == "/")
        return path[0] == '/';
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

// The URL path is the file's absolute local path after the first '/':
// "//home/op/x" and "/home/op/x" both name /home/op/x. A request line in
// absolute form ("GET http://host:port//home/op/x") names the same file.
bool localPathOf(const char *url, std::string &path)
{
    if (!url)
        return false;
    if (strncasecmp(url, "http://", 7) == 0) {
        url = std::strchr(url + 7, '/');
        if (!url)
            return false;
    }
    if (url[0] != '/' || url[1] == '\0')
        return false;
    path = url + 1;
    if (path[0] != '/')
        path.insert(path.begin(), '/');
    return true;
}

// The path with "." and ".." steps and repeated slashes taken out, as text:
// whether it lies under a root is decided on this, before any look at the disk.
std::string lexicallyNormal(const std::string &path)
{
    std::vector<std::string> steps;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        const std::string step = path.substr(start, end - start);
        if (step == "..") {
            if (!steps.empty())
                steps.pop_back();
        } else if (!step.empty() && step != ".") {
            steps.push_back(step);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string &step : steps)
        result += "/" + step;
    return result.empty() ? "/" : result;
}

// Names the service never hands out or takes in: the program's own settings
// and registry files (Ftp.ini holds passwords), its history database with
// its journal files and set-aside copies, and every name that starts with
// '.' (unfinished uploads among them).
bool isPrivateName(const std::string &name)
{
    static const char *const files[] = {"Ftp.ini", "MacGroup.ini", "Deploy.ini"};
    static const char database[] = "boxfleet.sqlite";
    if (!name.empty() && name[0] == '.')
        return true;
    if (strncasecmp(name.c_str(), database, sizeof database - 1) == 0)
        return true;
    for (const char *file : files) {
        if (strcasecmp(name.c_str(), file) == 0)
            return true;
    }
    return false;
}

// True when a step of the path after the root is private.
bool hasPrivateStep(const std::string &path, const std::string &root)
{
    size_t start = isUnder(path, root) && root != "/" ? root.size() + 1 : path.rfind('/') + 1;
    while (start < path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos)
            end = path.size();
        if (isPrivateName(path.substr(start, end - start)))
            return true;
        start = end + 1;
    }
    return false;
}

// The same path read as GB18030 bytes (old boxes send GB2312 addresses raw),
// in UTF-8; empty when it is no such text or reads the same.
std::string gb18030Reading(const std::string &path)
{
    iconv_t converter = iconv_open("UTF-8", "GB18030");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string in = path;
    std::string out(path.size() * 2 + 4, '\0');
    char *inPointer = in.data();
    size_t inLeft = in.size();
    char *outPointer = out.data();
    size_t outLeft = out.size();
    const size_t done = iconv(converter, &inPointer, &inLeft, &outPointer, &outLeft);
    iconv_close(converter);
    if (done == static_cast<size_t>(-1) || inLeft != 0)
        return {};
    out.resize(out.size() - outLeft);
    return out == path ? std::string() : out;
}

const char *contentTypeOf(const std::string &path)
{
    static const struct
    {
        const char *extension;
        const char *type;
    } types[] = {
        {".xml", "text/xml"},   {".txt", "text/plain"},  {".htm", "text/html"},  {".html", "text/html"},
        {".jpg", "image/jpeg"}, {".jpeg", "image/jpeg"}, {".png", "image/png"},  {".bmp", "image/bmp"},
        {".gif", "image/gif"},  {".mp4", "video/mp4"},   {".avi", "video/avi"},  {".mpg", "video/mpeg"},
        {".mp3", "audio/mpeg"}, {".wav", "audio/wav"},   {".ini", "text/plain"}, {".log", "text/plain"},
    };
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && path.find('/', dot) == std::string::npos) {
        std::string extension = path.substr(dot);
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        for (const auto &t : types) {
            if (extension == t.extension)
                return t.type;
        }
    }
    return "application/octet-stream";
}

MHD_Result sendStatus(MHD_Connection *connection, unsigned status, const char *extraHeader = nullptr,
                      const char *extraValue = nullptr)
{
    const char *text = "Error\n";
    switch (status) {
    case MHD_HTTP_CREATED:
        text = "Created\n";
        break;
    case MHD_HTTP_BAD_REQUEST:
        text = "Bad Request\n";
        break;
    case MHD_HTTP_FORBIDDEN:
        text = "Forbidden\n";
        break;
    case MHD_HTTP_NOT_FOUND:
        text = "Not Found\n";
        break;
    case MHD_HTTP_METHOD_NOT_ALLOWED:
        text = "Method Not Allowed\n";
        break;
    case MHD_HTTP_CONTENT_TOO_LARGE:
        text = "Payload Too Large\n";
        break;
    case MHD_HTTP_RANGE_NOT_SATISFIABLE:
        text = "Range Not Satisfiable\n";
        break;
    case MHD_HTTP_INSUFFICIENT_STORAGE:
        text = "Insufficient Storage\n";
        break;
    case MHD_HTTP_INTERNAL_SERVER_ERROR:
        text = "Internal Server Error\n";
        break;
    default:
        break;
    }
    MHD_Response *response =
        MHD_create_response_from_buffer(std::strlen(text), const_cast<char *>(text), MHD_RESPMEM_PERSISTENT);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/plain");
    if (extraHeader)
        MHD_add_response_header(response, extraHeader, extraValue);
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD, PUT, POST");
    const MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    if (result == MHD_YES)
        countResponse(status);
    return result;
}

enum class RangeKind
{
    Whole,
    Part,
    Unsatisfiable
};

bool parseNumber(const char *&p, unsigned long long &value)
{
    if (*p < '0' || *p > '9')
        return false;
    value = 0;
    while (*p >= '0' && *p <= '9') {
        const unsigned digit = static_cast<unsigned>(*p++ - '0');
        if (value > (ULLONG_MAX - digit) / 10)
            return false;
        value = value * 10 + digit;
    }
    return true;
}

// One "bytes=a-b", "bytes=a-" or "bytes=-n" range; anything else (several
// ranges, other units, garbage) is answered with the whole file.
RangeKind parseRange(const char *header, unsigned long long size, unsigned long long &from, unsigned long long &to)
{
    if (!header || std::strncmp(header, "bytes=", 6) != 0 || std::strchr(header, ','))
        return RangeKind::Whole;
    const char *p = header + 6;
    while (*p == ' ')
        ++p;
    unsigned long long first = 0;
    unsigned long long last = 0;
    if (*p == '-') {
        ++p;
        if (!parseNumber(p, last) || *p != '\0')
            return RangeKind::Whole;
        if (last == 0 || size == 0)
            return RangeKind::Unsatisfiable;
        from = last >= size ? 0 : size - last;
        to = size - 1;
        return RangeKind::Part;
    }
    if (!parseNumber(p, first) || *p++ != '-')
        return RangeKind::Whole;
    if (*p == '\0') {
        last = ULLONG_MAX;
    } else if (!parseNumber(p, last) || *p != '\0' || last < first) {
        return RangeKind::Whole;
    }
    if (first >= size)
        return RangeKind::Unsatisfiable;
    from = first;
    to = std::min(last, size - 1);
    return RangeKind::Part;
}

// Opens a path under the content root in one call, the kernel refusing any
// step ("..", a symlink) that would leave the root. -1 with errno EXDEV or
// ENOSYS means: decide the slow way. Never blocks: a FIFO opens at once and
// is then refused as no regular file.
int openBeneathRoot(const Config &config, const std::string &path)
{
    if (!config.contentRootDir || !isUnder(path, config.contentRoot) || config.contentRoot == "/") {
        errno = ENOSYS;
        return -1;
    }
    const std::string relative = path.substr(config.contentRoot.size() + 1);
    open_how how = {};
    how.flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(
        syscall(SYS_openat2, config.contentRootDir->fd, relative.empty() ? "." : relative.c_str(), &how, sizeof how));
}

// What to answer for a path that does not exist: 404 when its nearest
// existing folder lies in the root, 403 otherwise, so that nothing outside
// the roots can be probed for.
unsigned missingStatus(const std::string &path, const std::string &root)
{
    std::string probe = lexicallyNormal(path);
    std::string real;
    while (probe != "/") {
        probe = probe.substr(0, std::max<size_t>(probe.rfind('/'), 1));
        real = resolved(probe);
        if (!real.empty())
            break;
    }
    return (real == root || isUnder(real, root)) ? MHD_HTTP_NOT_FOUND : MHD_HTTP_FORBIDDEN;
}

// The path an open descriptor really names.
std::string pathOfDescriptor(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char buffer[PATH_MAX];
    const ssize_t n = readlink(link, buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
}

// Opens a file that may be served: under the content root, or published.
// -1 with the HTTP status to answer otherwise. Every path outside the roots
// gets 403, whether it exists or not: the answer tells nothing about the disk.
int openServableAt(const Config &config, const std::string &requested, unsigned &status)
{
    const std::string path = lexicallyNormal(requested);
    status = MHD_HTTP_FORBIDDEN;
    int fd = -1;
    if (isUnder(path, config.contentRoot)) {
        fd = openBeneathRoot(config, path);
        if (fd < 0 && (errno == ENOENT || errno == ENOTDIR)) {
            status = MHD_HTTP_NOT_FOUND;
            return -1;
        }
    }
    if (fd < 0) {
        // A symlink inside the root, or a file the program published.
        const std::string real = resolved(path);
        if (real.empty() && (errno == ENOENT || errno == ENOTDIR)) {
            status = missingStatus(path, config.contentRoot);
            return -1;
        }
        if (real.empty() || (!isUnder(real, config.contentRoot) && config.published.count(real) == 0)) {
            logLine("refused GET of %s", path.c_str());
            return -1;
        }
        fd = open(real.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0)
            return -1;
    }
    const std::string real = pathOfDescriptor(fd);
    if (real.empty() || hasPrivateStep(path, config.contentRoot) || hasPrivateStep(real, config.contentRoot)) {
        logLine("refused GET of %s", path.c_str());
        close(fd);
        return -1;
    }
    return fd;
}

int openServable(const Config &config, const std::string &path, unsigned &status)
{
    const int fd = openServableAt(config, path, status);
    if (fd >= 0 || status != MHD_HTTP_NOT_FOUND)
        return fd;
    const std::string other = gb18030Reading(path);
    if (other.empty())
        return fd;
    unsigned otherStatus = MHD_HTTP_NOT_FOUND;
    const int otherFd = openServableAt(config, other, otherStatus);
    if (otherFd >= 0)
        return otherFd;
    return fd;
}

MHD_Result serveFile(MHD_Connection *connection, const char *url, bool head)
{
    std::string path;
    if (!localPathOf(url, path))
        return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
    unsigned status = MHD_HTTP_FORBIDDEN;
    const int fd = openServable(*currentConfig(), path, status);
    if (fd < 0)
        return sendStatus(connection, status);
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    }
    const auto size = static_cast<unsigned long long>(st.st_size);
    unsigned long long from = 0;
    unsigned long long to = size ? size - 1 : 0;
    const char *rangeHeader = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_RANGE);
    const RangeKind range = parseRange(rangeHeader, size, from, to);
    if (range == RangeKind::Unsatisfiable) {
        close(fd);
        const std::string contentRange = "bytes */" + std::to_string(size);
        return sendStatus(connection, MHD_HTTP_RANGE_NOT_SATISFIABLE, MHD_HTTP_HEADER_CONTENT_RANGE,
                          contentRange.c_str());
    }
    const uint64_t length = range == RangeKind::Part ? to - from + 1 : size;
    const uint64_t offset = range == RangeKind::Part ? from : 0;
    MHD_Response *response = nullptr;
    if (length <= kSmallFileSize) {
        // A small body leaves in the same write as the headers.
        void *body = std::malloc(length ? length : 1);
        const ssize_t got = body ? pread(fd, body, length, static_cast<off_t>(offset)) : -1;
        close(fd);
        if (got != static_cast<ssize_t>(length)) {
            std::free(body);
            return sendStatus(connection, MHD_HTTP_INTERNAL_SERVER_ERROR);
        }
        response = MHD_create_response_from_buffer(length, body, MHD_RESPMEM_MUST_FREE);
        if (!response)
            std::free(body);
    } else {
        // The response owns the descriptor from here on and sends with sendfile.
        response = MHD_create_response_from_fd_at_offset64(length, fd, offset);
        if (!response)
            close(fd);
    }
    if (!response)
        return sendStatus(connection, MHD_HTTP_INTERNAL_SERVER_ERROR);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentTypeOf(path));
    MHD_add_response_header(response, MHD_HTTP_HEADER_ACCEPT_RANGES, "bytes");
    status = MHD_HTTP_OK;
    if (range == RangeKind::Part) {
        const std::string contentRange =
            "bytes " + std::to_string(from) + "-" + std::to_string(to) + "/" + std::to_string(size);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_RANGE, contentRange.c_str());
        status = MHD_HTTP_PARTIAL_CONTENT;
    }
    const MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    if (result == MHD_YES)
        countResponse(status);
    if (result == MHD_YES && length > 0 && !head) {
        const int socket = connectionFd(connection);
        std::lock_guard lock(g_sendingMutex);
        if (socket >= 0) {
            g_sending.insert(socket);
            g_sendingLength[socket] = length;
        }
    }
    return result;
}

// An upload in progress: the body goes into a temporary file beside the
// target, which takes the target's name only when the body is complete.
struct Upload
{
    int fd = -1;
    std::string temporary;
    std::string target;
    long long received = 0;
    long long limit = 0;
    long long reserve = 0;
    std::vector<char> buffer;
    unsigned failure = 0; // an HTTP status once the upload has failed
    bool finished = false;

    void discard()
    {
        if (fd >= 0)
            close(fd);
        fd = -1;
        if (!temporary.empty())
            unlink(temporary.c_str());
        temporary.clear();
    }

    bool flush()
    {
        size_t done = 0;
        while (done < buffer.size()) {
            const ssize_t n = write(fd, buffer.data() + done, buffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        buffer.clear();
        return true;
    }
};

// The marker of a GET or HEAD request between its first and second call.
char g_getMarker;
// The marker of a request whose path held an encoded zero byte.
char g_zeroMarker;

// True when writing this many more bytes into the folder leaves at least the
// reserve free on its disk.
bool leavesReserve(const std::string &folder, long long more, long long reserve)
{
    struct statvfs disk;
    if (statvfs(folder.c_str(), &disk) != 0)
        return true; // nothing known: the write itself will tell
    const long double free = static_cast<long double>(disk.f_bavail) * disk.f_frsize;
    return free - static_cast<long double>(more) >= static_cast<long double>(reserve);
}

// Sees the request line before the path is decoded: a "%00" would otherwise
// silently cut the path short.
void *uriSeen(void *, const char *uri, MHD_Connection *)
{
    if (!uri)
        return nullptr;
    const char *query = std::strchr(uri, '?');
    for (const char *p = uri; *p && (!query || p < query); ++p) {
        if (p[0] == '%' && p[1] == '0' && p[2] == '0')
            return &g_zeroMarker;
    }
    return nullptr;
}

// The peer's address as dotted IPv4 text (the service listens on IPv4).
std::string peerAddressOf(MHD_Connection *connection)
{
    const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr || info->client_addr->sa_family != AF_INET)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto *v4 = reinterpret_cast<const sockaddr_in *>(info->client_addr);
    if (!inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text))
        return {};
    return text;
}

// A box's folder is the first step below the upload root named "name(MAC)".
bool isInBoxFolder(const std::string &target, const std::string &uploadRoot)
{
    if (!isUnder(target, uploadRoot))
        return false;
    const size_t start = uploadRoot == "/" ? 1 : uploadRoot.size() + 1;
    const size_t end = target.find('/', start);
    if (end == std::string::npos)
        return false;
    const std::string step = target.substr(start, end - start);
    return step.size() >= 2 && step.back() == ')' && step.find('(') != std::string::npos;
}

bool uploadPermitted(const Config &config, const std::string &peer, const std::string &target)
{
    if (!config.permitsSet)
        return true;
    if (config.taskUploads.count({peer, target}))
        return true;
    return !isInBoxFolder(target, config.uploadRoot) && config.boxAddresses.count(peer) != 0;
}

MHD_Result beginUpload(MHD_Connection *connection, const char *url, void **state)
{
    std::string path;
    if (!localPathOf(url, path) || path.back() == '/')
        return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
    // A box may send the path as raw GB2312 bytes; the folders on disk have
    // UTF-8 names.
    if (resolved(path.substr(0, path.rfind('/') + 1)).empty()) {
        const std::string other = gb18030Reading(path);
        if (!other.empty() && !resolved(other.substr(0, other.rfind('/') + 1)).empty())
            path = other;
    }
    const auto slash = path.rfind('/');
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    if (name == "." || name == "..")
        return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
    const auto config = currentConfig();
    const std::string realFolder = resolved(folder);
    if (realFolder.empty())
        return sendStatus(connection, missingStatus(path, config->uploadRoot));
    if (realFolder != config->uploadRoot && !isUnder(realFolder, config->uploadRoot)) {
        logLine("refused upload to %s", path.c_str());
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    }
    auto upload = std::make_unique<Upload>();
    upload->target = (realFolder == "/" ? std::string() : realFolder) + "/" + name;
    // Never onto a private name: another upload's temporary among them.
    if (hasPrivateStep(upload->target, config->uploadRoot)) {
        logLine("refused upload to %s", path.c_str());
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    }
    const std::string peer = peerAddressOf(connection);
    if (!uploadPermitted(*config, peer, upload->target)) {
        logLine("refused upload to %s from %s: nothing asked that address for it", upload->target.c_str(),
                peer.c_str());
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    }
    struct stat st;
    if (lstat(upload->target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    upload->limit = config->uploadLimit;
    upload->reserve = config->freeSpaceReserve;
    unsigned long long declared = 0;
    if (const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH)) {
        const char *p = length;
        if (!parseNumber(p, declared) || *p != '\0')
            return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
        if (declared > static_cast<unsigned long long>(upload->limit))
            return sendStatus(connection, MHD_HTTP_CONTENT_TOO_LARGE);
    }
    if (!leavesReserve(realFolder, static_cast<long long>(declared), upload->reserve)) {
        logLine("refused upload to %s: the disk would fill", path.c_str());
        return sendStatus(connection, MHD_HTTP_INSUFFICIENT_STORAGE);
    }
    std::string pattern = (realFolder == "/" ? std::string() : realFolder) + "/.upload-XXXXXX";
    upload->fd = mkostemp(pattern.data(), O_CLOEXEC);
    if (upload->fd < 0) {
        logLine("cannot create a temporary file in %s: %s", realFolder.c_str(), std::strerror(errno));
        return sendStatus(connection, MHD_HTTP_INTERNAL_SERVER_ERROR);
    }
    upload->temporary = pattern;
    upload->buffer.reserve(kUploadFlushSize);
    *state = upload.release();
    return MHD_YES;
}

MHD_Result continueUpload(MHD_Connection *connection, Upload &upload, const char *data, size_t *size)
{
    if (*size > 0) {
        if (!upload.failure) {
            upload.received += static_cast<long long>(*size);
            if (upload.received > upload.limit) {
                upload.failure = MHD_HTTP_CONTENT_TOO_LARGE;
                upload.discard();
            } else {
                upload.buffer.insert(upload.buffer.end(), data, data + *size);
                if (upload.buffer.size() >= kUploadFlushSize) {
                    // A body of no declared length is checked as it grows.
                    const std::string folder = upload.target.substr(0, upload.target.rfind('/') + 1);
                    if (!leavesReserve(folder, static_cast<long long>(upload.buffer.size()), upload.reserve)) {
                        logLine("upload to %s stopped: the disk would fill", upload.target.c_str());
                        upload.failure = MHD_HTTP_INSUFFICIENT_STORAGE;
                        upload.discard();
                    } else if (!upload.flush()) {
                        logLine("writing %s failed: %s", upload.target.c_str(), std::strerror(errno));
                        upload.failure = MHD_HTTP_INTERNAL_SERVER_ERROR;
                        upload.discard();
                    }
                }
            }
        }
        *size = 0;
        return MHD_YES;
    }
    if (upload.failure)
        return sendStatus(connection, upload.failure);
    const bool written = upload.flush();
    fchmod(upload.fd, 0644);
    const bool closed = close(upload.fd) == 0;
    upload.fd = -1;
    if (!written || !closed || rename(upload.temporary.c_str(), upload.target.c_str()) != 0) {
        logLine("storing %s failed: %s", upload.target.c_str(), std::strerror(errno));
        upload.discard();
        return sendStatus(connection, MHD_HTTP_INTERNAL_SERVER_ERROR);
    }
    upload.temporary.clear();
    upload.finished = true;
    return sendStatus(connection, MHD_HTTP_CREATED);
}

MHD_Result handleRequest(void *, MHD_Connection *connection, const char *url, const char *method, const char *,
                         const char *uploadData, size_t *uploadDataSize, void **state)
{
    const bool isGet = std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 || std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0;
    const bool isUpload =
        std::strcmp(method, MHD_HTTP_METHOD_PUT) == 0 || std::strcmp(method, MHD_HTTP_METHOD_POST) == 0;
    if (*state == &g_zeroMarker) {
        *state = nullptr;
        return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
    }
    if (*state == nullptr) {
        if (isGet) {
            // Answering on the second call keeps the connection alive.
            *state = &g_getMarker;
            return MHD_YES;
        }
        if (isUpload)
            return beginUpload(connection, url, state);
        return sendStatus(connection, MHD_HTTP_METHOD_NOT_ALLOWED);
    }
    if (*state == &g_getMarker) {
        if (*uploadDataSize != 0) {
            *uploadDataSize = 0; // a body on a GET is ignored
            return MHD_YES;
        }
        return serveFile(connection, url, std::strcmp(method, MHD_HTTP_METHOD_HEAD) == 0);
    }
    return continueUpload(connection, *static_cast<Upload *>(*state), uploadData, uploadDataSize);
}

void requestCompleted(void *, MHD_Connection *connection, void **state, MHD_RequestTerminationCode toe)
{
    // A response the service cuts short (a timeout, an error, the service
    // stopping) ends with a reset: a clean close after part of a body is
    // what a client that ignores the length would take for the whole file.
    const int socket = connectionFd(connection);
    if (socket >= 0 && toe != MHD_REQUEST_TERMINATED_COMPLETED_OK && toe != MHD_REQUEST_TERMINATED_CLIENT_ABORT) {
        const linger reset = {1, 0};
        setsockopt(socket, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
    }
    if (socket >= 0) {
        std::lock_guard lock(g_sendingMutex);
        g_sending.erase(socket);
        const auto length = g_sendingLength.find(socket);
        if (length != g_sendingLength.end()) {
            if (toe == MHD_REQUEST_TERMINATED_COMPLETED_OK)
                g_bytesSent += length->second;
            g_sendingLength.erase(length);
        }
    }
    if (*state == nullptr || *state == &g_getMarker || *state == &g_zeroMarker)
        return;
    auto *upload = static_cast<Upload *>(*state);
    if (!upload->finished)
        upload->discard();
    delete upload;
    *state = nullptr;
}

} // namespace

// The monitoring listener: its own daemon, its own text. A scraper needs a
// connection or two, so one address gets few; and a request must be whole
// within a deadline from its connection's start, so a peer that drips a byte
// now and then cannot hold its connections (an idle timeout restarts with
// every byte).
constexpr unsigned kMetricsConnectionLimit = 256;
constexpr unsigned kMetricsPerAddressLimit = 8;
constexpr int kMetricsRequestDeadlineSeconds = 5;
std::mutex g_metricsMutex;
MHD_Daemon *g_metricsDaemon = nullptr;

// Connections of the metrics daemon whose request has not been read whole.
struct PendingRequests
{
    std::mutex mutex;
    std::condition_variable stop;
    bool stopping = false;
    std::map<MHD_Connection *, std::pair<int, std::chrono::steady_clock::time_point>> waiting; // socket, start
};
PendingRequests g_metricsPending;
// Not a static object: a process that ends without stopping the listener
// must not run a joinable thread's destructor.
std::thread *g_metricsWatchdog = nullptr;

void metricsConnectionNotice(void *, MHD_Connection *connection, void **, MHD_ConnectionNotificationCode code)
{
    std::lock_guard lock(g_metricsPending.mutex);
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        const MHD_ConnectionInfo *info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        if (info)
            g_metricsPending.waiting[connection] = {info->connect_fd, std::chrono::steady_clock::now()};
    } else {
        // Closed: the socket is still open until this returns, so the
        // watchdog never shuts a descriptor that was given to another.
        g_metricsPending.waiting.erase(connection);
    }
}

// Shuts the sockets of requests past their deadline; the daemon then sees
// the connection end and frees it.
void metricsWatchdog()
{
    std::unique_lock lock(g_metricsPending.mutex);
    while (!g_metricsPending.stop.wait_for(lock, std::chrono::milliseconds(500),
                                           [] { return g_metricsPending.stopping; })) {
        const auto late = std::chrono::steady_clock::now() - std::chrono::seconds(kMetricsRequestDeadlineSeconds);
        for (auto it = g_metricsPending.waiting.begin(); it != g_metricsPending.waiting.end();) {
            if (it->second.second < late) {
                ::shutdown(it->second.first, SHUT_RDWR);
                it = g_metricsPending.waiting.erase(it);
            } else {
                ++it;
            }
        }
    }
}
std::mutex g_metricsTextMutex;
std::shared_ptr<const std::string> g_metricsText = std::make_shared<const std::string>();

MHD_Result answerMetrics(MHD_Connection *connection, unsigned status, const std::string &body, const char *type)
{
    MHD_Response *response =
        MHD_create_response_from_buffer(body.size(), const_cast<char *>(body.data()), MHD_RESPMEM_MUST_COPY);
    if (!response)
        return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, type);
    if (status == MHD_HTTP_METHOD_NOT_ALLOWED)
        MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET, HEAD");
    const MHD_Result result = MHD_queue_response(connection, status, response);
    MHD_destroy_response(response);
    return result;
}

MHD_Result handleMetrics(void *, MHD_Connection *connection, const char *url, const char *method, const char *,
                         const char *, size_t *uploadDataSize, void **state)
{
    // Answered on the second call, as the content service does, so that the
    // connection is kept.
    if (*state == nullptr) {
        *state = &g_getMarker;
        return MHD_YES;
    }
    if (*uploadDataSize != 0) {
        *uploadDataSize = 0;
        return MHD_YES;
    }
    // The request is whole: its deadline no longer counts. A kept connection
    // starts a new one with its next request only by a new connection.
    {
        std::lock_guard lock(g_metricsPending.mutex);
        g_metricsPending.waiting.erase(connection);
    }
    if (std::strcmp(method, MHD_HTTP_METHOD_GET) != 0 && std::strcmp(method, MHD_HTTP_METHOD_HEAD) != 0)
        return answerMetrics(connection, MHD_HTTP_METHOD_NOT_ALLOWED, "Method Not Allowed\n", "text/plain");
    if (std::strcmp(url, "/metrics") != 0)
        return answerMetrics(connection, MHD_HTTP_NOT_FOUND, "Not Found\n", "text/plain");
    std::shared_ptr<const std::string> text;
    {
        std::lock_guard lock(g_metricsTextMutex);
        text = g_metricsText;
    }
    return answerMetrics(connection, MHD_HTTP_OK, *text, "text/plain; version=0.0.4; charset=utf-8");
}

extern "C" {

int VodServerInit(void *, char *, char *, int port)
{
    if (port <= 0 || port > 65535) {
        logLine("cannot listen on port %d", port);
        return 1;
    }
    std::lock_guard lock(g_daemonMutex);
    if (g_daemon)
        return 0;
    // A box that goes away in the middle of a file must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    const unsigned threads = std::max(4u, 2 * std::thread::hardware_concurrency());
    const unsigned perAddress = currentConfig()->perAddressLimit;
    const unsigned idleSeconds = currentConfig()->idleSeconds;
    g_daemon = MHD_start_daemon(MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG, static_cast<uint16_t>(port), nullptr,
                                nullptr, &handleRequest, nullptr, MHD_OPTION_EXTERNAL_LOGGER, &mhdLogger, nullptr,
                                MHD_OPTION_THREAD_POOL_SIZE, threads, MHD_OPTION_CONNECTION_TIMEOUT, idleSeconds,
                                MHD_OPTION_CONNECTION_LIMIT, kConnectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
                                perAddress, MHD_OPTION_URI_LOG_CALLBACK, &uriSeen, nullptr, MHD_OPTION_NOTIFY_COMPLETED,
                                &requestCompleted, nullptr, MHD_OPTION_END);
    if (!g_daemon) {
        logLine("cannot listen on port %d", port);
        return 1;
    }
    return 0;
}

void VodServerStop(void)
{
    std::lock_guard lock(g_daemonMutex);
    {
        // Files being sent are cut with a reset, not a clean close.
        std::lock_guard sending(g_sendingMutex);
        for (int socket : g_sending) {
            sockaddr unspecified = {};
            unspecified.sa_family = AF_UNSPEC;
            connect(socket, &unspecified, sizeof unspecified);
        }
        g_sending.clear();
        g_sendingLength.clear();
    }
    if (g_daemon)
        MHD_stop_daemon(g_daemon);
    g_daemon = nullptr;
}

void VodServerSetRoots(const char *contentRoot, const char *uploadRoot)
{
    const std::string content = rootFrom(contentRoot);
    const std::string upload = rootFrom(uploadRoot);
    const int dir = content.empty() ? -1 : open(content.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    auto contentDir = dir >= 0 ? std::make_shared<Descriptor>(dir) : nullptr;
    changeConfig([&](Config &c) {
        c.contentRoot = content;
        c.contentRootDir = contentDir;
        c.uploadRoot = upload;
    });
}

void VodServerPublish(const char *path)
{
    if (!path)
        return;
    const std::string real = resolved(path);
    if (real.empty())
        return;
    changeConfig([&](Config &c) { c.published.insert(real); });
}

void VodServerSetUploadPermits(const char *const *boxAddresses, size_t boxCount, const char *const *taskAddresses,
                               const char *const *taskPaths, size_t taskCount)
{
    std::set<std::string> boxes;
    for (size_t i = 0; i < boxCount; ++i) {
        if (boxAddresses && boxAddresses[i])
            boxes.insert(boxAddresses[i]);
    }
    // Targets compare as the upload resolves them: the folder resolved, the
    // name as it stands.
    std::set<std::pair<std::string, std::string>> tasks;
    for (size_t i = 0; i < taskCount; ++i) {
        if (!taskAddresses || !taskPaths || !taskAddresses[i] || !taskPaths[i])
            continue;
        const std::string path = taskPaths[i];
        const auto slash = path.rfind('/');
        if (slash == std::string::npos)
            continue;
        const std::string folder = resolved(slash == 0 ? std::string("/") : path.substr(0, slash));
        if (folder.empty())
            continue;
        tasks.insert({taskAddresses[i], (folder == "/" ? std::string() : folder) + path.substr(slash)});
    }
    changeConfig([&](Config &c) {
        c.permitsSet = true;
        c.boxAddresses = std::move(boxes);
        c.taskUploads = std::move(tasks);
    });
}

void VodServerSetUploadLimit(long long bytes)
{
    changeConfig([&](Config &c) { c.uploadLimit = bytes < 0 ? 0 : bytes; });
}

void VodServerSetFreeSpaceReserve(long long bytes)
{
    changeConfig([&](Config &c) { c.freeSpaceReserve = bytes < 0 ? 0 : bytes; });
}

void VodServerSetIdleTimeout(unsigned seconds)
{
    changeConfig([&](Config &c) { c.idleSeconds = std::max(1u, seconds); });
}

void VodServerSetPerAddressLimit(unsigned connections)
{
    changeConfig([&](Config &c) { c.perAddressLimit = connections; });
}

void VodServerSetLogger(VodLogFunction function, void *context)
{
    std::lock_guard lock(g_logMutex);
    g_logFunction = function;
    g_logContext = context;
}

size_t VodServerResponseCounts(int *codes, unsigned long long *counts, size_t capacity)
{
    size_t written = 0;
    for (size_t slot = 0; slot < kCodeSlots && written < capacity; ++slot) {
        codes[written] = slot < std::size(kCountedCodes) ? kCountedCodes[slot] : 0;
        counts[written] = g_responses[slot];
        ++written;
    }
    return written;
}

unsigned long long VodServerBytesSent(void)
{
    return g_bytesSent;
}

int VodServerMetricsStart(const char *address, int port)
{
    sockaddr_in where = {};
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    if (!address || port <= 0 || port > 65535 || inet_pton(AF_INET, address, &where.sin_addr) != 1) {
        logLine("cannot listen for metrics on %s:%d", address ? address : "", port);
        return 1;
    }
    std::lock_guard lock(g_metricsMutex);
    if (g_metricsDaemon)
        return 0;
    std::signal(SIGPIPE, SIG_IGN);
    g_metricsDaemon = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG, static_cast<uint16_t>(port), nullptr,
        nullptr, &handleMetrics, nullptr, MHD_OPTION_EXTERNAL_LOGGER, &mhdLogger, nullptr, MHD_OPTION_SOCK_ADDR, &where,
        MHD_OPTION_CONNECTION_TIMEOUT, currentConfig()->idleSeconds, MHD_OPTION_CONNECTION_LIMIT,
        kMetricsConnectionLimit, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        currentConfig()->perAddressLimit == 0 ? kMetricsPerAddressLimit
                                              : std::min(kMetricsPerAddressLimit, currentConfig()->perAddressLimit),
        MHD_OPTION_NOTIFY_CONNECTION, &metricsConnectionNotice, nullptr, MHD_OPTION_END);
    if (!g_metricsDaemon) {
        logLine("cannot listen for metrics on %s:%d", address, port);
        return 1;
    }
    {
        std::lock_guard pending(g_metricsPending.mutex);
        g_metricsPending.stopping = false;
    }
    g_metricsWatchdog = new std::thread(&metricsWatchdog);
    return 0;
}

void VodServerMetricsStop(void)
{
    std::lock_guard lock(g_metricsMutex);
    if (!g_metricsDaemon)
        return;
    {
        std::lock_guard pending(g_metricsPending.mutex);
        g_metricsPending.stopping = true;
    }
    g_metricsPending.stop.notify_all();
    g_metricsWatchdog->join();
    delete g_metricsWatchdog;
    g_metricsWatchdog = nullptr;
    MHD_stop_daemon(g_metricsDaemon);
    g_metricsDaemon = nullptr;
    std::lock_guard pending(g_metricsPending.mutex);
    g_metricsPending.waiting.clear();
}

void VodServerSetMetrics(const char *text, size_t length)
{
    auto snapshot = std::make_shared<const std::string>(text ? std::string(text, length) : std::string());
    std::lock_guard lock(g_metricsTextMutex);
    g_metricsText = std::move(snapshot);
}

} // extern "C"
