#include "boxMag.h"

#include "ui_boxMag.h"

#include "config/appcontext.h"
#include "link/cmd.h"

#include <cstdio>

TForm3::TForm3(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm3>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    m_ui->mm_log->setMaximumBlockCount(kLogLines);
    if (m_context.cmd)
        m_context.cmd->AttachLink(this, m_context.boxServer);
}

TForm3::~TForm3()
{
    if (m_context.cmd)
        m_context.cmd->DetachLog(this);
}

QTreeWidget *TForm3::boxList() const
{
    return m_ui->lv_OnlineBox;
}

void TForm3::appendLogLine(const QString &line)
{
    m_ui->mm_log->appendPlainText(line);
    if (m_context.options.echoLog)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void TForm3::showEvent(QShowEvent *event)
{
    if (m_context.cmd)
        m_context.cmd->AttachLink(this, m_context.boxServer);
    QWidget::showEvent(event);
}
