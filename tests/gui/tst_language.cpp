// The English interface: --lang and the setup window's choice decide the
// language of the next start, the system locale when neither does; and no
// text reaches the program without its English translation.
#include "appharness.h"
#include "boxsimulator.h"
#include "config/language.h"
#include "config/mainform.h"
#include "console/cmdhistory.h"
#include "console/deploymanage.h"
#include "link/cmd.h"
#include "link/history.h"
#include "schedule/playlist.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

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

    // Every text an operator reads in the window: its title, captions,
    // headings, tool tips, combo and list entries, menu entries, with every
    // tab page made current in turn; each as "widget: text".
    static QStringList shownTexts(QWidget *window)
    {
        QStringList texts;
        const auto add = [&texts](const QObject *at, const QString &text) {
            if (!text.isEmpty())
                texts.append(at->objectName() + QStringLiteral(": ") + text);
        };
        const auto addActions = [&](const QWidget *w) {
            for (const QAction *action : w->actions()) {
                add(w, action->text());
                if (action->menu())
                    for (const QAction *entry : action->menu()->actions())
                        add(w, entry->text());
            }
        };
        const auto walk = [&] {
            add(window, window->windowTitle());
            addActions(window);
            for (QWidget *w : window->findChildren<QWidget *>()) {
                if (auto *menu = qobject_cast<QMenu *>(w)) {
                    addActions(menu);
                    continue;
                }
                if (!w->isVisibleTo(window))
                    continue;
                add(w, w->toolTip());
                addActions(w);
                if (auto *b = qobject_cast<QAbstractButton *>(w))
                    add(b, b->text());
                if (auto *b = qobject_cast<QToolButton *>(w); b && b->menu())
                    addActions(b->menu());
                if (auto *l = qobject_cast<QLabel *>(w))
                    add(l, l->text());
                if (auto *g = qobject_cast<QGroupBox *>(w))
                    add(g, g->title());
                if (auto *e = qobject_cast<QLineEdit *>(w))
                    add(e, e->placeholderText());
                if (auto *c = qobject_cast<QComboBox *>(w)) {
                    for (int i = 0; i < c->count(); ++i)
                        add(c, c->itemText(i));
                }
                if (auto *t = qobject_cast<QTabWidget *>(w)) {
                    for (int i = 0; i < t->count(); ++i)
                        add(t, t->tabText(i));
                }
                if (auto *l = qobject_cast<QListWidget *>(w)) {
                    for (int i = 0; i < l->count(); ++i)
                        add(l, l->item(i)->text());
                }
                if (auto *v = qobject_cast<QAbstractItemView *>(w); v && v->model()) {
                    for (int c = 0; c < v->model()->columnCount(); ++c) {
                        add(v, v->model()->headerData(c, Qt::Horizontal).toString());
                        for (int r = 0; r < qMin(v->model()->rowCount(), 20); ++r)
                            add(v, v->model()->index(r, c).data().toString());
                    }
                }
            }
        };
        walk();
        for (QTabWidget *tabs : window->findChildren<QTabWidget *>()) {
            for (int i = 0; i < tabs->count(); ++i) {
                tabs->setCurrentIndex(i);
                walk();
            }
        }
        texts.removeDuplicates();
        return texts;
    }

    // Cells and header captions of the window's views that are cut although
    // the view has room beside its columns to show them whole.
    static QStringList cutWhileThereIsRoom(QWidget *window)
    {
        QStringList cut;
        for (QAbstractItemView *view : window->findChildren<QAbstractItemView *>()) {
            auto *tree = qobject_cast<QTreeView *>(view);
            auto *table = qobject_cast<QTableView *>(view);
            QHeaderView *header = tree ? tree->header() : table ? table->horizontalHeader() : nullptr;
            if (!header || !view->isVisibleTo(window) || !view->model())
                continue;
            int used = 0;
            for (int c = 0; c < header->count(); ++c)
                used += header->isSectionHidden(c) ? 0 : header->sectionSize(c);
            const int room = view->viewport()->width() - used;
            const QFontMetrics cells(view->font());
            const QFontMetrics captions(header->font());
            for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c) || (header->stretchLastSection() && c == header->count() - 1))
                    continue;
                const int width = header->sectionSize(c);
                QStringList texts;
                if (header->isVisible())
                    texts.append(view->model()->headerData(c, Qt::Horizontal).toString());
                for (int r = 0; r < qMin(view->model()->rowCount(), 20); ++r)
                    texts.append(view->model()->index(r, c).data().toString());
                for (qsizetype i = 0; i < texts.size(); ++i) {
                    // Margins, and the check box of a first column.
                    const int needed = (i == 0 && header->isVisible() ? captions : cells).horizontalAdvance(texts[i]) +
                                       12 + (c == 0 ? 24 : 0);
                    if (needed > width && needed - width <= room)
                        cut.append(view->objectName() + QLatin1Char(' ') + QString::number(c) + QStringLiteral(": ") +
                                   texts[i]);
                }
            }
        }
        return cut;
    }

    static QList<QWidget *> everyWindow(AppHarness &h)
    {
        h.clickMain("sbFleetStatus");
        h.clickMain("sbCalendar");
        QList<QWidget *> windows;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            const QByteArray name = w->metaObject()->className();
            if (name.startsWith("TForm") || name == "FleetWindow" || name == "CalendarWindow")
                windows.append(w);
        }
        return windows;
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
        // Messages speak it too.
        h.forms().form1->show();
        QTest::mouseClick(GuiUtil::child<QToolButton>(h.forms().form1, "bnSchdAdd"), Qt::LeftButton);
        QCOMPARE(h.prompter.asked.size(), 1);
        QCOMPARE(h.prompter.asked[0].text,
                 QStringLiteral("Drag files from the content library into the play list first."));

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

    // Commands and replies read as words in English; the kept words stay,
    // and the search finds a row by either.
    void commandWordsReadInEnglish()
    {
        AppHarness h;
        h.options.language = kEnglish;
        QVERIFY(h.start());
        BoxSimulator boxes(1, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, 1));
        CommandHistory &history = *h.context().history;
        const int before = history.rowCount();
        h.context().cmd->SendBoxCommand(CMD_LANGUAGE, BoxSimulator::macFor(0), {{1}, {}});
        QTRY_COMPARE(history.rowCount(), before + 2);
        const auto shown = [&history](int row) {
            return history.index(row, CommandHistory::StateColumn).data().toString();
        };
        const auto info = [&history](int row) {
            return history.index(row, CommandHistory::InfoColumn).data().toString();
        };
        QCOMPARE(shown(1), QStringLiteral("Command sent"));
        QCOMPARE(info(1), QStringLiteral("Set Language"));
        QCOMPARE(history.cell(1, CommandHistory::InfoColumn), QStringLiteral("Set Lanuage"));
        QCOMPARE(shown(0), QStringLiteral("Language set"));
        // A box's own text is shown as it came.
        QCOMPARE(info(0), QStringLiteral("info set box language"));

        h.clickMain("sb_CMDPrompt");
        TForm6 *window = h.forms().form6;
        auto *filter = GuiUtil::child<QLineEdit>(window, "ed_Filter");
        QSignalSpy searched(window, &TForm6::searched);
        filter->setFocus();
        QTest::keyClicks(filter, QStringLiteral("set language"));
        QTest::keyClick(filter, Qt::Key_Return);
        QVERIFY(searched.wait(5000));
        QStringList found;
        for (int row = 0; row < window->shownModel()->rowCount(); ++row)
            found.append(window->shownModel()->index(row, CommandHistory::InfoColumn).data().toString());
        // The command is kept as "Set Lanuage": found by the word shown.
        QCOMPARE(found, (QStringList{QStringLiteral("info set box language"), QStringLiteral("Set Language")}));
    }

    void everyWindowSpeaksTheChosenLanguage()
    {
        // The language's own name is the one Chinese text an English
        // interface shows.
        static const QRegularExpression chinese(QStringLiteral("[\\x{3000}-\\x{9fff}\\x{ff00}-\\x{ffef}]"));
        // A time written as "%2d:%2d" (" 8: 0", "10:0") rather than 08:00.
        static const QRegularExpression looseTime(QStringLiteral("(?<![\\d.:(])\\d{1,2}: ?\\d(?![\\d.:)])"));
        AppHarness h;
        h.options.language = kEnglish;
        QVERIFY(h.start());
        // A box and a schedule, so that the lists have rows to show.
        BoxSimulator boxes(1, h.boxOptions());
        QVERIFY(h.connectBoxes(boxes, 1));
        TScheduleNode entry;
        entry.StartHour = 8;
        entry.EndHour = 22;
        entry.WeekDays = 0x02;
        entry.vec_shortname = {QStringLiteral("a.mp4")};
        entry.vec_fullname = {h.context().settings.videoDir + QStringLiteral("/a.mp4")};
        QCOMPARE(h.context().schedules->AddSchd(entry), int(RES_OK));
        const QList<QWidget *> windows = everyWindow(h);
        QCOMPARE(windows.size(), 13);
        QStringList left, loose, cut;
        for (QWidget *window : windows) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QString name = QString::fromLatin1(window->metaObject()->className()) + QLatin1Char(' ');
            for (const QString &text : shownTexts(window)) {
                if (chinese.match(text).hasMatch() && text != QStringLiteral("cb_Language: 中文"))
                    left.append(name + text);
                if (looseTime.match(text).hasMatch())
                    loose.append(name + text);
            }
            for (const QString &text : cutWhileThereIsRoom(window))
                cut.append(name + text);
            window->hide();
        }
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char('\n'))));
        QVERIFY2(loose.isEmpty(), qPrintable(loose.join(QLatin1Char('\n'))));
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QLatin1Char('\n'))));

        // In Chinese no window shows an English translation where its
        // source stands.
        QSet<QString> sources, translations;
        const QString catalogue =
            QString::fromUtf8(TestUtil::readFile(QStringLiteral(SOURCE_DIR "/translations/boxfleet_en.ts")));
        static const QRegularExpression pair(
            QStringLiteral("<source>([^<]*)</source>\\s*<translation>([^<]*)</translation>"));
        for (const auto &m : pair.globalMatch(catalogue)) {
            sources.insert(m.captured(1));
            translations.insert(m.captured(2));
        }
        h.options.language = kChinese;
        restart(h);
        QStringList translated;
        for (QWidget *window : everyWindow(h)) {
            window->show();
            for (const QString &text : shownTexts(window)) {
                const QString shown = text.section(QStringLiteral(": "), 1);
                if (translations.contains(shown) && !sources.contains(shown))
                    translated.append(text);
            }
            window->hide();
        }
        QVERIFY2(translated.isEmpty(), qPrintable(translated.join(QLatin1Char('\n'))));
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
