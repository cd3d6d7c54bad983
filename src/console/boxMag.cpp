#include "boxMag.h"

#include "ui_boxMag.h"

#include "config/appcontext.h"
#include "link/cmd.h"

#include <QTimer>

#include <cstdio>

TForm3::TForm3(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm3>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    m_ui->mm_log->setMaximumBlockCount(kLogLines);
    m_logFlush = new QTimer(this);
    m_logFlush->setSingleShot(true);
    m_logFlush->setInterval(kLogFlushMs);
    connect(m_logFlush, &QTimer::timeout, this, &TForm3::flushLog);
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

void TForm3::RenameBoxPage(const QString &, const QString &) {}

void TForm3::appendLogLine(const QString &line)
{
    m_pendingLog.append(line);
    if (m_pendingLog.size() > kLogLines)
        m_pendingLog.removeFirst();
    if (isVisible() && !m_logFlush->isActive())
        m_logFlush->start();
    if (m_context.options.echoLog)
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void TForm3::flushLog()
{
    if (m_pendingLog.isEmpty())
        return;
    // A batch as long as the cap replaces everything the memo held.
    if (m_pendingLog.size() >= kLogLines)
        m_ui->mm_log->clear();
    m_ui->mm_log->appendPlainText(m_pendingLog.join(QLatin1Char('\n')));
    m_pendingLog.clear();
}

void TForm3::showEvent(QShowEvent *event)
{
    flushLog();
    if (m_context.cmd)
        m_context.cmd->AttachLink(this, m_context.boxServer);
    QWidget::showEvent(event);
}
