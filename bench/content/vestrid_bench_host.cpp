// Serves a content root with the content service until SIGTERM or SIGINT.
// Usage: vestrid_bench_host PORT CONTENT_ROOT
#include "vestrid.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PORT CONTENT_ROOT\n", argv[0]);
        return 2;
    }
    const std::string root = argv[2];
    const std::string uploads = root + "/filesys";
    VodServerSetRoots(root.c_str(), uploads.c_str());
    VodServerSetUploadLimit(1LL << 30);
    // wrk's connections all come from 127.0.0.1, unlike a fleet's boxes.
    VodServerSetPerAddressLimit(0);
    if (VodServerInit(nullptr, nullptr, nullptr, std::atoi(argv[1])) != 0)
        return 1;
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigprocmask(SIG_BLOCK, &signals, nullptr);
    int received = 0;
    sigwait(&signals, &received);
    VodServerStop();
    return 0;
}
