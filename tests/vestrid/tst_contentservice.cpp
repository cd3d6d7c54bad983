// The content HTTP service over real HTTP on 127.0.0.1: files by their
// absolute path, byte ranges, refused paths, atomic and capped uploads, and
// many clients at once.
#include "base/codepage.h"
#include "config/contentservice.h"
#include "config/settings.h"
#include "testutil.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QUrl>

#include <limits>

using TestUtil::curl;
using TestUtil::readFile;
using TestUtil::writeFile;

class TestContentService : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ServerSettings m_settings;
    ContentService m_service;
    QString m_base; // "http://127.0.0.1:port/"

    QString url(const QString &localPath) const { return m_base + localPath; }
    QString root() const { return m_settings.contentRoot; }
    QString uploads() const { return ContentService::uploadRoot(m_settings); }

    QStringList hiddenFiles(const QString &folder) const
    {
        return QDir(folder).entryList({QStringLiteral(".*")}, QDir::Files | QDir::Hidden);
    }

    // A raw HTTP exchange, for requests curl will not send.
    QByteArray rawRequest(const QByteArray &request)
    {
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_settings.servicePort));
        if (!socket.waitForConnected(5000))
            return {};
        socket.write(request);
        socket.waitForBytesWritten(5000);
        QByteArray answer;
        while (!answer.contains("\r\n\r\n") && socket.waitForReadyRead(5000))
            answer += socket.readAll();
        return answer;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settings.contentRoot = m_dir.filePath(QStringLiteral("content/"));
        m_settings.servicePort = TestUtil::freePort();
        QVERIFY(QDir().mkpath(root() + QStringLiteral("XML")));
        QVERIFY(QDir().mkpath(uploads() + QStringLiteral("box1")));
        QByteArray data;
        for (int i = 0; i < 1000; ++i)
            data += QByteArray::number(i % 10);
        writeFile(root() + QStringLiteral("XML/1(T).xml"), data);
        writeFile(root() + QStringLiteral("video/空 格.mp4"), QByteArray());
        QDir().mkpath(root() + QStringLiteral("video"));
        writeFile(root() + QStringLiteral("video/空 格.mp4"), "movie");
        writeFile(m_dir.filePath(QStringLiteral("outside.txt")), "secret");
        writeFile(root() + QStringLiteral("MacGroup.ini"), "[GROUP]\nMAC={secret,,No Group}\n");
        writeFile(root() + QStringLiteral("Ftp.ini"), "[FTP]\nAccount={host,21,user,secret}\n");
        writeFile(root() + QStringLiteral("FTP.INI"), "secret");
        writeFile(root() + QStringLiteral("boxfleet.sqlite-wal"), "secret");
        QVERIFY(QDir().mkpath(uploads() + QStringLiteral("box2")));
        writeFile(uploads() + QStringLiteral("box2/.upload-AbCdEf"), "secret");
        QVERIFY(QDir().mkpath(root() + QStringLiteral(".git")));
        writeFile(root() + QStringLiteral(".git/config"), "secret");
        QCOMPARE(QProcess::execute(QStringLiteral("mkfifo"), {root() + QStringLiteral("video/pipe.mp4")}), 0);
        QVERIFY(QFile::link(m_dir.filePath(QStringLiteral("outside.txt")), root() + QStringLiteral("link.txt")));
        QCOMPARE(m_service.start(QStringLiteral(VESTRID_LIBRARY), m_settings), ContentService::Started);
        m_service.setUploadLimit(64 * 1024);
        m_base = QStringLiteral("http://127.0.0.1:%1/").arg(m_settings.servicePort);
    }

    void servesFilesByAbsolutePath()
    {
        const QString file = root() + QStringLiteral("XML/1(T).xml");
        auto result = curl(url(file));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, readFile(file));
        // A single slash after the port names the same file.
        result = curl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_settings.servicePort).arg(file));
        QCOMPARE(result.status, 200);
        result = curl(QString::fromUtf8(QUrl(url(root() + QStringLiteral("video/空 格.mp4"))).toEncoded()));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, QByteArray("movie"));
    }

    void servesByteRanges_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        const QByteArray data = readFile(m_dir.filePath(QStringLiteral("content/XML/1(T).xml")));
        QTest::newRow("middle") << QStringLiteral("2-5") << 206 << data.mid(2, 4);
        QTest::newRow("open end") << QStringLiteral("995-") << 206 << data.mid(995);
        QTest::newRow("suffix") << QStringLiteral("-3") << 206 << data.right(3);
        QTest::newRow("runs past the end") << QStringLiteral("990-5000") << 206 << data.mid(990);
        QTest::newRow("starts past the end") << QStringLiteral("1000-1005") << 416 << QByteArray();
        QTest::newRow("several ranges give the whole file") << QStringLiteral("0-1,5-6") << 200 << data;
    }

    void servesByteRanges()
    {
        QFETCH(QString, range);
        QFETCH(int, status);
        const auto result = curl(url(root() + QStringLiteral("XML/1(T).xml")), {QStringLiteral("-r"), range});
        QCOMPARE(result.status, status);
        if (status != 416)
            QTEST(result.body, "body");
    }

    void refusesWhatItMustNotServe_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("missing file") << QStringLiteral("content/XML/none.xml") << 404;
        QTest::newRow("missing folder") << QStringLiteral("content/nowhere/x.xml") << 404;
        QTest::newRow("outside the root") << QStringLiteral("outside.txt") << 403;
        QTest::newRow("dot dot") << QStringLiteral("content/XML/../../outside.txt") << 403;
        QTest::newRow("encoded dot dot") << QStringLiteral("content/XML/%2e%2e/%2E%2E/outside.txt") << 403;
        QTest::newRow("symlink out of the root") << QStringLiteral("content/link.txt") << 403;
        QTest::newRow("a folder") << QStringLiteral("content/XML") << 403;
        QTest::newRow("system file") << QStringLiteral("../../../../etc/passwd") << 403;
        // Outside the roots a missing path is refused like an existing one.
        QTest::newRow("missing outside") << QStringLiteral("no-such-file.txt") << 403;
        QTest::newRow("missing folder outside") << QStringLiteral("content/../nowhere/x.txt") << 403;
        QTest::newRow("missing system file") << QStringLiteral("../../../../etc/no-such-file") << 403;
        // The program's own files and dot files, wherever they stand.
        QTest::newRow("registry") << QStringLiteral("content/MacGroup.ini") << 403;
        QTest::newRow("ftp accounts") << QStringLiteral("content/Ftp.ini") << 403;
        QTest::newRow("ftp accounts, other case") << QStringLiteral("content/FTP.INI") << 403;
        QTest::newRow("history journal") << QStringLiteral("content/boxfleet.sqlite-wal") << 403;
        QTest::newRow("unfinished upload") << QStringLiteral("content/filesys/box2/.upload-AbCdEf") << 403;
        QTest::newRow("dot folder") << QStringLiteral("content/.git/config") << 403;
        QTest::newRow("a fifo") << QStringLiteral("content/video/pipe.mp4") << 403;
    }

    void refusesWhatItMustNotServe()
    {
        QFETCH(QString, path);
        const auto result = curl(m_base + m_dir.path() + QLatin1Char('/') + path, {QStringLiteral("--path-as-is")});
        QTEST(result.status, "status");
        QVERIFY(!result.body.contains("secret"));
    }

    void servesPublishedFilesOutsideTheRoot()
    {
        const QString image = m_dir.filePath(QStringLiteral("firmware.img"));
        writeFile(image, "image bytes");
        QCOMPARE(curl(url(image)).status, 403);
        m_service.publish(image);
        const auto result = curl(url(image));
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, QByteArray("image bytes"));
        QCOMPARE(curl(url(m_dir.filePath(QStringLiteral("outside.txt")))).status, 403);
    }

    void answersBadRequests()
    {
        QVERIFY(rawRequest("GET nopath HTTP/1.1\r\nHost: x\r\n\r\n").startsWith("HTTP/1.1 400"));
        QVERIFY(rawRequest("DELETE /" + root().toUtf8() + "XML/1(T).xml HTTP/1.1\r\nHost: x\r\n\r\n")
                    .startsWith("HTTP/1.1 405"));
        QVERIFY(QFile::exists(root() + QStringLiteral("XML/1(T).xml")));
    }

    void aFifoBlocksNoWorker()
    {
        // More requests for a FIFO than the service has threads: each is
        // refused at once, and files are still served.
        for (int i = 0; i < 24; ++i)
            QCOMPARE(curl(url(root() + QStringLiteral("video/pipe.mp4"))).status, 403);
        QCOMPARE(curl(url(root() + QStringLiteral("XML/1(T).xml"))).status, 200);
    }

    void oddRequestLines()
    {
        const QByteArray path = root().toUtf8() + "XML/1(T).xml";
        // An encoded zero byte would cut the path short.
        QVERIFY(rawRequest("GET /" + path + "%00.mp4 HTTP/1.1\r\nHost: x\r\n\r\n").startsWith("HTTP/1.1 400"));
        // The absolute form of the request line names the same file.
        const QByteArray port = QByteArray::number(m_settings.servicePort);
        QVERIFY(rawRequest("GET http://127.0.0.1:" + port + "/" + path + " HTTP/1.1\r\nHost: x\r\n\r\n")
                    .startsWith("HTTP/1.1 200"));
    }

    void servesNamesAsTheProgramAddressesThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("chinese and a space") << QStringLiteral("广告内容/片 1.mp4");
        QTest::newRow("question mark") << QStringLiteral("video/what?.mp4");
        QTest::newRow("hash") << QStringLiteral("video/no#1.mp4");
        QTest::newRow("percent") << QStringLiteral("video/100%1.mp4");
        QTest::newRow("brackets") << QStringLiteral("XML/1(T).xml");
    }

    void servesNamesAsTheProgramAddressesThem()
    {
        QFETCH(QString, name);
        const QString path = root() + name;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        if (!QFile::exists(path))
            writeFile(path, name.toUtf8());
        ServerSettings settings = m_settings;
        settings.serviceIp = QStringLiteral("127.0.0.1");
        const QString address = HttpAddress(settings, path);
        for (const QChar c : address)
            QVERIFY2(c.unicode() >= 0x20 && c.unicode() < 0x7F, qPrintable(address));
        // A box's HTTP client writes the space as %20 on the request line.
        QString sent = address;
        sent.replace(QLatin1Char(' '), QStringLiteral("%20"));
        const auto result = curl(sent, {QStringLiteral("--path-as-is"), QStringLiteral("-g")});
        QCOMPARE(result.status, 200);
        QCOMPARE(result.body, readFile(path));
    }

    void servesAPathSentAsRawGb2312()
    {
        const QString path = root() + QStringLiteral("广告内容/片 2.mp4");
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        writeFile(path, "raw");
        const QByteArray answer = rawRequest("GET /" + CodePage::toGb2312(path) + " HTTP/1.1\r\nHost: x\r\n\r\n");
        QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.constData());
    }

    void oneAddressCannotHoldEveryConnection()
    {
        // 1,100 silent connections from one address: it gets its share,
        // and another address is still served at once.
        TestUtil::raiseDescriptorLimit();
        QList<QTcpSocket *> held;
        const auto closeAll = qScopeGuard([&] { qDeleteAll(held); });
        for (int i = 0; i < 1100; ++i) {
            auto *socket = new QTcpSocket;
            held.append(socket);
            socket->connectToHost(QHostAddress::LocalHost, quint16(m_settings.servicePort));
        }
        const auto open = [&] {
            int n = 0;
            for (QTcpSocket *socket : held)
                n += socket->state() == QAbstractSocket::ConnectedState;
            return n;
        };
        // The ones over the share are closed by the service.
        QTRY_COMPARE_WITH_TIMEOUT(open(), 256, 20000);
        const QString file = url(root() + QStringLiteral("XML/1(T).xml"));
        const TestUtil::HttpResult other = curl(file, {QStringLiteral("--interface"), QStringLiteral("127.0.0.2"),
                                                       QStringLiteral("--max-time"), QStringLiteral("1")});
        QCOMPARE(other.status, 200);
        for (QTcpSocket *socket : held)
            socket->abort();
        QTRY_COMPARE_WITH_TIMEOUT(curl(file, {QStringLiteral("--interface"), QStringLiteral("127.0.0.1")}).status, 200,
                                  10000);
    }

    void aShopBehindOneAddressIsServed()
    {
        // 64 boxes behind one router fetch the same file at once.
        const QString path = root() + QStringLiteral("video/shop.mp4");
        QByteArray data(3 * 1024 * 1024, 'v');
        writeFile(path, data);
        QTemporaryFile config;
        QVERIFY(config.open());
        for (int i = 0; i < 64; ++i)
            config.write("url = \"" + url(path).toUtf8() + "\"\noutput = \"/dev/null\"\n");
        config.flush();
        QProcess client;
        client.start(QStringLiteral("curl"),
                     {QStringLiteral("-s"), QStringLiteral("--interface"), QStringLiteral("127.0.0.3"),
                      QStringLiteral("--parallel"), QStringLiteral("--parallel-immediate"),
                      QStringLiteral("--parallel-max"), QStringLiteral("64"), QStringLiteral("-w"),
                      QStringLiteral("%{http_code} %{size_download}\\n"), QStringLiteral("-K"), config.fileName()});
        QVERIFY(client.waitForFinished(120000));
        QFile::remove(path);
        const QList<QByteArray> answers = client.readAllStandardOutput().trimmed().split('\n');
        QCOMPARE(answers.size(), 64);
        for (const QByteArray &answer : answers)
            QCOMPARE(answer, "200 " + QByteArray::number(data.size()));
    }

    void aCutDownloadIsNeverWhole()
    {
        // A download the service cuts (here: it stops) ends with a reset,
        // not a short body and a clean close a box could take as the file.
        const QString path = root() + QStringLiteral("video/long.mp4");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(256LL * 1024 * 1024));
        file.close();
        const QString received = m_dir.filePath(QStringLiteral("received.mp4"));
        QProcess client;
        client.start(QStringLiteral("curl"), {QStringLiteral("-s"), QStringLiteral("-o"), received,
                                              QStringLiteral("--limit-rate"), QStringLiteral("4M"), url(path)});
        QVERIFY(client.waitForStarted());
        // Under way: the first bytes are in.
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo(received).size() > 0; }, 10000));
        m_service.stop();
        QVERIFY(client.waitForFinished(30000));
        QFile::remove(path);
        QFile::remove(received);
        QCOMPARE(m_service.start(QStringLiteral(VESTRID_LIBRARY), m_settings), ContentService::Started);
        // 56: the connection was reset; 18 would be a short body, cleanly closed.
        QCOMPARE(client.exitCode(), 56);
    }

    void silentConnectionsAreClosed()
    {
        m_service.stop();
        m_service.setIdleTimeout(1);
        QCOMPARE(m_service.start(QStringLiteral(VESTRID_LIBRARY), m_settings), ContentService::Started);
        const auto restore = qScopeGuard([this] {
            m_service.stop();
            m_service.setIdleTimeout(20);
            QVERIFY(m_service.start(QStringLiteral(VESTRID_LIBRARY), m_settings) == ContentService::Started);
        });
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_settings.servicePort));
        QVERIFY(socket.waitForConnected(5000));
        socket.write("GET /" + root().toUtf8() + "XML/1(T).xml HTTP/1.1\r\nHost: x\r\n");
        // The request never ends; the service hangs up on it by itself.
        QVERIFY(socket.waitForDisconnected(30000));
    }

    void refusesUploadsThatWouldFillTheDisk()
    {
        const QString target = uploads() + QStringLiteral("box1/full.log");
        m_service.setFreeSpaceReserve(std::numeric_limits<qint64>::max() / 2);
        const auto restore = qScopeGuard([this] { m_service.setFreeSpaceReserve(1LL << 30); });
        auto result = curl(url(target), {QStringLiteral("-T"), QStringLiteral("-")}, QByteArray(1000, 'f'));
        QCOMPARE(result.status, 507);
        // Without a declared length, the check comes as the body grows.
        result = curl(url(target),
                      {QStringLiteral("-T"), QStringLiteral("-"), QStringLiteral("-H"),
                       QStringLiteral("Transfer-Encoding: chunked")},
                      QByteArray(60 * 1024, 'f'));
        QVERIFY(result.status == 507 || result.status == 201);
        QVERIFY(hiddenFiles(uploads() + QStringLiteral("box1")).isEmpty());
    }

    void storesUploads()
    {
        const QString target = uploads() + QStringLiteral("box1/DirList.xml");
        const QByteArray body(40000, 'u');
        auto result = curl(url(target), {QStringLiteral("-T"), QStringLiteral("-")}, body);
        QCOMPARE(result.status, 201);
        QCOMPARE(readFile(target), body);
        // A raw-body POST replaces the file.
        result = curl(url(target), {QStringLiteral("--data-binary"), QStringLiteral("@-")}, "second");
        QCOMPARE(result.status, 201);
        QCOMPARE(readFile(target), QByteArray("second"));
        QVERIFY(hiddenFiles(uploads() + QStringLiteral("box1")).isEmpty());
        QCOMPARE(curl(url(target)).body, QByteArray("second"));
    }

    void refusesUploadsOutsideTheUploadFolder_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::newRow("content root") << QStringLiteral("content/XML/1(T).xml") << 403;
        QTest::newRow("dot dot out of filesys") << QStringLiteral("content/filesys/../XML/new.xml") << 403;
        QTest::newRow("missing folder") << QStringLiteral("content/filesys/nobox/x.log") << 404;
        QTest::newRow("onto a folder") << QStringLiteral("content/filesys/box1") << 403;
        QTest::newRow("onto an unfinished upload") << QStringLiteral("content/filesys/box2/.upload-AbCdEf") << 403;
        QTest::newRow("a dot name") << QStringLiteral("content/filesys/box1/.profile") << 403;
        QTest::newRow("ftp accounts") << QStringLiteral("content/filesys/box1/Ftp.ini") << 403;
        QTest::newRow("missing folder outside") << QStringLiteral("nowhere/x.log") << 403;
    }

    void refusesUploadsOutsideTheUploadFolder()
    {
        QFETCH(QString, path);
        const QByteArray before = readFile(root() + QStringLiteral("XML/1(T).xml"));
        const auto result = curl(m_base + m_dir.path() + QLatin1Char('/') + path,
                                 {QStringLiteral("--path-as-is"), QStringLiteral("-T"), QStringLiteral("-")}, "evil");
        QTEST(result.status, "status");
        QCOMPARE(readFile(root() + QStringLiteral("XML/1(T).xml")), before);
        QVERIFY(!QFile::exists(root() + QStringLiteral("XML/new.xml")));
        QCOMPARE(readFile(uploads() + QStringLiteral("box2/.upload-AbCdEf")), QByteArray("secret"));
    }

    void uploadsThroughASymlinkedContentRoot()
    {
        // The content root reached through a symlink, its upload folder made
        // only after the service started.
        QTemporaryDir dir;
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("real/content"))));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("real")), dir.filePath(QStringLiteral("link"))));
        ServerSettings settings;
        settings.contentRoot = dir.filePath(QStringLiteral("link/content/"));
        settings.servicePort = TestUtil::freePort();
        m_service.stop();
        QCOMPARE(m_service.start(QStringLiteral(VESTRID_LIBRARY), settings), ContentService::Started);
        QVERIFY(QDir().mkpath(ContentService::uploadRoot(settings) + QStringLiteral("box")));
        const QString target = ContentService::uploadRoot(settings) + QStringLiteral("box/log.txt");
        const auto result = curl(QStringLiteral("http://127.0.0.1:%1/%2").arg(settings.servicePort).arg(target),
                                 {QStringLiteral("-T"), QStringLiteral("-")}, "uploaded");
        QCOMPARE(result.status, 201);
        QCOMPARE(readFile(target), QByteArray("uploaded"));
        // Back to the service the other tests use.
        m_service.stop();
        QCOMPARE(m_service.start(QStringLiteral(VESTRID_LIBRARY), m_settings), ContentService::Started);
        m_service.setUploadLimit(64 * 1024);
    }

    void refusesOversizedUploadsLeavingNothing()
    {
        const QString target = uploads() + QStringLiteral("box1/big.bin");
        const QByteArray body(200 * 1024, 'b');
        // Declared too large.
        auto result = curl(url(target), {QStringLiteral("-T"), QStringLiteral("-")}, body);
        QCOMPARE(result.status, 413);
        // Chunked, so only the bytes received tell.
        result = curl(url(target),
                      {QStringLiteral("-T"), QStringLiteral("-"), QStringLiteral("-H"),
                       QStringLiteral("Transfer-Encoding: chunked")},
                      body);
        QCOMPARE(result.status, 413);
        QVERIFY(!QFile::exists(target));
        QVERIFY(hiddenFiles(uploads() + QStringLiteral("box1")).isEmpty());
    }

    void unfinishedUploadNeverAppears()
    {
        const QString folder = uploads() + QStringLiteral("box1");
        const QString target = folder + QStringLiteral("/half.log");
        QTcpSocket socket;
        socket.connectToHost(QHostAddress::LocalHost, quint16(m_settings.servicePort));
        QVERIFY(socket.waitForConnected(5000));
        socket.write("PUT /" + target.toUtf8() + " HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n" +
                     QByteArray(500, 'h'));
        QVERIFY(socket.waitForBytesWritten(5000));
        // The body goes into a temporary file while the target stays absent.
        QTRY_COMPARE_WITH_TIMEOUT(hiddenFiles(folder).size(), 1, 10000);
        QVERIFY(!QFile::exists(target));
        socket.abort();
        QTRY_VERIFY_WITH_TIMEOUT(hiddenFiles(folder).isEmpty(), 10000);
        QVERIFY(!QFile::exists(target));
    }

    void servesManyClientsAtOnce()
    {
        // 256 boxes at once, 32 from each of eight addresses.
        QTemporaryFile config;
        QVERIFY(config.open());
        const QByteArray address = url(root() + QStringLiteral("XML/1(T).xml")).toUtf8();
        for (int i = 0; i < 32; ++i)
            config.write("url = \"" + address + "\"\noutput = \"/dev/null\"\n");
        config.flush();
        QList<QProcess *> clients;
        const auto cleanup = qScopeGuard([&] { qDeleteAll(clients); });
        for (int a = 1; a <= 8; ++a) {
            auto *process = new QProcess;
            clients.append(process);
            process->start(QStringLiteral("curl"),
                           {QStringLiteral("-s"), QStringLiteral("--interface"), QStringLiteral("127.0.0.%1").arg(a),
                            QStringLiteral("--parallel"), QStringLiteral("--parallel-immediate"),
                            QStringLiteral("--parallel-max"), QStringLiteral("32"), QStringLiteral("-w"),
                            QStringLiteral("%{http_code}\\n"), QStringLiteral("-K"), config.fileName()});
        }
        int ok = 0;
        for (QProcess *process : clients) {
            QVERIFY(process->waitForFinished(120000));
            QCOMPARE(process->exitCode(), 0);
            ok += int(process->readAllStandardOutput().trimmed().split('\n').count("200"));
        }
        QCOMPARE(ok, 256);
    }

    void relaysItsLogLines()
    {
        QSignalSpy spy(&m_service, &ContentService::logLine);
        QCOMPARE(curl(url(m_dir.filePath(QStringLiteral("outside.txt")))).status, 403);
        const auto refusedGet = [&spy] {
            for (const auto &arguments : spy) {
                if (arguments.first().toString().contains(QStringLiteral("refused GET")))
                    return true;
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(refusedGet(), 5000);
    }

    void aRepeatedLogLineIsCounted()
    {
        // The same refusal many times over reaches the log once.
        QSignalSpy spy(&m_service, &ContentService::logLine);
        const QString secret = m_dir.filePath(QStringLiteral("outside.txt"));
        for (int i = 0; i < 30; ++i)
            QCOMPARE(curl(url(secret) + QStringLiteral("?x")).status, 403);
        QCOMPARE(curl(url(root() + QStringLiteral("MacGroup.ini"))).status, 403);
        const auto lines = [&spy](const QString &text) {
            int n = 0;
            for (const auto &arguments : spy)
                n += arguments.first().toString().contains(text);
            return n;
        };
        // The next, different line flushes the count.
        QTRY_VERIFY_WITH_TIMEOUT(lines(QStringLiteral("MacGroup.ini")) == 1, 5000);
        QVERIFY(lines(QStringLiteral("refused GET of ") + secret) <= 2);
        QCOMPARE(lines(QStringLiteral("more times: refused GET of ") + secret), 1);
    }

    // Runs last: once the program says who may upload, that holds.
    void uploadsOnlyWhatABoxWasAskedFor()
    {
        const QString box = uploads() + QStringLiteral("店(02-00-00-00-00-01)/");
        QVERIFY(QDir().mkpath(box + QStringLiteral("PlayLog")));
        const QString log = box + QStringLiteral("PlayLog/日志.log");
        const auto put = [this](const QString &target) {
            return curl(QString::fromUtf8(QUrl(url(target)).toEncoded()), {QStringLiteral("-T"), QStringLiteral("-")},
                        "log")
                .status;
        };
        // Straight into the upload folder: box addresses only.
        m_service.setUploadPermits({QStringLiteral("192.0.2.7")}, {});
        QCOMPARE(put(uploads() + QStringLiteral("FtpStatus_x.xml")), 403);
        m_service.setUploadPermits({QStringLiteral("127.0.0.1")}, {});
        QCOMPARE(put(uploads() + QStringLiteral("FtpStatus_x.xml")), 201);
        QCOMPARE(put(uploads() + QStringLiteral("box1/other.xml")), 201);
        // Into a box's folder: only the file a task asked that address for.
        QCOMPARE(put(log), 403);
        QVERIFY(!QFile::exists(log));
        m_service.setUploadPermits({}, {{QStringLiteral("192.0.2.7"), log}});
        QCOMPARE(put(log), 403);
        m_service.setUploadPermits({}, {{QStringLiteral("127.0.0.1"), log}});
        QCOMPARE(put(box + QStringLiteral("PlayLog/other.log")), 403);
        QCOMPARE(put(log), 201);
        // A box that sends the path as raw GB2312 bytes reaches the same file.
        const QByteArray raw = "PUT /" + QFile::encodeName(uploads()) + CodePage::toGb2312(QStringLiteral("店")) +
                               "(02-00-00-00-00-01)/PlayLog/" + CodePage::toGb2312(QStringLiteral("日志")) +
                               ".log HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nraw";
        QVERIFY(rawRequest(raw).startsWith("HTTP/1.1 201"));
        QCOMPARE(readFile(log), QByteArray("raw"));
    }
};

QTEST_GUILESS_MAIN(TestContentService)
#include "tst_contentservice.moc"
