#include "ftpfile.h"

#include "ui_ftpfile.h"

#include "config/appcontext.h"
#include "console/boxlists.h"

#include <QComboBox>

TForm7::TForm7(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm7>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    if (!m_context.registry)
        return;
    BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh);
    connect(m_ui->cb_Group, &QComboBox::activated, this,
            [this] { BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh); });
}

TForm7::~TForm7() = default;

QComboBox *TForm7::pickGroups() const
{
    return m_ui->cb_Group;
}

QTreeWidget *TForm7::pickBoxes() const
{
    return m_ui->lv_OnlineBox;
}
