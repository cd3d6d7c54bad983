// The INI store: reading by the prefix rule, the four rewrite cases kept byte
// for byte, value blocks and the whole-section rewrite.
#include "config/inifile.h"
#include "testutil.h"

#include <QTemporaryDir>
#include <QTest>

using TestUtil::readFile;
using TestUtil::writeFile;

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

    QByteArray readString(const QByteArray &section, const QByteArray &key, int *found = nullptr, int size = 256)
    {
        QByteArray value = "untouched";
        const int result = IniReadString(section, key, value, size, nullptr, m_file);
        if (found)
            *found = result;
        return value;
    }

private slots:
    void init()
    {
        m_file = m_dir.filePath(QStringLiteral("test.ini"));
        QFile::remove(m_file);
    }

    void missingFileGivesDefaults()
    {
        QByteArray value = "kept";
        QCOMPARE(IniReadString("S", "k", value, 64, nullptr, m_file), 0);
        QCOMPARE(value, QByteArray("kept"));
        QCOMPARE(IniReadString("S", "k", value, 64, "fallback", m_file), 0);
        QCOMPARE(value, QByteArray("fallback"));
        QCOMPARE(IniReadInt("S", "k", 77, m_file), 77);
        InitNode node{"GROUP", "MAC", {{"stale"}}, {}};
        QCOMPARE(IniReadNode(node, m_file), 0);
        QVERIFY(node.blocks.isEmpty());
    }

    void readsSettings_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<int>("found");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("plain") << QByteArray("[S]\nk=v\n") << QByteArray("S") << QByteArray("k") << 1
                               << QByteArray("v");
        QTest::newRow("empty value") << QByteArray("[S]\nk=\nz=1\n") << QByteArray("S") << QByteArray("k") << 1
                                     << QByteArray("");
        QTest::newRow("comment never found")
            << QByteArray("[S]\n;k=1\n") << QByteArray("S") << QByteArray("k") << 0 << QByteArray("untouched");
        QTest::newRow("leading space is part of the key")
            << QByteArray("[S]\na=0\n k=1\n") << QByteArray("S") << QByteArray("k") << 0 << QByteArray("untouched");
        QTest::newRow("value keeps spaces and quotes")
            << QByteArray("[S]\nk= \"a b\" \n") << QByteArray("S") << QByteArray("k") << 1 << QByteArray(" \"a b\" ");
        QTest::newRow("line beginning with = ignored")
            << QByteArray("[S]\n=k=1\nk=2\n") << QByteArray("S") << QByteArray("k") << 1 << QByteArray("2");
        QTest::newRow("stored section is a prefix")
            << QByteArray("[SERV]\nk=1\n") << QByteArray("SERVICE") << QByteArray("k") << 1 << QByteArray("1");
        QTest::newRow("empty section name matches all")
            << QByteArray("[]\nk=1\n") << QByteArray("ANY") << QByteArray("k") << 1 << QByteArray("1");
        QTest::newRow("stored key is a prefix")
            << QByteArray("[S]\nSERV=1\n") << QByteArray("S") << QByteArray("SERVICE IP") << 1 << QByteArray("1");
        QTest::newRow("longer stored key does not match")
            << QByteArray("[S]\nkeys=1\n") << QByteArray("S") << QByteArray("key") << 0 << QByteArray("untouched");
        QTest::newRow("crlf lines") << QByteArray("[S]\r\nk=v\r\nz=w\r\n") << QByteArray("S") << QByteArray("z") << 1
                                    << QByteArray("w");
        QTest::newRow("case sensitive") << QByteArray("[s]\nk=1\n") << QByteArray("S") << QByteArray("k") << 0
                                        << QByteArray("untouched");
        QTest::newRow("second section of the same name") << QByteArray("[S]\na=1\n[T]\nb=2\n[S]\nb=3\n")
                                                         << QByteArray("S") << QByteArray("b") << 1 << QByteArray("3");
        QTest::newRow("first match wins")
            << QByteArray("[S]\nb=1\n[S]\nb=2\n") << QByteArray("S") << QByteArray("b") << 1 << QByteArray("1");
        QTest::newRow("other section not searched")
            << QByteArray("[S]\na=1\n[T]\nb=2\n") << QByteArray("S") << QByteArray("b") << 0 << QByteArray("untouched");
        QTest::newRow("text after header")
            << QByteArray("[S] note\nk=1\n") << QByteArray("S") << QByteArray("k") << 1 << QByteArray("1");
        QTest::newRow("double byte value") << QByteArray("[S]\nk=\xc8\xba\xd7\xe9\n") << QByteArray("S")
                                           << QByteArray("k") << 1 << QByteArray("\xc8\xba\xd7\xe9");
    }

    void readsSettings()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        writeFile(m_file, text);
        int found = -1;
        QTEST(readString(section, key, &found), "value");
        QTEST(found, "found");
    }

    void longValueIsCut()
    {
        writeFile(m_file, "[S]\nk=0123456789\n");
        QCOMPARE(readString("S", "k", nullptr, 5), QByteArray("0123"));
        QByteArray value;
        QCOMPARE(IniReadString("S", "missing", value, 3, "abcdef", m_file), 0);
        QCOMPARE(value, QByteArray("abc"));
    }

    void readsIntegers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("number") << QByteArray("[S]\nn=5002\n") << 5002;
        QTest::newRow("digits then letters") << QByteArray("[S]\nn=5002abc\n") << 5002;
        QTest::newRow("letters only") << QByteArray("[S]\nn=abc\n") << 0;
        QTest::newRow("empty") << QByteArray("[S]\nn=\n") << 0;
        QTest::newRow("blanks and sign") << QByteArray("[S]\nn=  -42x\n") << -42;
        QTest::newRow("plus sign") << QByteArray("[S]\nn=+7\n") << 7;
        QTest::newRow("too large saturates") << QByteArray("[S]\nn=99999999999999\n") << INT_MAX;
        QTest::newRow("too small saturates") << QByteArray("[S]\nn=-99999999999999\n") << INT_MIN;
        QTest::newRow("missing key") << QByteArray("[S]\nm=1\n") << -5;
    }

    void readsIntegers()
    {
        QFETCH(QByteArray, text);
        writeFile(m_file, text);
        QTEST(IniReadInt("S", "n", -5, m_file), "expected");
    }

    void rewritesSettingsByteForByte_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("missing file") << QByteArray() << QByteArray("S") << QByteArray("k") << QByteArray("v")
                                      << QByteArray("[S]\nk=v\n");
        QTest::newRow("value changed, comments and CRs kept")
            << QByteArray("; top\r\n[S]\r\nk=old\r\nz=1\r\n[T]\r\nk=x\r\n") << QByteArray("S") << QByteArray("k")
            << QByteArray("new") << QByteArray("; top\r\n[S]\r\nk=new\r\nz=1\r\n[T]\r\nk=x\r\n");
        QTest::newRow("value at end without newline")
            << QByteArray("[S]\nk=old") << QByteArray("S") << QByteArray("k") << QByteArray("longer value")
            << QByteArray("[S]\nk=longer value");
        QTest::newRow("new key directly under the header")
            << QByteArray("[S]\n\n  a=1\n") << QByteArray("S") << QByteArray("b") << QByteArray("2")
            << QByteArray("[S]\n\n  b=2\na=1\n");
        QTest::newRow("new key into the later section of two")
            << QByteArray("[S]\na=1\n[T]\nx=0\n[S]\nb=2\n") << QByteArray("S") << QByteArray("c") << QByteArray("3")
            << QByteArray("[S]\na=1\n[T]\nx=0\n[S]\nc=3\nb=2\n");
        QTest::newRow("new key in an empty last section")
            << QByteArray("[A]\nx=1\n[S]\n") << QByteArray("S") << QByteArray("k") << QByteArray("v")
            << QByteArray("[A]\nx=1\n[S]\nk=v\n");
        QTest::newRow("new section after a final newline")
            << QByteArray("[A]\nx=1\n") << QByteArray("B") << QByteArray("k") << QByteArray("v")
            << QByteArray("[A]\nx=1\n\n[B]\nk=v\n");
        QTest::newRow("new section after text without final newline")
            << QByteArray("[A]\nx=1") << QByteArray("B") << QByteArray("k") << QByteArray("v")
            << QByteArray("[A]\nx=1\n[B]\nk=v\n");
        QTest::newRow("comment with the key is skipped")
            << QByteArray("[S]\n;k=c\nk=1\n") << QByteArray("S") << QByteArray("k") << QByteArray("2")
            << QByteArray("[S]\n;k=c\nk=2\n");
    }

    void rewritesSettingsByteForByte()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        if (!before.isNull())
            writeFile(m_file, before);
        QCOMPARE(IniWriteString(section, key, value, m_file), 1);
        QTEST(readFile(m_file), "after");
        QCOMPARE(readString(section, key), value);
    }

    void emptyFileGetsTheSection()
    {
        writeFile(m_file, "");
        QCOMPARE(IniWriteString("S", "k", "v", m_file), 1);
        QCOMPARE(readFile(m_file), QByteArray("[S]\nk=v\n"));
    }

    void refusedWritesLeaveTheFile()
    {
        writeFile(m_file, "[S]\nk=1\n");
        QCOMPARE(IniWriteString("S", "k", "two\nlines", m_file), 0);
        QCOMPARE(IniWriteString("S", "k", "cr\r", m_file), 0);
        QCOMPARE(readFile(m_file), QByteArray("[S]\nk=1\n"));
        QCOMPARE(IniWriteString("S", "k", "v", m_dir.filePath(QStringLiteral("no/such/folder/x.ini"))), 0);
        // A folder where the file should be: nothing can be written over it.
        QCOMPARE(IniWriteString("S", "k", "v", m_dir.path()), 0);
        QVERIFY(QFileInfo(m_dir.path()).isDir());
    }

    void writesLeaveNoTemporaryFiles()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("x.ini"));
        for (int i = 0; i < 5; ++i)
            QCOMPARE(IniWriteString("S", "k", QByteArray::number(i), file), 1);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("x.ini")});
    }

    void largeFilesAreReadWhole()
    {
        QByteArray text = "[A]\n";
        for (int i = 0; i < 2000; ++i)
            text += "key" + QByteArray::number(i) + "=value number " + QByteArray::number(i) + "\n";
        text += "[S]\nk=end\n";
        QVERIFY(text.size() > MAX_FILE_SIZE);
        writeFile(m_file, text);
        QCOMPARE(readString("S", "k"), QByteArray("end"));
        QCOMPARE(IniWriteString("S", "k", "changed", m_file), 1);
        QCOMPARE(readFile(m_file).size(), text.size() + 4);
    }

    void readsBlocks()
    {
        writeFile(m_file, "; registry\n[GROUP]\nMAC={a,b,c}\nMAC={}\nMAC={x,}\n;MAC={no}\nOTHER={o}\n"
                          "MAC=notablock\nMAC={two,\nlines}\n[NEXT]\nMAC={n}\n");
        InitNode node{"GROUP", "MAC", {}, {}};
        QCOMPARE(IniReadNode(node, m_file), 1);
        const QList<QList<QByteArray>> expected = {{"a", "b", "c"}, {""}, {"x", ""}, {"two", "\nlines"}};
        QCOMPARE(node.blocks, expected);
    }

    void readsOddBlockSections()
    {
        InitNode node{"GROUP", "MAC", {}, {}};
        writeFile(m_file, "[OTHER]\nMAC={a}\n");
        QCOMPARE(IniReadNode(node, m_file), 0);
        writeFile(m_file, "[GROUP]");
        QCOMPARE(IniReadNode(node, m_file), 1);
        QVERIFY(node.blocks.isEmpty());
        // Not closed inside its section: the block is not read.
        writeFile(m_file, "[GROUP]\nMAC={a,b}\nMAC={c,d\n[NEXT]\nx={y}\n");
        QCOMPARE(IniReadNode(node, m_file), 1);
        QCOMPARE(node.blocks, (QList<QList<QByteArray>>{{"a", "b"}}));
        // A '[' inside a line ends the section for blocks.
        writeFile(m_file, "[GROUP]\nMAC={a}\nMAC={b[c}\nMAC={d}\n");
        QCOMPARE(IniReadNode(node, m_file), 1);
        QCOMPARE(node.blocks, (QList<QList<QByteArray>>{{"a"}}));
    }

    void rewritesTheWholeSection_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("other lines of the section dropped")
            << QByteArray("; top\n[GROUP]\nMAC={old}\nJUNK=1\n\n[NEXT]\nk=v\n")
            << QByteArray("; top\n[GROUP]\nMAC={x,y}\nMAC={z}\n\n[NEXT]\nk=v\n");
        QTest::newRow("file without the section holds it only")
            << QByteArray("[OTHER]\nk=v\n") << QByteArray("[GROUP]\nMAC={x,y}\nMAC={z}\n");
        QTest::newRow("missing file") << QByteArray() << QByteArray("[GROUP]\nMAC={x,y}\nMAC={z}\n");
        QTest::newRow("header is the last thing")
            << QByteArray("[GROUP]") << QByteArray("[GROUP]\nMAC={x,y}\nMAC={z}\n\n");
        QTest::newRow("crlf header") << QByteArray("[GROUP]\r\nMAC={a}\r\n")
                                     << QByteArray("[GROUP]\rMAC={x,y}\nMAC={z}\n\n");
        QTest::newRow("header without its bracket")
            << QByteArray("x=1\n[GROUP") << QByteArray("x=1\n[GROUP]\nMAC={x,y}\nMAC={z}\n\n");
        QTest::newRow("header line goes on") << QByteArray("[GROUP] ; boxes\nMAC={a}\n[NEXT]\n")
                                             << QByteArray("[GROUP]\nMAC={x,y}\nMAC={z}\n\n[NEXT]\n");
    }

    void rewritesTheWholeSection()
    {
        QFETCH(QByteArray, before);
        if (!before.isNull())
            writeFile(m_file, before);
        const InitNode node{"GROUP", "MAC", {{"x", "y"}, {}, {"z"}}, {}};
        QCOMPARE(IniWriteNode(node, m_file), 1);
        QTEST(readFile(m_file), "after");
        InitNode back{"GROUP", "MAC", {}, {}};
        QCOMPARE(IniReadNode(back, m_file), 1);
        QCOMPARE(back.blocks, (QList<QList<QByteArray>>{{"x", "y"}, {"z"}}));
    }

    void nodeWithoutBlocksWritesTheHeader()
    {
        QCOMPARE(IniWriteNode(InitNode{"FTP", "Account", {}, {}}, m_file), 1);
        QCOMPARE(readFile(m_file), QByteArray("[FTP]\n"));
    }

    void repeatedRewritesAreStable()
    {
        const InitNode node{"GROUP", "MAC", {{"00:11", "\xc8\xba", ""}, {"00:22", "b", "c"}}, {}};
        QCOMPARE(IniWriteNode(node, m_file), 1);
        QCOMPARE(IniWriteNode(node, m_file), 1);
        const QByteArray second = readFile(m_file);
        QCOMPARE(IniWriteNode(node, m_file), 1);
        QCOMPARE(IniWriteNode(node, m_file), 1);
        QCOMPARE(readFile(m_file), second);
        InitNode back{"GROUP", "MAC", {}, {}};
        QCOMPARE(IniReadNode(back, m_file), 1);
        QCOMPARE(back.blocks, node.blocks);
    }

    void refusesValuesBlocksCannotHold()
    {
        writeFile(m_file, "[GROUP]\nMAC={keep}\n");
        for (const QByteArray &bad : {QByteArray("a,b"), QByteArray("a}"), QByteArray("[VIP] Lobby"),
                                      QByteArray("a\nb"), QByteArray("a\rb"), QByteArray(256, 'x')}) {
            QCOMPARE(IniWriteNode(InitNode{"GROUP", "MAC", {{"ok", bad}}, {}}, m_file), 0);
            QCOMPARE(readFile(m_file), QByteArray("[GROUP]\nMAC={keep}\n"));
        }
        QCOMPARE(IniWriteNode(InitNode{"GROUP", "MAC", {{QByteArray(255, 'x')}}, {}}, m_file), 1);
    }

    void settingUnderACutHeaderReadsBack()
    {
        // A file cut in the middle of its last header.
        writeFile(m_file, "[PATH]\nCONTENT=/srv/c/\n[SERV");
        QCOMPARE(IniWriteString("SERVICE", "SERVICE PORT", "5002", m_file), 1);
        QCOMPARE(readFile(m_file), QByteArray("[PATH]\nCONTENT=/srv/c/\n[SERV]\nSERVICE PORT=5002\n"));
        QCOMPARE(IniReadInt("SERVICE", "SERVICE PORT", 0, m_file), 5002);
        QCOMPARE(readString("PATH", "CONTENT"), QByteArray("/srv/c/"));
    }

    void hugeFilesOfOddLinesAreRead()
    {
        // Megabytes of lines without '=' or with headers never closed: each
        // line is looked at once, not searched to the end of the file.
        QByteArray text = "[GROUP]\n";
        for (int i = 0; i < 200000; ++i)
            text += "no equals sign on this line\n";
        for (int i = 0; i < 20000; ++i)
            text += "[never closed\n";
        text += "]\n[S]\nk=found\n";
        writeFile(m_file, text);
        QCOMPARE(readString("S", "k"), QByteArray("found"));
        InitNode node{"GROUP", "MAC", {}, {}};
        QCOMPARE(IniReadNode(node, m_file), 1);
        QVERIFY(node.blocks.isEmpty());
        QCOMPARE(IniWriteString("S", "k", "changed", m_file), 1);
        QCOMPARE(readString("S", "k"), QByteArray("changed"));
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
