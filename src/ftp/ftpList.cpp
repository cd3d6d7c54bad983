#include "ftpList.h"

#include "ui_ftpList.h"

TForm9::TForm9(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm9>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm9::~TForm9() = default;
