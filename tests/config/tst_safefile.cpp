// Whole-file rewrites: a disk that refuses a write (a real full tmpfs when the
// tests run as root, an injected writer everywhere) leaves every old file as
// it was and is reported; FTP accounts are written for the owner only; the
// temporaries of a killed run are cleared at start.
#include "base/clock.h"
#include "base/quietprompter.h"
#include "base/safefile.h"
#include "config/inifile.h"
#include "config/settings.h"
#include "registry/MacGroup.h"
#include "schedule/playlist.h"
#include "schedule/playlistxml.h"
#include "testutil.h"

#include <QDir>
#include <QFileDevice>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using TestUtil::readFile;
using TestUtil::writeFile;

namespace {

// Owner, group and other bits; Qt's "user" bits repeat the owner's.
constexpr QFileDevice::Permissions kModeBits = QFileDevice::Permissions(0x7077);

// A registry of n boxes with Chinese names, as MacGroup.ini holds them.
MacGruoup registryOf(int n)
{
    static const ManualClock clock(QDateTime::fromSecsSinceEpoch(1000));
    MacGruoup reg(clock);
    for (int i = 0; i < n; ++i) {
        MacGroupData r;
        r.MacAdd = QStringLiteral("02:00:00:00:%1:%2")
                       .arg(i / 256, 2, 16, QLatin1Char('0'))
                       .arg(i % 256, 2, 16, QLatin1Char('0'));
        r.IPAdd = QStringLiteral("10.0.0.1");
        r.BoxVer = QStringLiteral("1.0");
        reg.MergeHeartbeat(r);
        reg.AddGroup(QStringLiteral("上海 %1").arg(i % 7));
        reg.SetBoxName(i, QStringLiteral("客户 %1").arg(i));
        reg.SetBoxGroup(i, QStringLiteral("上海 %1").arg(i % 7));
    }
    return reg;
}

TPlayList scheduleOf(const QString &videoPath)
{
    TPlayList store;
    TScheduleNode e;
    e.StartHour = 8;
    e.EndHour = 20;
    e.WeekDays = 0x7F;
    e.SchdType = SCHD_LOOP;
    e.vec_shortname = {QStringLiteral("a.mp4")};
    e.vec_fullname = {videoPath};
    store.AddSchd(e);
    return store;
}

// A writer that puts half the bytes down and then fails like a full disk.
qint64 halfThenFull(QFileDevice &file, const QByteArray &bytes)
{
    file.write(bytes.left(bytes.size() / 2));
    return -1;
}

} // namespace

class TestSafeFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void cleanup() { SafeFile::setWriter({}); }

    void failedWritesKeepEveryOldFile()
    {
        const QString ini = m_dir.filePath(QStringLiteral("Deploy.ini"));
        const QString registry = m_dir.filePath(QStringLiteral("MacGroup.ini"));
        writeFile(ini, "[SERVICE]\nSERVICE PORT=5002\n");
        QVERIFY(SaveRegistryFile(registryOf(200), registry));
        const QByteArray savedRegistry = readFile(registry);

        SafeFile::setWriter(&halfThenFull);
        QCOMPARE(IniWriteString("SERVICE", "SERVICE PORT", "6000", ini), 0);
        QString why;
        QVERIFY(!SaveRegistryFile(registryOf(256), registry, &why));
        QVERIFY2(why.contains(registry), qPrintable(why));
        QCOMPARE(readFile(ini), QByteArray("[SERVICE]\nSERVICE PORT=5002\n"));
        QCOMPARE(readFile(registry), savedRegistry);
        // Nothing half-written is left beside them.
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

        SafeFile::setWriter({});
        QCOMPARE(IniWriteString("SERVICE", "SERVICE PORT", "6000", ini), 1);
        QCOMPARE(IniReadInt("SERVICE", "SERVICE PORT", 0, ini), 6000);
    }

    void fullDiskIsSeenBeforeTheRename()
    {
        if (::geteuid() != 0)
            QSKIP("mounting a small tmpfs needs root");
        QTemporaryDir mountPoint;
        const QString path = mountPoint.path();
        if (QProcess::execute(QStringLiteral("mount"),
                              {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                               QStringLiteral("size=64k"), QStringLiteral("tmpfs"), path}) != 0)
            QSKIP("this machine does not allow mounting a tmpfs");
        const auto unmount = qScopeGuard([&] { QProcess::execute(QStringLiteral("umount"), {path}); });

        ServerSettings s;
        s.contentRoot = path + QLatin1Char('/');
        s.serviceIp = QStringLiteral("10.0.0.5");
        DeriveContentPaths(s);
        QVERIFY(QDir().mkpath(s.xmlDir));
        QVERIFY(QDir().mkpath(s.videoDir));
        writeFile(s.videoDir + QStringLiteral("/a.mp4"), "video");
        const QString deploy = path + QStringLiteral("/Deploy.ini");
        QCOMPARE(IniWriteString("PATH", "CONTENT", s.contentRoot.toUtf8(), deploy), 1);
        QVERIFY(SaveRegistryFile(registryOf(96), s.registryFile));
        const QByteArray savedRegistry = readFile(s.registryFile);
        const QByteArray savedDeploy = readFile(deploy);
        const GenerationResult first =
            GeneratePlayLists(scheduleOf(s.videoDir + QStringLiteral("/a.mp4")), s, QStringLiteral("260101000000"));
        QCOMPARE(first.status, GenerationResult::Ok);
        const QByteArray savedList = readFile(first.files.first());

        // Fill the disk to the last byte.
        QFile filler(path + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size()) {
        }
        filler.close();
        QFile tail(path + QStringLiteral("/tail"));
        QVERIFY(tail.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (tail.write("x", 1) == 1) {
        }
        tail.close();

        QCOMPARE(IniWriteString("SERVICE", "SERVICE IP", QByteArray(3000, '1'), deploy), 0);
        QString why;
        QVERIFY(!SaveRegistryFile(registryOf(256), s.registryFile, &why));
        QVERIFY(!why.isEmpty());
        const GenerationResult second =
            GeneratePlayLists(scheduleOf(s.videoDir + QStringLiteral("/a.mp4")), s, QStringLiteral("260101000000"));
        QCOMPARE(second.status, GenerationResult::WriteFailed);
        QVERIFY(!second.error.isEmpty());

        QCOMPARE(readFile(deploy), savedDeploy);
        QCOMPARE(readFile(s.registryFile), savedRegistry);
        QCOMPARE(readFile(first.files.first()), savedList);
        MacGruoup back;
        QVERIFY(LoadRegistryFile(back, s.registryFile));
        QCOMPARE(back.BoxCount(), 96);
    }

    void ftpAccountsAreForTheOwnerOnly()
    {
        const QString ftp = m_dir.filePath(QStringLiteral("Ftp.ini"));
        QCOMPARE(IniWriteNode(InitNode{"FTP", "Account", {{"host", "21", "user", "secret"}}, {}}, ftp), 1);
        QCOMPARE(QFile::permissions(ftp) & kModeBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        // Still so after a rewrite of a file that had wider permissions.
        QFile::setPermissions(ftp, QFile::permissions(ftp) | QFileDevice::ReadOther);
        QCOMPARE(IniWriteNode(InitNode{"FTP", "Account", {{"host", "21", "user", "other"}}, {}}, ftp), 1);
        QCOMPARE(QFile::permissions(ftp) & kModeBits, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    void startClearsTheTemporariesOfAKilledRun()
    {
        QTemporaryDir dir;
        const QString registry = dir.filePath(QStringLiteral("content/MacGroup.ini"));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("content/XML"))));
        QVERIFY(SaveRegistryFile(registryOf(3), registry));
        // A temporary takes the file's name and six random characters; a
        // kill -9 between writing and renaming leaves it behind.
        const QString temporary = QStringLiteral("MacGroup.ini.MGbpzp");

        // What a kill -9 in the middle of writes leaves behind.
        const QString content = dir.filePath(QStringLiteral("content/"));
        writeFile(content + temporary, "half");
        writeFile(content + QStringLiteral("Ftp.ini.Ab12Cd"), "half");
        writeFile(content + QStringLiteral("XML/1(260101000000).xml.x9Y8z7"), "half");
        writeFile(content + QStringLiteral("XML/1(260101000000).xml"), "kept");
        writeFile(content + QStringLiteral("MacGroup.ini.bak"), "kept: not ours");
        writeFile(dir.filePath(QStringLiteral("Deploy.ini.Qw3Er5")), "half");

        StartupOptions options;
        options.deployFile = dir.filePath(QStringLiteral("Deploy.ini"));
        options.content = content;
        options.serviceIp = QStringLiteral("10.0.0.5");
        ServerSettings s;
        QuietPrompter prompter;
        QCOMPARE(LoadServerSettings(s, options, prompter, nullptr), LoadResult::Ok);
        QVERIFY(!QFile::exists(content + temporary));
        QVERIFY(!QFile::exists(content + QStringLiteral("Ftp.ini.Ab12Cd")));
        QVERIFY(!QFile::exists(content + QStringLiteral("XML/1(260101000000).xml.x9Y8z7")));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("Deploy.ini.Qw3Er5"))));
        QVERIFY(QFile::exists(content + QStringLiteral("XML/1(260101000000).xml")));
        QVERIFY(QFile::exists(content + QStringLiteral("MacGroup.ini.bak")));
        QVERIFY(QFile::exists(registry));
    }
};

QTEST_GUILESS_MAIN(TestSafeFile)
#include "tst_safefile.moc"
