#include "filesystem.h"

#include "ui_filesystem.h"

#include "config/appcontext.h"
#include "console/boxlists.h"

#include <QComboBox>

TForm10::TForm10(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm10>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    if (!m_context.registry)
        return;
    connect(m_ui->cb_Group, &QComboBox::activated, this,
            [this] { BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh); });
}

TForm10::~TForm10() = default;

QComboBox *TForm10::pickGroups() const
{
    return m_ui->cb_Group;
}

QTreeWidget *TForm10::pickBoxes() const
{
    return m_ui->lv_OnlineBox;
}
