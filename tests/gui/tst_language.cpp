// The English interface: --lang and the setup window's choice decide the
// language of the next start, the system locale when neither does; and no
// text reaches the program without its English translation.
#include "appharness.h"
#include "config/language.h"
#include "config/mainform.h"
#include "console/deploymanage.h"
#include "testutil.h"

#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

class TestLanguage : public QObject
{
    Q_OBJECT

private:
    static QString groupsCaption(AppHarness &h)
    {
        return GuiUtil::child<QToolButton>(h.forms().form1, "sbGroup")->text();
    }
    // Chooses an entry of the setup window's language box with the keys.
    static void chooseLanguage(AppHarness &h, const QString &entry)
    {
        h.clickMain("sbDeploy");
        auto *box = GuiUtil::child<QComboBox>(h.forms().form5, "cb_Language");
        const int target = box->findText(entry);
        QVERIFY(target >= 0);
        box->setFocus();
        while (box->currentIndex() != target)
            QTest::keyClick(box, box->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
    }
    static void restart(AppHarness &h)
    {
        h.app.reset();
        QVERIFY(h.start());
    }

private slots:
    void theSystemLocaleDecidesWhenNothingElseDoes()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Deploy.ini"));
        QCOMPARE(ChosenLanguage(QString(), ini, QLocale(QStringLiteral("en_GB"))), kEnglish);
        QCOMPARE(ChosenLanguage(QString(), ini, QLocale(QStringLiteral("zh_CN"))), kChinese);
        QCOMPARE(ChosenLanguage(QString(), ini, QLocale(QStringLiteral("fr_FR"))), kChinese);
        QVERIFY(StoreLanguage(kEnglish, ini));
        QCOMPARE(ChosenLanguage(QString(), ini, QLocale(QStringLiteral("zh_CN"))), kEnglish);
        QCOMPARE(ChosenLanguage(kChinese, ini, QLocale(QStringLiteral("en_US"))), kChinese);
    }

    void optionAndSetupWindowChooseTheNextStart()
    {
        AppHarness h;
        h.options.language = kEnglish;
        QVERIFY(h.start());
        QCOMPARE(groupsCaption(h), QStringLiteral("Groups"));
        QCOMPARE(h.forms().form5->windowTitle(), QStringLiteral("Settings"));

        // Chosen in the setup window, it holds from the next start on.
        h.options.language.clear();
        chooseLanguage(h, QStringLiteral("中文"));
        restart(h);
        QCOMPARE(h.app->language(), kChinese);
        QCOMPARE(groupsCaption(h), QStringLiteral("群组管理"));
        chooseLanguage(h, QStringLiteral("English"));
        QCOMPARE(groupsCaption(h), QStringLiteral("群组管理"));
        restart(h);
        QCOMPARE(groupsCaption(h), QStringLiteral("Groups"));
        // Back to the source texts, exactly.
        h.options.language = kChinese;
        restart(h);
        QCOMPARE(groupsCaption(h), QStringLiteral("群组管理"));
    }

    void everyTextHasAnEnglishTranslation()
    {
        // The catalogue as the sources would make it now: nothing unfinished.
        QTemporaryDir dir;
        const QString ts = dir.filePath(QStringLiteral("boxfleet_en.ts"));
        QVERIFY(QFile::copy(QStringLiteral(SOURCE_DIR "/translations/boxfleet_en.ts"), ts));
        QProcess lupdate;
        lupdate.start(QStringLiteral(LUPDATE_BINARY),
                      {QStringLiteral("-no-obsolete"), QStringLiteral("-locations"), QStringLiteral("none"),
                       QStringLiteral(SOURCE_DIR "/src"), QStringLiteral("-ts"), ts});
        QVERIFY(lupdate.waitForFinished(120000));
        QCOMPARE(lupdate.exitCode(), 0);
        const QByteArray catalogue = TestUtil::readFile(ts);
        QVERIFY(catalogue.contains("<message>"));
        QVERIFY2(!catalogue.contains("type=\"unfinished\""),
                 "a text has no English translation: run `cmake --build build --target update_translations` and "
                 "translate it in translations/boxfleet_en.ts");
    }
};

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
