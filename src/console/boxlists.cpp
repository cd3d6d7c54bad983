#include "boxlists.h"

#include "config/codepage.h"

#include <QComboBox>
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

void PickList(QComboBox *groups, QTreeWidget *boxes, const MacGruoup &registry, int code, const QString &argument)
{
    if (!groups || !boxes)
        return;
    const QSignalBlocker blocker(groups);
    switch (code) {
    case PickRefresh: {
        const QString remembered = groups->currentText();
        groups->clear();
        groups->addItems(registry.GroupNames());
        const int index = groups->findText(remembered, Qt::MatchExactly);
        groups->setCurrentIndex(index >= 0 ? index : 0);
        PickList(groups, boxes, registry, PickShowGroup, groups->currentText());
        break;
    }
    case PickUpdateBox: {
        int slot = -1;
        if (registry.FindBox(argument, &slot) != RES_FOUND)
            return;
        const RowText row = registry.PickRow(slot);
        if (QTreeWidgetItem *item = findBySubItem(boxes, 0, argument)) {
            setRow(item, row);
        } else if (registry.GroupNameOf(slot) == groups->currentText()) {
            // Only the chosen group's boxes belong in the list.
            newRow(boxes, row, true);
        }
        break;
    }
    case PickRemoveBox:
        delete findBySubItem(boxes, 0, argument);
        break;
    case PickGroupDeleted: {
        const int index = groups->findText(argument, Qt::MatchExactly);
        if (index <= 0)
            return;
        const int selected = groups->currentIndex();
        groups->removeItem(index);
        if (index < selected) {
            groups->setCurrentIndex(selected - 1);
        } else if (index == selected) {
            groups->setCurrentIndex(0);
            PickList(groups, boxes, registry, PickShowGroup, groups->currentText());
        }
        break;
    }
    case PickGroupAdded:
        groups->addItem(argument);
        break;
    case PickShowGroup: {
        const int index = groups->findText(argument, Qt::MatchExactly);
        if (index >= 0)
            groups->setCurrentIndex(index);
        UpdateBracket bracket(boxes);
        // The operator's check marks (a transfer's boxes) outlive the
        // rebuild, as in the detail list.
        QSet<QString> checked;
        for (int i = 0; i < boxes->topLevelItemCount(); ++i) {
            if (boxes->topLevelItem(i)->checkState(0) == Qt::Checked)
                checked.insert(boxes->topLevelItem(i)->text(1));
        }
        boxes->clear();
        for (int slot : registry.BoxesOfGroup(argument)) {
            QTreeWidgetItem *item = newRow(boxes, registry.PickRow(slot), true);
            if (checked.contains(item->text(1)))
                item->setCheckState(0, Qt::Checked);
        }
        fitColumns(boxes);
        break;
    }
    default:
        break;
    }
}

} // namespace BoxLists
