// A full registry survives restarts whole while every door offers it the
// characters that once cut MacGroup.ini short: a MAC with '[' from a box,
// group and client names with '[' from the operator.
#include "appharness.h"
#include "base/codepage.h"
#include "config/mainform.h"
#include "console/group.h"
#include "scratchserver.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

QByteArray heartbeat(const QByteArray &mac)
{
    return "heatbeat 10.9.9.9 " + mac + " 1.0 0 0 1000 200 01-03-2026-12:00:00 1";
}

QString macOf(int i)
{
    return QStringLiteral("02:00:00:00:%1:%2")
        .arg(i / 256, 2, 16, QLatin1Char('0'))
        .arg(i % 256, 2, 16, QLatin1Char('0'));
}

} // namespace

class TestRegistryRestart : public QObject
{
    Q_OBJECT

private:
    AppHarness m_harness;

    TForm2 *groupWindow() { return m_harness.forms().form2; }
    template <typename T> T *control(const char *name)
    {
        return groupWindow()->findChild<T *>(QString::fromLatin1(name));
    }

    // Offers '[' at every door; each must be refused with a word.
    void offerBrackets()
    {
        // A box whose MAC holds '['.
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(m_harness.options.boxPort));
        QVERIFY(box.waitForConnected(5000));
        box.write(heartbeat("02:00:00[00:00:01") + '\0' + heartbeat("[GROUP]") + '\0' + heartbeat(macOf(0).toLatin1()) +
                  '\0');
        QTRY_VERIFY(m_harness.registry().Box(0).Online == 1);
        QCOMPARE(m_harness.registry().FindBox(QStringLiteral("02:00:00[00:00:01")), RES_NOTFOUND);
        QCOMPARE(m_harness.registry().FindBox(QStringLiteral("[GROUP]")), RES_NOTFOUND);

        m_harness.clickMain("sbGroup");
        const qsizetype askedBefore = m_harness.prompter.asked.size();
        // A group.
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("[VIP] Lobby"));
        control<QToolButton>("sbAddGroup")->click();
        // A group renamed.
        auto *groups = control<QListWidget>("lbGroupName");
        groups->setCurrentItem(groups->item(groups->count() - 1));
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("[x"));
        control<QToolButton>("sbRenameGroup")->click();
        // A client name.
        auto *list = control<QTreeWidget>("lv_GroupList");
        list->setCurrentItem(list->topLevelItem(0));
        control<QLineEdit>("edClientName")->setText(QStringLiteral("[VIP]"));
        control<QToolButton>("sbMACNodeModify")->click();
        QCOMPARE(m_harness.prompter.asked.size(), askedBefore + 3);
        for (qsizetype i = askedBefore; i < m_harness.prompter.asked.size(); ++i)
            QVERIFY(m_harness.prompter.asked[i].text.contains(QLatin1String("'['")));
    }

    // Closes the main window as the operator does and starts anew.
    void restart()
    {
        QTimer::singleShot(0, m_harness.forms().form1, &QWidget::close);
        QCOMPARE(m_harness.app->exec(), 0);
        m_harness.app.reset();
        QVERIFY(m_harness.start());
    }

    void checkRegistry()
    {
        const MacGruoup &reg = m_harness.registry();
        QCOMPARE(reg.BoxCount(), MAX_BoxCount);
        for (int i = 0; i < MAX_BoxCount; ++i) {
            QCOMPARE(reg.Box(i).MacAdd, macOf(i));
            QCOMPARE(reg.Box(i).ClientName, QStringLiteral("客户 %1").arg(i));
            QCOMPARE(reg.GroupNameOf(i), QStringLiteral("上海 %1").arg(i % 9));
        }
    }

private slots:
    void fullRegistrySurvivesTwoRestarts()
    {
        QVERIFY(m_harness.start());
        // 256 boxes, named and grouped.
        QTcpSocket boxes;
        boxes.connectToHost(QHostAddress::LocalHost, quint16(m_harness.options.boxPort));
        QVERIFY(boxes.waitForConnected(5000));
        for (int i = 0; i < MAX_BoxCount; ++i)
            boxes.write(heartbeat(macOf(i).toLatin1()) + '\0');
        QTRY_COMPARE(m_harness.registry().BoxCount(), MAX_BoxCount);
        MacGruoup &reg = m_harness.registry();
        for (int i = 0; i < MAX_BoxCount; ++i) {
            QCOMPARE(reg.AddGroup(QStringLiteral("上海 %1").arg(i % 9)), RES_OK);
            QCOMPARE(reg.SetBoxGroup(i, QStringLiteral("上海 %1").arg(i % 9)), RES_OK);
            QCOMPARE(reg.SetBoxName(i, QStringLiteral("客户 %1").arg(i)), RES_OK);
        }
        offerBrackets();
        restart();
        checkRegistry();
        offerBrackets();
        restart();
        checkRegistry();
        QVERIFY(!TestUtil::readFile(m_harness.context().settings.registryFile).contains("[VIP"));
    }

    void aKilledProgramLosesNoName()
    {
        // SIGKILL one second after a box was named and moved: no exit ran,
        // and the next start has both.
        QTemporaryDir folder;
        QProcess server;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KILLED_SERVER_FOLDER"), folder.path());
        server.setProcessEnvironment(environment);
        server.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(QTest::qWaitFor([&] { return server.readAllStandardOutput().contains("changed"); }, 30000));
        QTest::qWait(1000);
        server.kill();
        QVERIFY(server.waitForFinished(5000));
        QCOMPARE(server.exitStatus(), QProcess::CrashExit);

        ScriptedPrompter prompter;
        ServerApp app(ScratchServerOptions(folder.path()), prompter, QStringLiteral(VESTRID_LIBRARY));
        QVERIFY(app.start());
        const MacGruoup &registry = *app.context().registry;
        QCOMPARE(registry.BoxCount(), 1);
        QCOMPARE(registry.Box(0).ClientName, QStringLiteral("前台"));
        QCOMPARE(registry.GroupNameOf(0), QStringLiteral("大厅"));
    }

    void savedAsItChanges()
    {
        // Nothing waits for the exit: a crash a second later loses nothing.
        AppHarness h;
        QVERIFY(h.start());
        const QString file = h.context().settings.registryFile;
        QTcpSocket box;
        box.connectToHost(QHostAddress::LocalHost, quint16(h.options.boxPort));
        QVERIFY(box.waitForConnected(5000));
        box.write(heartbeat("02:00:00:00:00:aa") + '\0');
        QTRY_VERIFY(TestUtil::readFile(file).contains("02:00:00:00:00:aa"));
        QCOMPARE(h.registry().AddGroup(QStringLiteral("大厅")), RES_OK);
        QCOMPARE(h.registry().SetBoxGroup(0, QStringLiteral("大厅")), RES_OK);
        QCOMPARE(h.registry().SetBoxName(0, QStringLiteral("前台")), RES_OK);
        QTRY_VERIFY(
            TestUtil::readFile(file).contains(CodePage::toGb2312(QStringLiteral("02:00:00:00:00:aa,前台,大厅"))));
        // Heartbeats that change nothing stored write nothing.
        const QDateTime written = QFileInfo(file).lastModified();
        auto *saver = h.app->findChild<QTimer *>(QStringLiteral("RegistrySaver"));
        QVERIFY(saver);
        QSignalSpy ticks(saver, &QTimer::timeout);
        box.write(heartbeat("02:00:00:00:00:aa") + '\0');
        QTRY_COMPARE(ticks.size(), 2);
        QCOMPARE(QFileInfo(file).lastModified(), written);
    }
};

// The program killed test's server: names and moves one box, says so on
// standard output, and runs until it is killed.
int runKilledServer(const QString &folder)
{
    ScriptedPrompter prompter;
    ServerApp app(ScratchServerOptions(folder), prompter, QStringLiteral(VESTRID_LIBRARY));
    if (!app.start())
        return 1;
    const QString file = app.context().settings.registryFile;
    QTcpSocket box;
    box.connectToHost(QHostAddress::LocalHost, quint16(app.context().settings.boxPort));
    if (!box.waitForConnected(5000))
        return 2;
    box.write(heartbeat("02:00:00:00:00:bb") + '\0');
    if (!QTest::qWaitFor([&] { return TestUtil::readFile(file).contains("02:00:00:00:00:bb"); }, 10000))
        return 3;
    // No write in the last second: the change goes to disk at the next look.
    QTest::qWait(1100);
    MacGruoup &registry = *app.context().registry;
    if (registry.AddGroup(QStringLiteral("大厅")) != RES_OK ||
        registry.SetBoxGroup(0, QStringLiteral("大厅")) != RES_OK ||
        registry.SetBoxName(0, QStringLiteral("前台")) != RES_OK)
        return 4;
    std::printf("changed\n");
    std::fflush(stdout);
    return QApplication::exec();
}

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    const QString folder = qEnvironmentVariable("KILLED_SERVER_FOLDER");
    if (!folder.isEmpty())
        return runKilledServer(folder);
    TestRegistryRestart test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registryrestart.moc"
