// The box port faces the whole network: joined lines are all read, one peer
// cannot fill the connection map or the connection table for good, and the
// boxes of the registry always get through.
#include "app/serverapp.h"
#include "appharness.h"
#include "boxsimulator.h"
#include "link/boxserver.h"
#include "link/cmd.h"
#include "testutil.h"

#include <QTcpSocket>
#include <QTest>

namespace {

QByteArray heartbeat(const QByteArray &mac, int status = 1)
{
    return "heatbeat 10.9.9.9 " + mac + " 1.0 0 0 1000 200 01-03-2026-12:00:00 " + QByteArray::number(status);
}

} // namespace

// What the program promises, not what its constants happen to say.
constexpr int kPromisedMapEntries = 4096;
constexpr int kPromisedConnections = 1024;

class TestLinkGuard : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_harness;

    MacGruoup &registry() { return m_harness->registry(); }
    Cmd_API &cmd() { return *m_harness->context().cmd; }
    BoxServer &server() { return *m_harness->context().boxServer; }

    std::unique_ptr<QTcpSocket> connectBox()
    {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress::LocalHost, quint16(m_harness->options.boxPort));
        return socket->waitForConnected(5000) ? std::move(socket) : nullptr;
    }

private slots:
    void initTestCase()
    {
        // This process holds both ends of every test connection.
        if (TestUtil::raiseDescriptorLimit() < 4096)
            QSKIP("this machine allows too few descriptors");
    }

    void init()
    {
        m_harness = std::make_unique<AppHarness>();
        QVERIFY(m_harness->start());
    }

    void cleanup() { m_harness.reset(); }

    void joinedLinesAreAllRead()
    {
        const auto socket = connectBox();
        QVERIFY(socket);
        // Boxes that end their lines with a line break, three in one read.
        socket->write(heartbeat("02:00:00:00:01:01") + '\n' + heartbeat("02:00:00:00:01:02") + "\r\n" +
                      heartbeat("02:00:00:00:01:03") + '\n' + '\0');
        QTRY_COMPARE(registry().BoxCount(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(registry().Box(i).MacAdd, QStringLiteral("02:00:00:00:01:0%1").arg(i + 1));
    }

    void inventedMacsCannotKeepARegisteredBoxOut()
    {
        // A real box is known, then goes away.
        const QString known = QStringLiteral("02:00:00:00:00:01");
        {
            const auto box = connectBox();
            QVERIFY(box);
            box->write(heartbeat(known.toLatin1()) + '\0');
            QTRY_COMPARE(registry().BoxCount(), 1);
        }
        // A peer invents more MACs than the map holds, on a live connection.
        const auto peer = connectBox();
        QVERIFY(peer);
        QByteArray flood;
        for (int i = 0; i < kPromisedMapEntries + 100; ++i)
            flood += heartbeat("bogus-" + QByteArray::number(i)) + '\0';
        // The last line tells when the server has read them all.
        flood += heartbeat("bogus-1", 5) + '\0';
        peer->write(flood);
        int slot = -1;
        QTRY_VERIFY_WITH_TIMEOUT(registry().FindBox(QStringLiteral("bogus-1"), &slot) == RES_FOUND &&
                                     registry().Box(slot).Status == 5,
                                 60000);
        QCOMPARE(cmd().MapSize(), kPromisedMapEntries);
        QCOMPARE(registry().BoxCount(), MAX_BoxCount);
        // Every entry has a live connection now: more invented MACs stay out.
        QCOMPARE(cmd().MapFindByMac(QStringLiteral("bogus-%1").arg(kPromisedMapEntries + 50), nullptr, nullptr),
                 RES_NOTFOUND);

        // The real box comes back and is reached at its new connection.
        const auto box = connectBox();
        QVERIFY(box);
        box->write(heartbeat(known.toLatin1()) + '\0');
        int port = 0;
        QTRY_VERIFY(cmd().MapFindByMac(known, nullptr, &port) == RES_FOUND && port == box->localPort());
        cmd().SendCommand(CMD_GETFILENAME, known);
        QTRY_VERIFY(box->bytesAvailable() >= BoxServer::kMessageSize);
        QVERIFY(box->readAll().startsWith("get box filename"));
    }

    void silentConnectionsMakeRoomForBoxes()
    {
        // More silent connections than the server keeps.
        // They connect without waiting: the server runs on this thread.
        std::vector<std::unique_ptr<QTcpSocket>> silent;
        for (int i = 0; i < kPromisedConnections + 50; ++i) {
            silent.push_back(std::make_unique<QTcpSocket>());
            silent.back()->connectToHost(QHostAddress::LocalHost, quint16(m_harness->options.boxPort));
            if (i % 50 == 49)
                QTRY_VERIFY(silent.back()->state() == QAbstractSocket::ConnectedState);
        }
        QTRY_VERIFY(server().connections().size() == kPromisedConnections);
        // The oldest silent ones went first.
        QTRY_VERIFY(silent.front()->state() == QAbstractSocket::UnconnectedState);
        QVERIFY(silent.back()->state() == QAbstractSocket::ConnectedState);

        // A box still gets in and is heard.
        SimulatorOptions options;
        options.port = quint16(m_harness->options.boxPort);
        options.heartbeatMs = 0;
        BoxSimulator boxes(1, options);
        boxes.start();
        QTRY_COMPARE(registry().BoxCount(), 1);
        QVERIFY(server().connections().size() <= kPromisedConnections);
    }
};

QTEST_MAIN(TestLinkGuard)
#include "tst_linkguard.moc"
