// The main window as it opens: on a 1280×800 screen a MAC, a box name and a
// file name read whole and every library tab shows; lists widen a column when
// an updated row no longer fits it; boxes without a name show their MAC.
#include "appharness.h"
#include "config/language.h"
#include "config/mainform.h"
#include "console/boxlists.h"
#include "console/picklists.h"
#include "console/schdlist.h"
#include "schedule/scheduleeditor.h"
#include "testutil.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

class TestLayout : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_h;

    // The column is at least as wide as a list of the same kind, holding
    // just that row, makes it when told to fit its texts.
    static bool readsWhole(QTreeWidget *view, int column, const QString &text)
    {
        QTreeWidgetItem *row = nullptr;
        for (int i = 0; i < view->topLevelItemCount() && !row; ++i) {
            if (view->topLevelItem(i)->text(column) == text)
                row = view->topLevelItem(i);
        }
        if (!row)
            return false;
        QTreeWidget probe;
        probe.setFont(view->font());
        probe.setColumnCount(view->columnCount());
        probe.setRootIsDecorated(view->rootIsDecorated());
        probe.addTopLevelItem(row->clone());
        probe.resizeColumnToContents(column);
        return probe.columnWidth(column) <= view->columnWidth(column);
    }

    void heartbeat(const QString &mac)
    {
        MacGroupData r;
        r.MacAdd = mac;
        r.IPAdd = QStringLiteral("10.0.0.1");
        r.BoxVer = QStringLiteral("1");
        m_h->registry().MergeHeartbeat(r);
    }

private slots:
    void init()
    {
        m_h = std::make_unique<AppHarness>();
        const QString root = m_h->dir.filePath(QStringLiteral("content/"));
        QDir().mkpath(root + QStringLiteral("video"));
        TestUtil::writeFile(root + QStringLiteral("video/广告-春节特别版-2026.avi"), "movie");
        QVERIFY(m_h->start());
    }

    void cleanup() { m_h.reset(); }

    void everyWindowFitsAndShowsItsButtons_data()
    {
        QTest::addColumn<QString>("language");
        QTest::newRow("Chinese") << kChinese;
        QTest::newRow("English") << kEnglish;
    }

    void everyWindowFitsAndShowsItsButtons()
    {
        QFETCH(QString, language);
        m_h->app.reset();
        m_h->options.language = language;
        QVERIFY(m_h->start());
        // The eleven windows, the fleet status and the calendar window.
        m_h->clickMain("sbFleetStatus");
        m_h->clickMain("sbCalendar");
        QList<QWidget *> windows;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (QByteArray(w->metaObject()->className()).startsWith("TForm") || w->inherits("FleetWindow") ||
                w->inherits("CalendarWindow"))
                windows.append(w);
        }
        QCOMPARE(windows.size(), 13);
        QStringList faults;
        for (QWidget *window : std::as_const(windows)) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QString name = QString::fromLatin1(window->metaObject()->className());
            if (window->width() > 1280 || window->height() > 800)
                faults.append(name + QStringLiteral(" opens %1x%2").arg(window->width()).arg(window->height()));
            for (const QAbstractButton *button : window->findChildren<QAbstractButton *>()) {
                if (!button->isVisibleTo(window) || button->window() != window)
                    continue;
                const QRect at(button->mapTo(window, QPoint(0, 0)), button->size());
                if (!window->rect().contains(at))
                    faults.append(name + QStringLiteral(" cuts ") + button->objectName());
                // Its caption reads whole.
                if (!button->text().isEmpty() && button->sizeHint().width() > button->width())
                    faults.append(name + QStringLiteral(" clips the caption of ") + button->objectName());
            }
            for (const QLabel *label : window->findChildren<QLabel *>()) {
                if (label->isVisibleTo(window) && !label->wordWrap() && !label->text().isEmpty() &&
                    label->sizeHint().width() > label->width())
                    faults.append(name + QStringLiteral(" clips the label ") + label->objectName());
            }
            // Every column of a table reads without scrolling sideways.
            for (const QTableView *view : window->findChildren<QTableView *>()) {
                if (view->isVisibleTo(window) && view->horizontalScrollBar()->maximum() > 0)
                    faults.append(name + QStringLiteral(" scrolls sideways"));
            }
            window->hide();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QStringLiteral("; "))));
    }

    void opensToFitALaptopScreen_data() { everyWindowFitsAndShowsItsButtons_data(); }

    void opensToFitALaptopScreen()
    {
        QFETCH(QString, language);
        m_h->app.reset();
        m_h->options.language = language;
        QVERIFY(m_h->start());
        TForm1 *window = m_h->forms().form1;
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QVERIFY(window->width() <= 1280 && window->height() <= 760);
        QVERIFY(window->minimumSizeHint().width() <= window->width());

        const QString mac = QStringLiteral("02:00:00:00:00:00");
        heartbeat(mac);
        m_h->registry().SetBoxName(0, QStringLiteral("大厅左侧屏"));
        UpdatePickLists(m_h->forms(), m_h->registry(), PickMain, BoxLists::PickRefresh);
        QTreeWidget *boxes = window->pickBoxes();
        QCOMPARE(boxes->topLevelItemCount(), 1);
        QVERIFY(readsWhole(boxes, 0, QStringLiteral("大厅左侧屏")));
        QVERIFY(readsWhole(boxes, 1, mac));
        // The three columns fit the list without scrolling sideways.
        int total = 0;
        for (int c = 0; c < boxes->columnCount(); ++c)
            total += boxes->columnWidth(c);
        QVERIFY2(total <= boxes->viewport()->width(), qPrintable(QString::number(total)));

        auto *video = window->editor()->findChild<QListWidget *>(QStringLiteral("FileListBoxVideo"));
        const QString name = video->item(0)->text();
        QVERIFY(video->fontMetrics().horizontalAdvance(name) <= video->viewport()->width());
        auto *library = window->editor()->findChild<QTabWidget *>(QStringLiteral("PageControl3"));
        QTabBar *tabs = library->tabBar();
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->isTabVisible(i))
                QVERIFY2(tabs->rect().contains(tabs->tabRect(i)), qPrintable(tabs->tabText(i)));
        }
    }

    void updatedRowsWidenTheirColumns()
    {
        TForm1 *window = m_h->forms().form1;
        window->show();
        heartbeat(QStringLiteral("m1"));
        UpdatePickLists(m_h->forms(), m_h->registry(), PickMain, BoxLists::PickRefresh);
        QTreeWidget *boxes = window->pickBoxes();
        // A long name arrives by an update of the row, not a refill.
        const QString longName = QStringLiteral("一个名字很长很长的显示屏");
        m_h->registry().SetBoxName(0, longName);
        UpdatePickLists(m_h->forms(), m_h->registry(), PickMain, BoxLists::PickUpdateBox, QStringLiteral("m1"));
        QCOMPARE(boxes->topLevelItem(0)->text(0), longName);
        QVERIFY(readsWhole(boxes, 0, longName));
    }

    void unnamedBoxesShowTheirMac()
    {
        heartbeat(QStringLiteral("02:00:00:00:00:07"));
        heartbeat(QStringLiteral("02:00:00:00:00:08"));
        m_h->registry().SetBoxName(1, QStringLiteral("前台"));
        m_h->forms().form4->OpenAllBoxes();
        auto *names = m_h->forms().form4->findChild<QListWidget *>(QStringLiteral("clb_BoxName"));
        QCOMPARE(GuiUtil::entries(names), (QStringList{"02:00:00:00:00:07", "前台"}));
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
