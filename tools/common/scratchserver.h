#pragma once

#include "config/settings.h"

// Settings for a throwaway server in a folder of its own (tests, benchmarks,
// the screenshot tool): its Deploy.ini, content folder and free ports, so
// that a first start asks nothing.
StartupOptions ScratchServerOptions(const QString &folder, const QString &serviceIp = QStringLiteral("127.0.0.1"));

// A TCP port nobody listens on right now, outside the range the kernel gives
// outgoing connections where it can.
int FreeTcpPort();
