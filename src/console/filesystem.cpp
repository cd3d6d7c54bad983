#include "filesystem.h"

#include "ui_filesystem.h"

TForm10::TForm10(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm10>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm10::~TForm10() = default;
