// Play-list and download-list documents: which files a working set gives,
// their declared encodings (checked by xmllint), every attribute in order,
// escaping, and the download list's sizes, names and addresses.
#include "config/settings.h"
#include "schedule/playlist.h"
#include "schedule/playlistxml.h"
#include "testutil.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

constexpr quint32 Sun = 1, Mon = 2, Wed = 8, All = 0x7F;

using Element = QPair<QString, QStringList>; // name, "attribute=value" in order

// Every element of a document in document order.
QList<Element> elements(const QByteArray &bytes)
{
    QList<Element> result;
    QXmlStreamReader reader(bytes);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        QStringList attributes;
        for (const QXmlStreamAttribute &a : reader.attributes())
            attributes.append(a.name().toString() + QLatin1Char('=') + a.value().toString());
        result.append({reader.name().toString(), attributes});
    }
    if (reader.hasError())
        result.append({QStringLiteral("ERROR"), {reader.errorString()}});
    return result;
}

// xmllint's verdict on a file: well formed, and the encoding it declares.
QString lint(const QString &path)
{
    QProcess xmllint;
    xmllint.start(QStringLiteral("xmllint"), {QStringLiteral("--noout"), path});
    xmllint.waitForFinished();
    return xmllint.exitCode() == 0 ? QStringLiteral("ok") : QString::fromUtf8(xmllint.readAllStandardError());
}

TScheduleNode media(quint32 days, const QStringList &names, const QStringList &paths)
{
    TScheduleNode e;
    e.StartHour = 8;
    e.EndHour = 22;
    e.WeekDays = days;
    e.vec_shortname = names;
    e.vec_fullname = paths;
    return e;
}

} // namespace

class TestPlayListXml : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ServerSettings m_settings;

    QString videoFile(const QString &name, const QByteArray &bytes)
    {
        const QString path = m_settings.videoDir + QLatin1Char('/') + name;
        TestUtil::writeFile(path, bytes);
        return path;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings.contentRoot = m_dir->filePath(QStringLiteral("content/"));
        DeriveContentPaths(m_settings);
        m_settings.serviceIp = QStringLiteral("192.0.2.1");
        m_settings.servicePort = 5002;
        for (const QString &folder : {m_settings.xmlDir, m_settings.videoDir, m_settings.bmpDir})
            QVERIFY(QDir().mkpath(folder));
    }

    void mondayAndWednesday()
    {
        TPlayList store;
        store.AddSchd(media(Mon | Wed, {QStringLiteral("a.avi"), QStringLiteral("b.mp3")},
                            {QStringLiteral("/v/a.avi"), QStringLiteral("/a/b.mp3")}));
        const auto result = GeneratePlayLists(store, m_settings, QStringLiteral("070315143000"));
        QCOMPARE(result.status, GenerationResult::Ok);
        QCOMPARE(result.files, (QStringList{m_settings.xmlPrefix + QStringLiteral("1(070315143000).xml"),
                                            m_settings.xmlPrefix + QStringLiteral("3(070315143000).xml")}));
        const QByteArray bytes = TestUtil::readFile(result.files[0]);
        QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        QCOMPARE(lint(result.files[0]), QStringLiteral("ok"));
        const QList<Element> expected = {
            {"PLAYLIST", {"picinterval=5"}},
            {"schedule", {"starthour=8", "startmin=0", "endhour=22", "endmin=0", "schdtype=LOOP"}},
            {"file", {"groupID=1", "filename=a.avi"}},
            {"file", {"groupID=1", "filename=b.mp3"}},
        };
        QCOMPARE(elements(bytes), expected);
    }

    void allDaysAndASundayText()
    {
        TPlayList store;
        TScheduleNode e = media(All, {QStringLiteral("片头.mp4")}, {QStringLiteral("/v/片头.mp4")});
        e.SchdType = 7; // anything unknown is written as LOOP
        store.AddSchd(e);
        TScheduleNodeOther text;
        text.SchdType = SCHD_ONCE;
        text.StartHour = 9;
        text.StartMin = 5;
        text.EndHour = 9;
        text.EndMin = 30;
        text.WeekDays = Sun;
        text.vec_item = {QStringLiteral("欢迎光临\n第二行"), QStringLiteral("a < b & \"c\"")};
        store.AddOtherSchd(OTHER_TEXT, text);
        const auto result = GeneratePlayLists(store, m_settings, QStringLiteral("261209101500"));
        QCOMPARE(result.files.size(), 8);
        QCOMPARE(result.files.last(), m_settings.xmlPrefix + QStringLiteral("text-0(261209101500).xml"));
        for (const QString &file : result.files)
            QCOMPARE(lint(file), QStringLiteral("ok"));
        // The media file name is stored in UTF-8.
        QVERIFY(TestUtil::readFile(result.files[0]).contains("filename=\"\xe7\x89\x87\xe5\xa4\xb4.mp4\""));
        QCOMPARE(elements(TestUtil::readFile(result.files[3]))[1].second.last(), QStringLiteral("schdtype=LOOP"));

        const QByteArray textBytes = TestUtil::readFile(result.files.last());
        QVERIFY(textBytes.startsWith("<?xml version=\"1.0\" encoding=\"GB2312\"?>"));
        QVERIFY(textBytes.contains("\xbb\xb6\xd3\xad\xb9\xe2\xc1\xd9")); // 欢迎光临 in GB2312
        const QList<Element> expected = {
            {"STEXTLIST", {"interval=5"}},
            {"stextschedule",
             {"starthour=9", "startmin=5", "endhour=9", "endmin=30", "TextColourR=255", "TextColourG=255",
              "TextColourB=255", "BackgroundColourR=0", "BackgroundColourG=0", "BackgroundColourB=0", "speedMs=30",
              "OffsetPosition=30", "schdtype=ONCE"}},
            {"stext", {QStringLiteral("context=欢迎光临\n第二行")}},
            {"stext", {"context=a < b & \"c\""}},
        };
        QCOMPARE(elements(textBytes), expected);
    }

    void pictureList()
    {
        TPlayList store;
        TScheduleNodeOther pictures;
        pictures.SchdType = SCHD_NONE;
        pictures.StartHour = 7;
        pictures.WeekDays = Mon;
        pictures.vec_item = {QStringLiteral("logo.bmp"), QStringLiteral("logo.bmp")};
        store.AddOtherSchd(OTHER_PIC, pictures);
        const auto result = GeneratePlayLists(store, m_settings, QStringLiteral("261209101500"));
        QCOMPARE(result.files, QStringList{m_settings.xmlPrefix + QStringLiteral("pic-1(261209101500).xml")});
        QCOMPARE(lint(result.files[0]), QStringLiteral("ok"));
        const QList<Element> expected = {
            {"PICLIST", {"interval=10"}},
            {"picschedule", {"starthour=7", "startmin=0", "endhour=0", "endmin=0", "schdtype=NONE"}},
            {"picture", {"filename=logo.bmp"}},
            {"picture", {"filename=logo.bmp"}},
        };
        QCOMPARE(elements(TestUtil::readFile(result.files[0])), expected);
    }

    void emptyWorkingSetWritesNothing()
    {
        TPlayList store;
        QCOMPARE(GeneratePlayLists(store, m_settings, QStringLiteral("x")).status, GenerationResult::EmptySchedule);
        QCOMPARE(GenerateDownloadList(store, m_settings).status, GenerationResult::EmptySchedule);
        QVERIFY(QDir(m_settings.xmlDir).isEmpty());
    }

    void downloadList()
    {
        const QString a = videoFile(QStringLiteral("a.avi"), QByteArray(1234, 'a'));
        const QString b = videoFile(QStringLiteral("b.mp3"), QByteArray(56, 'b'));
        TestUtil::writeFile(m_settings.bmpDir + QStringLiteral("/logo.bmp"), QByteArray(10, 'p'));
        TPlayList store;
        store.AddSchd(media(Mon, {QStringLiteral("a.avi"), QStringLiteral("b.mp3")}, {a, b}));
        TScheduleNode second = media(Mon, {QStringLiteral("gone.mp4"), QStringLiteral("first name.avi")},
                                     {m_settings.videoDir + QStringLiteral("/gone.mp4"), a});
        second.StartHour = 23;
        store.AddSchd(second);
        TScheduleNodeOther pictures;
        pictures.WeekDays = Sun;
        pictures.vec_item = {QStringLiteral("logo.bmp")};
        store.AddOtherSchd(OTHER_PIC, pictures);
        pictures.StartHour = 12;
        store.AddOtherSchd(OTHER_PIC, pictures);
        TScheduleNodeOther text;
        text.WeekDays = Sun;
        text.vec_item = {QStringLiteral("t")};
        store.AddOtherSchd(OTHER_TEXT, text);

        const auto result = GenerateDownloadList(store, m_settings);
        QCOMPARE(result.status, GenerationResult::Ok);
        QVERIFY(QFileInfo(result.downloadList).fileName().startsWith(QStringLiteral("download_")));
        QCOMPARE(QFileInfo(result.downloadList).path() + QLatin1Char('/'), m_settings.xmlPrefix);
        QCOMPARE(lint(result.downloadList), QStringLiteral("ok"));
        const QString base = QStringLiteral("http://192.0.2.1:5002/");
        const QList<Element> files = elements(TestUtil::readFile(result.downloadList)).mid(1);
        QCOMPARE(files.size(), 7);
        const auto playList = [&](int i, const QString &name) {
            const QString path = result.files[i];
            return Element{"file",
                           {"filetype=PLAYLIST", "filesize=" + QString::number(QFileInfo(path).size()),
                            "filename=" + name, "fileurl=" + base + path}};
        };
        QCOMPARE(files[0], playList(0, QStringLiteral("1.xml")));
        QCOMPARE(files[1], playList(1, QStringLiteral("text-0.xml")));
        QCOMPARE(files[2], playList(2, QStringLiteral("pic-0.xml")));
        QCOMPARE(files[3],
                 (Element{"file", {"filetype=VIDEO", "filesize=1234", "filename=a.avi", "fileurl=" + base + a}}));
        QCOMPARE(files[4],
                 (Element{"file", {"filetype=VIDEO", "filesize=56", "filename=b.mp3", "fileurl=" + base + b}}));
        QCOMPARE(files[5], (Element{"file",
                                    {"filetype=VIDEO", "filesize=-1", "filename=gone.mp4",
                                     "fileurl=" + base + m_settings.videoDir + "/gone.mp4"}}));
        QCOMPARE(files[6], (Element{"file",
                                    {"filetype=VIDEO", "filesize=10", "filename=logo.bmp",
                                     "fileurl=" + base + m_settings.bmpDir + "/logo.bmp"}}));
        QCOMPARE(TransferCommand(m_settings, result.downloadList),
                 QStringLiteral("fileupdate http ") + base + result.downloadList);
    }

    void oddContentFoldersKeepTheirNames()
    {
        // '%1' in the folder stays as it is; Chinese, '?', '#' and '%' are
        // written as %XX in addresses, and ASCII addresses keep their bytes.
        m_settings.contentRoot = m_dir->filePath(QStringLiteral("100%1 广告/content/"));
        DeriveContentPaths(m_settings);
        QVERIFY(QDir().mkpath(m_settings.xmlDir));
        QVERIFY(QDir().mkpath(m_settings.videoDir));
        const QString odd = videoFile(QStringLiteral("what?#.mp4"), "x");
        TPlayList store;
        store.AddSchd(media(Mon, {QStringLiteral("what?#.mp4")}, {odd}));
        const auto result = GenerateDownloadList(store, m_settings);
        QCOMPARE(result.status, GenerationResult::Ok);
        const QFileInfo first(result.files.first());
        QCOMPARE(first.path() + QLatin1Char('/'), m_settings.xmlPrefix);
        QVERIFY(first.fileName().startsWith(QLatin1String("1(")));
        QVERIFY(first.exists());
        QCOMPARE(EncodeUrlPath(odd),
                 m_dir->path() + QStringLiteral("/100%251 %E5%B9%BF%E5%91%8A/content/video/what%3F%23.mp4"));
        QCOMPARE(EncodeUrlPath(QStringLiteral("/home/op/content/XML/1(T).xml")),
                 QStringLiteral("/home/op/content/XML/1(T).xml"));
        const QString list = QString::fromUtf8(TestUtil::readFile(result.downloadList));
        QVERIFY(list.contains(QStringLiteral("fileurl=\"http://192.0.2.1:5002/") + EncodeUrlPath(odd) + '"'));
        QVERIFY(TransferCommand(m_settings, result.downloadList).contains(QStringLiteral("/100%251 %E5%B9%BF")));
    }

    void unwritableFolderIsReported()
    {
        m_settings.xmlPrefix = m_dir->filePath(QStringLiteral("missing/XML/"));
        TPlayList store;
        store.AddSchd(media(Mon, {QStringLiteral("a")}, {QStringLiteral("/a")}));
        const auto result = GeneratePlayLists(store, m_settings, QStringLiteral("x"));
        QCOMPARE(result.status, GenerationResult::WriteFailed);
        QVERIFY(result.error.contains(QStringLiteral("missing/XML/1(x).xml")));
        QVERIFY(result.files.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPlayListXml)
#include "tst_playlistxml.moc"
