// The group management window: adding, deleting, renaming and merging groups,
// naming boxes and moving them, the refused names, and the lists of the other
// windows following every change.
#include "app/serverapp.h"
#include "appharness.h"
#include "base/clock.h"
#include "config/mainform.h"
#include "console/boxlists.h"
#include "console/group.h"
#include "console/picklists.h"
#include "ftp/ftpfile.h"
#include "scriptedprompter.h"
#include "testutil.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

using GuiUtil::column;
using GuiUtil::entries;

class TestGroup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_harness;
    QTemporaryDir *m_dir = nullptr;
    ScriptedPrompter *m_prompter = nullptr;
    ServerApp *m_app = nullptr;
    ManualClock m_clock{QDateTime::fromSecsSinceEpoch(1000)};

    TForm2 *window() { return m_app->forms().form2; }
    MacGruoup &registry() { return *m_app->context().registry; }
    template <typename T> T *control(const char *name) { return window()->findChild<T *>(QString::fromLatin1(name)); }
    void click(const char *name) { control<QToolButton>(name)->click(); }
    QTreeWidget *groupList() { return control<QTreeWidget>("lv_GroupList"); }
    QComboBox *mainGroups() { return m_app->forms().form1->pickGroups(); }
    QComboBox *ftpGroups() { return m_app->forms().form7->pickGroups(); }

    void addGroup(const QString &name)
    {
        control<QLineEdit>("edAddGpName")->setText(name);
        click("sbAddGroup");
    }
    void selectGroup(const QString &name)
    {
        auto *list = control<QListWidget>("lbGroupName");
        const auto found = list->findItems(name, Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        list->setCurrentItem(found.first());
    }
    void selectBox(int row) { groupList()->setCurrentItem(groupList()->topLevelItem(row)); }

private slots:
    void init()
    {
        m_harness = std::make_unique<AppHarness>();
        QVERIFY(m_harness->start());
        m_dir = &m_harness->dir;
        m_prompter = &m_harness->prompter;
        m_app = m_harness->app.get();
        m_app->setClock(m_clock);
        for (const char *mac : {"00:00:00:00:00:0C", "00:00:00:00:00:0A", "00:00:00:00:00:0B"}) {
            MacGroupData r;
            r.MacAdd = QString::fromLatin1(mac);
            r.IPAdd = QStringLiteral("10.0.0.1");
            r.BoxVer = QStringLiteral("1");
            registry().MergeHeartbeat(r);
        }
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbGroup"))->click();
        QVERIFY(window()->isVisible());
        QCOMPARE(groupList()->topLevelItemCount(), 3);
    }

    void cleanup() { m_harness.reset(); }

    // A window's pick list opens on the group last chosen in it, also after a restart.
    void theChosenGroupIsKeptForTheNextStart()
    {
        addGroup(QStringLiteral("Hall"));
        selectBox(0);
        auto *groups = control<QComboBox>("cbGroupName");
        groups->setCurrentIndex(groups->findText(QStringLiteral("Hall")));
        click("sbMACNodeModify");
        QComboBox *chooser = ftpGroups();
        for (int i = 0; i < chooser->count() && chooser->currentText() != QStringLiteral("Hall"); ++i)
            QTest::keyClick(chooser, Qt::Key_Down);
        QCOMPARE(chooser->currentText(), QStringLiteral("Hall"));
        QTimer::singleShot(0, m_app->forms().form1, &QWidget::close);
        QCOMPARE(m_app->exec(), 0);
        m_harness->app.reset();
        QVERIFY(m_harness->start());
        QCOMPARE(m_harness->forms().form7->pickGroups()->currentText(), QStringLiteral("Hall"));
        QCOMPARE(m_harness->forms().form1->pickGroups()->currentText(), QStringLiteral("全部"));
    }

    void addsGroups()
    {
        addGroup(QString());
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), QStringList{"No Group"});
        addGroup(QStringLiteral("大厅"));
        const QStringList expected = {"No Group", "大厅"};
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), expected);
        QCOMPARE(entries(control<QComboBox>("cbGroupName")), expected);
        QCOMPARE(entries(mainGroups()), QStringList{"全部"} + expected);
        QCOMPARE(entries(ftpGroups()), QStringList{"全部"} + expected);
        addGroup(QStringLiteral("大厅"));
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), expected);
        QCOMPARE(entries(mainGroups()), QStringList{"全部"} + expected);
        QVERIFY(m_prompter->asked.isEmpty());
    }

    void refusesNamesTheRegistryCannotHold_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("63 bytes") << QString(31, u'组') + QLatin1Char('x') << true;
        QTest::newRow("64 bytes") << QString(32, u'组') << false;
        QTest::newRow("comma") << QStringLiteral("a,b") << false;
        QTest::newRow("brace") << QStringLiteral("a}") << false;
        QTest::newRow("not GB2312") << QStringLiteral("그룹") << false;
        QTest::newRow("bracket") << QStringLiteral("[VIP] Lobby") << false;
        QTest::newRow("user-defined code") << QString(QChar(0xE000)) << false;
    }

    void refusesNamesTheRegistryCannotHold()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        addGroup(name);
        QCOMPARE(registry().GroupIndexOf(name) != 0, accepted);
        QCOMPARE(m_prompter->asked.size(), accepted ? 0 : 1);
        if (!accepted) {
            QCOMPARE(m_prompter->asked[0].title, QStringLiteral("Error"));
            QVERIFY(m_prompter->asked[0].text.contains(name));
            if (name.contains(QLatin1Char('[')))
                QVERIFY(m_prompter->asked[0].text.contains(QLatin1String("'['")));
            // A name GB2312 cannot hold is told which characters.
            if (name == QStringLiteral("그룹"))
                QVERIFY(m_prompter->asked[0].text.endsWith(QStringLiteral("cannot store: 그, 룹")));
        }
        // The same check guards a box's client name.
        m_prompter->asked.clear();
        selectBox(0);
        control<QLineEdit>("edClientName")->setText(name);
        click("sbMACNodeModify");
        QCOMPARE(registry().Box(0).ClientName == name, accepted);
        QCOMPARE(m_prompter->asked.size(), accepted ? 0 : 1);
    }

    void deletesGroups()
    {
        addGroup(QStringLiteral("Hall"));
        addGroup(QStringLiteral("Shop"));
        registry().SetBoxGroup(1, QStringLiteral("Hall"));
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbGroup"))->click();
        QCOMPARE(column(groupList(), 3), (QStringList{"No Group", "Hall", "No Group"}));
        // Nothing selected: nothing happens.
        control<QListWidget>("lbGroupName")->setCurrentRow(-1);
        click("sbDelGroup");
        QCOMPARE(registry().ListGroups().size(), 3);
        selectGroup(QStringLiteral("Hall"));
        click("sbDelGroup");
        QCOMPARE(column(groupList(), 3), (QStringList{"No Group", "No Group", "No Group"}));
        const QStringList expected = {"No Group", "Shop"};
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), expected);
        QCOMPARE(entries(mainGroups()), QStringList{"全部"} + expected);
        QCOMPARE(entries(ftpGroups()), QStringList{"全部"} + expected);
        // "No Group" stays.
        selectGroup(QStringLiteral("No Group"));
        click("sbDelGroup");
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), expected);
    }

    void renamesAndMergesGroups()
    {
        addGroup(QStringLiteral("A"));
        addGroup(QStringLiteral("B"));
        registry().SetBoxGroup(0, QStringLiteral("A"));
        registry().SetBoxGroup(2, QStringLiteral("B"));
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbGroup"))->click();
        selectGroup(QStringLiteral("A"));
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("C"));
        click("sbRenameGroup");
        QCOMPARE(column(groupList(), 3), (QStringList{"C", "No Group", "B"}));
        QCOMPARE(entries(mainGroups()), (QStringList{"全部", "No Group", "C", "B"}));
        // Onto another group's name: asked first; No changes nothing.
        selectGroup(QStringLiteral("C"));
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("B"));
        m_prompter->answerMessage(Prompter::Button::No);
        click("sbRenameGroup");
        QVERIFY(m_prompter->asked.last().text.startsWith(QLatin1String("A group named \"B\" exists")));
        QCOMPARE(column(groupList(), 3), (QStringList{"C", "No Group", "B"}));
        // Yes: the two merge and the old name is gone everywhere.
        selectGroup(QStringLiteral("C"));
        click("sbRenameGroup");
        QCOMPARE(column(groupList(), 3), (QStringList{"B", "No Group", "B"}));
        const QStringList expected = {"No Group", "B"};
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), expected);
        QCOMPARE(entries(mainGroups()), QStringList{"全部"} + expected);
        QCOMPARE(entries(ftpGroups()), QStringList{"全部"} + expected);
        // Onto its own name: nothing changes.
        selectGroup(QStringLiteral("B"));
        click("sbRenameGroup");
        QCOMPARE(registry().GroupIndexOf(QStringLiteral("B")), 3);
        QCOMPARE(entries(control<QListWidget>("lbGroupName")), expected);
    }

    void appliesNameAndGroup()
    {
        addGroup(QStringLiteral("Hall"));
        // No box chosen.
        click("sbMACNodeModify");
        QCOMPARE(m_prompter->asked.size(), 1);
        QCOMPARE(m_prompter->asked[0].title, QStringLiteral("Error"));
        QCOMPARE(m_prompter->asked[0].text, QStringLiteral("Warning: Not selected an effective box"));

        selectBox(0);
        QCOMPARE(control<QLineEdit>("edMACAdd")->text(), QStringLiteral("00:00:00:00:00:0C"));
        control<QLineEdit>("edClientName")->setText(QStringLiteral("前台"));
        auto *groups = control<QComboBox>("cbGroupName");
        groups->setCurrentIndex(groups->findText(QStringLiteral("Hall")));
        click("sbMACNodeModify");
        QCOMPARE(registry().Box(0).ClientName, QStringLiteral("前台"));
        QCOMPARE(registry().GroupNameOf(0), QStringLiteral("Hall"));
        QCOMPARE(groupList()->topLevelItem(0)->text(2), QStringLiteral("前台"));
        QCOMPARE(groupList()->topLevelItem(0)->text(3), QStringLiteral("Hall"));

        // A name another box has: "Repeat Name", and the group still applies.
        selectBox(1);
        control<QLineEdit>("edClientName")->setText(QStringLiteral("前台"));
        groups->setCurrentIndex(groups->findText(QStringLiteral("Hall")));
        click("sbMACNodeModify");
        QCOMPARE(m_prompter->asked.size(), 2);
        QCOMPARE(m_prompter->asked[1].title, QStringLiteral("群组管理"));
        QCOMPARE(m_prompter->asked[1].text, QStringLiteral("Repeat Name"));
        QVERIFY(registry().Box(1).ClientName.isEmpty());
        QCOMPARE(registry().GroupNameOf(1), QStringLiteral("Hall"));

        // An empty name keeps the box's name and moves only its group.
        selectBox(0);
        control<QLineEdit>("edClientName")->clear();
        groups->setCurrentIndex(groups->findText(QStringLiteral("No Group")));
        click("sbMACNodeModify");
        QCOMPARE(registry().Box(0).ClientName, QStringLiteral("前台"));
        QCOMPARE(registry().GroupNameOf(0), QStringLiteral("No Group"));
    }

    void applyingKeepsWhatTheOperatorChose()
    {
        addGroup(QStringLiteral("Hall"));
        auto *groups = control<QComboBox>("cbGroupName");
        // The main window's transfer selection, its list as the boxes'
        // heartbeats would have left it.
        UpdatePickLists(m_app->forms(), registry(), PickMain, BoxLists::PickRefresh);
        // It opens on every box; the operator picks "No Group".
        QComboBox *chooser = m_app->forms().form1->pickGroups();
        QCOMPARE(chooser->currentText(), QStringLiteral("全部"));
        chooser->setCurrentIndex(chooser->findText(QStringLiteral("No Group")));
        QTreeWidget *picks = m_app->forms().form1->pickBoxes();
        QCOMPARE(picks->topLevelItemCount(), 3);
        for (int i = 0; i < 3; ++i)
            picks->topLevelItem(i)->setCheckState(0, Qt::Checked);

        // "应用" twice: the box stays in the group it was given.
        selectBox(0);
        groups->setCurrentIndex(groups->findText(QStringLiteral("Hall")));
        click("sbMACNodeModify");
        QCOMPARE(registry().GroupNameOf(0), QStringLiteral("Hall"));
        QCOMPARE(groups->currentText(), QStringLiteral("Hall"));
        click("sbMACNodeModify");
        QCOMPARE(registry().GroupNameOf(0), QStringLiteral("Hall"));

        // A refused client name is told, and the group change still goes through.
        selectBox(1);
        control<QLineEdit>("edClientName")->setText(QStringLiteral("[VIP]"));
        groups->setCurrentIndex(groups->findText(QStringLiteral("Hall")));
        click("sbMACNodeModify");
        QCOMPARE(m_prompter->asked.size(), 1);
        QCOMPARE(registry().GroupNameOf(1), QStringLiteral("Hall"));
        QVERIFY(registry().Box(1).ClientName.isEmpty());

        // Renaming a group keeps the check marks of the boxes still listed.
        auto *mainGroups = m_app->forms().form1->pickGroups();
        QCOMPARE(mainGroups->currentText(), QStringLiteral("No Group"));
        selectGroup(QStringLiteral("Hall"));
        control<QLineEdit>("edAddGpName")->setText(QStringLiteral("Lobby"));
        click("sbRenameGroup");
        QCOMPARE(picks->topLevelItemCount(), 1);
        QCOMPARE(picks->topLevelItem(0)->checkState(0), Qt::Checked);
    }

    void removesAnOfflineBoxFromItsContextMenu()
    {
        // Right-click a row, choose the menu's only item.
        const auto chooseRemove = [this](int row) {
            QTreeWidget *list = groupList();
            const QRect rect = list->visualItemRect(list->topLevelItem(row));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
            QTimer::singleShot(0, this, [] {
                QWidget *menu = QApplication::activePopupWidget();
                QVERIFY(menu);
                QTest::keyClick(menu, Qt::Key_Down);
                QTest::keyClick(menu, Qt::Key_Return);
            });
            // The right button's press, as the window system delivers it.
            QContextMenuEvent press(QContextMenuEvent::Mouse, rect.center(),
                                    list->viewport()->mapToGlobal(rect.center()));
            QApplication::sendEvent(list->viewport(), &press);
        };
        m_clock.advanceSecs(31);
        registry().CheckOffline();
        registry().MergeHeartbeat([] {
            MacGroupData r;
            r.MacAdd = QStringLiteral("00:00:00:00:00:0A");
            r.IPAdd = QStringLiteral("10.0.0.1");
            r.BoxVer = QStringLiteral("1");
            return r;
        }());
        // Online: refused with a word.
        chooseRemove(1);
        QTRY_COMPARE(m_prompter->asked.size(), 1);
        QVERIFY(m_prompter->asked[0].text.contains(QLatin1String("is online")));
        QCOMPARE(registry().BoxCount(), 3);
        // Offline, but the operator says no.
        m_prompter->answerMessage(Prompter::Button::No);
        chooseRemove(0);
        QTRY_COMPARE(m_prompter->asked.size(), 2);
        QVERIFY(m_prompter->asked[1].text.contains(QLatin1String("00:00:00:00:00:0C")));
        QCOMPARE(registry().BoxCount(), 3);
        // Yes: gone from the registry and every list.
        m_prompter->answerMessage(Prompter::Button::Yes);
        chooseRemove(0);
        QTRY_COMPARE(registry().BoxCount(), 2);
        QCOMPARE(column(groupList(), 0), (QStringList{"00:00:00:00:00:0A", "00:00:00:00:00:0B"}));
        QCOMPARE(registry().FindBox(QStringLiteral("00:00:00:00:00:0C")), RES_NOTFOUND);
    }

    void sortsByAColumn()
    {
        m_clock.advanceSecs(31);
        registry().CheckOffline();
        MacGroupData r;
        r.MacAdd = QStringLiteral("00:00:00:00:00:0B");
        r.IPAdd = QStringLiteral("10.0.0.1");
        r.BoxVer = QStringLiteral("1");
        registry().MergeHeartbeat(r);
        m_app->forms().form1->findChild<QToolButton *>(QStringLiteral("sbGroup"))->click();
        QCOMPARE(column(groupList(), 4), (QStringList{"Offline", "Offline", "Online"}));
        GuiUtil::clickHeader(groupList(), 0);
        QCOMPARE(column(groupList(), 0), (QStringList{"00:00:00:00:00:0A", "00:00:00:00:00:0B", "00:00:00:00:00:0C"}));
        GuiUtil::clickHeader(groupList(), 4);
        QCOMPARE(column(groupList(), 4), (QStringList{"Offline", "Offline", "Online"}));
        QCOMPARE(column(groupList(), 0).last(), QStringLiteral("00:00:00:00:00:0B"));
    }
};

QTEST_MAIN(TestGroup)
#include "tst_group.moc"
