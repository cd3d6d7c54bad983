#include "base/codepage.h"
#include "boxfiles/filedecode.h"
#include "registry/MacGroup.h"
#include "schedule/playlist.h"
#include "schedule/playlistxml.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray playList(const QByteArray &schedules)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PLAYLIST picinterval=\"5\">" + schedules + "</PLAYLIST>";
}

QByteArray schedule(const char *sh, const char *sm, const char *eh, const char *em, const char *type,
                    const QByteArray &files)
{
    return QByteArray("<schedule starthour=\"") + sh + "\" startmin=\"" + sm + "\" endhour=\"" + eh + "\" endmin=\"" +
           em + "\" schdtype=\"" + type + "\">" + files + "</schedule>";
}

QByteArray file(const char *name, const char *group = "1")
{
    return QByteArray("<file groupID=\"") + group + "\" filename=\"" + name + "\"/>";
}

QByteArray plan(int files)
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"GB2312\"?><DLPLANLIST><plantime startyear=\"2007\">"
                     "<playlist filename=\"1.xml\" fileurl=\"http://x/1.xml\"/>";
    for (int i = 0; i < files; ++i)
        doc += "<filelist filename=\"f" + QByteArray::number(i) + ".mpg\" fileurl=\"ftp://a:b@h:21/f.mpg\"/>";
    return doc + "</plantime></DLPLANLIST>";
}

QStringList column(const DecodedTable &table, int c)
{
    QStringList texts;
    for (const QStringList &row : table.rows)
        texts.append(row.value(c));
    return texts;
}

} // namespace

class tst_FileDecode : public QObject
{
    Q_OBJECT

private slots:
    void playListInTimeOrder();
    void textAndPictureListsReadBack();
    void sameStartSchedulesMerge();
    void strayElementsStopWhatTheyAreIn();
    void wrongRootChangesOnlyColumns();
    void brokenDocumentsAreErrors();
    void amplificationIsRefused();
    void planProgressBits();
    void planWithMoreFilesThanProgress();
    void diskDirectory();
    void encodings();
    void readsFilesAndRefusesOthers();
    void hostileNumbersAndSizes();
};

void tst_FileDecode::playListInTimeOrder()
{
    const DecodedTable t = CFileDecode::DecodePlayList(
        playList(schedule("20", "0", "22", "0", "LOOP", file("c.mpg")) +
                 schedule("8", "0", "10", "0", "ONCE", file("a.mpg") + file("a2.mpg", "2")) +
                 schedule("12", "30", "13", "5", "NONE", file("b.mpg"))));
    QCOMPARE(t.result, int(DECODE_OK));
    QVERIFY(t.replacesRows);
    QCOMPARE(t.columns, QStringList({"Start Time", "End Time", "Type", "Group ID", "Filename"}));
    QCOMPARE(column(t, 0), QStringList({"08:00:00", "08:00:00", "12:30:00", "20:00:00"}));
    QCOMPARE(column(t, 1), QStringList({"10:00:00", "10:00:00", "13:05:00", "22:00:00"}));
    QCOMPARE(column(t, 2), QStringList({"ONCE", "ONCE", "NONE", "LOOP"}));
    QCOMPARE(column(t, 3), QStringList({"1", "2", "1", "1"}));
    QCOMPARE(column(t, 4), QStringList({"a.mpg", "a2.mpg", "b.mpg", "c.mpg"}));
    QVERIFY(!t.checkable);
}

void tst_FileDecode::sameStartSchedulesMerge()
{
    const DecodedTable t = CFileDecode::DecodePlayList(playList(schedule("8", "0", "10", "0", "Loop", file("A")) +
                                                                schedule("08", "00", "12", "0", "Once", file("B"))));
    QCOMPARE(t.rows, QList<QStringList>(
                         {{"08:00:00", "10:00:00", "Loop", "1", "A"}, {"08:00:00", "10:00:00", "Loop", "1", "B"}}));
    // The list and its iteration on their own: a second pass starts again.
    CBasicScheduleList list;
    list.AddSchedule("9", "0", "10", "0", "Loop").append(sBasicInfo{"1", "x"});
    list.AddSchedule("7", "0", "8", "0", "Loop");
    sBasicScheduleInfo row;
    QVERIFY(list.NextRow(row));
    QCOMPARE(row.FileName, QStringLiteral("x")); // the empty 7:00 schedule gives no row
    QVERIFY(!list.NextRow(row));
    QVERIFY(list.NextRow(row));
    QCOMPARE(row.StartText, QStringLiteral("09:00:00"));
}

void tst_FileDecode::strayElementsStopWhatTheyAreIn()
{
    // A stray element inside a schedule ends that schedule only.
    DecodedTable t = CFileDecode::DecodePlayList(
        playList(schedule("8", "0", "9", "0", "Loop", file("a") + "<oops/>" + file("lost")) +
                 schedule("10", "0", "11", "0", "Loop", file("b"))));
    QCOMPARE(t.result, int(DECODE_BADNAME));
    QCOMPARE(column(t, 4), QStringList({"a", "b"}));
    // A stray child of the root ends the walk; what was read is shown.
    t = CFileDecode::DecodePlayList(playList(schedule("8", "0", "9", "0", "Loop", file("a")) + "<oops/>" +
                                             schedule("10", "0", "11", "0", "Loop", file("b"))));
    QCOMPARE(t.result, int(DECODE_BADNAME));
    QCOMPARE(column(t, 4), QStringList({"a"}));
    // No children at all.
    t = CFileDecode::DecodePlayList(playList(""));
    QCOMPARE(t.result, int(DECODE_NOCHILDREN));
    QVERIFY(t.replacesRows);
    QVERIFY(t.rows.isEmpty());
    // Names are case-sensitive.
    t = CFileDecode::DecodeDiskDir("<DirList><dir Path=\"/x\"/></DirList>");
    QCOMPARE(t.result, int(DECODE_BADNAME));
}

void tst_FileDecode::wrongRootChangesOnlyColumns()
{
    for (const DecodedTable &t :
         {CFileDecode::DecodePlayList(plan(2)), CFileDecode::DecodePlanStatus(playList(""), "x1"),
          CFileDecode::DecodeDiskDir(plan(1))}) {
        QCOMPARE(t.result, int(DECODE_BADNAME));
        QVERIFY(!t.replacesRows);
        QVERIFY(!t.columns.isEmpty());
        QVERIFY(t.rows.isEmpty());
    }
}

void tst_FileDecode::brokenDocumentsAreErrors()
{
    const QByteArray broken[] = {"",
                                 "not xml",
                                 "<PLAYLIST><schedule>",
                                 "<PLAYLIST></playlist>",
                                 playList(schedule("8", "0", "9", "0", "L", file("a"))) + "<second/>",
                                 "<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b "
                                 "\"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                                 "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">]><PLAYLIST a=\"&d;&d;&d;&d;\"/>"};
    for (const QByteArray &doc : broken) {
        const DecodedTable t = CFileDecode::DecodePlayList(doc);
        QCOMPARE(t.result, int(DECODE_UNREADABLE));
        QVERIFY(!t.error.isEmpty());
        QVERIFY(!t.replacesRows);
    }
}

void tst_FileDecode::amplificationIsRefused()
{
    // One internal entity referenced many times: no DTD is needed, none is taken.
    QByteArray doc = "<?xml version=\"1.0\"?><!DOCTYPE DirList [<!ENTITY p \"" + QByteArray(4000, 'p') +
                     "\">]><DirList><DIR Path=\"";
    for (int i = 0; i < 1000; ++i)
        doc += "&p;";
    doc += "\"><File Filename=\"a\"/></DIR></DirList>";
    DecodedTable t = CFileDecode::DecodeDiskDir(doc);
    QCOMPARE(t.result, int(DECODE_UNREADABLE));
    QVERIFY(t.error.contains(QLatin1String("entities")));
    // A long Path copied into every row: the rows' text is bounded, not
    // only the document's bytes.
    doc = "<DirList><DIR Path=\"/" + QByteArray(CFileDecode::kMaxAttributeChars - 1, 'd') + "\">";
    for (qint64 i = 0; i <= CFileDecode::kMaxRowChars / CFileDecode::kMaxAttributeChars; ++i)
        doc += "<File Filename=\"f\"/>";
    doc += "</DIR></DirList>";
    t = CFileDecode::DecodeDiskDir(doc);
    QCOMPARE(t.result, int(DECODE_UNREADABLE));
    QVERIFY(t.rows.isEmpty());
    // Attributes: too long, or too many in one element.
    t = CFileDecode::DecodeDiskDir("<DirList><DIR Path=\"" + QByteArray(CFileDecode::kMaxAttributeChars + 1, 'x') +
                                   "\"/></DirList>");
    QCOMPARE(t.result, int(DECODE_UNREADABLE));
    QByteArray many = "<DirList><DIR";
    for (int i = 0; i < 80000; ++i)
        many += " a" + QByteArray::number(i) + "=\"\"";
    t = CFileDecode::DecodeDiskDir(many + "/></DirList>");
    QCOMPARE(t.result, int(DECODE_UNREADABLE));
    QVERIFY(t.error.contains(QLatin1String("attributes")));
    // A quote inside a comment, CDATA, an instruction, a declaration or a bad
    // value hides no tag from the count.
    for (const QByteArray &hide :
         {QByteArray("<!-- the box's list -->"), QByteArray("<?pi don't ?>"), QByteArray("<![CDATA[ \" ]]>"),
          QByteArray("<!DOCTYPE DirList [ <!-- ' --> <?x \" ?> ]>"), QByteArray("<x a='<y/>")}) {
        const QByteArray head = hide.startsWith("<!DOCTYPE") ? hide + "<DirList>" : "<DirList>" + hide;
        t = CFileDecode::DecodeDiskDir(head + many.mid(9) + "/></DirList>");
        QCOMPARE(t.result, int(DECODE_UNREADABLE));
        QVERIFY2(t.error.contains(QLatin1String("attributes")), qPrintable(hide + ": " + t.error));
    }
    // '=' inside quoted values is no attribute.
    t = CFileDecode::DecodeDiskDir("<DirList><DIR Path=\"" + QByteArray(100, '=') +
                                   "\"><File Filename=\"a\"/></DIR></DirList>");
    QCOMPARE(t.result, int(DECODE_OK));
    // Many schedules arriving in falling order still come out in time order.
    QByteArray schedules;
    for (int m = 1439; m >= 0; --m)
        schedules += schedule(QByteArray::number(m / 60).constData(), QByteArray::number(m % 60).constData(), "23",
                              "59", "L", file("f"));
    t = CFileDecode::DecodePlayList(playList(schedules));
    QCOMPARE(t.rows.size(), 1440);
    QCOMPARE(t.rows.first().first(), QStringLiteral("00:00:00"));
    QCOMPARE(t.rows.last().first(), QStringLiteral("23:59:00"));
}

void tst_FileDecode::planProgressBits()
{
    const DecodedTable t = CFileDecode::DecodePlanStatus(plan(3), QStringLiteral("x110"));
    QCOMPARE(t.result, int(DECODE_OK));
    QCOMPARE(t.columns, QStringList({"Filename", "Progress"}));
    QCOMPARE(column(t, 0), QStringList({"f0.mpg", "f1.mpg", "f2.mpg"}));
    QCOMPARE(column(t, 1), QStringList({"Downloading", "Finished", "Finished"}));
    // Odd progress texts: empty, other characters.
    QCOMPARE(column(CFileDecode::DecodePlanStatus(plan(2), QString()), 1), QStringList({"Downloading", "Downloading"}));
    QCOMPARE(column(CFileDecode::DecodePlanStatus(plan(2), QStringLiteral("x?1")), 1),
             QStringList({"Finished", "Downloading"}));
}

void tst_FileDecode::planWithMoreFilesThanProgress()
{
    DecodedTable t = CFileDecode::DecodePlanStatus(plan(5), QStringLiteral("x11"));
    QCOMPARE(column(t, 1), QStringList({"Finished", "Finished", "Downloading", "Downloading", "Downloading"}));
    // Only 64 characters count, and from the 65th file there is no progress.
    t = CFileDecode::DecodePlanStatus(plan(70), QStringLiteral("x") + QString(70, QLatin1Char('1')));
    QCOMPARE(t.rows.size(), 70);
    QCOMPARE(t.rows[63], QStringList({"f63.mpg", "Finished"}));
    QCOMPARE(t.rows[64], QStringList({"f64.mpg"}));
    QVERIFY(CFileDecode::FileFinished(QStringLiteral("x") + QString(64, QLatin1Char('0')) + QLatin1Char('1'), 0) ==
            false);
}

void tst_FileDecode::diskDirectory()
{
    const DecodedTable t = CFileDecode::DecodeDiskDir(
        "<DirList><DIR Path=\"/mnt/hd1/Disc1/video\"><File Filename=\"a.mpg\" Size=\"1024\" Time=\"2007-07-10 "
        "08:30\"/><File Filename=\"b c.mpg\" Size=\"5\" Time=\"t\"/></DIR><DIR Path=\"/mnt/hd1/Disc1/CONFIG\"><File "
        "Filename=\"DiskDir.xml\" Size=\"9\" Time=\"t\"/><x/><File Filename=\"lost\"/></DIR><DIR "
        "Path=\"/mnt/hd1\"/></DirList>");
    QCOMPARE(t.result, int(DECODE_BADNAME));
    QVERIFY(t.checkable);
    QCOMPARE(t.widths, QList<int>({100, 100, 200, 400}));
    QCOMPARE(t.columns, QStringList({"Filename", "File Size", "Modified Date", "File Path"}));
    QCOMPARE(t.rows.first(), QStringList({"a.mpg", "1024", "2007-07-10 08:30", "/mnt/hd1/Disc1/video/a.mpg"}));
    QCOMPARE(column(t, 3), QStringList({"/mnt/hd1/Disc1/video/a.mpg", "/mnt/hd1/Disc1/video/b c.mpg",
                                        "/mnt/hd1/Disc1/CONFIG/DiskDir.xml"}));
}

void tst_FileDecode::encodings()
{
    const QString name = QStringLiteral("广告 一.mpg");
    const QByteArray gb = "<?xml version=\"1.0\" encoding=\"GB2312\"?><DirList><DIR Path=\"/mnt/hd1/Disc1/" +
                          CodePage::toGb2312(QStringLiteral("视频")) + "\"><File Filename=\"" +
                          CodePage::toGb2312(name) + "\" Size=\"1\" Time=\"t\"/></DIR></DirList>";
    DecodedTable t = CFileDecode::DecodeDiskDir(gb);
    QCOMPARE(t.result, int(DECODE_OK));
    QCOMPARE(t.rows.first().value(3), QStringLiteral("/mnt/hd1/Disc1/视频/广告 一.mpg"));
    const QByteArray utf8 =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><PLAYLIST><schedule starthour=\"8\" startmin=\"0\" endhour=\"9\" "
        "endmin=\"0\" schdtype=\"LOOP\"><file groupID=\"1\" filename=\"" +
        name.toUtf8() + "\"/></schedule></PLAYLIST>";
    t = CFileDecode::DecodePlayList(utf8);
    QCOMPARE(t.rows.first().value(4), name);
}

void tst_FileDecode::readsFilesAndRefusesOthers()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("FtpStatus.xml"));
    TestUtil::writeFile(path, plan(3));
    DecodedTable t = CFileDecode::Decode(DECODE_PLANSTATUS, path, QStringLiteral("x001"));
    QCOMPARE(column(t, 1), QStringList({"Finished", "Downloading", "Downloading"}));
    t = CFileDecode::Decode(DECODE_DISKDIR, dir.filePath(QStringLiteral("missing.xml")));
    QCOMPARE(t.result, int(DECODE_UNREADABLE));
    QVERIFY(t.error.startsWith(QLatin1String("Cannot read ")));
    TestUtil::writeFile(path, "<DirList><DIR>");
    t = CFileDecode::Decode(DECODE_DISKDIR, path);
    QCOMPARE(t.result, int(DECODE_UNREADABLE));
    QVERIFY(t.error.contains(QLatin1String("is not a readable XML document")));
    QCOMPARE(CFileDecode::Decode(5, path).result, int(DECODE_NOVIEW));
}

void tst_FileDecode::hostileNumbersAndSizes()
{
    const DecodedTable t = CFileDecode::DecodePlayList(
        playList(schedule("-5", "x", "99999999999", "7", "L", file("a")) + schedule("", "", "", "", "", file("b"))));
    QCOMPARE(column(t, 0), QStringList({"00:00:00", "00:00:00"}));
    QCOMPARE(column(t, 4), QStringList({"a", "b"}));
    // Too many elements is an error, not a long wait.
    QByteArray many = "<DirList>";
    for (int i = 0; i <= CFileDecode::kMaxElements; ++i)
        many += "<DIR/>";
    many += "</DirList>";
    QCOMPARE(CFileDecode::DecodeDiskDir(many).result, int(DECODE_UNREADABLE));
}

void tst_FileDecode::textAndPictureListsReadBack()
{
    // The lists this program writes for a day, read back as a box holds them:
    // the text list in GB2312, Chinese and a line break kept.
    TPlayList store;
    TScheduleNodeOther text;
    text.StartHour = 18;
    text.EndHour = 20;
    text.EndMin = 30;
    text.WeekDays = 1 << 3;
    text.SchdType = SCHD_ONCE;
    text.vec_item = {QStringLiteral("欢迎光临"), QStringLiteral("two\nlines")};
    QCOMPARE(store.AddOtherSchd(OTHER_TEXT, text), RES_OK);
    TScheduleNodeOther pictures;
    pictures.StartHour = 8;
    pictures.WeekDays = 1 << 3;
    pictures.EndHour = 9;
    pictures.vec_item = {QStringLiteral("门店.bmp")};
    QCOMPARE(store.AddOtherSchd(OTHER_PIC, pictures), RES_OK);

    const DecodedSchedules texts = CFileDecode::ReadSchedules(DECODE_TEXTLIST, TextListDocument(store, 3));
    QCOMPARE(texts.result, int(DECODE_OK));
    QCOMPARE(texts.schedules.size(), 1);
    QCOMPARE(texts.schedules[0], (PlaySchedule{18 * 3600, 20 * 3600 + 30 * 60, QStringLiteral("ONCE"), text.vec_item}));
    const DecodedTable rows = CFileDecode::DecodeTextList(TextListDocument(store, 3));
    QCOMPARE(rows.rows.size(), 2);
    QCOMPARE(rows.rows[0], (QStringList{QStringLiteral("18:00:00"), QStringLiteral("20:30:00"), QStringLiteral("ONCE"),
                                        QStringLiteral("欢迎光临")}));

    const DecodedSchedules pics = CFileDecode::ReadSchedules(DECODE_PICLIST, PictureListDocument(store, 3));
    QCOMPARE(pics.schedules, (QList<PlaySchedule>{{8 * 3600, 9 * 3600, QStringLiteral("LOOP"), pictures.vec_item}}));
    // A media list read as a text list is named for what it is.
    const DecodedSchedules wrong = CFileDecode::ReadSchedules(DECODE_TEXTLIST, PictureListDocument(store, 3));
    QCOMPARE(wrong.result, int(DECODE_BADNAME));
    QVERIFY(wrong.error.contains(QLatin1String("PICLIST")));
}

QTEST_GUILESS_MAIN(tst_FileDecode)
#include "tst_filedecode.moc"
