#include "qtprompter.h"
#include "serverapp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <fcntl.h>
#include <optional>
#include <sys/resource.h>

namespace {

// Box connections, their content transfers and the service's own threads all
// take descriptors; the usual soft limit of 1,024 is far below what the
// system allows this process.
void raiseDescriptorLimit()
{
    rlimit limit = {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
        std::perror("boxfleet: cannot raise the descriptor limit");
}

// The options, read before any window exists, so that --version and --help
// answer on a machine without a display. Returns an exit status when the
// program should end at once.
std::optional<int> readOptions(int argc, char *argv[], StartupOptions &options)
{
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("boxfleet"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersionText));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Management server for a fleet of display boxes."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption deploy(QStringLiteral("deploy"), QStringLiteral("The settings file to use."),
                                    QStringLiteral("file"));
    const QCommandLineOption content(QStringLiteral("content"),
                                     QStringLiteral("Content folder to use when the settings name none."),
                                     QStringLiteral("dir"));
    const QCommandLineOption serviceIp(QStringLiteral("service-ip"),
                                       QStringLiteral("Address for HTTP links when the settings name none."),
                                       QStringLiteral("ip"));
    const QCommandLineOption boxPort(QStringLiteral("box-port"), QStringLiteral("TCP port boxes connect to."),
                                     QStringLiteral("port"), QString::number(kDefaultBoxPort));
    const QCommandLineOption echoLog(QStringLiteral("echo-log"),
                                     QStringLiteral("Also write the event log to standard error."));
    // Given by the copy that restarts this one: where to say that the ports listen.
    QCommandLineOption readyFd(QStringLiteral("ready-fd"), QStringLiteral("Descriptor to report readiness on."),
                               QStringLiteral("n"));
    readyFd.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption metrics(QStringLiteral("metrics"),
                                     QStringLiteral("Serve Prometheus metrics at http://ADDRESS:PORT/metrics."),
                                     QStringLiteral("address:port"));
    const QCommandLineOption language(QStringLiteral("lang"),
                                      QStringLiteral("The language of the windows: zh (Chinese) or en (English)."),
                                      QStringLiteral("zh|en"));
    parser.addOptions({deploy, content, serviceIp, boxPort, echoLog, readyFd, metrics, language});
    parser.process(application);

    options.deployFile = parser.value(deploy);
    options.content = parser.value(content);
    options.serviceIp = parser.value(serviceIp);
    options.echoLog = parser.isSet(echoLog);
    options.metrics = parser.value(metrics);
    options.language = parser.value(language);
    if (parser.isSet(language) && options.language != QLatin1String("zh") && options.language != QLatin1String("en")) {
        std::fprintf(stderr, "boxfleet: --lang takes zh or en\n");
        return 2;
    }
    if (parser.isSet(readyFd)) {
        bool fdOk = false;
        options.readyFd = parser.value(readyFd).toInt(&fdOk);
        if (!fdOk || options.readyFd < 3 || ::fcntl(options.readyFd, F_SETFD, FD_CLOEXEC) != 0) {
            std::fprintf(stderr, "boxfleet: --ready-fd needs an open descriptor\n");
            return 2;
        }
    }
    bool portOk = false;
    options.boxPort = parser.value(boxPort).toInt(&portOk);
    if (!portOk || options.boxPort < 1 || options.boxPort > 65535) {
        std::fprintf(stderr, "boxfleet: --box-port needs a port from 1 to 65535\n");
        return 2;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    raiseDescriptorLimit();

    StartupOptions options;
    if (const auto status = readOptions(argc, argv, options))
        return *status;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("boxfleet"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersionText));

    QtPrompter prompter;
    ServerApp server(options, prompter);
    if (!server.start())
        return server.exitCode();
    return server.exec();
}
