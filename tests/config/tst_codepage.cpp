// Conversions between the program's Unicode texts and GB2312 bytes.
#include "base/codepage.h"

#include <QTest>

class TestCodePage : public QObject
{
    Q_OBJECT

private slots:
    void roundTripsChinese()
    {
        const QString text = QStringLiteral("群组管理 No Group");
        bool ok = false;
        const QByteArray bytes = CodePage::toGb2312(text, &ok);
        QVERIFY(ok);
        QCOMPARE(bytes, QByteArray("\xc8\xba\xd7\xe9\xb9\xdc\xc0\xed No Group"));
        QCOMPARE(CodePage::fromGb2312(bytes), text);
    }

    void countsBytes()
    {
        QCOMPARE(CodePage::byteLength(QStringLiteral("群组ab")), 6);
        QCOMPARE(CodePage::byteLength(QString()), 0);
        QCOMPARE(CodePage::byteLength(QString(63, QChar(u'x'))), 63);
    }

    void refusesWhatGb2312CannotHold()
    {
        for (const QString &text :
             {QStringLiteral("smile \U0001F600"), QStringLiteral("한국어"), QStringLiteral("\u20AC euro")}) {
            bool ok = true;
            QVERIFY(CodePage::toGb2312(text, &ok).isEmpty());
            QVERIFY(!ok);
            QVERIFY(!CodePage::canEncode(text));
            QCOMPARE(CodePage::byteLength(text), -1);
        }
        // Which characters, each once: a pair of surrogates is one.
        QCOMPARE(CodePage::unencodable(QStringLiteral("a\u20AC中\U0001F600\u20AC")),
                 QStringLiteral("\u20AC, \U0001F600"));
    }

    void decodesBrokenBytesWithoutFailing()
    {
        const QString text = CodePage::fromGb2312(QByteArray("ok\xff\xfe\xc8", 5));
        QVERIFY(text.startsWith(QStringLiteral("ok")));
        // GB18030 bytes beyond GB2312 still decode.
        QCOMPARE(CodePage::fromGb2312(QByteArray("\x81\x30\x81\x30")), QString(QChar(0x80)));
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
