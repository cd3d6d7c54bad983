// The metrics endpoint: scraped while simulated boxes heartbeat and answer a
// command, its values are the fleet's; only GET and HEAD of /metrics; the
// exposition and the alert rules pass Prometheus's own checker.
#include "appharness.h"
#include "boxsimulator.h"
#include "link/cmd.h"
#include "link/fleetstatus.h"
#include "link/metrics.h"
#include "testutil.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

class TestMetrics : public QObject
{
    Q_OBJECT

private:
    QString m_url;

    // The samples of one scrape, by their name and labels as written.
    QMap<QString, double> scrape()
    {
        const TestUtil::HttpResult answer = TestUtil::curl(m_url);
        QMap<QString, double> samples;
        for (const QByteArray &line : answer.body.split('\n')) {
            if (line.isEmpty() || line.startsWith('#'))
                continue;
            const qsizetype space = line.lastIndexOf(' ');
            samples.insert(QString::fromUtf8(line.left(space)), line.mid(space + 1).toDouble());
        }
        return samples;
    }
    static QString box(const char *metric, const QString &mac, const QString &name, const char *more = "")
    {
        return QStringLiteral("%1{mac=\"%2\",name=\"%3\",group=\"No Group\"%4}")
            .arg(QLatin1String(metric), mac, name, QLatin1String(more));
    }

private slots:
    void scrapedWhileTheFleetWorks()
    {
        AppHarness h;
        const int port = TestUtil::freePort();
        h.options.metrics = QStringLiteral("127.0.0.1:%1").arg(port);
        m_url = QStringLiteral("http://127.0.0.1:%1/metrics").arg(port);
        QVERIFY(h.start());
        BoxSimulator boxes(16, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, 16));
        // A name the format must escape.
        QCOMPARE(h.registry().SetBoxName(0, QStringLiteral("前台 \"A\\1\"")), RES_OK);
        for (int slot = 0; slot < 16; ++slot)
            h.context().cmd->SendBoxCommand(CMD_SETTIME, h.registry().Box(slot).MacAdd);
        QTRY_VERIFY(h.context().fleet->status(BoxSimulator::macFor(15)).result == FleetStatus::Result::Done);
        boxes.box(3)->stop();
        h.registry().MarkOffline(3);
        // One box's clock runs 90 s ahead.
        boxes.box(5)->profile().clockOffsetSeconds = 90;
        boxes.box(5)->sendHeartbeat();
        int fast = -1;
        QCOMPARE(h.registry().FindBox(BoxSimulator::macFor(5), &fast), RES_FOUND);
        QTRY_VERIFY(h.registry().Box(fast).TimeDiff != 0);

        // Within the second the snapshot takes to be published.
        const QString first = QStringLiteral("前台 \\\"A\\\\1\\\"");
        QMap<QString, double> samples;
        QTRY_VERIFY_WITH_TIMEOUT((samples = scrape()).value(QStringLiteral("boxfleet_commands_sent_total")) == 16,
                                 5000);
        for (int slot = 0; slot < 16; ++slot) {
            const MacGroupData &b = h.registry().Box(slot);
            const QString name = slot == 0 ? first : b.ClientName;
            QCOMPARE(samples.value(box("boxfleet_box_up", b.MacAdd, name), -1), slot == 3 ? 0.0 : 1.0);
            // As the box was told, give or take the second its heartbeat took.
            const double skew = samples.value(box("boxfleet_box_clock_skew_seconds", b.MacAdd, name), -1);
            if (slot == fast)
                QVERIFY2(skew >= 89 && skew <= 91, qPrintable(QString::number(skew)));
            else
                QCOMPARE(skew, 0.0);
            // A box taken offline has no heartbeat time: no sample.
            QCOMPARE(samples.value(box("boxfleet_box_last_heartbeat_timestamp_seconds", b.MacAdd, name), -1),
                     b.LastHeard ? double(b.LastHeard) : -1.0);
            QCOMPARE(samples.value(box("boxfleet_box_last_command_result", b.MacAdd, name, ",result=\"done\""), -1),
                     1.0);
            QCOMPARE(samples.value(box("boxfleet_box_last_command_result", b.MacAdd, name, ",result=\"waiting\""), -1),
                     0.0);
            QCOMPARE(samples.value(box("boxfleet_box_transfer_ready", b.MacAdd, name), -1), 0.0);
        }
        QCOMPARE(samples.value(QStringLiteral("boxfleet_replies_total{class=\"succeeded\"}")), 16.0);
        QVERIFY(samples.value(QStringLiteral("boxfleet_box_connections"), -1) >= 15);
        QCOMPARE(samples.value(QStringLiteral("boxfleet_build_info{version=\"%1\"}").arg(QLatin1String(kVersionText))),
                 1.0);
        QVERIFY(samples.contains(QStringLiteral("boxfleet_content_requests_total{code=\"200\"}")));

        // Only /metrics, only GET and HEAD; never the content port.
        const QString other = QStringLiteral("http://127.0.0.1:%1/").arg(port);
        QCOMPARE(TestUtil::curl(other + QStringLiteral("metrics/x")).status, 404);
        QCOMPARE(TestUtil::curl(other).status, 404);
        QCOMPARE(TestUtil::curl(m_url, {QStringLiteral("-X"), QStringLiteral("POST")}).status, 405);
        const TestUtil::HttpResult head = TestUtil::curl(m_url, {QStringLiteral("-I")});
        QCOMPARE(head.status, 200);
        QVERIFY(head.body.contains("Content-Type: text/plain; version=0.0.4"));
        const QString content = QStringLiteral("http://127.0.0.1:%1/metrics").arg(h.context().settings.servicePort);
        QVERIFY(TestUtil::curl(content).status != 200);

        // Prometheus's own checker, when it is installed.
        const QString promtool = QStandardPaths::findExecutable(QStringLiteral("promtool"));
        // CI installs it with the test packages: missing there, the test fails.
        if (promtool.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL("promtool is not installed (Debian package prometheus)");
            QSKIP("promtool is not installed (Debian package prometheus): the exposition is not checked by it");
        }
        QProcess check;
        check.start(promtool, {QStringLiteral("check"), QStringLiteral("metrics")});
        QVERIFY(check.waitForStarted());
        check.write(TestUtil::curl(m_url).body);
        check.closeWriteChannel();
        QVERIFY(check.waitForFinished(30000));
        QVERIFY2(check.exitCode() == 0, check.readAllStandardError().constData());
        QProcess rules;
        rules.start(promtool, {QStringLiteral("check"), QStringLiteral("rules"),
                               QStringLiteral(SOURCE_DIR "/docs/monitoring/boxfleet.rules.yml")});
        QVERIFY(rules.waitForFinished(30000));
        QVERIFY2(rules.exitCode() == 0, rules.readAllStandardOutput() + rules.readAllStandardError());

        // A real Prometheus scraping every second sees every box.
        const QString prometheus = QStandardPaths::findExecutable(QStringLiteral("prometheus"));
        if (prometheus.isEmpty()) {
            if (qEnvironmentVariableIsSet("CI"))
                QFAIL("prometheus is not installed (Debian package prometheus)");
            QSKIP("prometheus is not installed (Debian package prometheus): no scrape by it");
        }
        const int web = TestUtil::freePort();
        const QString config = h.dir.filePath(QStringLiteral("prometheus.yml"));
        TestUtil::writeFile(config, "global:\n  scrape_interval: 1s\nscrape_configs:\n  - job_name: boxfleet\n"
                                    "    static_configs:\n      - targets: ['127.0.0.1:" +
                                        QByteArray::number(port) + "']\n");
        QProcess server;
        server.setProcessChannelMode(QProcess::MergedChannels);
        server.start(prometheus, {QStringLiteral("--config.file=") + config,
                                  QStringLiteral("--storage.tsdb.path=") + h.dir.filePath(QStringLiteral("tsdb")),
                                  QStringLiteral("--web.listen-address=127.0.0.1:%1").arg(web)});
        QVERIFY(server.waitForStarted());
        const QString query = QStringLiteral("http://127.0.0.1:%1/api/v1/query?query=boxfleet_box_up").arg(web);
        const auto seen = [&] { return TestUtil::curl(query).body.count("\"__name__\":\"boxfleet_box_up\""); };
        QTRY_COMPARE_WITH_TIMEOUT(seen(), 16, 60000);
        server.terminate();
        QVERIFY(server.waitForFinished(10000));
    }

    void aListenerThatCannotListenIsTold()
    {
        AppHarness h;
        h.options.metrics = QStringLiteral("not-an-address:1");
        QVERIFY(h.start());
        QCOMPARE(h.prompter.asked.size(), 1);
        QVERIFY(h.prompter.asked[0].text.startsWith(QStringLiteral("The metrics listener could not listen on "
                                                                   "not-an-address:1")));
    }

    // One host dripping bytes into as many connections as it may hold keeps
    // neither another host nor, past the deadline, itself from a scrape.
    void aDrippingHostCannotHoldTheListener()
    {
        AppHarness h;
        const int port = TestUtil::freePort();
        h.options.metrics = QStringLiteral("127.0.0.1:%1").arg(port);
        QVERIFY(h.start());
        const auto scrapeFrom = [port](const char *source) {
            QTcpSocket socket;
            if (!socket.bind(QHostAddress(QLatin1String(source))))
                return QByteArray("cannot bind");
            socket.connectToHost(QHostAddress::LocalHost, quint16(port));
            socket.write("GET /metrics HTTP/1.0\r\n\r\n");
            QByteArray answer;
            while (socket.state() != QAbstractSocket::UnconnectedState && socket.waitForReadyRead(10000))
                answer += socket.readAll();
            return answer + socket.readAll();
        };
        std::vector<std::unique_ptr<QTcpSocket>> drippers;
        for (int i = 0; i < 9; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, quint16(port));
            QVERIFY(socket->waitForConnected(5000));
            socket->write("GET /metrics HTTP/1.1\r\n");
            drippers.push_back(std::move(socket));
        }
        QTimer drip;
        connect(&drip, &QTimer::timeout, this, [&] {
            for (const auto &socket : drippers) {
                if (socket->state() == QAbstractSocket::ConnectedState)
                    socket->write("X");
            }
        });
        drip.start(200);
        // The ninth is one too many for its address.
        QTRY_COMPARE_WITH_TIMEOUT(drippers.back()->state(), QAbstractSocket::UnconnectedState, 5000);
        QVERIFY(scrapeFrom("127.0.0.2").startsWith("HTTP/1.1 200"));
        // Past the deadline the other eight are ended, bytes or not.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(drippers.cbegin(), drippers.cend(),
                        [](const auto &s) { return s->state() == QAbstractSocket::UnconnectedState; }),
            20000);
        QVERIFY(scrapeFrom("127.0.0.1").startsWith("HTTP/1.1 200"));
    }
};

QTEST_MAIN(TestMetrics)
#include "tst_metrics.moc"
