#include "deploymanage.h"

#include "ui_deploymanage.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "config/inifile.h"
#include "config/language.h"
#include "config/settings.h"

#include "link/alerts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>

TForm5::TForm5(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm5>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    // Kept above the main window, with a title bar to move it by.
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    m_ui->dcb_DirContent->addItems(ContentBaseFolders());
    fillAddresses();
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, &TForm5::SpeedButton1Click);
    connect(m_ui->SpeedButton2, &QToolButton::clicked, this, &TForm5::SpeedButton2Click);
    connect(m_ui->SpeedButton3, &QToolButton::clicked, this, &TForm5::SpeedButton3Click);
    connect(m_ui->sb_Reboot, &QToolButton::clicked, this, &TForm5::sb_RebootClick);
    connect(m_ui->sb_Close, &QToolButton::clicked, this, &QWidget::hide);
    addAlertSwitches();
    addLanguageChoice();
    // The content folder itself, as it follows from the chosen base folder.
    m_contentFolder = new QLabel(this);
    m_contentFolder->setObjectName(QStringLiteral("lb_ContentFolder"));
    m_ui->contentRow->insertWidget(m_ui->contentRow->indexOf(m_ui->SpeedButton3), m_contentFolder);
    connect(m_ui->dcb_DirContent, &QComboBox::currentTextChanged, this,
            [this] { m_contentFolder->setText(QStringLiteral("→ ") + chosenContentRoot()); });
    m_contentFolder->setText(QStringLiteral("→ ") + chosenContentRoot());
    m_applied = new QLabel(this);
    m_applied->setObjectName(QStringLiteral("lb_Applied"));
    m_applied->setWordWrap(true);
    m_applied->hide(); // until an Apply has something to say
    m_ui->setupLayout->insertWidget(m_ui->setupLayout->indexOf(m_ui->gb_Content) + 1, m_applied);
}

QString TForm5::chosenContentRoot() const
{
    const QString base = m_ui->dcb_DirContent->currentText();
    if (base.isEmpty())
        return {};
    return (base.endsWith(QLatin1Char('/')) ? base : base + QLatin1Char('/')) + QStringLiteral("content/");
}

void TForm5::applied(bool written, const QString &what)
{
    m_applied->show();
    if (written) {
        m_applied->setText(tr("已保存，下次启动时使用：%1").arg(what));
        return;
    }
    m_applied->setText(tr("无法保存到 %1").arg(m_deployFile));
    m_context.prompter->error(Msg::tr(Msg::ErrorTitle), m_applied->text());
}

void TForm5::addAlertSwitches()
{
    // Which alerts the desktop shows; each switch is kept at once, for this
    // run and the next.
    static const struct
    {
        FleetAlert::Kind kind;
        const char *name;
        const char *caption;
    } switches[] = {
        {FleetAlert::Offline, "cb_AlertOffline", QT_TR_NOOP("设备离线")},
        {FleetAlert::Online, "cb_AlertOnline", QT_TR_NOOP("设备恢复在线")},
        {FleetAlert::NoAnswer, "cb_AlertNoAnswer", QT_TR_NOOP("命令无应答")},
        {FleetAlert::Failed, "cb_AlertFailed", QT_TR_NOOP("命令或传输失败")},
        {FleetAlert::Ready, "cb_AlertReady", QT_TR_NOOP("传输全部完成")},
    };
    auto *box = new QGroupBox(tr("提醒"), this);
    box->setObjectName(QStringLiteral("gb_Alerts"));
    auto *grid = new QGridLayout(box);
    int i = 0;
    for (const auto &s : switches) {
        auto *check = new QCheckBox(tr(s.caption), box);
        check->setObjectName(QString::fromLatin1(s.name));
        grid->addWidget(check, i / 3, i % 3);
        ++i;
        m_alertSwitches.append(check);
        const FleetAlert::Kind kind = s.kind;
        connect(check, &QCheckBox::toggled, this, [this, kind](bool on) {
            if (m_context.alerts)
                m_context.alerts->setEnabled(kind, on);
            if (!IniWriteString("ALERTS", FleetAlert::Key(kind), on ? "1" : "0", m_context.settings.deployFile))
                qWarning("Could not write the alert switch to %s", qPrintable(m_context.settings.deployFile));
        });
    }
    m_ui->setupLayout->insertWidget(m_ui->setupLayout->count() - 1, box);
}

void TForm5::addLanguageChoice()
{
    // The language of the windows, kept for the next start.
    auto *box = new QGroupBox(tr("界面语言"), this);
    box->setObjectName(QStringLiteral("gb_Language"));
    auto *row = new QHBoxLayout(box);
    m_language = new QComboBox(box);
    m_language->setObjectName(QStringLiteral("cb_Language"));
    m_language->addItem(QStringLiteral("中文"), kChinese);
    m_language->addItem(QStringLiteral("English"), kEnglish);
    auto *note = new QLabel(tr("下次启动时生效"), box);
    row->addWidget(m_language);
    row->addWidget(note, 1);
    connect(m_language, &QComboBox::activated, this, [this](int index) {
        if (!StoreLanguage(m_language->itemData(index).toString(), m_context.settings.deployFile))
            qWarning("Could not write the language to %s", qPrintable(m_context.settings.deployFile));
    });
    m_ui->setupLayout->insertWidget(m_ui->setupLayout->count() - 1, box);
}

TForm5::~TForm5() = default;

void TForm5::error(const char *text)
{
    m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(text));
}

void TForm5::fillAddresses()
{
    const LocalAddressList local = m_context.localAddresses ? m_context.localAddresses() : LocalAddressList();
    if (local.hostName.isEmpty()) {
        error(Msg::CantGetHostName);
        return;
    }
    if (local.addresses.isEmpty()) {
        error(Msg::BadHostLookup);
        return;
    }
    m_ui->cb_IP->addItems(local.addresses.mid(0, kMaxAddresses));
    m_ui->cb_IP->setCurrentIndex(0);
}

void TForm5::FillSetup(const QString &contentPath, const QString &serviceIp, int servicePort, const QString &deployFile)
{
    m_contentPath = contentPath;
    m_serviceIp = serviceIp;
    m_servicePort = servicePort;
    m_deployFile = deployFile;
    m_ui->me_Port->setText(QString::number(servicePort));
    // The address in use is offered too, even when it is none of this
    // computer's own (a NAT address, a changed network card).
    if (!serviceIp.isEmpty() && m_ui->cb_IP->findText(serviceIp, Qt::MatchExactly) < 0)
        m_ui->cb_IP->addItem(serviceIp);
    m_ui->cb_IP->setCurrentIndex(m_ui->cb_IP->findText(serviceIp, Qt::MatchExactly));
    m_ui->me_SvrIP->setText(serviceIp);
    // The base folder is the content root without its last "content/".
    QString base = QDir::cleanPath(contentPath);
    if (base.endsWith(QLatin1String("/content")))
        base.chop(8);
    if (base.isEmpty())
        base = QStringLiteral("/");
    int index = m_ui->dcb_DirContent->findText(base, Qt::MatchExactly);
    if (index < 0 && QFileInfo(base).isDir()) {
        m_ui->dcb_DirContent->addItem(base);
        index = m_ui->dcb_DirContent->count() - 1;
    }
    m_ui->dcb_DirContent->setCurrentIndex(index);
    m_contentFolder->setText(QStringLiteral("→ ") + chosenContentRoot());
}

void TForm5::showEvent(QShowEvent *event)
{
    m_language->setCurrentIndex(
        m_language->findData(ChosenLanguage(m_context.options.language, m_context.settings.deployFile)));
    for (int k = 0; k < m_alertSwitches.size(); ++k) {
        const QSignalBlocker quiet(m_alertSwitches[k]);
        m_alertSwitches[k]->setChecked(!m_context.alerts || m_context.alerts->isEnabled(FleetAlert::Kind(k)));
    }
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QWidget::showEvent(event);
}

void TForm5::SpeedButton1Click()
{
    // The chosen address itself, not what a mask made of it, goes to the file.
    QString address = m_ui->cb_IP->currentText().left(20);
    address.remove(QLatin1Char(' '));
    m_ui->me_SvrIP->setText(address);
    if (!IsValidIpv4Address(address)) {
        error(Msg::InvalidIp);
        return;
    }
    applied(IniWriteString("SERVICE", "SERVICE IP", address.toLatin1(), m_deployFile) != 0,
            tr("服务器 IP %1").arg(address));
}

void TForm5::SpeedButton2Click()
{
    const QString typed = m_ui->me_Port->text();
    bool ok = true;
    const int port = typed.isEmpty() ? 0 : typed.toInt(&ok);
    if (!ok || port < 1 || port > 65535) {
        error(Msg::InvalidPort);
        return;
    }
    applied(IniWriteString("SERVICE", "SERVICE PORT", typed.toLatin1(), m_deployFile) != 0,
            tr("服务器端口 %1").arg(typed));
}

void TForm5::SpeedButton3Click()
{
    const QString root = chosenContentRoot();
    if (root.isEmpty())
        return;
    bool ok = false;
    const QByteArray bytes = CodePage::toGb2312(root, &ok);
    if (!ok) {
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::FolderNotStorable).arg(root));
        return;
    }
    applied(IniWriteString("PATH", "CONTENT", bytes, m_deployFile) != 0, tr("内容目录 %1").arg(root));
}

void TForm5::sb_RebootClick()
{
    close();
    if (m_context.restart)
        m_context.restart();
}

void TForm5::FillFromDeploy()
{
    QByteArray content;
    const QByteArray fallback = CodePage::toGb2312(DefaultContentRoot());
    IniReadString("PATH", "CONTENT", content, 256, fallback.constData(), m_context.settings.deployFile);
    FillSetup(CodePage::fromGb2312(content), m_context.settings.serviceIp, m_context.settings.servicePort,
              m_context.settings.deployFile);
}
