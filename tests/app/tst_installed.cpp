// The built program run as an installed one would be: from a folder it
// cannot write, with a fresh configuration folder. Its settings land in
// $XDG_CONFIG_HOME/boxfleet/, a second start reads them, a settings file
// already beside the program is used, and --deploy wins over both.
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

class TestInstalled : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_bin;
    QString m_config;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    // Starts the program with the arguments, waits until it has started its
    // content service (or said it could not), and ends it as SIGTERM does.
    // Root runs it as nobody, for whom the program's folder is read-only.
    QByteArray runOnce(const QStringList &arguments)
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_config);
        environment.insert(QStringLiteral("HOME"), path(QStringLiteral("home")));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        const QString program = m_bin + QStringLiteral("/boxfleet");
        const QStringList all =
            arguments + QStringList{QStringLiteral("--box-port"), QString::number(TestUtil::freePort())};
        if (::geteuid() == 0)
            process.start(QStringLiteral("setpriv"),
                          QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                      QStringLiteral("--clear-groups"), program} +
                              all);
        else
            process.start(program, all);
        if (!process.waitForStarted())
            return "did not start";
        QByteArray output;
        while (!output.contains("Content service") && process.waitForReadyRead(30000))
            output += process.readAll();
        ::kill(pid_t(process.processId()), SIGTERM);
        process.waitForFinished(30000);
        return output + process.readAll();
    }

    QStringList startOptions(const QString &content) const
    {
        return {QStringLiteral("--content"), path(content) + QLatin1Char('/'), QStringLiteral("--service-ip"),
                QStringLiteral("127.0.0.1")};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Everyone may pass; only the configuration and home folders are
        // anyone's to write.
        QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7755));
        m_bin = path(QStringLiteral("bin"));
        m_config = path(QStringLiteral("config"));
        for (const QString &folder : {m_bin, m_config, path(QStringLiteral("home"))})
            QVERIFY(QDir().mkpath(folder));
        for (const QString &folder : {m_config, path(QStringLiteral("home"))})
            QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        QVERIFY(QFile::copy(QStringLiteral(BOXFLEET_BINARY), m_bin + QStringLiteral("/boxfleet")));
        QVERIFY(QFile::copy(QStringLiteral(VESTRID_LIBRARY), m_bin + QStringLiteral("/libvestrid.so")));
        QVERIFY(QFile::setPermissions(m_bin, QFileDevice::Permissions(0x5555)));
    }

    void settingsGoToTheUsersConfiguration()
    {
        const QString settings = m_config + QStringLiteral("/boxfleet/Deploy.ini");
        QByteArray output = runOnce(startOptions(QStringLiteral("home/content")));
        QVERIFY2(QFile::exists(settings), output.constData());
        QVERIFY(!QFile::exists(m_bin + QStringLiteral("/Deploy.ini")));
        QVERIFY(TestUtil::readFile(settings).contains(QFile::encodeName(path(QStringLiteral("home/content/")))));
        // The second start asks nothing: it reads what the first one stored.
        output = runOnce({});
        QVERIFY2(output.contains("Content service"), output.constData());
        QVERIFY(QDir(path(QStringLiteral("home/content/XML"))).exists());

        // --deploy wins.
        const QString other = path(QStringLiteral("home/other.ini"));
        const QByteArray before = TestUtil::readFile(settings);
        runOnce(QStringList{QStringLiteral("--deploy"), other} + startOptions(QStringLiteral("home/elsewhere")));
        QVERIFY(TestUtil::readFile(other).contains(QFile::encodeName(path(QStringLiteral("home/elsewhere/")))));
        QCOMPARE(TestUtil::readFile(settings), before);
    }

    void aSettingsFileBesideTheProgramIsUsed()
    {
        // Put there by whoever installed it, as a build tree has it.
        QVERIFY(QFile::setPermissions(m_bin, QFileDevice::Permissions(0x7755)));
        TestUtil::writeFile(
            m_bin + QStringLiteral("/Deploy.ini"),
            "[PATH]\nCONTENT=" + QFile::encodeName(path(QStringLiteral("home/beside/"))) +
                "\n[SERVICE]\nSERVICE IP=127.0.0.1\nSERVICE PORT=" + QByteArray::number(TestUtil::freePort()) + "\n");
        QVERIFY(QFile::setPermissions(m_bin + QStringLiteral("/Deploy.ini"), QFileDevice::Permissions(0x6666)));
        QVERIFY(QFile::setPermissions(m_bin, QFileDevice::Permissions(0x5555)));
        const QByteArray output = runOnce({});
        QVERIFY2(QDir(path(QStringLiteral("home/beside/XML"))).exists(), output.constData());
    }
};

QTEST_GUILESS_MAIN(TestInstalled)
#include "tst_installed.moc"
