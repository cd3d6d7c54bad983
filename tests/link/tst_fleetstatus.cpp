// The fleet status store against simulated boxes on real sockets: a command
// answered, refused or never answered, a reply nobody asked for, a transfer
// that ends ready, one with failed files, one whose box goes away, and the
// offline alerts in the event log.
#include "base/clock.h"
#include "boxsimulator.h"
#include "config/contentservice.h"
#include "config/settings.h"
#include "link/boxserver.h"
#include "link/cmd.h"
#include "link/fleetmodel.h"
#include "link/fleetstatus.h"
#include "link/history.h"
#include "testutil.h"

#include <QDir>
#include <QSignalSpy>
#include <QStringListModel>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

class MemoryLog : public LogSink
{
public:
    void appendLogLine(const QString &line) override { lines.append(line); }
    QStringList lines;
};

} // namespace

class TestFleetStatus : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ServerSettings m_settings;
    std::unique_ptr<MacGruoup> m_registry;
    std::unique_ptr<CommandHistory> m_history;
    std::unique_ptr<Cmd_API> m_cmd;
    std::unique_ptr<BoxServer> m_server;
    std::unique_ptr<FleetStatus> m_fleet;
    std::unique_ptr<ContentService> m_content;
    std::unique_ptr<BoxSimulator> m_boxes;
    MemoryLog m_log;
    ManualClock m_clock;

    void startBoxes(int count, const SimulatorOptions &extra = {})
    {
        SimulatorOptions options = extra;
        options.port = m_server->port();
        options.heartbeatMs = 0;
        m_boxes = std::make_unique<BoxSimulator>(count, options);
        m_boxes->start();
        QVERIFY(QTest::qWaitFor([&] { return m_registry->BoxCount() == count; }, 10000));
    }
    FleetStatus::BoxStatus status(int box) { return m_fleet->status(BoxSimulator::macFor(box)); }

    // A download list naming the files; a size of -1 announces a wrong size.
    QString downloadList(const QList<QPair<QString, qint64>> &files)
    {
        QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<downloadList>\n";
        for (const auto &[name, size] : files) {
            const QString path = m_settings.videoDir + QLatin1Char('/') + name;
            TestUtil::writeFile(path, QByteArray(100, 'v'));
            xml += "<file filetype=\"VIDEO\" filesize=\"" + QByteArray::number(size < 0 ? 999 : 100) +
                   "\" filename=\"" + name.toUtf8() + "\" fileurl=\"" + HttpAddress(m_settings, path).toUtf8() +
                   "\"/>\n";
        }
        xml += "</downloadList>\n";
        const QString list = m_settings.xmlPrefix + QStringLiteral("download_test.xml");
        TestUtil::writeFile(list, xml);
        return list;
    }
    void transfer(int box, const QString &list)
    {
        m_cmd->SendBoxCommand(CMD_FILEUPDATE, BoxSimulator::macFor(box),
                              {{}, {QStringLiteral("fileupdate http ") + HttpAddress(m_settings, list)}});
    }

private slots:
    void init()
    {
        m_settings.contentRoot = m_dir.filePath(QStringLiteral("content/"));
        m_settings.serviceIp = QStringLiteral("127.0.0.1");
        m_settings.servicePort = TestUtil::freePort();
        DeriveContentPaths(m_settings);
        QDir().mkpath(m_settings.videoDir);
        QDir().mkpath(m_settings.xmlDir);
        m_content = std::make_unique<ContentService>();
        QCOMPARE(m_content->start(QStringLiteral(VESTRID_LIBRARY), m_settings), ContentService::Started);
        m_clock.setNow(QDateTime::fromSecsSinceEpoch(1'000'000));
        m_registry = std::make_unique<MacGruoup>(m_clock);
        m_history = std::make_unique<CommandHistory>();
        m_cmd = std::make_unique<Cmd_API>(*m_registry, m_history.get());
        m_server = std::make_unique<BoxServer>();
        QVERIFY(m_server->listen(0));
        m_log.lines.clear();
        // The command service merges heartbeats into the registry itself.
        m_cmd->AttachLink(&m_log, m_server.get());
        m_fleet = std::make_unique<FleetStatus>(*m_registry, *m_cmd);
        m_fleet->setClock(m_clock);
    }

    // A box whose clock runs 90 s ahead shows +90; a cell from a box that a
    // spreadsheet would take for a formula stays text, a plain number a number.
    void clockAheadAndSpreadsheetCells()
    {
        MacGroupData r;
        r.MacAdd = QStringLiteral("00:11:22:33:44:55");
        r.IPAdd = QStringLiteral("192.0.2.7");
        r.BoxVer = QStringLiteral("1.0.3");
        r.TimeDiff = -90;
        QCOMPARE(m_registry->MergeHeartbeat(r), RES_NEWBOX);
        FleetModel model(*m_registry, *m_fleet);
        QCOMPARE(model.index(0, FleetModel::ClockColumn).data().toString(), QStringLiteral("90"));

        QStringListModel cells({QStringLiteral("-1+cmd|'/Ccalc'!A0"), QStringLiteral("=1+1"), QStringLiteral("+1"),
                                QStringLiteral("@x"), QStringLiteral("\tx"), QStringLiteral("\rx"), QStringLiteral("-"),
                                QStringLiteral("-90"), QStringLiteral("1.5"), QStringLiteral("a-b")});
        const QStringList lines = QString::fromUtf8(FleetCsv(cells).mid(3)).split(QStringLiteral("\r\n"));
        QCOMPARE(lines.mid(1, 10), QStringList({QStringLiteral("'-1+cmd|'/Ccalc'!A0"), QStringLiteral("'=1+1"),
                                                QStringLiteral("'+1"), QStringLiteral("'@x"), QStringLiteral("'\tx"),
                                                QStringLiteral("\"'\rx\""), QStringLiteral("'-"), QStringLiteral("-90"),
                                                QStringLiteral("1.5"), QStringLiteral("a-b")}));
    }

    // A peer inventing MACs, each on a connection of its own with a reply:
    // only the boxes the registry took in get a state.
    void inventedMacsLeaveNoState()
    {
        const int invented = MAX_BoxCount + 100;
        QSignalSpy replies(m_cmd.get(), &Cmd_API::replyClassified);
        std::vector<std::unique_ptr<QTcpSocket>> peers;
        for (int i = 0; i < invented; ++i) {
            auto peer = std::make_unique<QTcpSocket>();
            peer->connectToHost(QHostAddress::LocalHost, m_server->port());
            const QByteArray mac = QStringLiteral("02:ee:00:00:%1:%2")
                                       .arg(i / 256, 2, 16, QLatin1Char('0'))
                                       .arg(i % 256, 2, 16, QLatin1Char('0'))
                                       .toLatin1();
            peer->write("heatbeat 192.0.2.7 " + mac + " 1.0.3 0 0 1000 200 27-12-2007-15:44:08 3" + '\0' +
                        "info set box time" + '\0');
            peers.push_back(std::move(peer));
        }
        QTRY_COMPARE_WITH_TIMEOUT(replies.size(), invented, 20000);
        QCOMPARE(m_registry->BoxCount(), MAX_BoxCount);
        QCOMPARE(m_fleet->macs().size(), MAX_BoxCount);
        for (const QString &mac : m_fleet->macs()) {
            int slot = -1;
            QCOMPARE(m_registry->FindBox(mac, &slot), RES_FOUND);
        }
    }

    void cleanup()
    {
        m_boxes.reset();
        m_fleet.reset();
        m_cmd.reset();
        m_server.reset();
        m_content.reset();
    }

    void commandsAnsweredRefusedAndUnanswered()
    {
        SimulatorOptions options;
        options.failTypes = {CMD_LANGUAGE};
        startBoxes(2, options);
        m_cmd->SendBoxCommand(CMD_SETTIME, BoxSimulator::macFor(0));
        QCOMPARE(status(0).result, FleetStatus::Result::Waiting);
        QCOMPARE(status(0).command, QStringLiteral("Set Time"));
        QTRY_COMPARE(status(0).result, FleetStatus::Result::Done);
        QVERIFY(status(0).resultText.startsWith(QLatin1String("info set box time")));

        m_cmd->SendBoxCommand(CMD_LANGUAGE, BoxSimulator::macFor(1), {{1}, {}});
        QTRY_COMPARE(status(1).result, FleetStatus::Result::Failed);
        QVERIFY(status(1).resultText.contains(QLatin1String("INVALID_LANGTYPE")));

        // A command nobody answers: after 30 s by the store's clock.
        m_boxes->box(0)->stop();
        m_cmd->SendBoxCommand(CMD_MODE, BoxSimulator::macFor(0), {{1, 0}, {}});
        m_fleet->sweep();
        QCOMPARE(status(0).result, FleetStatus::Result::Waiting);
        m_clock.advanceSecs(FleetStatus::kAnswerSeconds);
        m_fleet->sweep();
        QCOMPARE(status(0).result, FleetStatus::Result::NoAnswer);

        // A reply with no command waiting is kept as it came.
        m_boxes->box(1)->sendLine("info set box reboot");
        QTRY_VERIFY(status(1).lastReply.contains(QLatin1String("info set box reboot")));
        QCOMPARE(status(1).result, FleetStatus::Result::Failed);
    }

    void transfersReadyFailedAndInterrupted()
    {
        startBoxes(3);
        // Box 0: every file arrives.
        transfer(0, downloadList({{QStringLiteral("a.mp4"), 100}, {QStringLiteral("b.mp4"), 100}}));
        QCOMPARE(status(0).transfer, FleetStatus::Transfer::InProgress);
        QCOMPARE(status(0).filesTotal, 2);
        QTRY_COMPARE(status(0).transfer, FleetStatus::Transfer::Ready);
        QCOMPARE(status(0).filesDone, 2);
        QCOMPARE(status(0).finishedAt, m_clock.secsSinceEpoch());
        QCOMPARE(status(0).result, FleetStatus::Result::Done);

        // Box 1: two files whose sizes do not match fail.
        QSignalSpy finished(m_boxes->box(1), &SimulatedBox::transferFinished);
        transfer(1,
                 downloadList(
                     {{QStringLiteral("c.mp4"), -1}, {QStringLiteral("d.mp4"), 100}, {QStringLiteral("e.mp4"), -1}}));
        QVERIFY(finished.wait(10000));
        QTRY_COMPARE(status(1).transfer, FleetStatus::Transfer::Failed);
        QCOMPARE(status(1).filesDone, 1);
        QCOMPARE(status(1).filesFailed, 2);

        // Box 2: goes away in the middle; the offline check ends its transfer.
        connect(m_boxes->box(2), &SimulatedBox::lineReceived, this, [this](const QByteArray &line) {
            if (line.startsWith("fileupdate"))
                m_boxes->box(2)->stop();
        });
        transfer(2, downloadList({{QStringLiteral("f.mp4"), 100}, {QStringLiteral("g.mp4"), 100}}));
        QTRY_VERIFY(!m_boxes->box(2)->isConnected());
        m_clock.advanceSecs(OfflineAfterSeconds + 1);
        m_registry->MergeHeartbeat(m_registry->Box(0)); // box 0 and 1 stay
        m_registry->MergeHeartbeat(m_registry->Box(1));
        m_fleet->boxesWentOffline(m_registry->CheckOffline());
        QCOMPARE(status(2).transfer, FleetStatus::Transfer::Failed);
        QCOMPARE(status(2).filesFailed, 2);
        QVERIFY(m_log.lines.last().contains(QStringLiteral("Box offline: Mac=") + BoxSimulator::macFor(2)));
        QVERIFY(m_log.lines.last().contains(QLatin1String("[!ERR]")));
    }

    void backOnlineIsLogged()
    {
        startBoxes(1);
        m_clock.advanceSecs(OfflineAfterSeconds + 1);
        m_fleet->boxesWentOffline(m_registry->CheckOffline());
        m_boxes->box(0)->sendHeartbeat();
        QTRY_VERIFY(m_log.lines.last().contains(QStringLiteral("Box back online: Mac=") + BoxSimulator::macFor(0)));
    }
};

QTEST_GUILESS_MAIN(TestFleetStatus)
#include "tst_fleetstatus.moc"
