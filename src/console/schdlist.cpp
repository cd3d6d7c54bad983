#include "schdlist.h"

#include "ui_schdlist.h"

TForm4::TForm4(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm4>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm4::~TForm4() = default;
