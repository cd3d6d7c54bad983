#include "downloadlist.h"

#include "ui_downloadlist.h"

TForm11::TForm11(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm11>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm11::~TForm11() = default;
