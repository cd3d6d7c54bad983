// The real program, started offscreen with prepared settings: it serves a
// file over HTTP, takes boxes in, and ends cleanly on SIGTERM or SIGHUP with
// the boxes it saw saved in MacGroup.ini; a registry it cannot save is an
// error it reports, never a silent loss.
#include "boxsimulator.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

// One run of the program in a folder of its own.
struct ServerRun
{
    QTemporaryDir dir;
    QString root;
    int port = 0;
    int boxPort = 0;
    QProcess process;
    QByteArray output;

    ServerRun() : root(dir.filePath(QStringLiteral("content/")))
    {
        port = TestUtil::freePort();
        boxPort = TestUtil::freePort();
        TestUtil::writeFile(dir.filePath(QStringLiteral("Deploy.ini")),
                            "[PATH]\nCONTENT=" + root.toUtf8() +
                                "\n[SERVICE]\nSERVICE IP=127.0.0.1\nSERVICE PORT=" + QByteArray::number(port) + "\n");
        QDir().mkpath(root);
    }

    bool start()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QStringLiteral(BOXFLEET_BINARY),
                      {QStringLiteral("--deploy"), dir.filePath(QStringLiteral("Deploy.ini")),
                       QStringLiteral("--box-port"), QString::number(boxPort), QStringLiteral("--echo-log")});
        if (!process.waitForStarted())
            return false;
        while (!output.contains("Content service listening") && process.waitForReadyRead(30000))
            output += process.readAll();
        return output.contains("Content service listening");
    }

    // Waits until the output holds the text that many times.
    bool waitFor(const QByteArray &text, int times = 1)
    {
        return QTest::qWaitFor(
            [&] {
                output += process.readAll();
                return output.count(text) >= times;
            },
            30000);
    }

    bool stop(int signal)
    {
        ::kill(pid_t(process.processId()), signal);
        const bool finished = process.waitForFinished(30000);
        output += process.readAll();
        return finished && process.exitStatus() == QProcess::NormalExit;
    }

    QByteArray registry() const { return TestUtil::readFile(root + QStringLiteral("MacGroup.ini")); }
};

SimulatorOptions boxOptions(const ServerRun &run)
{
    SimulatorOptions options;
    options.port = quint16(run.boxPort);
    options.heartbeatMs = 0;
    return options;
}

} // namespace

class TestSmoke : public QObject
{
    Q_OBJECT

private slots:
    void servesAndStopsOnSigterm()
    {
        ServerRun run;
        QVERIFY2(run.start(), run.output.constData());

        // The folders exist once the service listens.
        TestUtil::writeFile(run.root + QStringLiteral("XML/hello.xml"), "<hello/>");
        const auto result =
            TestUtil::curl(QStringLiteral("http://127.0.0.1:%1/%2XML/hello.xml").arg(run.port).arg(run.root));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, QByteArray("<hello/>"));

        // Two boxes heartbeat; the event log on stderr shows them arrive.
        BoxSimulator boxes(2, boxOptions(run));
        boxes.start();
        QVERIFY2(run.waitFor(" 4   [!INFORcv]   --heatbeat", 2), run.output.constData());
        // New boxes reach MacGroup.ini within a second, while it runs.
        QTRY_VERIFY(run.registry().contains(BoxSimulator::macFor(1).toLatin1()));

        // The exit writes it once more: a rewritten section ends with the
        // blank line that a first write does not have.
        QVERIFY(run.stop(SIGTERM));
        QVERIFY2(run.process.exitCode() == 0, run.output.constData());
        QCOMPARE(run.registry(), "[GROUP]\nMAC={" + BoxSimulator::macFor(0).toLatin1() + ",,No Group}\nMAC={" +
                                     BoxSimulator::macFor(1).toLatin1() + ",,No Group}\n\n");
    }

    void sighupSavesLikeSigterm()
    {
        ServerRun run;
        QVERIFY2(run.start(), run.output.constData());
        BoxSimulator boxes(1, boxOptions(run));
        boxes.start();
        QVERIFY2(run.waitFor(" 4   [!INFORcv]   --heatbeat"), run.output.constData());
        QTRY_VERIFY(run.registry().contains(BoxSimulator::macFor(0).toLatin1()));
        QVERIFY(run.stop(SIGHUP));
        QVERIFY2(run.process.exitCode() == 0, run.output.constData());
        QCOMPARE(run.registry(), "[GROUP]\nMAC={" + BoxSimulator::macFor(0).toLatin1() + ",,No Group}\n\n");
    }

    void aBadStoredNameBlocksNoSave()
    {
        // A client name with a line break, one with a zero byte: loaded
        // without the name, and every box is saved again with the new one.
        ServerRun run;
        static const char stored[] = "[GROUP]\nMAC={m1,two\nlines,G}\nMAC={m2,nu\0l,G}\nMAC={m3,ok,G}\n";
        TestUtil::writeFile(run.root + QStringLiteral("MacGroup.ini"), QByteArray(stored, sizeof stored - 1));
        QVERIFY2(run.start(), run.output.constData());
        QVERIFY2(run.waitFor("box m1 keeps no client name"), run.output.constData());
        BoxSimulator boxes(1, boxOptions(run));
        boxes.start();
        QVERIFY2(run.waitFor(" 4   [!INFORcv]   --heatbeat"), run.output.constData());
        QVERIFY(run.stop(SIGTERM));
        QVERIFY2(run.process.exitCode() == 0, run.output.constData());
        // A rewritten section keeps the blank line that separates it from
        // what followed it.
        QCOMPARE(run.registry(), "[GROUP]\nMAC={m1,,G}\nMAC={m2,,G}\nMAC={m3,ok,G}\nMAC={" +
                                     BoxSimulator::macFor(0).toLatin1() + ",,No Group}\n\n");
    }

    void anUnsavedRegistryIsAnError()
    {
        // Something stands where the registry must be written.
        ServerRun run;
        QVERIFY(QDir().mkpath(run.root + QStringLiteral("MacGroup.ini/in-the-way")));
        QVERIFY2(run.start(), run.output.constData());
        BoxSimulator boxes(1, boxOptions(run));
        boxes.start();
        QVERIFY2(run.waitFor(" 4   [!INFORcv]   --heatbeat"), run.output.constData());
        QVERIFY(run.stop(SIGTERM));
        QCOMPARE(run.process.exitCode(), 1);
        QVERIFY2(run.output.contains("ERR The box registry could not be saved"), run.output.constData());
    }

    void descriptorLimitIsRaised()
    {
        ServerRun run;
        QVERIFY2(run.start(), run.output.constData());
        const QByteArray limits = TestUtil::readFile(QStringLiteral("/proc/%1/limits").arg(run.process.processId()));
        // Stopped once its message loop runs, as a box shows.
        BoxSimulator boxes(1, boxOptions(run));
        boxes.start();
        QVERIFY2(run.waitFor(" 4   [!INFORcv]   --heatbeat"), run.output.constData());
        QVERIFY(run.stop(SIGTERM));
        for (const QByteArray &line : limits.split('\n')) {
            if (!line.startsWith("Max open files"))
                continue;
            const QList<QByteArray> fields = line.mid(14).simplified().split(' ');
            QCOMPARE(fields.value(0), fields.value(1));
            return;
        }
        QFAIL("no descriptor limit found");
    }
};

QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
