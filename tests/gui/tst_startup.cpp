// Start-up of the whole program with scripted answers: the eleven windows in
// their order, the main window's top bar, and what the operator is told when
// start-up goes wrong.
#include "app/serverapp.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/cmdhistory.h"
#include "console/deploymanage.h"
#include "console/downloadlist.h"
#include "console/filesystem.h"
#include "console/group.h"
#include "console/schdlist.h"
#include "ftp/ftpFastconnect.h"
#include "ftp/ftpList.h"
#include "ftp/ftpfile.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QDir>
#include <QLabel>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

class TestStartup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    StartupOptions m_options;
    ScriptedPrompter *m_prompter = nullptr;
    std::unique_ptr<ScriptedPrompter> m_prompterOwner;

    void writeDeploy(int port)
    {
        TestUtil::writeFile(m_options.deployFile,
                            "[PATH]\nCONTENT=" + m_dir->filePath(QStringLiteral("c/")).toUtf8() +
                                "\n[SERVICE]\nSERVICE IP=127.0.0.1\nSERVICE PORT=" + QByteArray::number(port) + "\n");
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_options = StartupOptions();
        m_options.deployFile = m_dir->filePath(QStringLiteral("Deploy.ini"));
        // Never the default box port: a boxfleet running on this machine has it.
        m_options.boxPort = TestUtil::freePort();
        m_prompterOwner = std::make_unique<ScriptedPrompter>();
        m_prompter = m_prompterOwner.get();
    }

    void createsElevenWindowsInOrder()
    {
        const int port = TestUtil::freePort();
        writeDeploy(port);
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        QVERIFY(m_prompter->asked.isEmpty());
        const Forms &f = app.forms();
        QCOMPARE(f.form1->windowTitle(), QStringLiteral("boxfleet"));
        QWidget *const others[] = {f.form2, f.form3, f.form4, f.form5,  f.form6,
                                   f.form7, f.form8, f.form9, f.form10, f.form11};
        const QStringList titles = {QStringLiteral("群组管理"),     QStringLiteral("设备管理"),
                                    QStringLiteral("排期列表"),     QStringLiteral("设置"),
                                    QStringLiteral("事件管理"),     QStringLiteral("Ftp文件"),
                                    QStringLiteral("Fast-connect"), QStringLiteral("Ftp列表"),
                                    QStringLiteral("文件系统"),     QStringLiteral("下载列表")};
        for (int i = 0; i < 10; ++i) {
            QVERIFY(others[i]);
            QCOMPARE(others[i]->windowTitle(), titles[i]);
            QVERIFY(!others[i]->isVisible());
        }
        QCOMPARE(app.context().settings.servicePort, port);
        QVERIFY(app.context().content->isRunning());
    }

    void mainWindowTopBar()
    {
        writeDeploy(TestUtil::freePort());
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        TForm1 *main = app.forms().form1;
        QVERIFY(main->findChild<QWidget *>(QStringLiteral("Panel1")));
        const QList<QPair<QString, QString>> buttons = {
            {QStringLiteral("sbGroup"), QStringLiteral("群组管理")},
            {QStringLiteral("sbBoxManagement"), QStringLiteral("设备管理")},
            {QStringLiteral("sb_CMDPrompt"), QStringLiteral("事件管理")},
            {QStringLiteral("sb_FtpFile"), QStringLiteral("FTP文件")},
            {QStringLiteral("sb_Filestyle"), QStringLiteral("文件系统")},
            {QStringLiteral("sbDeploy"), QStringLiteral("设置")},
        };
        for (const auto &[name, caption] : buttons) {
            auto *button = main->findChild<QToolButton *>(name);
            QVERIFY2(button, qPrintable(name));
            QCOMPARE(button->text(), caption);
        }
        QCOMPARE(main->findChild<QLabel *>(QStringLiteral("ver"))->text(), QStringLiteral("2.0.1.3"));
        auto *timer = main->findChild<QTimer *>(QStringLiteral("Timer1"));
        QVERIFY(timer);
        QCOMPARE(timer->interval(), 10000);
        QVERIFY(timer->isActive());

        const QList<QPair<QString, QWidget *>> opens = {
            {QStringLiteral("sbGroup"), app.forms().form2},
            {QStringLiteral("sbBoxManagement"), app.forms().form3},
            {QStringLiteral("sb_CMDPrompt"), app.forms().form6},
            {QStringLiteral("sb_FtpFile"), app.forms().form7},
            {QStringLiteral("sb_Filestyle"), app.forms().form10},
        };
        for (const auto &[name, window] : opens) {
            QVERIFY(!window->isVisible());
            main->findChild<QToolButton *>(name)->click();
            QVERIFY2(window->isVisible(), qPrintable(name));
        }
    }

    void setupButtonShowsWhatDeployIniHoldsNow()
    {
        const int port = TestUtil::freePort();
        writeDeploy(port);
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        // Changed behind the running server's back: the setup window shows the file.
        TestUtil::writeFile(m_options.deployFile, "[PATH]\nCONTENT=/elsewhere/content/\n");
        app.forms().form1->findChild<QToolButton *>(QStringLiteral("sbDeploy"))->click();
        TForm5 *setup = app.forms().form5;
        QVERIFY(setup->isVisible());
        QCOMPARE(setup->contentPath(), QStringLiteral("/elsewhere/content/"));
        QCOMPARE(setup->serviceIp(), QStringLiteral("127.0.0.1"));
        QCOMPARE(setup->servicePort(), port);
        QCOMPARE(setup->deployFile(), m_options.deployFile);
    }

    void serviceThatCannotStartIsReported()
    {
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
        writeDeploy(occupant.serverPort());
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        QCOMPARE(m_prompter->asked.size(), 1);
        QCOMPARE(m_prompter->asked[0].kind, QStringLiteral("message"));
        QCOMPARE(m_prompter->asked[0].title, QStringLiteral("boxfleet"));
        QCOMPARE(m_prompter->asked[0].text, QStringLiteral("Server Start Failed"));
        // Start-up goes on without the service.
        QVERIFY(app.forms().form11);
    }

    void missingLibraryIsReported()
    {
        writeDeploy(TestUtil::freePort());
        ServerApp app(m_options, *m_prompter, m_dir->filePath(QStringLiteral("libvestrid.so")));
        QVERIFY(app.start());
        QCOMPARE(m_prompter->askedOf(QStringLiteral("message")).size(), 1);
        QCOMPARE(m_prompter->asked[0].text, QStringLiteral("Server Start Failed"));
    }

    void folderFailureEndsStartUp()
    {
        writeDeploy(TestUtil::freePort());
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("c"))));
        TestUtil::writeFile(m_dir->filePath(QStringLiteral("c/video")), "not a folder");
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(!app.start());
        QCOMPARE(app.exitCode(), 1);
        QCOMPARE(m_prompter->asked.size(), 1);
        QCOMPARE(m_prompter->asked[0].title, QStringLiteral("boxfleet"));
        QCOMPARE(m_prompter->asked[0].text, QStringLiteral("Cannot create ") + m_dir->filePath(QStringLiteral("c/")));
        QVERIFY(!app.forms().form1);
        QVERIFY(!app.forms().form2);
        QVERIFY(!app.context().content->isRunning());
    }

    // A second copy for the same content folder takes nothing and ends.
    void aSecondCopyEndsAtOnce()
    {
        writeDeploy(TestUtil::freePort());
        ServerApp first(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(first.start());
        ScriptedPrompter prompter;
        ServerApp second(m_options, prompter, QStringLiteral(VESTRID_LIBRARY));
        const QString said = QStringLiteral("boxfleet is already running for this content folder (process %1)")
                                 .arg(QCoreApplication::applicationPid());
        QTest::ignoreMessage(QtCriticalMsg, qPrintable(said));
        QVERIFY(!second.start());
        QCOMPARE(second.exitCode(), 1);
        QCOMPARE(prompter.asked.size(), 1);
        QCOMPARE(prompter.asked[0].text, said);
        QVERIFY(!second.context().content->isRunning());
        QVERIFY(first.context().content->isRunning());
    }

    void closingTheMainWindowEndsTheLoop()
    {
        writeDeploy(TestUtil::freePort());
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        QCOMPARE(app.context().restartProgram, QCoreApplication::applicationFilePath());
        QTimer::singleShot(0, app.forms().form1, &QWidget::close);
        QCOMPARE(app.exec(), 0);
        QVERIFY(!app.forms().form1);
    }

    void registryThatCannotBeSavedIsToldToTheOperator()
    {
        writeDeploy(TestUtil::freePort());
        // Something stands where the registry must be written.
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("c/MacGroup.ini/in-the-way"))));
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        QTest::ignoreMessage(QtCriticalMsg, QRegularExpression(QStringLiteral("^ERR The box registry could not")));
        QTimer::singleShot(0, app.forms().form1, &QWidget::close);
        QCOMPARE(app.exec(), 1);
        QCOMPARE(m_prompter->asked.size(), 1);
        QCOMPARE(m_prompter->asked[0].title, QStringLiteral("Error"));
        QVERIFY(m_prompter->asked[0].text.contains(QLatin1String("could not be saved")));
    }

    void cancelledFirstStartWritesNothing()
    {
        m_prompter->answerInput(std::nullopt);
        ServerApp app(m_options, *m_prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(!app.start());
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(m_prompter->asked.size(), 1);
        QVERIFY(!QFile::exists(m_options.deployFile));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
