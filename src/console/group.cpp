#include "group.h"

#include "ui_group.h"

#include "boxMag.h"
#include "boxlists.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "config/mainform.h"
#include "registry/MacGroup.h"

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
    BoxLists::FillGroupList(groupList(), registry, BoxFilter::All);
    if (m_forms.form3)
        BoxLists::FillDetailList(m_forms.form3->boxList(), registry, BoxFilter::Online);
    BoxLists::FillGroupListBox(groupListBox(), registry);
    BoxLists::FillGroupCombo(groupCombo(), registry);
    if (m_forms.form1)
        BoxLists::PickList(m_forms.form1->pickGroups(), m_forms.form1->pickBoxes(), registry, BoxLists::PickRefresh);
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
