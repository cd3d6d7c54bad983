// The box link under load: the real server objects and windows (offscreen),
// the group and box management windows open as an operator has them, with
// 256 simulated boxes heartbeating once a second, a command to all of them,
// then a burst of heartbeats, then the whole fleet reconnecting at once. Prints how late the GUI thread's event
// loop ran a 5 ms timer (p50, p99, max), the messages handled per second,
// and whether every message the boxes sent arrived.
//
// Usage: linkbench BOXSIM_BINARY [SECONDS] [BURST_PER_SECOND]
#include "app/serverapp.h"
#include "base/quietprompter.h"
#include "config/mainform.h"
#include "console/cmdhistory.h"
#include "link/boxserver.h"
#include "link/cmd.h"
#include "link/history.h"
#include "link/metrics.h"
#include "registry/MacGroup.h"
#include "scratchserver.h"
#include "stallprobe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <thread>

namespace {

qint64 sentBy(const QByteArray &stderrText)
{
    const auto match = QRegularExpression(QStringLiteral("sent (\\d+) messages")).match(QString::fromUtf8(stderrText));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

// This process's resident memory, in MiB.
double residentMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const auto match =
        QRegularExpression(QStringLiteral("VmRSS:\\s+(\\d+) kB")).match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toDouble() / 1024.0 : -1;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BOXSIM_BINARY [SECONDS] [BURST_PER_SECOND]\n", argv[0]);
        return 2;
    }
    const QString boxsim = QString::fromLocal8Bit(argv[1]);
    const int seconds = argc > 2 ? atoi(argv[2]) : 20;
    const int burst = argc > 3 ? atoi(argv[3]) : 10000;
    const int boxes = 256;

    QTemporaryDir dir;
    StartupOptions options = ScratchServerOptions(dir.path());
    // With BENCH_METRICS=1 the metrics listener runs and is scraped every
    // 100 ms from a thread of its own, as a busy Prometheus would.
    const bool metrics = qEnvironmentVariableIsSet("BENCH_METRICS");
    const int metricsPort = FreeTcpPort();
    if (metrics)
        options.metrics = QStringLiteral("127.0.0.1:%1").arg(metricsPort);
    std::atomic<bool> scraping{metrics};
    std::atomic<long long> scrapes{0};
    std::thread scraper([&] {
        while (scraping) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, quint16(metricsPort));
            if (!socket.waitForConnected(1000))
                continue;
            socket.write("GET /metrics HTTP/1.0\r\n\r\n");
            while (socket.waitForReadyRead(1000))
                socket.readAll();
            ++scrapes;
        }
    });
    const auto stopScraping = qScopeGuard([&] {
        scraping = false;
        scraper.join();
    });
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        if (type != QtDebugMsg && type != QtInfoMsg && !text.contains(QLatin1String("propagateSizeHints")))
            std::fprintf(stderr, "%s\n", qPrintable(text));
    });

    QuietPrompter prompter;
    ServerApp server(options, prompter, QCoreApplication::applicationDirPath() + QStringLiteral("/libvestrid.so"));
    if (!server.start())
        return 1;
    Cmd_API *cmd = server.context().cmd;
    // For a comparison: the same run without the fleet status store.
    if (qEnvironmentVariableIsSet("BENCH_NO_FLEET"))
        QObject::disconnect(cmd, nullptr, server.context().fleet, nullptr);
    MacGruoup *registry = server.context().registry;
    qint64 handled = 0;
    qint64 heartbeats = 0;
    QObject::connect(server.context().boxServer, &BoxServer::messageReceived, &app,
                     [&](QTcpSocket *, const QByteArray &message) {
                         ++handled;
                         heartbeats += message.startsWith("heatbeat");
                     });

    // Phase 1: 256 boxes at 1 Hz, and after half the time a command to all.
    QProcess steady;
    steady.start(boxsim, {QStringLiteral("--port"), QString::number(options.boxPort), QStringLiteral("-n"),
                          QString::number(boxes), QStringLiteral("--period-ms"), QStringLiteral("1000"),
                          QStringLiteral("--duration"), QString::number(seconds), QStringLiteral("--quiet")});
    if (!steady.waitForStarted())
        return 1;
    StallProbe probe(5);
    QElapsedTimer clock;
    // Count from the moment every box is known.
    while (registry->BoxCount() < boxes && clock.isValid() == false) {
        wait(50);
        if (steady.state() == QProcess::NotRunning)
            break;
    }
    // The operator's view: the group and box management windows open.
    const auto click = [&server](const char *button) {
        server.forms().form1->findChild<QToolButton *>(QString::fromLatin1(button))->click();
    };
    server.forms().form1->show();
    click("sbGroup");
    click("sbBoxManagement");
    probe.start();
    clock.start();
    std::clock_t cpu = std::clock();
    const qint64 handledAtStart = handled;
    QTimer::singleShot(seconds * 500, &app, [&] {
        for (int slot = 0; slot < registry->BoxCount(); ++slot)
            cmd->SendBoxCommand(CMD_SETTIME, registry->Box(slot).MacAdd);
    });
    while (steady.state() != QProcess::NotRunning)
        wait(100);
    const QList<double> stalls = probe.stop();
    const double elapsed = clock.elapsed() / 1000.0;
    const double steadyCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    wait(500); // the last messages in flight
    const qint64 steadySent = sentBy(steady.readAllStandardError());
    const qint64 steadyHandled = handled;

    std::printf("box link, %d boxes at 1 Hz for %d s, one command to all of them halfway\n", boxes, seconds);
    std::printf("  boxes known                 %d\n", registry->BoxCount());
    std::printf("  messages handled            %lld (%.0f/s), heartbeats %lld\n", steadyHandled,
                (steadyHandled - handledAtStart) / elapsed, heartbeats);
    std::printf("  messages sent by the boxes  %lld (%.0f/s), lost %lld\n", steadySent, steadySent / elapsed,
                steadySent - steadyHandled);
    std::printf("  GUI thread stall (ms)       p50 %.2f  p99 %.2f  max %.2f  (%lld samples)\n", percentile(stalls, 0.5),
                percentile(stalls, 0.99), percentile(stalls, 1.0), (long long)stalls.size());
    std::printf("  server CPU per message      %.1f us\n",
                steadyCpu * 1e6 / qMax<qint64>(1, steadyHandled - handledAtStart));

    // Phase 2: a burst of heartbeats from 64 of the same boxes.
    const int burstSeconds = 5;
    QProcess flood;
    flood.start(boxsim,
                {QStringLiteral("--port"), QString::number(options.boxPort), QStringLiteral("-n"), QStringLiteral("64"),
                 QStringLiteral("--period-ms"), QStringLiteral("0"), QStringLiteral("--flood"), QString::number(burst),
                 QStringLiteral("--duration"), QString::number(burstSeconds), QStringLiteral("--quiet")});
    if (!flood.waitForStarted())
        return 1;
    const qint64 before = handled;
    probe.start();
    clock.restart();
    cpu = std::clock();
    while (flood.state() != QProcess::NotRunning)
        wait(100);
    const QList<double> burstStalls = probe.stop();
    const double burstElapsed = clock.elapsed() / 1000.0;
    const double burstCpu = double(std::clock() - cpu) / CLOCKS_PER_SEC;
    wait(1000);
    const qint64 floodSent = sentBy(flood.readAllStandardError());
    const qint64 floodHandled = handled - before;
    std::printf("burst of %d heartbeats/s from 64 boxes for %d s\n", burst, burstSeconds);
    std::printf("  messages handled            %lld (%.0f/s)\n", floodHandled, floodHandled / burstElapsed);
    std::printf("  messages sent by the boxes  %lld (%.0f/s), lost %lld\n", floodSent, floodSent / burstElapsed,
                floodSent - floodHandled);
    std::printf("  GUI thread stall (ms)       p50 %.2f  p99 %.2f  max %.2f\n", percentile(burstStalls, 0.5),
                percentile(burstStalls, 0.99), percentile(burstStalls, 1.0));
    std::printf("  server CPU per message      %.1f us\n", burstCpu * 1e6 / qMax<qint64>(1, floodHandled));

    // Phase 2b: one box floods a reply that answers nothing ("info set box
    // time") for REPLY_FLOOD_SECONDS (30): every one is a history row.
    {
        const int floodSeconds = qEnvironmentVariableIntValue("REPLY_FLOOD_SECONDS") > 0
                                     ? qEnvironmentVariableIntValue("REPLY_FLOOD_SECONDS")
                                     : 30;
        const double rssBefore = residentMiB();
        QProcess replies;
        replies.start(boxsim,
                      {QStringLiteral("--port"), QString::number(options.boxPort), QStringLiteral("-n"),
                       QStringLiteral("1"), QStringLiteral("--first"), QStringLiteral("0"),
                       QStringLiteral("--period-ms"), QStringLiteral("0"), QStringLiteral("--flood"),
                       QString::number(burst), QStringLiteral("--flood-line"), QStringLiteral("info set box time"),
                       QStringLiteral("--duration"), QString::number(floodSeconds), QStringLiteral("--quiet")});
        if (!replies.waitForStarted())
            return 1;
        const qint64 beforeReplies = handled;
        probe.start();
        clock.restart();
        while (replies.state() != QProcess::NotRunning)
            wait(100);
        const QList<double> replyStalls = probe.stop();
        const double repliesElapsed = clock.elapsed() / 1000.0;
        wait(1000);
        const qint64 repliesHandled = handled - beforeReplies;
        std::printf("one box flooding %d replies/s for %d s\n", burst, floodSeconds);
        std::printf("  messages handled            %lld (%.0f/s), sent %lld\n", repliesHandled,
                    repliesHandled / repliesElapsed, sentBy(replies.readAllStandardError()));
        std::printf("  GUI thread stall (ms)       p50 %.2f  p99 %.2f  max %.2f\n", percentile(replyStalls, 0.5),
                    percentile(replyStalls, 0.99), percentile(replyStalls, 1.0));
        std::printf("  resident memory (MiB)       %.0f before, %.0f after; %d history rows in memory\n", rssBefore,
                    residentMiB(), server.context().history->rowCount());
    }

    // Phase 3: the fleet reconnects at once (a switch comes back): 256 boxes
    // connect within a second, each heartbeating at once, while a command
    // goes to all of them.
    const int stormSeconds = 5;
    QProcess storm;
    storm.start(boxsim, {QStringLiteral("--port"), QString::number(options.boxPort), QStringLiteral("-n"),
                         QString::number(boxes), QStringLiteral("--period-ms"), QStringLiteral("1000"),
                         QStringLiteral("--duration"), QString::number(stormSeconds), QStringLiteral("--quiet")});
    if (!storm.waitForStarted())
        return 1;
    const qint64 beforeStorm = handled;
    probe.start();
    clock.restart();
    QTimer::singleShot(300, &app, [&] {
        for (int slot = 0; slot < registry->BoxCount(); ++slot)
            cmd->SendBoxCommand(CMD_SETTIME, registry->Box(slot).MacAdd);
    });
    while (storm.state() != QProcess::NotRunning)
        wait(100);
    const QList<double> stormStalls = probe.stop();
    const double stormElapsed = clock.elapsed() / 1000.0;
    wait(1000);
    const qint64 stormSent = sentBy(storm.readAllStandardError());
    const qint64 stormHandled = handled - beforeStorm;
    std::printf("connect storm: %d boxes connecting at once, a command to all, for %d s\n", boxes, stormSeconds);
    std::printf("  messages handled            %lld (%.0f/s)\n", stormHandled, stormHandled / stormElapsed);
    std::printf("  messages sent by the boxes  %lld (%.0f/s), lost %lld\n", stormSent, stormSent / stormElapsed,
                stormSent - stormHandled);
    std::printf("  GUI thread stall (ms)       p50 %.2f  p99 %.2f  max %.2f\n", percentile(stormStalls, 0.5),
                percentile(stormStalls, 0.99), percentile(stormStalls, 1.0));

    // The metrics snapshot the window thread builds once a second, timed
    // on the fleet as it stands.
    {
        QElapsedTimer build;
        build.start();
        qsizetype bytes = 0;
        for (int i = 0; i < 100; ++i)
            bytes += MetricsText(*registry, *server.context().fleet, FleetCounters()).size();
        const double ms = build.nsecsElapsed() / 1e6 / 100;
        std::printf("metrics snapshot of %d boxes\n", registry->BoxCount());
        std::printf("  building it                 %.2f ms (%lld bytes), once a second: %.2f%% of the window thread\n",
                    ms, (long long)(bytes / 100), ms / 10.0);
    }
    if (metrics)
        std::printf("  listener scraped every 100 ms: %lld scrapes during the run\n", (long long)scrapes);
    // What keeping the history costs: on the window thread only a queued
    // row (inside the figures above); the writing happens on its own thread.
    server.database().flush();
    const ServerDatabase::Stats db = server.database().stats();
    std::printf("history database (boxfleet.sqlite)\n");
    std::printf("  rows written                %lld history, %lld fleet status, in %lld transactions\n", db.rows,
                db.fleetRows, db.transactions);
    std::printf("  writing, on its own thread  %.1f us a row\n",
                db.writeNs / 1000.0 / double(qMax<qint64>(1, db.rows + db.fleetRows)));
    if (qEnvironmentVariableIsSet("BENCH_SKIP_HISTORY"))
        return 0;
    // Phase 4: the event history window open with a million rows.
    CommandHistory *history = server.context().history;
    history->clear();
    server.forms().form6->show();
    QElapsedTimer fill;
    fill.start();
    const int rows = 1000000;
    for (int i = 0; i < rows; ++i) {
        history->AddSentCommand(QStringLiteral("02:00:00:00:%1").arg(i % 65536, 4, 16, QLatin1Char('0')),
                                QStringLiteral("box %1").arg(i % 256), QStringLiteral("10.0.0.1"),
                                QStringLiteral("Set Time"));
        if (i % 10000 == 0)
            QCoreApplication::processEvents();
    }
    const double fillSeconds = fill.elapsed() / 1000.0;
    QElapsedTimer one;
    one.start();
    for (int i = 0; i < 1000; ++i)
        history->AddReply(QStringLiteral("m"), QString(), QStringLiteral("1.1.1.1"),
                          QStringLiteral("Sync Time Succeed"), QStringLiteral("info set box time"));
    QCoreApplication::processEvents();
    const double perRowUs = one.nsecsElapsed() / 1000.0 / 1000.0;
    QElapsedTimer sort;
    sort.start();
    history->sortByColumn(CommandHistory::ClientColumn);
    QCoreApplication::processEvents();
    const double sortSeconds = sort.elapsed() / 1000.0;
    std::printf("event history window open with %d rows added (the newest %d kept in memory)\n", rows,
                CommandHistory::kMaxRows);
    std::printf("  filling                     %.2f s (%.1f us a row)\n", fillSeconds, fillSeconds * 1e6 / rows);
    std::printf("  one more row at 1M          %.1f us\n", perRowUs);
    std::printf("  sorting by a column         %.2f s\n", sortSeconds);
    return 0;
}
