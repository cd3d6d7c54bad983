// The server setup window: its three saves to Deploy.ini with their checks,
// and the restart.
#include "app/serverapp.h"
#include "appharness.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/deploymanage.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>

#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <csignal>

class TestSetup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<ScriptedPrompter> m_prompter;
    std::unique_ptr<ServerApp> m_app;
    QString m_deploy;
    LocalAddressList m_local;

    TForm5 *setup() { return m_app->forms().form5; }
    template <typename T> T *control(const char *name) { return setup()->findChild<T *>(QString::fromLatin1(name)); }
    void click(const char *name) { control<QToolButton>(name)->click(); }
    QByteArray deployText() { return TestUtil::readFile(m_deploy); }
    // A process that is gone, or a zombie nobody reaps.
    static bool ended(qint64 pid)
    {
        const QByteArray stat = TestUtil::readFile(QStringLiteral("/proc/%1/stat").arg(pid));
        const qsizetype close = stat.lastIndexOf(')');
        return stat.isEmpty() || (close > 0 && stat.mid(close + 2, 1) == "Z");
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_prompter = std::make_unique<ScriptedPrompter>();
        m_deploy = m_dir->filePath(QStringLiteral("Deploy.ini"));
        TestUtil::writeFile(m_deploy, "[PATH]\nCONTENT=" + m_dir->filePath(QStringLiteral("content/")).toUtf8() +
                                          "\n[SERVICE]\nSERVICE IP=192.0.2.99\nSERVICE PORT=" +
                                          QByteArray::number(TestUtil::freePort()) + "\n");
        StartupOptions options;
        options.deployFile = m_deploy;
        options.boxPort = TestUtil::freePort();
        m_app = std::make_unique<ServerApp>(options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        // This computer as the test says it is: a LAN card, a second card,
        // loopback.
        m_local = {QStringLiteral("desk"),
                   {QStringLiteral("192.168.1.20"), QStringLiteral("10.1.2.3"), QStringLiteral("127.0.0.1")}};
        m_app->context().localAddresses = [this] { return m_local; };
        QVERIFY(m_app->start());
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbDeploy"))->click();
        QVERIFY(setup()->isVisible());
        m_prompter->asked.clear();
    }

    void cleanup() { m_app.reset(); }

    void opensWithTheFileSettings()
    {
        QVERIFY(!(setup()->windowFlags() & Qt::FramelessWindowHint));
        QVERIFY(setup()->windowFlags() & Qt::WindowStaysOnTopHint);
        // This computer's addresses, and the configured one, which is none of
        // them, chosen.
        auto *addresses = control<QComboBox>("cb_IP");
        QCOMPARE(GuiUtil::entries(addresses), (QStringList{"192.168.1.20", "10.1.2.3", "127.0.0.1", "192.0.2.99"}));
        QCOMPARE(addresses->currentText(), QStringLiteral("192.0.2.99"));
        QCOMPARE(control<QLineEdit>("me_Port")->text(), QString::number(m_app->context().settings.servicePort));
        QCOMPARE(control<QComboBox>("dcb_DirContent")->currentText(), m_dir->path());
        QVERIFY(control<QComboBox>("dcb_DirContent")->findText(QDir::homePath()) >= 0);
    }

    void machinesWithoutANameOrAnAddressAreTold_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QString>("message");
        QTest::newRow("no host name") << QString() << QStringList{"192.168.1.20"}
                                      << QStringLiteral("Can't getting local host name.");
        QTest::newRow("no address") << QStringLiteral("desk") << QStringList()
                                    << QStringLiteral("Yow!  Bad host lookup.");
    }

    void machinesWithoutANameOrAnAddressAreTold()
    {
        QFETCH(QString, host);
        QFETCH(QStringList, addresses);
        m_app.reset();
        m_local = {host, addresses};
        StartupOptions options;
        options.deployFile = m_deploy;
        options.boxPort = TestUtil::freePort();
        m_app = std::make_unique<ServerApp>(options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        m_app->context().localAddresses = [this] { return m_local; };
        QVERIFY(m_app->start());
        QCOMPARE(m_prompter->asked.size(), 1);
        QTEST(m_prompter->asked[0].text, "message");
        QCOMPARE(control<QComboBox>("cb_IP")->count(), 0);
    }

    void offersTheLanAddressFirst()
    {
        // Picking the first offer and saving points the boxes at the LAN card.
        auto *addresses = control<QComboBox>("cb_IP");
        addresses->setCurrentIndex(0);
        click("SpeedButton1");
        QVERIFY(deployText().contains("SERVICE IP=192.168.1.20\n"));
        // This machine's own list, whatever it holds, has loopback last.
        bool loopbackSeen = false;
        for (const QString &address : ThisComputersAddresses().addresses) {
            const bool loopback = QHostAddress(address).isLoopback();
            QVERIFY(!loopbackSeen || loopback);
            loopbackSeen = loopbackSeen || loopback;
        }
    }

    void savesTheAddress()
    {
        auto *addresses = control<QComboBox>("cb_IP");
        addresses->addItem(QStringLiteral("255.255.255.255"));
        addresses->addItem(QStringLiteral("192.0.2.7"));
        addresses->setCurrentIndex(addresses->count() - 2);
        click("SpeedButton1");
        QCOMPARE(m_prompter->asked.size(), 1);
        QCOMPARE(m_prompter->asked[0].title, QStringLiteral("Error"));
        QCOMPARE(m_prompter->asked[0].text, QStringLiteral("Invalid IP"));
        QVERIFY(deployText().contains("SERVICE IP=192.0.2.99\n"));
        addresses->setCurrentIndex(addresses->count() - 1);
        click("SpeedButton1");
        QCOMPARE(m_prompter->asked.size(), 1);
        QVERIFY(deployText().contains("SERVICE IP=192.0.2.7\n"));
        // The running server keeps its settings until the restart.
        QCOMPARE(m_app->context().settings.serviceIp, QStringLiteral("192.0.2.99"));
    }

    void savesThePort_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("0") << "0" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("65536") << "65536" << false;
        QTest::newRow("65535") << "65535" << true;
        QTest::newRow("leading zeros") << "00080" << true;
    }

    void savesThePort()
    {
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        const QByteArray before = deployText();
        control<QLineEdit>("me_Port")->setText(typed);
        click("SpeedButton2");
        if (accepted) {
            QVERIFY(m_prompter->asked.isEmpty());
            QVERIFY(deployText().contains("SERVICE PORT=" + typed.toLatin1() + "\n"));
        } else {
            QCOMPARE(m_prompter->asked.size(), 1);
            QCOMPARE(m_prompter->asked[0].text, QStringLiteral("Invalid Port"));
            QCOMPARE(deployText(), before);
        }
    }

    void savesTheContentFolder()
    {
        auto *folders = control<QComboBox>("dcb_DirContent");
        folders->setCurrentIndex(folders->findText(QDir::homePath()));
        // The window shows the content folder itself, and what Apply saved.
        const QString root = QDir::homePath() + QStringLiteral("/content/");
        QCOMPARE(control<QLabel>("lb_ContentFolder")->text(), QStringLiteral("→ ") + root);
        click("SpeedButton3");
        QVERIFY(deployText().contains("CONTENT=" + root.toUtf8() + "\n"));
        QVERIFY(control<QLabel>("lb_Applied")->text().endsWith(root));
    }

    void restartHandsThePortsToANewCopy()
    {
        const int boxPort = m_app->context().settings.boxPort;
        m_app->context().restartProgram = QStringLiteral(BOXFLEET_BINARY);
        m_app->context().restartArguments = {QStringLiteral("--deploy"),   m_deploy,
                                             QStringLiteral("--box-port"), QString::number(boxPort),
                                             QStringLiteral("--ready-fd"), QStringLiteral("99")};
        QTimer::singleShot(0, setup(), [this] { click("sb_Reboot"); });
        // The loop ends only once the new copy said that its ports listen.
        QCOMPARE(m_app->exec(), 0);
        const qint64 pid = m_app->handover().pid();
        QVERIFY(pid > 0);
        QVERIFY(!m_app->context().boxServer->isListening());
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(boxPort));
        QVERIFY(box.waitForConnected(5000));
        ::kill(pid_t(pid), SIGTERM);
        QTRY_VERIFY_WITH_TIMEOUT(ended(pid), 15000);
        QVERIFY(m_prompter->asked.isEmpty());
    }

    void restartWhoseNewCopyCannotListenKeepsServing()
    {
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::AnyIPv4));
        const int boxPort = m_app->context().settings.boxPort;
        m_app->context().restartProgram = QStringLiteral(BOXFLEET_BINARY);
        m_app->context().restartArguments = {QStringLiteral("--deploy"), m_deploy, QStringLiteral("--box-port"),
                                             QString::number(taken.serverPort())};
        // The event log is shown.
        m_app->forms().form1->show();
        m_app->forms().form3->show();
        click("sb_Reboot");
        QVERIFY(m_app->handover().isWaiting());
        QTRY_VERIFY_WITH_TIMEOUT(!m_prompter->asked.isEmpty(), 20000);
        const QString text = m_prompter->asked.last().text;
        QVERIFY2(text.startsWith(QStringLiteral("The server was not restarted: Cannot listen for boxes on port %1")
                                     .arg(taken.serverPort())),
                 qPrintable(text));
        QVERIFY2(text.endsWith(QStringLiteral("This copy keeps serving.")), qPrintable(text));
        // Both ports listen again, and the event log says why.
        QVERIFY(m_app->context().boxServer->isListening());
        QCOMPARE(m_app->context().boxServer->port(), quint16(boxPort));
        QVERIFY(m_app->context().content->isRunning());
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(boxPort));
        QVERIFY(box.waitForConnected(5000));
        const auto *log = m_app->forms().form3->findChild<QPlainTextEdit *>(QStringLiteral("mm_log"));
        QTRY_VERIFY(log->toPlainText().contains(QStringLiteral("The server was not restarted")));
        QVERIFY(ended(m_app->handover().pid()));
    }

    void aNewCopyThatNeverAnswersIsEnded()
    {
        // A copy that hangs before its ports listen is ended at the limit.
        RestartHandover handover;
        QSignalSpy failed(&handover, &RestartHandover::failed);
        QVERIFY(
            handover.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exec sleep 60")}, 300));
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed.first().first().toString(), QStringLiteral("the new copy did not report within 1 s"));
        QTRY_VERIFY(ended(handover.pid()));
        // One that ends without a word.
        QVERIFY(handover.start(QStringLiteral("/bin/true"), {}));
        QVERIFY(failed.wait(5000));
        QCOMPARE(failed.last().first().toString(), QStringLiteral("the new copy ended before its ports listened"));
    }

    void closeOnlyHides()
    {
        const QByteArray before = deployText();
        click("sb_Close");
        QVERIFY(!setup()->isVisible());
        QCOMPARE(deployText(), before);
    }
};

QTEST_MAIN(TestSetup)
#include "tst_setup.moc"
