#include "group.h"

#include "ui_group.h"

TForm2::TForm2(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm2>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm2::~TForm2() = default;
