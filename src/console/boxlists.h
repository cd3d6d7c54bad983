#pragma once

#include "registry/MacGroup.h"
#include "registry/boxchange.h"

#include <QObject>

#include <functional>

class QComboBox;
class QListWidget;
class QTreeWidget;
class QTreeWidgetItem;

// Puts the registry's rows into the windows' box lists, so that every window
// shows the same texts in the same columns.
namespace BoxLists {

// Pick-list operations.
enum PickCode
{
    PickRefresh = 0,
    PickUpdateBox = 1,
    PickRemoveBox = 2,
    PickGroupDeleted = 5,
    PickGroupAdded = 6,
    PickShowGroup = 8
};

void setRow(QTreeWidgetItem *item, const RowText &row);
QTreeWidgetItem *findByCaption(QTreeWidget *view, const QString &caption);
QTreeWidgetItem *findBySubItem(QTreeWidget *view, int subItem, const QString &text);

void FillGroupList(QTreeWidget *view, const MacGruoup &registry, BoxFilter filter);
void UpdateGroupListRow(QTreeWidget *view, const MacGruoup &registry, const QString &mac);
// Check marks stay on the boxes that had them.
void FillDetailList(QTreeWidget *view, const MacGruoup &registry, BoxFilter filter);
void UpdateDetailRow(QTreeWidget *view, const MacGruoup &registry, BoxFilter filter, const QString &mac);
void FillGroupListBox(QListWidget *box, const MacGruoup &registry);
void FillGroupCombo(QComboBox *box, const MacGruoup &registry);
// Seven unchecked days, Sunday first as the boxes count.
void FillWeekDays(QListWidget *list);
// A pick list's group chooser starts with kAllGroups, which lists every box
// of every group; the groups follow in registry order. A box checked under
// one group stays checked when another group is shown.
inline constexpr char kAllGroups[] = QT_TRANSLATE_NOOP("BoxLists", "全部");
// The chooser's property that holds the group the operator chose last (empty:
// every box); a refresh shows it again when the registry has it, else every box.
inline constexpr char kChosenGroup[] = "chosenGroup";
void PickList(QComboBox *groups, QTreeWidget *boxes, const MacGruoup &registry, int code,
              const QString &argument = QString());
// Shows what the chooser's current entry names (a group, or every box).
void ShowChosenGroup(QComboBox *groups, QTreeWidget *boxes, const MacGruoup &registry);

// The boxes checked in a pick list, under whatever group they were checked,
// in registry order: (MAC, client name).
QList<QPair<QString, QString>> checkedPicks(const QTreeWidget *boxes, const MacGruoup &registry);

// Sorts the rows ascending by the column's text (the caption for column 0),
// by their sort keys (GB2312 bytes, ASCII letters folded); stable.
void sortRows(QTreeWidget *view, int column, bool descending = false);

// Makes the view's header sections clickable and calls sort with the column
// of each click.
void onHeaderClick(QTreeWidget *view, QObject *receiver, std::function<void(int)> sort);

// The checked rows' captions, in list order.
QStringList checkedCaptions(QTreeWidget *view);

} // namespace BoxLists
