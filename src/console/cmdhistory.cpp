#include "cmdhistory.h"

#include "ui_cmdhistory.h"

TForm6::TForm6(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm6>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm6::~TForm6() = default;
