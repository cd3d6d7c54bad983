// boxsim: simulated display boxes for rehearsals, tests and load.
#include "boxsimulator.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QStringDecoder>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("boxsim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Connects simulated display boxes to a boxfleet server. Every command line a box receives is "
                       "printed as: time MAC <- line"));
    parser.addHelpOption();
    const QCommandLineOption host({QStringLiteral("host")}, QStringLiteral("Server address."), QStringLiteral("ip"),
                                  QStringLiteral("127.0.0.1"));
    const QCommandLineOption port({QStringLiteral("port")}, QStringLiteral("Server box port."), QStringLiteral("n"),
                                  QStringLiteral("9988"));
    const QCommandLineOption count({QStringLiteral("n"), QStringLiteral("count")}, QStringLiteral("Number of boxes."),
                                   QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption first({QStringLiteral("first")}, QStringLiteral("Index of the first box (MAC, IP)."),
                                   QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption period({QStringLiteral("period-ms")}, QStringLiteral("Heartbeat period, 0 for one."),
                                    QStringLiteral("ms"), QStringLiteral("5000"));
    const QCommandLineOption version({QStringLiteral("box-version")}, QStringLiteral("Software version reported."),
                                     QStringLiteral("text"), QStringLiteral("1.0.3"));
    const QCommandLineOption status({QStringLiteral("status")}, QStringLiteral("Status word reported."),
                                    QStringLiteral("n"), QStringLiteral("1"));
    const QCommandLineOption mode({QStringLiteral("mode")}, QStringLiteral("Output mode reported."),
                                  QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption layout({QStringLiteral("layout")}, QStringLiteral("Layout reported."), QStringLiteral("n"),
                                    QStringLiteral("0"));
    const QCommandLineOption clockOffset({QStringLiteral("clock-offset")},
                                         QStringLiteral("Seconds the box clock is ahead of the real one."),
                                         QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption bare({QStringLiteral("bare")},
                                  QStringLiteral("Send zero-terminated lines instead of 256-byte blocks."));
    const QCommandLineOption coalesce({QStringLiteral("coalesce")},
                                      QStringLiteral("Join messages sent together into one write."));
    const QCommandLineOption split({QStringLiteral("split")}, QStringLiteral("Send every message in two writes."));
    const QCommandLineOption fail({QStringLiteral("fail")},
                                  QStringLiteral("Command types to answer with their failure reply, e.g. 1,4,8."),
                                  QStringLiteral("types"));
    const QCommandLineOption silent({QStringLiteral("silent")}, QStringLiteral("Connect and never send."));
    const QCommandLineOption files({QStringLiteral("files")}, QStringLiteral("File names the boxes report."),
                                   QStringLiteral("a,b,c"), QStringLiteral("a.mp4,b.mp4,c.bmp"));
    const QCommandLineOption perPart({QStringLiteral("names-per-part")},
                                     QStringLiteral("File names per file-name reply."), QStringLiteral("n"),
                                     QStringLiteral("2"));
    const QCommandLineOption flood({QStringLiteral("flood")},
                                   QStringLiteral("Extra heartbeats per second, spread over the boxes."),
                                   QStringLiteral("n"), QStringLiteral("0"));
    const QCommandLineOption floodLine({QStringLiteral("flood-line")},
                                       QStringLiteral("Flood with this line (a reply) instead of heartbeats."),
                                       QStringLiteral("line"));
    const QCommandLineOption duration({QStringLiteral("duration")}, QStringLiteral("Seconds to run, 0 for ever."),
                                      QStringLiteral("s"), QStringLiteral("0"));
    const QCommandLineOption quiet({QStringLiteral("quiet")}, QStringLiteral("Do not print received lines."));
    const QCommandLineOption content(
        {QStringLiteral("content")},
        QStringLiteral("The server's content folder as an address (http://ip:port//path/content/), where the boxes "
                       "put files they are asked for; learnt from the first transfer or plan when not given."),
        QStringLiteral("address"));
    parser.addOptions({host,    port,        count,     first,    period, version, status, mode,
                       layout,  clockOffset, bare,      coalesce, split,  fail,    silent, files,
                       perPart, flood,       floodLine, duration, quiet,  content});
    parser.process(app);

    SimulatorOptions options;
    options.host = parser.value(host);
    options.port = quint16(parser.value(port).toUInt());
    options.heartbeatMs = parser.value(period).toInt();
    options.framing = parser.isSet(bare) ? SimulatorOptions::Framing::Bare : SimulatorOptions::Framing::Padded;
    options.coalesce = parser.isSet(coalesce);
    options.split = parser.isSet(split);
    options.silent = parser.isSet(silent);
    options.files = parser.value(files).split(QLatin1Char(','), Qt::SkipEmptyParts);
    options.namesPerPart = parser.value(perPart).toInt();
    options.contentAddress = parser.value(content);
    if (!options.contentAddress.isEmpty() && !options.contentAddress.endsWith(QLatin1Char('/')))
        options.contentAddress += QLatin1Char('/');
    for (const QString &type : parser.value(fail).split(QLatin1Char(','), Qt::SkipEmptyParts))
        options.failTypes.insert(type.toInt());

    const int boxes = parser.value(count).toInt();
    const int offset = parser.value(first).toInt();
    QList<SimulatedBox *> all;
    for (int i = 0; i < boxes; ++i) {
        BoxProfile profile;
        profile.mac = BoxSimulator::macFor(offset + i);
        profile.ip = BoxSimulator::ipFor(offset + i);
        profile.version = parser.value(version);
        profile.status = parser.value(status).toInt();
        profile.outputMode = parser.value(mode).toInt();
        profile.layout = parser.value(layout).toInt();
        profile.clockOffsetSeconds = parser.value(clockOffset).toInt();
        auto *box = new SimulatedBox(profile, options, &app);
        if (!parser.isSet(quiet)) {
            QObject::connect(box, &SimulatedBox::lineReceived, box, [box](const QByteArray &line) {
                // Command lines come in GB2312; the terminal shows them in its own encoding.
                QStringDecoder decoder("GB18030");
                const QString text = decoder.decode(line);
                std::printf("%s %s <- %s\n", qPrintable(QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"))),
                            qPrintable(box->profile().mac), qPrintable(text));
                std::fflush(stdout);
            });
        }
        all.append(box);
        box->start();
    }

    const int floodRate = parser.value(flood).toInt();
    const QByteArray floodWith = parser.value(floodLine).toLocal8Bit();
    if (floodRate > 0 && !all.isEmpty()) {
        // A tick every 10 ms sends a hundredth of the rate, box by box.
        auto *tick = new QTimer(&app);
        int next = 0;
        QObject::connect(tick, &QTimer::timeout, &app, [&all, &next, floodRate, floodWith] {
            for (int i = 0; i < qMax(1, floodRate / 100); ++i) {
                SimulatedBox *box = all[next++ % all.size()];
                if (floodWith.isEmpty())
                    box->sendHeartbeat();
                else
                    box->sendLine(floodWith);
            }
        });
        tick->start(10);
    }
    if (const int seconds = parser.value(duration).toInt(); seconds > 0)
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    const int result = QCoreApplication::exec();
    for (SimulatedBox *box : all)
        box->finish();
    qint64 sent = 0;
    qint64 received = 0;
    for (const SimulatedBox *box : all) {
        sent += box->sentMessages();
        received += box->received().size();
    }
    std::fprintf(stderr, "boxsim: sent %lld messages, received %lld commands\n", sent, received);
    return result;
}
