#include "mainform.h"

#include "ui_mainform.h"

#include "appcontext.h"
#include "codepage.h"
#include "contentservice.h"
#include "forms.h"
#include "inifile.h"
#include "messages.h"
#include "prompter.h"

#include "../console/boxMag.h"
#include "../console/cmdhistory.h"
#include "../console/deploymanage.h"
#include "../console/filesystem.h"
#include "../console/group.h"
#include "../ftp/ftpfile.h"

#include <QCloseEvent>

namespace {

constexpr int kOfflineCheckMs = 10000;

void showWindow(QWidget *window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace

TForm1::TForm1(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm1>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    setWindowTitle(QString::fromLatin1(kMainWindowTitle));
    m_ui->ver->setText(QString::fromLatin1(kVersionText));

    QString error;
    switch (LoadServerSettings(m_context.settings, m_context.options, *m_context.prompter, &error)) {
    case LoadResult::Ok:
        break;
    case LoadResult::Cancelled:
        throw StartupError{QString(), true};
    case LoadResult::FolderFailed:
        throw StartupError{error, false};
    }

    if (m_context.content) {
        const auto result = m_context.content->start(m_context.contentLibrary, m_context.settings, this);
        if (result == ContentService::Started) {
            qInfo("Content service listening on port %d", m_context.settings.servicePort);
        } else {
            qWarning("Content service did not start (%d)", int(result));
            m_context.prompter->error(windowTitle(), QString::fromLatin1(Msg::ServerStartFailed));
        }
    }

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kOfflineCheckMs);
    connect(m_timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    m_timer1->start();

    connect(m_ui->sbGroup, &QToolButton::clicked, this, &TForm1::sbGroupClick);
    connect(m_ui->sbBoxManagement, &QToolButton::clicked, this, &TForm1::sbBoxManagementClick);
    connect(m_ui->sb_CMDPrompt, &QToolButton::clicked, this, &TForm1::sb_CMDPromptClick);
    connect(m_ui->sb_FtpFile, &QToolButton::clicked, this, &TForm1::sb_FtpFileClick);
    connect(m_ui->sb_Filestyle, &QToolButton::clicked, this, &TForm1::sb_FilestyleClick);
    connect(m_ui->sbDeploy, &QToolButton::clicked, this, &TForm1::sbDeployClick);
}

TForm1::~TForm1() = default;

void TForm1::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

void TForm1::sbGroupClick()
{
    showWindow(m_forms.form2);
}

void TForm1::sbBoxManagementClick()
{
    showWindow(m_forms.form3);
}

void TForm1::sb_CMDPromptClick()
{
    showWindow(m_forms.form6);
}

void TForm1::sb_FtpFileClick()
{
    showWindow(m_forms.form7);
}

void TForm1::sb_FilestyleClick()
{
    showWindow(m_forms.form10);
}

void TForm1::sbDeployClick()
{
    if (!m_forms.form5)
        return;
    // The setup window shows what Deploy.ini holds now, which may differ
    // from the settings this run started with.
    QByteArray content;
    const QByteArray fallback = CodePage::toGb2312(DefaultContentRoot());
    IniReadString("PATH", "CONTENT", content, 256, fallback.constData(), m_context.settings.deployFile);
    m_forms.form5->FillSetup(CodePage::fromGb2312(content), m_context.settings.serviceIp,
                             m_context.settings.servicePort, m_context.settings.deployFile);
    showWindow(m_forms.form5);
}

void TForm1::Timer1Timer() {}
