// The registry's rows in Qt views: pick-list operations, detail lists that
// keep their check marks, group lists and the group choosers.
#include "appharness.h"
#include "base/clock.h"
#include "console/boxlists.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>

using namespace BoxLists;
using GuiUtil::column;
using GuiUtil::entries;

namespace {

MacGroupData box(const QString &mac)
{
    MacGroupData r;
    r.MacAdd = mac;
    r.IPAdd = QStringLiteral("10.0.0.1");
    r.BoxVer = QStringLiteral("1");
    return r;
}

} // namespace

class TestBoxLists : public QObject
{
    Q_OBJECT

private:
    ManualClock m_clock{QDateTime::fromSecsSinceEpoch(1000)};
    std::unique_ptr<MacGruoup> m_reg;
    QComboBox m_groups;
    QTreeWidget m_boxes;

private slots:
    void init()
    {
        m_reg = std::make_unique<MacGruoup>(m_clock);
        for (const char *mac : {"a", "b", "c", "d"})
            m_reg->MergeHeartbeat(box(QString::fromLatin1(mac)));
        m_reg->AddGroup(QStringLiteral("Hall"));
        m_reg->AddGroup(QStringLiteral("Shop"));
        m_reg->SetBoxGroup(1, QStringLiteral("Hall"));
        m_reg->SetBoxGroup(2, QStringLiteral("Hall"));
        m_reg->SetBoxName(1, QStringLiteral("Front"));
        m_boxes.setColumnCount(3);
        m_groups.clear();
        m_boxes.clear();
    }

    void pickListRefreshShowsTheChosenGroup()
    {
        PickList(&m_groups, &m_boxes, *m_reg, PickRefresh);
        QCOMPARE(entries(&m_groups), (QStringList{"全部", "No Group", "Hall", "Shop"}));
        // It opens on every box, or on the group the operator chose last.
        QCOMPARE(m_groups.currentText(), QStringLiteral("全部"));
        m_groups.setProperty(kChosenGroup, QStringLiteral("No Group"));
        PickList(&m_groups, &m_boxes, *m_reg, PickRefresh);
        QCOMPARE(m_groups.currentText(), QStringLiteral("No Group"));
        QCOMPARE(column(&m_boxes, 1), (QStringList{"a", "d"}));
        QCOMPARE(m_boxes.topLevelItem(0)->checkState(0), Qt::Unchecked);

        PickList(&m_groups, &m_boxes, *m_reg, PickShowGroup, QStringLiteral("Hall"));
        QCOMPARE(m_groups.currentText(), QStringLiteral("Hall"));
        QCOMPARE(column(&m_boxes, 0), (QStringList{"Front", ""}));
        QCOMPARE(column(&m_boxes, 2), (QStringList{"Online", "Online"}));
        // A refresh keeps the chosen group.
        PickList(&m_groups, &m_boxes, *m_reg, PickRefresh);
        QCOMPARE(m_groups.currentText(), QStringLiteral("Hall"));
        PickList(&m_groups, &m_boxes, *m_reg, PickShowGroup, QStringLiteral("Nowhere"));
        QCOMPARE(m_boxes.topLevelItemCount(), 0);
    }

    void pickListFollowsBoxes()
    {
        PickList(&m_groups, &m_boxes, *m_reg, PickRefresh);
        PickList(&m_groups, &m_boxes, *m_reg, PickShowGroup, QStringLiteral("Hall"));
        m_reg->SetBoxName(2, QStringLiteral("Back"));
        PickList(&m_groups, &m_boxes, *m_reg, PickUpdateBox, QStringLiteral("c"));
        QCOMPARE(column(&m_boxes, 0), (QStringList{"Front", "Back"}));
        // A box of another group is not added to this group's list.
        PickList(&m_groups, &m_boxes, *m_reg, PickUpdateBox, QStringLiteral("a"));
        QCOMPARE(m_boxes.topLevelItemCount(), 2);
        m_clock.advanceSecs(31);
        m_reg->CheckOffline();
        PickList(&m_groups, &m_boxes, *m_reg, PickRemoveBox, QStringLiteral("b"));
        QCOMPARE(column(&m_boxes, 1), QStringList{"c"});
        m_reg->SetBoxGroup(0, QStringLiteral("Hall"));
        m_reg->MergeHeartbeat(box(QStringLiteral("a")));
        PickList(&m_groups, &m_boxes, *m_reg, PickUpdateBox, QStringLiteral("a"));
        QCOMPARE(column(&m_boxes, 1), (QStringList{"c", "a"}));
        PickList(&m_groups, &m_boxes, *m_reg, PickUpdateBox, QStringLiteral("unknown"));
        QCOMPARE(m_boxes.topLevelItemCount(), 2);
    }

    void pickListFollowsGroups()
    {
        PickList(&m_groups, &m_boxes, *m_reg, PickRefresh);
        PickList(&m_groups, &m_boxes, *m_reg, PickShowGroup, QStringLiteral("Shop"));
        PickList(&m_groups, &m_boxes, *m_reg, PickGroupAdded, QStringLiteral("Depot"));
        QCOMPARE(entries(&m_groups), (QStringList{"全部", "No Group", "Hall", "Shop", "Depot"}));
        // Deleting a group before the chosen one keeps the same group chosen.
        m_reg->DeleteGroup(QStringLiteral("Hall"));
        PickList(&m_groups, &m_boxes, *m_reg, PickGroupDeleted, QStringLiteral("Hall"));
        QCOMPARE(entries(&m_groups), (QStringList{"全部", "No Group", "Shop", "Depot"}));
        QCOMPARE(m_groups.currentText(), QStringLiteral("Shop"));
        // "No Group" and unknown names are never removed.
        PickList(&m_groups, &m_boxes, *m_reg, PickGroupDeleted, QStringLiteral("No Group"));
        PickList(&m_groups, &m_boxes, *m_reg, PickGroupDeleted, QStringLiteral("Elsewhere"));
        QCOMPARE(m_groups.count(), 4);
        // Deleting the chosen group shows "No Group" with its boxes.
        m_reg->DeleteGroup(QStringLiteral("Shop"));
        PickList(&m_groups, &m_boxes, *m_reg, PickGroupDeleted, QStringLiteral("Shop"));
        QCOMPARE(m_groups.currentText(), QStringLiteral("No Group"));
        QCOMPARE(column(&m_boxes, 1), (QStringList{"a", "b", "c", "d"}));
        // A refresh after the chosen group vanished shows every box.
        PickList(&m_groups, &m_boxes, *m_reg, PickShowGroup, QStringLiteral("Depot"));
        PickList(&m_groups, &m_boxes, *m_reg, PickRefresh);
        QCOMPARE(m_groups.currentText(), QStringLiteral("全部"));
        PickList(&m_groups, &m_boxes, *m_reg, 3, QStringLiteral("a")); // no such operation
        QCOMPARE(m_boxes.topLevelItemCount(), 4);
    }

    void detailListKeepsCheckMarks()
    {
        QTreeWidget details;
        details.setColumnCount(11);
        FillDetailList(&details, *m_reg, BoxFilter::Online);
        QCOMPARE(column(&details, 0), (QStringList{"a", "b", "c", "d"}));
        details.topLevelItem(1)->setCheckState(0, Qt::Checked);
        details.topLevelItem(3)->setCheckState(0, Qt::Checked);
        m_clock.advanceSecs(31);
        m_reg->MergeHeartbeat(box(QStringLiteral("a")));
        m_reg->MergeHeartbeat(box(QStringLiteral("b")));
        m_reg->CheckOffline();
        FillDetailList(&details, *m_reg, BoxFilter::Online);
        QCOMPARE(column(&details, 0), (QStringList{"a", "b"}));
        QCOMPARE(checkedCaptions(&details), QStringList{"b"});
        UpdateDetailRow(&details, *m_reg, BoxFilter::Online, QStringLiteral("a"));
        QCOMPARE(details.topLevelItemCount(), 2);
        m_reg->MergeHeartbeat(box(QStringLiteral("d")));
        UpdateDetailRow(&details, *m_reg, BoxFilter::Online, QStringLiteral("d"));
        QCOMPARE(column(&details, 0), (QStringList{"a", "b", "d"}));
        FillDetailList(&details, *m_reg, BoxFilter::Offline);
        QCOMPARE(column(&details, 0), QStringList{"c"});
    }

    void groupListAndChoosers()
    {
        QTreeWidget groups;
        groups.setColumnCount(5);
        FillGroupList(&groups, *m_reg, BoxFilter::All);
        QCOMPARE(column(&groups, 3), (QStringList{"No Group", "Hall", "Hall", "No Group"}));
        m_reg->SetBoxName(3, QStringLiteral("Door"));
        UpdateGroupListRow(&groups, *m_reg, QStringLiteral("d"));
        QCOMPARE(groups.topLevelItem(3)->text(2), QStringLiteral("Door"));
        UpdateGroupListRow(&groups, *m_reg, QStringLiteral("unknown"));
        QCOMPARE(groups.topLevelItemCount(), 4);

        QListWidget list;
        FillGroupListBox(&list, *m_reg);
        list.setCurrentRow(2);
        m_reg->AddGroup(QStringLiteral("Attic"));
        FillGroupListBox(&list, *m_reg);
        QCOMPARE(list.count(), 4);
        QCOMPARE(list.currentItem()->text(), QStringLiteral("Shop"));
        QComboBox combo;
        FillGroupCombo(&combo, *m_reg);
        QCOMPARE(entries(&combo), (QStringList{"No Group", "Hall", "Shop", "Attic"}));
        QCOMPARE(combo.currentIndex(), 0);
    }
};

QTEST_MAIN(TestBoxLists)
#include "tst_boxlists.moc"
