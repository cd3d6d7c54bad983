#include "deploymanage.h"

#include "ui_deploymanage.h"

TForm5::TForm5(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm5>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
}

TForm5::~TForm5() = default;

void TForm5::FillSetup(const QString &contentPath, const QString &serviceIp, int servicePort, const QString &deployFile)
{
    m_contentPath = contentPath;
    m_serviceIp = serviceIp;
    m_servicePort = servicePort;
    m_deployFile = deployFile;
}
