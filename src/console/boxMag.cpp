#include "boxMag.h"

#include "ui_boxMag.h"

TForm3::TForm3(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm3>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm3::~TForm3() = default;
