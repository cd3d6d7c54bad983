// A fleet fetching one new video at once: N clients, each from a loopback
// address of its own (127.0.2.1, 127.0.2.2, ...) as boxes on a LAN are, each
// fetching the same file over and over on one keep-alive connection for a
// fixed time. Prints one line: bytes received, whole and broken downloads,
// the seconds it ran and the CPU seconds the clients used.
//
// Usage: storm PORT PATH SECONDS [CLIENTS]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<long long> g_bytes{0};
std::atomic<long long> g_whole{0};
std::atomic<long long> g_broken{0};
std::atomic<bool> g_stop{false};

int connectFrom(in_addr_t from, int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local = {};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(from);
    sockaddr_in server = {};
    server.sin_family = AF_INET;
    server.sin_port = htons(uint16_t(port));
    server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr *>(&server), sizeof server) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// One box: fetches the file until told to stop; a download the server cuts
// (a short body, a reset) counts as broken.
void client(in_addr_t from, int port, const std::string &path)
{
    const std::string request = "GET " + path + " HTTP/1.1\r\nHost: storm\r\n\r\n";
    std::vector<char> buffer(256 * 1024);
    int fd = -1;
    while (!g_stop) {
        if (fd < 0 && (fd = connectFrom(from, port)) < 0) {
            ++g_broken;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) != ssize_t(request.size())) {
            close(fd);
            fd = -1;
            ++g_broken;
            continue;
        }
        // The header, then exactly Content-Length bytes of body.
        std::string head;
        long long body = -1;
        long long left = 0;
        bool failed = false;
        while (!g_stop) {
            const ssize_t got = recv(fd, buffer.data(), buffer.size(), 0);
            if (got <= 0) {
                failed = true;
                break;
            }
            g_bytes += got;
            if (body < 0) {
                head.append(buffer.data(), size_t(got));
                const size_t end = head.find("\r\n\r\n");
                if (end == std::string::npos)
                    continue;
                const char *length = strcasestr(head.c_str(), "\r\nContent-Length:");
                if (head.compare(0, 12, "HTTP/1.1 200") != 0 || !length) {
                    failed = true;
                    break;
                }
                body = std::atoll(length + 17);
                left = body - (long long)(head.size() - end - 4);
            } else {
                left -= got;
            }
            if (left <= 0)
                break;
        }
        if (g_stop)
            break;
        if (failed || left != 0) {
            ++g_broken;
            close(fd);
            fd = -1;
            continue;
        }
        ++g_whole;
    }
    if (fd >= 0)
        close(fd);
}

double cpuSeconds()
{
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s PORT PATH SECONDS [CLIENTS]\n", argv[0]);
        return 2;
    }
    const int port = std::atoi(argv[1]);
    const std::string path = argv[2];
    const int seconds = std::atoi(argv[3]);
    const int clients = argc > 4 ? std::atoi(argv[4]) : 256;
    const in_addr_t first = (127u << 24) | (2u << 8) | 1u; // 127.0.2.1
    const double cpuBefore = cpuSeconds();
    const auto started = Clock::now();
    std::vector<std::thread> threads;
    threads.reserve(size_t(clients));
    for (int i = 0; i < clients; ++i)
        threads.emplace_back(client, first + in_addr_t(i), port, path);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    g_stop = true;
    const double elapsed = std::chrono::duration<double>(Clock::now() - started).count();
    const long long bytes = g_bytes;
    // Threads blocked in a read are woken by the connections' end below.
    for (std::thread &thread : threads)
        thread.detach();
    std::printf("%lld %lld %lld %.3f %.3f\n", bytes, (long long)g_whole, (long long)g_broken, elapsed,
                cpuSeconds() - cpuBefore);
    std::fflush(stdout);
    std::_Exit(0);
}
