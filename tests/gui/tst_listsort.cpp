// Sorting by a click on a list's header, as the operator does it: every box
// list and the picture library, in the order of the names' GB2312 bytes with
// the ASCII letters folded (北京, 广州, 上海), the state column with "Online"
// first where the lists say so.
#include "appharness.h"
#include "base/clock.h"
#include "config/mainform.h"
#include "console/boxMag.h"
#include "console/boxlists.h"
#include "console/group.h"
#include "console/picklists.h"
#include "schedule/scheduleeditor.h"
#include "testutil.h"

#include <QDir>
#include <QImage>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using GuiUtil::clickHeader;
using GuiUtil::column;

namespace {

const QStringList kNames = {QStringLiteral("上海"), QStringLiteral("北京"), QStringLiteral("ABD"),
                            QStringLiteral("广州"), QStringLiteral("abc")};
const QStringList kSorted = {QStringLiteral("abc"), QStringLiteral("ABD"), QStringLiteral("北京"),
                             QStringLiteral("广州"), QStringLiteral("上海")};

} // namespace

class TestListSort : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<AppHarness> m_h;
    ManualClock m_clock{QDateTime::fromSecsSinceEpoch(1000)};

    QTreeWidget *tree(QWidget *window, const char *name)
    {
        return window->findChild<QTreeWidget *>(QString::fromLatin1(name));
    }

private slots:
    void init()
    {
        m_h = std::make_unique<AppHarness>();
        const QString bmp = m_h->dir.filePath(QStringLiteral("content/BMP/"));
        QDir().mkpath(bmp);
        for (const char *name : {"北.bmp", "b.bmp", "A.bmp"})
            QImage(4, 4, QImage::Format_RGB32).save(bmp + QString::fromUtf8(name), "BMP");
        QVERIFY(m_h->start());
        MacGruoup &reg = m_h->registry();
        reg.setClock(m_clock);
        for (int i = 0; i < kNames.size(); ++i) {
            MacGroupData r;
            r.MacAdd = QStringLiteral("02:00:00:00:00:0%1").arg(i);
            r.IPAdd = QStringLiteral("10.0.0.%1").arg(i);
            r.BoxVer = QStringLiteral("1");
            reg.MergeHeartbeat(r);
            QCOMPARE(reg.SetBoxName(i, kNames[i]), RES_OK);
        }
        // The last two go offline.
        m_clock.advanceSecs(31);
        reg.MergeHeartbeat([] {
            MacGroupData r;
            r.MacAdd = QStringLiteral("02:00:00:00:00:00");
            r.IPAdd = QStringLiteral("10.0.0.0");
            r.BoxVer = QStringLiteral("1");
            return r;
        }());
        reg.CheckOffline();
        // The lists as the heartbeats and the names would have left them.
        UpdatePickLists(m_h->forms(), reg, PickAll, BoxLists::PickRefresh);
        m_h->forms().form1->show();
    }

    void cleanup() { m_h.reset(); }

    void groupList()
    {
        m_h->clickMain("sbGroup");
        QTreeWidget *list = tree(m_h->forms().form2, "lv_GroupList");
        clickHeader(list, 2);
        QCOMPARE(column(list, 2), kSorted);
        clickHeader(list, 4);
        QCOMPARE(column(list, 4), (QStringList{"Offline", "Offline", "Offline", "Offline", "Online"}));
    }

    void mainWindowBoxList()
    {
        QTreeWidget *list = m_h->forms().form1->pickBoxes();
        QCOMPARE(list->topLevelItemCount(), kNames.size());
        clickHeader(list, 0);
        QCOMPARE(column(list, 0), kSorted);
        // The state sorts "Online" first.
        clickHeader(list, 2);
        QCOMPARE(column(list, 2).first(), QStringLiteral("Online"));
        QCOMPARE(column(list, 0).first(), QStringLiteral("上海"));
    }

    void boxManagementList()
    {
        m_h->clickMain("sbBoxManagement");
        QTreeWidget *list = tree(m_h->forms().form3, "lv_OnlineBox");
        QCOMPARE(list->topLevelItemCount(), 1);
        m_clock.advanceSecs(-31);
        for (int i = 1; i < kNames.size(); ++i) {
            MacGroupData r;
            r.MacAdd = QStringLiteral("02:00:00:00:00:0%1").arg(i);
            r.IPAdd = QStringLiteral("10.0.0.%1").arg(i);
            r.BoxVer = QStringLiteral("1");
            m_h->registry().MergeHeartbeat(r);
        }
        m_h->clickMain("sbBoxManagement");
        QCOMPARE(list->topLevelItemCount(), kNames.size());
        clickHeader(list, 3);
        QCOMPARE(column(list, 3), kSorted);
    }

    void pictureLibrary()
    {
        QTreeWidget *list = tree(m_h->forms().form1->editor(), "lv_pictureLib");
        clickHeader(list, 1); // any column first: the click must take effect
        clickHeader(list, 0);
        QCOMPARE(column(list, 0), (QStringList{"A.bmp", "b.bmp", "北.bmp"}));
    }
};

QTEST_MAIN(TestListSort)
#include "tst_listsort.moc"
