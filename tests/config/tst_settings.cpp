// Start-up settings: the Deploy.ini rules, the two prompts, the content
// folders, the small helpers, and the loader of the content service.
#include "config/contentservice.h"
#include "config/settings.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QDir>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using TestUtil::readFile;
using TestUtil::writeFile;

class TestSettings : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    StartupOptions m_options;

    QString path(const QString &name) const { return m_dir->filePath(name); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_options = StartupOptions();
        m_options.deployFile = path(QStringLiteral("Deploy.ini"));
    }

    void firstStartAsksForFolderAndAddress()
    {
        ScriptedPrompter prompter;
        prompter.answerInput(m_dir->path());
        prompter.answerInput(QStringLiteral("10.1.2.3"));
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);

        const QString root = m_dir->path() + QStringLiteral("/content/");
        QCOMPARE(s.contentRoot, root);
        QCOMPARE(s.serviceIp, QStringLiteral("10.1.2.3"));
        QCOMPARE(s.servicePort, 5002);
        QCOMPARE(s.boxPort, 9988);
        QCOMPARE(readFile(m_options.deployFile),
                 "[PATH]\nCONTENT=" + root.toUtf8() + "\n\n[SERVICE]\nSERVICE PORT=5002\nSERVICE IP=10.1.2.3\n");

        const auto inputs = prompter.askedOf(QStringLiteral("input"));
        QCOMPARE(inputs.size(), 2);
        QCOMPARE(inputs[0].title, QStringLiteral("Input Box"));
        QCOMPARE(inputs[0].text, QStringLiteral("Driver"));
        QCOMPARE(inputs[0].initial, QDir::homePath());
        QCOMPARE(inputs[1].title, QStringLiteral("Input Box"));
        QCOMPARE(inputs[1].text, QStringLiteral("Server IP"));
        QCOMPARE(inputs[1].initial, DefaultServiceIp());

        for (const char *folder : {"video", "audio", "picture", "BMP", "Bin", "XML", "text"})
            QVERIFY2(QFileInfo(root + QLatin1String(folder)).isDir(), folder);
        QCOMPARE(s.registryFile, root + QStringLiteral("MacGroup.ini"));
        QCOMPARE(s.ftpFile, root + QStringLiteral("Ftp.ini"));
        QCOMPARE(s.xmlPrefix, root + QStringLiteral("XML/"));
        QCOMPARE(s.downloadPrefix, root + QStringLiteral("XML/download"));
        QCOMPARE(s.planPrefix, root + QStringLiteral("XML/plan"));
    }

    void folderPromptRepeatsUntilAnExistingFolder()
    {
        ScriptedPrompter prompter;
        prompter.answerInput(QStringLiteral("E")); // a drive letter means nothing here
        prompter.answerInput(QStringLiteral("EF"));
        prompter.answerInput(QString());
        prompter.answerInput(path(QStringLiteral("missing")));
        prompter.answerInput(m_dir->path() + QStringLiteral("/"));
        prompter.answerInput(std::nullopt); // the address prompt: cancelled
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);
        QCOMPARE(prompter.askedOf(QStringLiteral("input")).size(), 6);
        // Each refusal says why.
        const auto errors = prompter.askedOf(QStringLiteral("message"));
        QCOMPARE(errors.size(), 4);
        QVERIFY(errors[3].text.startsWith(QLatin1Char('"') + path(QStringLiteral("missing")) +
                                          QLatin1String("\" is not a folder on this computer.")));
        QCOMPARE(s.contentRoot, m_dir->path() + QStringLiteral("/content/"));
        // A cancelled address prompt keeps and writes the default.
        QCOMPARE(s.serviceIp, DefaultServiceIp());
        QByteArray stored;
        QVERIFY(readFile(m_options.deployFile).contains("SERVICE IP=" + DefaultServiceIp().toLatin1() + "\n"));
    }

    void cancellingTheFolderPromptWritesNothing()
    {
        ScriptedPrompter prompter;
        prompter.answerInput(QStringLiteral("nonsense"));
        prompter.answerInput(std::nullopt);
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Cancelled);
        QVERIFY(!QFile::exists(m_options.deployFile));
        QCOMPARE(prompter.askedOf(QStringLiteral("input")).size(), 2);
    }

    void onlyAnIpv4AddressIsTakenForTheService()
    {
        writeFile(m_options.deployFile, "[PATH]\nCONTENT=" + path(QStringLiteral("c/")).toUtf8() + "\n");
        ScriptedPrompter prompter;
        prompter.answerInput(QStringLiteral("shop-server"));
        prompter.answerInput(QStringLiteral("192.168.100.200.99"));
        prompter.answerInput(QStringLiteral(" 192.168.100.200 "));
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);
        QCOMPARE(s.serviceIp, QStringLiteral("192.168.100.200"));
        QVERIFY(readFile(m_options.deployFile).contains("SERVICE IP=192.168.100.200\n"));
        const auto inputs = prompter.askedOf(QStringLiteral("input"));
        QCOMPARE(inputs.size(), 3);
        QCOMPARE(inputs[1].initial, QStringLiteral("shop-server")); // asked again with what was typed
        const auto errors = prompter.askedOf(QStringLiteral("message"));
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[0].text.startsWith(QLatin1String("\"shop-server\" is not an IPv4 address")));
    }

    void storedValuesAreUsedAsTheyStand()
    {
        // No trailing separator: the folders follow the value directly.
        const QString root = path(QStringLiteral("root"));
        writeFile(m_options.deployFile, "[PATH]\nCONTENT=" + root.toUtf8() +
                                            "\n[SERVICE]\nSERVICE IP=1.2.3.4\nSERVICE PORT=abc\nBOX PORT=1\n");
        ScriptedPrompter prompter;
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);
        QVERIFY(prompter.asked.isEmpty());
        QCOMPARE(s.contentRoot, root);
        QCOMPARE(s.videoDir, root + QStringLiteral("video"));
        QVERIFY(QFileInfo(root + QStringLiteral("video")).isDir());
        QCOMPARE(s.serviceIp, QStringLiteral("1.2.3.4"));
        // Letters read as 0 and are written back as 0.
        QCOMPARE(s.servicePort, 0);
        QVERIFY(readFile(m_options.deployFile).contains("SERVICE PORT=0\n"));
        QCOMPARE(s.boxPort, 9988);
    }

    void emptyValuesCountAsMissing()
    {
        writeFile(m_options.deployFile, "[PATH]\nCONTENT=\n[SERVICE]\nSERVICE IP=\nSERVICE PORT=6000\n");
        ScriptedPrompter prompter;
        prompter.answerInput(m_dir->path());
        prompter.answerInput(QStringLiteral("10.0.0.9"));
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);
        QCOMPARE(prompter.askedOf(QStringLiteral("input")).size(), 2);
        QCOMPARE(s.contentRoot, m_dir->path() + QStringLiteral("/content/"));
        QCOMPARE(s.serviceIp, QStringLiteral("10.0.0.9"));
        QCOMPARE(s.servicePort, 6000);
        const QByteArray text = readFile(m_options.deployFile);
        QVERIFY(text.contains("CONTENT=" + s.contentRoot.toUtf8() + "\n"));
        QVERIFY(text.contains("SERVICE IP=10.0.0.9\n"));
    }

    void commandLineAnswersTheQuestions()
    {
        m_options.content = path(QStringLiteral("given"));
        m_options.serviceIp = QStringLiteral("127.0.0.1");
        m_options.boxPort = 19988;
        ScriptedPrompter prompter;
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);
        QVERIFY(prompter.asked.isEmpty());
        QCOMPARE(s.contentRoot, path(QStringLiteral("given/")));
        QCOMPARE(s.serviceIp, QStringLiteral("127.0.0.1"));
        QCOMPARE(s.boxPort, 19988);
        QVERIFY(readFile(m_options.deployFile).contains("CONTENT=" + path(QStringLiteral("given/")).toUtf8()));
    }

    void chineseFolderNamesAreStoredAsGb2312()
    {
        const QString base = path(QStringLiteral("内容"));
        QVERIFY(QDir().mkpath(base));
        ScriptedPrompter prompter;
        prompter.answerInput(base);
        prompter.answerInput(QStringLiteral("1.1.1.1"));
        ServerSettings s;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, nullptr), LoadResult::Ok);
        QCOMPARE(s.contentRoot, base + QStringLiteral("/content/"));
        QVERIFY(readFile(m_options.deployFile).contains("\xc4\xda\xc8\xdd/content/"));
        ServerSettings again;
        QCOMPARE(LoadServerSettings(again, m_options, prompter, nullptr), LoadResult::Ok);
        QCOMPARE(again.contentRoot, s.contentRoot);
    }

    void folderThatCannotBeCreatedNamesTheContentRoot()
    {
        const QString root = path(QStringLiteral("c/"));
        QVERIFY(QDir().mkpath(root));
        writeFile(root + QStringLiteral("text"), "a file where the text folder belongs");
        writeFile(m_options.deployFile, "[PATH]\nCONTENT=" + root.toUtf8() + "\n[SERVICE]\nSERVICE IP=1.2.3.4\n");
        ScriptedPrompter prompter;
        ServerSettings s;
        QString error;
        QCOMPARE(LoadServerSettings(s, m_options, prompter, &error), LoadResult::FolderFailed);
        QCOMPARE(error, QStringLiteral("Cannot create ") + root);
        // The folders before the failing one stay created.
        QVERIFY(QFileInfo(root + QStringLiteral("XML")).isDir());
    }

    void helpers()
    {
        const QString before = QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmm"));
        const QString stamp = MakeTimestamp();
        const QString after = QDateTime::currentDateTime().toString(QStringLiteral("yyMMddHHmm"));
        QVERIFY(QRegularExpression(QStringLiteral("^\\d{12}$")).match(stamp).hasMatch());
        QVERIFY(stamp.startsWith(before) || stamp.startsWith(after));

        writeFile(path(QStringLiteral("five")), "12345");
        QCOMPARE(FileSizeOf(path(QStringLiteral("five"))), 5);
        QCOMPARE(FileSizeOf(path(QStringLiteral("none"))), -1);

        QCOMPARE(ToUrlPath(QStringLiteral("D:\\content\\XML\\1(T).xml")), QStringLiteral("D:/content/XML/1(T).xml"));
        QCOMPARE(ToUrlPath(QString()), QString());
        ServerSettings s;
        s.serviceIp = QStringLiteral("192.168.0.5");
        s.servicePort = 5002;
        QCOMPARE(HttpAddress(s, QStringLiteral("/home/op/content/XML/1(T).xml")),
                 QStringLiteral("http://192.168.0.5:5002//home/op/content/XML/1(T).xml"));
    }

    void loaderResults()
    {
        ServerSettings s;
        s.contentRoot = m_dir->path() + QStringLiteral("/");
        s.servicePort = TestUtil::freePort();
        {
            ContentService missing;
            QCOMPARE(missing.start(path(QStringLiteral("libnothing.so")), s), ContentService::NotLoadable);
        }
        {
            ContentService noEntry;
            QCOMPARE(noEntry.start(QStringLiteral(NOENTRY_LIBRARY), s), ContentService::NoEntryPoint);
        }
        QTcpServer occupant;
        QVERIFY(occupant.listen(QHostAddress::Any, 0));
        {
            ContentService busy;
            ServerSettings taken = s;
            taken.servicePort = occupant.serverPort();
            QCOMPARE(busy.start(QStringLiteral(VESTRID_LIBRARY), taken), ContentService::NotListening);
            QVERIFY(!busy.isRunning());
        }
        ContentService service;
        QCOMPARE(service.start(QStringLiteral(VESTRID_LIBRARY), s), ContentService::Started);
        QVERIFY(service.isRunning());
        service.stop();
        QVERIFY(!service.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
