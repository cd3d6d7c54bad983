#pragma once

// The content HTTP service: boxes fetch files by their absolute local path
// (http://ip:port//home/op/content/XML/1(T).xml) and upload the files they are
// asked for by PUT (or a raw-body POST). Loaded by the program with QLibrary;
// every entry point is a plain C function.

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VESTRID_EXPORT __attribute__((visibility("default")))

typedef void (*VodLogFunction)(void *context, const char *line);

// Starts the service on all interfaces at port. window, bufA and bufB are
// kept for the program's window (unused on this platform). Returns 0 when the
// service listens, 1 when it could not start (port in use, no roots set).
VESTRID_EXPORT int VodServerInit(void *window, char *bufA, char *bufB, int port);

// Stops the service and waits for its threads.
VESTRID_EXPORT void VodServerStop(void);

// Files under contentRoot may be fetched; uploads land only under uploadRoot.
VESTRID_EXPORT void VodServerSetRoots(const char *contentRoot, const char *uploadRoot);

// A file outside the content root that the program handed out an address for.
VESTRID_EXPORT void VodServerPublish(const char *path);

// Who may upload: once this is called, an upload straight into the upload
// folder is taken only from one of the box addresses, and one into a box's
// folder ("name(MAC)" below the upload folder) only from the address and onto
// the path of one of the tasks (taskAddresses[i] uploads taskPaths[i]);
// everything else is refused with 403. Until it is called, every upload
// under the upload folder is taken. Each call replaces the lists.
VESTRID_EXPORT void VodServerSetUploadPermits(const char *const *boxAddresses, size_t boxCount,
                                              const char *const *taskAddresses, const char *const *taskPaths,
                                              size_t taskCount);

// Largest upload accepted, in bytes (2 GiB unless set).
VESTRID_EXPORT void VodServerSetUploadLimit(long long bytes);

// Uploads that would leave less than this many bytes free on their disk are
// refused (507). One gibibyte unless set.
VESTRID_EXPORT void VodServerSetFreeSpaceReserve(long long bytes);

// Connections one peer address may hold open at once (0: no limit); read
// when the service starts. 256 unless set.
VESTRID_EXPORT void VodServerSetPerAddressLimit(unsigned connections);

// Seconds a connection may stay silent before the service closes it (at
// least 1); read when the service starts. 20 unless set.
VESTRID_EXPORT void VodServerSetIdleTimeout(unsigned seconds);

// What the service has answered since it was loaded: the number of
// responses per status code (up to capacity codes, written into codes and
// counts; the number written is returned) and the bytes of file bodies sent
// whole.
VESTRID_EXPORT size_t VodServerResponseCounts(int *codes, unsigned long long *counts, size_t capacity);
VESTRID_EXPORT unsigned long long VodServerBytesSent(void);

// A second, separate listener for monitoring: serves the text given to
// VodServerSetMetrics at GET or HEAD /metrics on address:port only (404 for
// any other path, 405 for other methods), with the content service's idle
// limit, at most 8 connections per address (fewer when the service's own
// limit is lower), and 5 s from a connection's start for its request to
// arrive whole. 0 when it listens.
VESTRID_EXPORT int VodServerMetricsStart(const char *address, int port);
VESTRID_EXPORT void VodServerMetricsStop(void);
VESTRID_EXPORT void VodServerSetMetrics(const char *text, size_t length);

// Where the service's own log lines go; called from the service's threads.
VESTRID_EXPORT void VodServerSetLogger(VodLogFunction function, void *context);

#ifdef __cplusplus
}
#endif
