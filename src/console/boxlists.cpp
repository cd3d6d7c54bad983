#include "boxlists.h"

#include "base/codepage.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHeaderView>
#include <QListWidget>
#include <QSet>
#include <QTreeWidget>

#include <algorithm>

namespace BoxLists {

namespace {

// Repaints once when a whole list has been rebuilt.
class UpdateBracket
{
public:
    explicit UpdateBracket(QWidget *view) : m_view(view), m_was(view->updatesEnabled())
    {
        view->setUpdatesEnabled(false);
    }
    ~UpdateBracket() { m_view->setUpdatesEnabled(m_was); }
    UpdateBracket(const UpdateBracket &) = delete;
    UpdateBracket &operator=(const UpdateBracket &) = delete;

private:
    QWidget *m_view;
    bool m_was;
};

QTreeWidgetItem *newRow(QTreeWidget *view, const RowText &row, bool checkable)
{
    auto *item = new QTreeWidgetItem(view);
    if (checkable) {
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
    }
    setRow(item, row);
    return item;
}

bool isCheckable(QTreeWidget *view)
{
    return view->property("checkable").toBool();
}

// After a whole list was filled, every column is as wide as its texts.
void fitColumns(QTreeWidget *view)
{
    for (int column = 0; column < view->columnCount(); ++column)
        view->resizeColumnToContents(column);
}

} // namespace

namespace {

// A text that became wider than its column widens the column, so that
// updated rows read whole as filled ones do; columns never shrink here. The
// width is the text's own with room for the margins and, in the first
// column, the check box: measuring the whole column again for every changed
// cell would make a burst of heartbeats quadratic.
void setText(QTreeWidgetItem *item, int column, const QString &text)
{
    if (item->text(column) == text)
        return;
    item->setText(column, text);
    item->setToolTip(column, text); // whole, where the column cuts it
    QTreeWidget *view = item->treeWidget();
    if (!view)
        return;
    const int room = column == 0 ? 48 : 20;
    const int needed = view->fontMetrics().horizontalAdvance(text) + room;
    if (needed > view->columnWidth(column))
        view->setColumnWidth(column, needed);
}

} // namespace

void setRow(QTreeWidgetItem *item, const RowText &row)
{
    setText(item, 0, row.caption);
    for (int i = 0; i < row.subItems.size(); ++i)
        setText(item, i + 1, row.subItems[i]);
}

QTreeWidgetItem *findByCaption(QTreeWidget *view, const QString &caption)
{
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->text(0) == caption)
            return view->topLevelItem(i);
    }
    return nullptr;
}

QTreeWidgetItem *findBySubItem(QTreeWidget *view, int subItem, const QString &text)
{
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->text(subItem + 1) == text)
            return view->topLevelItem(i);
    }
    return nullptr;
}

void sortRows(QTreeWidget *view, int column, bool descending)
{
    UpdateBracket bracket(view);
    // The key of each row is made once, not at every comparison.
    QList<QPair<QByteArray, QTreeWidgetItem *>> rows;
    while (view->topLevelItemCount() > 0) {
        QTreeWidgetItem *item = view->takeTopLevelItem(0);
        rows.append({CodePage::sortKey(item->text(column)), item});
    }
    std::stable_sort(rows.begin(), rows.end(), [descending](const auto &a, const auto &b) {
        return descending ? b.first < a.first : a.first < b.first;
    });
    for (const auto &row : rows)
        view->addTopLevelItem(row.second);
}

void onHeaderClick(QTreeWidget *view, QObject *receiver, std::function<void(int)> sort)
{
    // Header sections take clicks only when told to.
    view->header()->setSectionsClickable(true);
    QObject::connect(view->header(), &QHeaderView::sectionClicked, receiver, std::move(sort));
}

QStringList checkedCaptions(QTreeWidget *view)
{
    QStringList result;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->checkState(0) == Qt::Checked)
            result.append(view->topLevelItem(i)->text(0));
    }
    return result;
}

void FillGroupList(QTreeWidget *view, const MacGruoup &registry, BoxFilter filter)
{
    if (!view)
        return;
    UpdateBracket bracket(view);
    view->clear();
    for (int slot = 0; slot < registry.BoxCount(); ++slot) {
        if (registry.Passes(slot, filter))
            newRow(view, registry.GroupListRow(slot), isCheckable(view));
    }
    fitColumns(view);
}

void UpdateGroupListRow(QTreeWidget *view, const MacGruoup &registry, const QString &mac)
{
    if (!view)
        return;
    QTreeWidgetItem *item = findByCaption(view, mac);
    int slot = -1;
    if (registry.FindBox(mac, &slot) != RES_FOUND) {
        delete item;
        return;
    }
    if (item)
        setRow(item, registry.GroupListRow(slot));
    else
        newRow(view, registry.GroupListRow(slot), isCheckable(view));
}

void FillDetailList(QTreeWidget *view, const MacGruoup &registry, BoxFilter filter)
{
    if (!view)
        return;
    const QStringList checked = checkedCaptions(view);
    const QSet<QString> wasChecked(checked.begin(), checked.end());
    UpdateBracket bracket(view);
    view->clear();
    for (int slot = 0; slot < registry.BoxCount(); ++slot) {
        if (!registry.Passes(slot, filter))
            continue;
        QTreeWidgetItem *item = newRow(view, registry.DetailRow(slot), true);
        if (wasChecked.contains(item->text(0)))
            item->setCheckState(0, Qt::Checked);
    }
    fitColumns(view);
}

void UpdateDetailRow(QTreeWidget *view, const MacGruoup &registry, BoxFilter filter, const QString &mac)
{
    if (!view)
        return;
    QTreeWidgetItem *item = findByCaption(view, mac);
    int slot = -1;
    if (registry.FindBox(mac, &slot) != RES_FOUND || !registry.Passes(slot, filter)) {
        delete item;
        return;
    }
    if (item)
        setRow(item, registry.DetailRow(slot));
    else
        newRow(view, registry.DetailRow(slot), true);
}

void FillGroupListBox(QListWidget *box, const MacGruoup &registry)
{
    if (!box)
        return;
    const QStringList names = registry.GroupNames();
    QString remembered;
    if (box->currentRow() > 0)
        remembered = box->currentItem()->text();
    // A heartbeat refills this list; leave it alone when nothing changed.
    QStringList current;
    for (int i = 0; i < box->count(); ++i)
        current.append(box->item(i)->text());
    if (current == names)
        return;
    UpdateBracket bracket(box);
    box->clear();
    box->addItems(names);
    if (!remembered.isEmpty()) {
        const auto found = box->findItems(remembered, Qt::MatchExactly);
        if (!found.isEmpty())
            box->setCurrentItem(found.first());
    }
}

void FillGroupCombo(QComboBox *box, const MacGruoup &registry)
{
    if (!box)
        return;
    const QSignalBlocker blocker(box);
    box->clear();
    box->addItems(registry.GroupNames());
    box->setCurrentIndex(0);
}

void FillWeekDays(QListWidget *list)
{
    static const char *const days[] = {QT_TRANSLATE_NOOP("WeekDays", "星期日"), QT_TRANSLATE_NOOP("WeekDays", "星期一"),
                                       QT_TRANSLATE_NOOP("WeekDays", "星期二"), QT_TRANSLATE_NOOP("WeekDays", "星期三"),
                                       QT_TRANSLATE_NOOP("WeekDays", "星期四"), QT_TRANSLATE_NOOP("WeekDays", "星期五"),
                                       QT_TRANSLATE_NOOP("WeekDays", "星期六")};
    for (const char *day : days) {
        auto *item = new QListWidgetItem(QCoreApplication::translate("WeekDays", day), list);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(Qt::Unchecked);
    }
}

namespace {

// Marks the chooser's first entry as "every box": a group may be called
// 全部 too.
constexpr int kAllRole = Qt::UserRole + 1;
// The MACs checked in a pick list, kept on the list itself, so that checks
// made under one group outlive showing another.
constexpr char kPickedProperty[] = "pickedMacs";

bool showsAll(const QComboBox *groups)
{
    return groups->currentIndex() == 0 && groups->itemData(0, kAllRole).toBool();
}

// The chooser entry of a group: the "every box" entry never names one.
int groupIndex(const QComboBox *groups, const QString &name)
{
    for (int i = 1; i < groups->count(); ++i) {
        if (groups->itemText(i) == name)
            return i;
    }
    return -1;
}

void fillGroups(QComboBox *groups, const MacGruoup &registry)
{
    groups->clear();
    groups->addItem(QCoreApplication::translate("BoxLists", kAllGroups));
    groups->setItemData(0, true, kAllRole);
    groups->addItems(registry.GroupNames());
}

// What is checked now: the shown rows as they stand, the rest as remembered.
QSet<QString> pickedMacs(const QTreeWidget *boxes)
{
    const QStringList stored = boxes->property(kPickedProperty).toStringList();
    QSet<QString> picked(stored.begin(), stored.end());
    for (int i = 0; i < boxes->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = boxes->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked)
            picked.insert(row->text(1));
        else
            picked.remove(row->text(1));
    }
    return picked;
}

void storePicked(QTreeWidget *boxes, const QSet<QString> &picked)
{
    boxes->setProperty(kPickedProperty, QStringList(picked.begin(), picked.end()));
}

void showBoxes(QTreeWidget *boxes, const MacGruoup &registry, const QList<int> &boxSlots)
{
    UpdateBracket bracket(boxes);
    const QSet<QString> picked = pickedMacs(boxes);
    storePicked(boxes, picked);
    boxes->clear();
    for (int slot : boxSlots) {
        QTreeWidgetItem *item = newRow(boxes, registry.PickRow(slot), true);
        if (picked.contains(item->text(1)))
            item->setCheckState(0, Qt::Checked);
    }
    fitColumns(boxes);
}

QList<int> everyBox(const MacGruoup &registry)
{
    // Group by group, as the chooser lists them.
    QList<int> boxSlots;
    QSet<int> listed;
    for (const QString &group : registry.GroupNames()) {
        for (int slot : registry.BoxesOfGroup(group)) {
            if (!listed.contains(slot)) {
                listed.insert(slot);
                boxSlots.append(slot);
            }
        }
    }
    for (int slot = 0; slot < registry.BoxCount(); ++slot) {
        if (!listed.contains(slot))
            boxSlots.append(slot);
    }
    return boxSlots;
}

} // namespace

void ShowChosenGroup(QComboBox *groups, QTreeWidget *boxes, const MacGruoup &registry)
{
    if (!groups || !boxes)
        return;
    showBoxes(boxes, registry, showsAll(groups) ? everyBox(registry) : registry.BoxesOfGroup(groups->currentText()));
}

QList<QPair<QString, QString>> checkedPicks(const QTreeWidget *boxes, const MacGruoup &registry)
{
    QList<QPair<QString, QString>> result;
    if (!boxes)
        return result;
    QSet<QString> picked = pickedMacs(boxes);
    // The shown rows in the order the operator sees them, then the boxes
    // checked under other groups.
    for (int i = 0; i < boxes->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = boxes->topLevelItem(i);
        if (picked.remove(row->text(1)) && registry.FindBox(row->text(1)) == RES_FOUND)
            result.append({row->text(1), row->text(0)});
    }
    for (int slot : everyBox(registry)) {
        const RowText row = registry.PickRow(slot);
        if (picked.contains(row.subItems.value(0)))
            result.append({row.subItems.value(0), row.caption});
    }
    return result;
}

void PickList(QComboBox *groups, QTreeWidget *boxes, const MacGruoup &registry, int code, const QString &argument)
{
    if (!groups || !boxes)
        return;
    const QSignalBlocker blocker(groups);
    switch (code) {
    case PickRefresh: {
        // The operator's last choice, once the list holds it; else the
        // group shown, or every box.
        const QVariant chosen = groups->property(kChosenGroup);
        const bool all = chosen.isValid() ? chosen.toString().isEmpty() : showsAll(groups);
        const QString remembered = chosen.isValid() ? chosen.toString() : groups->currentText();
        fillGroups(groups, registry);
        int index = all ? 0 : groupIndex(groups, remembered);
        if (index < 0)
            index = 0;
        groups->setCurrentIndex(index);
        ShowChosenGroup(groups, boxes, registry);
        break;
    }
    case PickUpdateBox: {
        int slot = -1;
        if (registry.FindBox(argument, &slot) != RES_FOUND)
            return;
        const RowText row = registry.PickRow(slot);
        if (QTreeWidgetItem *item = findBySubItem(boxes, 0, argument)) {
            setRow(item, row);
        } else if (showsAll(groups) || registry.GroupNameOf(slot) == groups->currentText()) {
            // Only the chosen group's boxes belong in the list.
            const QStringList picked = boxes->property(kPickedProperty).toStringList();
            newRow(boxes, row, true)->setCheckState(0, picked.contains(argument) ? Qt::Checked : Qt::Unchecked);
        }
        break;
    }
    case PickRemoveBox: {
        QSet<QString> picked = pickedMacs(boxes);
        picked.remove(argument);
        storePicked(boxes, picked);
        delete findBySubItem(boxes, 0, argument);
        break;
    }
    case PickGroupDeleted: {
        // The first group (the default one) is never deleted.
        const int index = groupIndex(groups, argument);
        if (index <= 1)
            return;
        const int selected = groups->currentIndex();
        groups->removeItem(index);
        if (index < selected) {
            groups->setCurrentIndex(selected - 1);
        } else if (index == selected) {
            groups->setCurrentIndex(1);
            ShowChosenGroup(groups, boxes, registry);
        }
        break;
    }
    case PickGroupAdded:
        groups->addItem(argument);
        break;
    case PickShowGroup: {
        groups->setProperty(kChosenGroup, QVariant());
        const int index = groupIndex(groups, argument);
        if (index >= 0)
            groups->setCurrentIndex(index);
        showBoxes(boxes, registry, registry.BoxesOfGroup(argument));
        break;
    }
    default:
        break;
    }
}

} // namespace BoxLists
