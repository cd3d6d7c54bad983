#include "ftpfile.h"

#include "ui_ftpfile.h"

TForm7::TForm7(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm7>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm7::~TForm7() = default;
