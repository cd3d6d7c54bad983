// The real program, started offscreen with prepared settings: it serves a
// file over HTTP, takes boxes in, and ends cleanly on SIGTERM with the boxes
// it saw saved in MacGroup.ini.
#include "boxsimulator.h"
#include "testutil.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

class TestSmoke : public QObject
{
    Q_OBJECT

private slots:
    void servesAndStopsOnSigterm()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("content/"));
        const int port = TestUtil::freePort();
        const QString deploy = dir.filePath(QStringLiteral("Deploy.ini"));
        TestUtil::writeFile(deploy, "[PATH]\nCONTENT=" + root.toUtf8() +
                                        "\n[SERVICE]\nSERVICE IP=127.0.0.1\n"
                                        "SERVICE PORT=" +
                                        QByteArray::number(port) + "\n");

        QProcess server;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        server.setProcessEnvironment(environment);
        server.setProcessChannelMode(QProcess::MergedChannels);
        const int boxPort = TestUtil::freePort();
        server.start(QStringLiteral(BOXFLEET_BINARY), {QStringLiteral("--deploy"), deploy, QStringLiteral("--box-port"),
                                                       QString::number(boxPort), QStringLiteral("--echo-log")});
        QVERIFY(server.waitForStarted());
        QByteArray output;
        while (!output.contains("Content service listening") && server.waitForReadyRead(30000))
            output += server.readAll();
        QVERIFY2(output.contains("Content service listening"), output.constData());

        // The folders exist once the service listens.
        TestUtil::writeFile(root + QStringLiteral("XML/hello.xml"), "<hello/>");
        const auto result = TestUtil::curl(QStringLiteral("http://127.0.0.1:%1/%2XML/hello.xml").arg(port).arg(root));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, QByteArray("<hello/>"));

        // Two boxes heartbeat; the event log on stderr shows them arrive.
        SimulatorOptions options;
        options.port = quint16(boxPort);
        options.heartbeatMs = 0;
        BoxSimulator boxes(2, options);
        boxes.start();
        const auto newBoxes = [&output] { return output.count(" 4   [!INFORcv]   --heatbeat"); };
        QTRY_VERIFY2_WITH_TIMEOUT((output += server.readAll(), newBoxes() == 2), output.constData(), 30000);

        ::kill(pid_t(server.processId()), SIGTERM);
        QVERIFY(server.waitForFinished(30000));
        output += server.readAll();
        QCOMPARE(server.exitStatus(), QProcess::NormalExit);
        QVERIFY2(server.exitCode() == 0, output.constData());
        QCOMPARE(TestUtil::readFile(root + QStringLiteral("MacGroup.ini")),
                 "[GROUP]\nMAC={" + BoxSimulator::macFor(0).toLatin1() + ",,No Group}\nMAC={" +
                     BoxSimulator::macFor(1).toLatin1() + ",,No Group}\n");
    }
};

QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
