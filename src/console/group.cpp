#include "group.h"

#include "ui_group.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "boxlists.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "picklists.h"
#include "registry/MacGroup.h"

#include <QAction>
#include <QHeaderView>

TForm2::TForm2(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm2>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    if (!m_context.registry)
        return;
    MacGruoup &registry = *m_context.registry;
    // The registry file is read once, when this window is made; a missing
    // file is a first start.
    LoadRegistryFile(registry, m_context.settings.registryFile);
    refill();
    UpdatePickLists(m_forms, registry, PickMain, BoxLists::PickRefresh);

    connect(m_ui->lv_GroupList, &QTreeWidget::itemSelectionChanged, this, &TForm2::lv_GroupListSelect);
    BoxLists::onHeaderClick(m_ui->lv_GroupList, this, [this](int column) {
        m_sortColumn = column;
        BoxLists::sortRows(m_ui->lv_GroupList, column);
    });
    connect(m_ui->sbAddGroup, &QToolButton::clicked, this, &TForm2::sbAddGroupClick);
    connect(m_ui->sbDelGroup, &QToolButton::clicked, this, &TForm2::sbDelGroupClick);
    connect(m_ui->sbRenameGroup, &QToolButton::clicked, this, &TForm2::sbRenameGroupClick);
    connect(m_ui->sbMACNodeModify, &QToolButton::clicked, this, &TForm2::sbMACNodeModifyClick);

    // An offline box can be forgotten, so that boxes that no longer exist
    // (or MACs a stray peer invented) do not hold registry places for good.
    auto *removeBox = new QAction(tr("删除设备"), m_ui->lv_GroupList);
    removeBox->setObjectName(QStringLiteral("actRemoveBox"));
    m_ui->lv_GroupList->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_ui->lv_GroupList->addAction(removeBox);
    connect(removeBox, &QAction::triggered, this, &TForm2::removeBoxClick);
}

TForm2::~TForm2() = default;

QTreeWidget *TForm2::groupList() const
{
    return m_ui->lv_GroupList;
}

QListWidget *TForm2::groupListBox() const
{
    return m_ui->lbGroupName;
}

QComboBox *TForm2::groupCombo() const
{
    return m_ui->cbGroupName;
}

void TForm2::message(const QString &title, const char *text)
{
    m_context.prompter->message(title, Msg::tr(text), Prompter::Buttons::Ok, Prompter::Icon::None);
}

void TForm2::lv_GroupListSelect()
{
    const auto selected = m_ui->lv_GroupList->selectedItems();
    if (selected.isEmpty())
        return;
    const QTreeWidgetItem *row = selected.first();
    m_ui->edMACAdd->setText(row->text(0));
    m_ui->edClientName->setText(row->text(2));
    const int index = m_ui->cbGroupName->findText(row->text(3), Qt::MatchExactly);
    if (index >= 0)
        m_ui->cbGroupName->setCurrentIndex(index);
}

QString TForm2::selectedGroup() const
{
    const int row = m_ui->lbGroupName->currentRow();
    if (row < 0 || row > 100 || !m_ui->lbGroupName->currentItem() || !m_ui->lbGroupName->currentItem()->isSelected())
        return QString();
    return m_ui->lbGroupName->currentItem()->text();
}

bool TForm2::acceptableName(const QString &name)
{
    const char *problem = nullptr;
    const qsizetype bytes = CodePage::byteLength(name);
    if (bytes < 0)
        problem = Msg::NameNotEncodable;
    else if (bytes >= GroupNameLen)
        problem = Msg::NameTooLong;
    else if (!MacGruoup::IsValidName(name))
        problem = Msg::NameBadCharacters;
    if (!problem)
        return true;
    QString text = Msg::tr(problem).arg(name);
    if (problem == Msg::NameNotEncodable)
        text = text.arg(CodePage::unencodable(name));
    m_context.prompter->error(Msg::tr(Msg::ErrorTitle), text);
    return false;
}

void TForm2::refreshAfterGroupChange()
{
    const MacGruoup &registry = *m_context.registry;
    emit boxListStale();
    BoxLists::FillGroupListBox(groupListBox(), registry);
    BoxLists::FillGroupCombo(groupCombo(), registry);
    UpdatePickLists(m_forms, registry, PickMain | PickFtpFiles, BoxLists::PickRefresh);
}

void TForm2::sbAddGroupClick()
{
    const QString name = m_ui->edAddGpName->text();
    if (name.isEmpty() || !acceptableName(name))
        return;
    MacGruoup &registry = *m_context.registry;
    const bool existed = registry.GroupIndexOf(name) != 0;
    if (registry.AddGroup(name) != RES_OK)
        return;
    BoxLists::FillGroupListBox(groupListBox(), registry);
    BoxLists::FillGroupCombo(groupCombo(), registry);
    if (existed)
        return;
    UpdatePickLists(m_forms, registry, PickMain | PickFtpFiles, BoxLists::PickGroupAdded, name);
}

void TForm2::sbDelGroupClick()
{
    const QString name = selectedGroup();
    if (name.isEmpty())
        return;
    MacGruoup &registry = *m_context.registry;
    QList<int> moved;
    if (registry.DeleteGroup(name, &moved) != RES_OK)
        return;
    for (int slot : moved)
        BoxLists::UpdateGroupListRow(groupList(), registry, registry.Box(slot).MacAdd);
    // The detail list shows each box's group too.
    emit boxListStale();
    BoxLists::FillGroupListBox(groupListBox(), registry);
    BoxLists::FillGroupCombo(groupCombo(), registry);
    UpdatePickLists(m_forms, registry, PickMain | PickFtpFiles, BoxLists::PickGroupDeleted, name);
}

void TForm2::sbRenameGroupClick()
{
    const QString newName = m_ui->edAddGpName->text();
    if (newName.isEmpty())
        return;
    const QString oldName = selectedGroup();
    if (oldName.isEmpty() || !acceptableName(newName))
        return;
    MacGruoup &registry = *m_context.registry;
    // Onto a group that exists, the two become one: asked first.
    if (newName != oldName && registry.GroupNames().contains(newName) &&
        m_context.prompter->message(Msg::tr(Msg::WarningTitle), Msg::tr(Msg::MergeGroupsQuestion).arg(oldName, newName),
                                    Prompter::Buttons::YesNo, Prompter::Icon::Question) != Prompter::Button::Yes)
        return;
    QList<int> changed;
    if (registry.RenameGroup(oldName, newName, &changed) != RES_OK)
        return;
    for (int slot : changed)
        BoxLists::UpdateGroupListRow(groupList(), registry, registry.Box(slot).MacAdd);
    refreshAfterGroupChange();
}

void TForm2::removeBoxClick()
{
    const auto selected = m_ui->lv_GroupList->selectedItems();
    if (selected.isEmpty())
        return;
    const QString mac = selected.first()->text(0);
    MacGruoup &registry = *m_context.registry;
    int slot = -1;
    if (registry.FindBox(mac, &slot) != RES_FOUND)
        return;
    const QString title = Msg::tr(Msg::WarningTitle);
    if (registry.Box(slot).Online == 1) {
        m_context.prompter->error(title, Msg::tr(Msg::RemoveBoxOnline).arg(mac));
        return;
    }
    if (m_context.prompter->message(title, Msg::tr(Msg::RemoveBoxQuestion).arg(mac), Prompter::Buttons::YesNo,
                                    Prompter::Icon::Question) != Prompter::Button::Yes)
        return;
    if (registry.RemoveBox(slot) != RES_OK)
        return;
    delete selected.first();
    m_ui->edMACAdd->clear();
    m_ui->edClientName->clear();
    refreshAfterGroupChange();
}

void TForm2::sbMACNodeModifyClick()
{
    const QString mac = m_ui->edMACAdd->text().left(MacAddLen - 1);
    const QString client = m_ui->edClientName->text();
    const QString groupName = m_ui->cbGroupName->currentText();
    if (mac.isEmpty()) {
        message(Msg::tr(Msg::ErrorTitle), Msg::NoEffectiveBox);
        return;
    }
    MacGruoup &registry = *m_context.registry;
    int slot = -1;
    if (registry.FindBox(mac, &slot) != RES_FOUND)
        return;
    // A name that is refused (with a word) still lets the group change go
    // through, as a name already taken does.
    if (!client.isEmpty() && acceptableName(client)) {
        const int result = registry.SetBoxName(slot, client);
        if (result == RES_NAMETAKEN)
            message(windowTitle(), Msg::RepeatName);
        else if (result == RES_OK)
            emit boxRenamed(mac, client);
    }
    if (!groupName.isEmpty())
        registry.SetBoxGroup(slot, groupName);
    BoxLists::UpdateGroupListRow(groupList(), registry, mac);
    refreshAfterGroupChange();
    // The chooser was refilled; it shows the box's group again, so that a
    // second press changes nothing.
    const int index = m_ui->cbGroupName->findText(registry.GroupNameOf(slot), Qt::MatchExactly);
    if (index >= 0)
        m_ui->cbGroupName->setCurrentIndex(index);
}

void TForm2::refill()
{
    if (!m_context.registry)
        return;
    const MacGruoup &registry = *m_context.registry;
    BoxLists::FillGroupList(groupList(), registry, BoxFilter::All);
    BoxLists::FillGroupListBox(groupListBox(), registry);
    BoxLists::FillGroupCombo(groupCombo(), registry);
}

void TForm2::followBoxes(const QList<BoxLists::BoxChange> &changes, bool newBox)
{
    if (!m_context.registry)
        return;
    const MacGruoup &registry = *m_context.registry;
    for (const BoxLists::BoxChange &change : changes)
        BoxLists::UpdateGroupListRow(groupList(), registry, change.mac);
    BoxLists::FillGroupListBox(groupListBox(), registry);
    if (newBox)
        BoxLists::FillGroupCombo(groupCombo(), registry);
}

void TForm2::followBox(const QString &mac)
{
    if (m_context.registry)
        BoxLists::UpdateGroupListRow(groupList(), *m_context.registry, mac);
}
