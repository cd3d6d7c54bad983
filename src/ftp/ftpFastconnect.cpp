#include "ftpFastconnect.h"

#include "ui_ftpFastconnect.h"

#include "base/messages.h"
#include "base/prompter.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "ftpplan.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

// The leading decimal digits of a text; none gives 0.
int leadingNumber(const QString &text)
{
    const QString trimmed = text.trimmed();
    qsizetype digits = 0;
    while (digits < trimmed.size() && digits < 9 && trimmed.at(digits).isDigit())
        ++digits;
    return trimmed.left(digits).toInt();
}

} // namespace

TForm8::TForm8(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm8>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    // Kept above the main window, with a title bar to move it by.
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint);
    m_ui->ld_PassWord->setEchoMode(QLineEdit::Password);
    // The list holds the run history and nothing else: Enter adds no entry.
    m_ui->cb_History->setInsertPolicy(QComboBox::NoInsert);
    ResetFields();

    connect(m_ui->cb_History, &QComboBox::activated, this, &TForm8::historyChosen);
    // A typed name is a new account, not the entry it was picked from.
    connect(m_ui->cb_History, &QComboBox::editTextChanged, this, [this](const QString &text) {
        if (m_chosen >= 0 && text != m_ui->cb_History->itemText(m_chosen))
            m_chosen = -1;
    });
    connect(m_ui->sb_DelHistory, &QToolButton::clicked, this, &TForm8::delHistoryClick);
    connect(m_ui->cb_Anonymous, &QCheckBox::clicked, this, &TForm8::anonymousClicked);
    for (QLineEdit *edit : {m_ui->ld_UserID, m_ui->ld_PassWord, m_ui->ld_Dir})
        connect(edit, &QLineEdit::textEdited, this, [this] { m_ui->cb_Anonymous->setChecked(false); });
    connect(m_ui->ToolButton1, &QToolButton::clicked, this, &TForm8::connectClick);
    connect(m_ui->ToolButton2, &QToolButton::clicked, this, &TForm8::saveClick);
    connect(m_ui->ToolButton3, &QToolButton::clicked, this, &QWidget::hide);
}

TForm8::~TForm8() = default;

void TForm8::ResetFields()
{
    m_ui->ld_Host->setText(QString::fromLatin1(kDefaultHost));
    m_ui->ld_Port->setText(QStringLiteral("21"));
    m_ui->ld_UserID->setText(QString::fromLatin1(kDefaultUser));
    m_ui->ld_PassWord->setText(QString::fromLatin1(kDefaultPassword));
    m_ui->cb_History->setCurrentIndex(-1);
    m_ui->cb_History->setEditText(QString());
    m_chosen = -1;
    // The middle of the screen.
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - QPoint(width() / 2, height() / 2));
    }
}

int TForm8::chosenHistory() const
{
    return m_chosen >= 0 && m_chosen < m_history.size() ? m_chosen : -1;
}

QString TForm8::accountName() const
{
    const QString typed = m_ui->cb_History->currentText();
    return typed.isEmpty() ? m_ui->ld_Host->text() : typed;
}

void TForm8::historyChosen(int index)
{
    m_chosen = index;
    if (index < 0 || index >= m_history.size())
        return;
    const host_info &account = m_history.at(index);
    m_ui->ld_Host->setText(account.host);
    m_ui->ld_Port->setText(QString::number(account.port));
    m_ui->ld_UserID->setText(account.user);
    m_ui->ld_PassWord->setText(account.password);
}

void TForm8::delHistoryClick()
{
    const int index = chosenHistory();
    if (index < 0)
        return;
    m_history.removeAt(index);
    m_ui->cb_History->removeItem(index);
    m_ui->cb_History->setCurrentIndex(-1);
    m_ui->cb_History->setEditText(QString());
    m_chosen = -1;
}

void TForm8::anonymousClicked(bool checked)
{
    if (!checked)
        return;
    m_ui->ld_UserID->setText(QStringLiteral("anonymous"));
    m_ui->ld_PassWord->setText(QString::fromLatin1(kAnonymousPassword));
}

void TForm8::connectClick()
{
    if (m_ui->ld_Host->text().isEmpty())
        return;
    host_info account;
    account.host = m_ui->ld_Host->text();
    account.name = accountName();
    account.port = m_ui->ld_Port->text().isEmpty() ? 21 : leadingNumber(m_ui->ld_Port->text());
    if (!m_ui->ld_UserID->text().isEmpty()) {
        account.user = m_ui->ld_UserID->text();
        account.password = m_ui->ld_PassWord->text();
    } else {
        account.user = QStringLiteral("anonymous");
        account.password = QString::fromLatin1(kAnonymousPassword);
    }
    QString folder = m_ui->ld_Dir->text();
    if (!folder.isEmpty()) {
        if (!folder.startsWith(QLatin1Char('/'))) {
            folder.prepend(QLatin1Char('/'));
            m_ui->ld_Dir->setText(folder);
        }
        account.dir = folder;
    }
    account.cut();
    hide();
    if (chosenHistory() < 0) {
        m_history.append(account);
        m_ui->cb_History->addItem(account.name);
        m_ui->cb_History->setCurrentIndex(-1);
        m_ui->cb_History->setEditText(account.name);
    }
    emit connectRequested(account);
}

void TForm8::saveClick()
{
    const QString title = Msg::tr(Msg::ErrorTitle);
    bool ok = false;
    const int port = m_ui->ld_Port->text().trimmed().toInt(&ok);
    if (!ok) {
        m_context.prompter->error(title, Msg::tr(Msg::NotAnInteger).arg(m_ui->ld_Port->text()));
        return;
    }
    host_info account;
    account.name = accountName();
    account.host = m_ui->ld_Host->text();
    account.port = port;
    account.user = m_ui->ld_UserID->text();
    account.password = m_ui->ld_PassWord->text();
    account.dir = m_ui->ld_Dir->text();
    account.cut();
    // Ftp.ini could not give it back: say so now, not at the end of the run.
    const QString problem = FtpAccountProblem(account);
    if (!problem.isEmpty()) {
        m_context.prompter->error(title, Msg::tr(Msg::AccountNotStorable).arg(problem));
        return;
    }
    emit accountSaved(account);
}
