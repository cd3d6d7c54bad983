// The content service inside the whole program, its windows shown as an
// operator has them (main, group and box management), serving a content
// root until SIGTERM; then prints how late the window thread's event loop
// ran a 5 ms timer: "p50 p99 max" in milliseconds.
// Usage: content_gui_host PORT CONTENT_ROOT
#include "app/serverapp.h"
#include "base/quietprompter.h"
#include "config/mainform.h"
#include "scratchserver.h"
#include "stallprobe.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QToolButton>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s PORT CONTENT_ROOT\n", argv[0]);
        return 2;
    }
    QTemporaryDir dir;
    StartupOptions options = ScratchServerOptions(dir.path());
    options.content = QString::fromLocal8Bit(argv[2]);
    QFile deploy(options.deployFile);
    if (!deploy.open(QIODevice::WriteOnly))
        return 1;
    deploy.write("[SERVICE]\nSERVICE PORT=" + QByteArray(argv[1]) + "\n");
    deploy.close();
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg && !text.contains(QLatin1String("propagateSizeHints")) &&
            !text.contains(QLatin1String("raise()")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    QuietPrompter prompter;
    ServerApp server(options, prompter, QCoreApplication::applicationDirPath() + QStringLiteral("/libvestrid.so"));
    if (!server.start())
        return 1;
    server.forms().form1->show();
    for (const char *button : {"sbGroup", "sbBoxManagement"})
        server.forms().form1->findChild<QToolButton *>(QString::fromLatin1(button))->click();
    StallProbe probe(5);
    probe.start();
    // SIGTERM closes the main window, which ends the loop.
    const int status = server.exec();
    const QList<double> stalls = probe.stop();
    std::printf("%.2f %.2f %.2f\n", percentile(stalls, 0.5), percentile(stalls, 0.99), percentile(stalls, 1.0));
    return status;
}
