#include "ftpFastconnect.h"

#include "ui_ftpFastconnect.h"

TForm8::TForm8(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm8>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm8::~TForm8() = default;
