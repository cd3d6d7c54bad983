#include "vestrid.h"

#include <microhttpd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <linux/openat2.h>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr long long kDefaultUploadLimit = 4LL << 30;
constexpr size_t kUploadFlushSize = 256 * 1024;
constexpr uint64_t kSmallFileSize = 32 * 1024;
constexpr unsigned kConnectionTimeoutSeconds = 60;

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
};

std::mutex g_configMutex;
std::shared_ptr<const Config> g_config = std::make_shared<Config>();

std::mutex g_daemonMutex;
MHD_Daemon *g_daemon = nullptr;

std::mutex g_logMutex;
VodLogFunction g_logFunction = nullptr;
void *g_logContext = nullptr;

void vlogLine(const char *format, va_list args)
{
    char line[1024];
    std::vsnprintf(line, sizeof line, format, args);
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        line[--n] = '\0';
    std::lock_guard lock(g_logMutex);
    if (g_logFunction)
        g_logFunction(g_logContext, line);
    else
        std::fprintf(stderr, "vestrid: %s\n", line);
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
// "//home/op/x" and "/home/op/x" both name /home/op/x.
bool localPathOf(const char *url, std::string &path)
{
    if (!url || url[0] != '/' || url[1] == '\0')
        return false;
    path = url + 1;
    if (path[0] != '/')
        path.insert(path.begin(), '/');
    return true;
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
// ENOSYS means: decide the slow way.
int openBeneathRoot(const Config &config, const std::string &path)
{
    if (!config.contentRootDir || !isUnder(path, config.contentRoot) || config.contentRoot == "/") {
        errno = ENOSYS;
        return -1;
    }
    const std::string relative = path.substr(config.contentRoot.size() + 1);
    open_how how = {};
    how.flags = O_RDONLY | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    return static_cast<int>(
        syscall(SYS_openat2, config.contentRootDir->fd, relative.empty() ? "." : relative.c_str(), &how, sizeof how));
}

// Opens a file that may be served: under the content root, or published.
// -1 with the HTTP status to answer otherwise.
int openServable(const Config &config, const std::string &path, unsigned &status)
{
    int fd = openBeneathRoot(config, path);
    if (fd >= 0)
        return fd;
    if (errno == ENOENT || errno == ENOTDIR) {
        status = MHD_HTTP_NOT_FOUND;
        return -1;
    }
    const std::string real = resolved(path);
    if (real.empty()) {
        status = (errno == ENOENT || errno == ENOTDIR) ? MHD_HTTP_NOT_FOUND : MHD_HTTP_FORBIDDEN;
        return -1;
    }
    if (!isUnder(real, config.contentRoot) && config.published.count(real) == 0) {
        logLine("refused GET of %s", real.c_str());
        status = MHD_HTTP_FORBIDDEN;
        return -1;
    }
    fd = open(real.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        status = errno == ENOENT ? MHD_HTTP_NOT_FOUND : MHD_HTTP_FORBIDDEN;
    return fd;
}

MHD_Result serveFile(MHD_Connection *connection, const char *url)
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

MHD_Result beginUpload(MHD_Connection *connection, const char *url, void **state)
{
    std::string path;
    if (!localPathOf(url, path) || path.back() == '/')
        return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
    const auto slash = path.rfind('/');
    const std::string folder = slash == 0 ? std::string("/") : path.substr(0, slash);
    const std::string name = path.substr(slash + 1);
    if (name == "." || name == "..")
        return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
    const std::string realFolder = resolved(folder);
    if (realFolder.empty())
        return sendStatus(connection, MHD_HTTP_NOT_FOUND);
    const auto config = currentConfig();
    if (realFolder != config->uploadRoot && !isUnder(realFolder, config->uploadRoot)) {
        logLine("refused upload to %s", path.c_str());
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    }
    auto upload = std::make_unique<Upload>();
    upload->target = (realFolder == "/" ? std::string() : realFolder) + "/" + name;
    struct stat st;
    if (lstat(upload->target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return sendStatus(connection, MHD_HTTP_FORBIDDEN);
    upload->limit = config->uploadLimit;
    if (const char *length = MHD_lookup_connection_value(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH)) {
        const char *p = length;
        unsigned long long declared = 0;
        if (!parseNumber(p, declared) || *p != '\0')
            return sendStatus(connection, MHD_HTTP_BAD_REQUEST);
        if (declared > static_cast<unsigned long long>(upload->limit))
            return sendStatus(connection, MHD_HTTP_CONTENT_TOO_LARGE);
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
                if (upload.buffer.size() >= kUploadFlushSize && !upload.flush()) {
                    logLine("writing %s failed: %s", upload.target.c_str(), std::strerror(errno));
                    upload.failure = MHD_HTTP_INTERNAL_SERVER_ERROR;
                    upload.discard();
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
        return serveFile(connection, url);
    }
    return continueUpload(connection, *static_cast<Upload *>(*state), uploadData, uploadDataSize);
}

void requestCompleted(void *, MHD_Connection *, void **state, MHD_RequestTerminationCode)
{
    if (*state == nullptr || *state == &g_getMarker)
        return;
    auto *upload = static_cast<Upload *>(*state);
    if (!upload->finished)
        upload->discard();
    delete upload;
    *state = nullptr;
}

} // namespace

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
    g_daemon =
        MHD_start_daemon(MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ERROR_LOG, static_cast<uint16_t>(port), nullptr,
                         nullptr, &handleRequest, nullptr, MHD_OPTION_EXTERNAL_LOGGER, &mhdLogger, nullptr,
                         MHD_OPTION_THREAD_POOL_SIZE, threads, MHD_OPTION_CONNECTION_TIMEOUT, kConnectionTimeoutSeconds,
                         MHD_OPTION_NOTIFY_COMPLETED, &requestCompleted, nullptr, MHD_OPTION_END);
    if (!g_daemon) {
        logLine("cannot listen on port %d", port);
        return 1;
    }
    return 0;
}

void VodServerStop(void)
{
    std::lock_guard lock(g_daemonMutex);
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

void VodServerSetUploadLimit(long long bytes)
{
    changeConfig([&](Config &c) { c.uploadLimit = bytes < 0 ? 0 : bytes; });
}

void VodServerSetLogger(VodLogFunction function, void *context)
{
    std::lock_guard lock(g_logMutex);
    g_logFunction = function;
    g_logContext = context;
}

} // extern "C"
