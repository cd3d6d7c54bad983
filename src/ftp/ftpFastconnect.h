#pragma once

#include "ftpclient.h"

#include <QList>
#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;

namespace Ui {
class TForm8;
}

// FTP fast-connect window: an account typed by the operator, connected at
// once or remembered, and the accounts connected during this run.
class TForm8 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm8)

public:
    // What this dialog logs in with when asked for an anonymous login.
    static constexpr const char *kAnonymousPassword = "operator@boxfleet.lan";
    static constexpr const char *kDefaultHost = "192.168.0.100";
    static constexpr const char *kDefaultUser = "admin";
    static constexpr const char *kDefaultPassword = "qorvel58";

    TForm8(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm8() override;

    // Host, port, user and password back to their defaults, no history entry chosen.
    void ResetFields();
    const QList<host_info> &runHistory() const { return m_history; }

signals:
    // The operator asked to connect with this account.
    void connectRequested(const host_info &account);
    // The operator saved this account to be remembered.
    void accountSaved(const host_info &account);

private:
    void historyChosen(int index);
    void delHistoryClick();
    void anonymousClicked(bool checked);
    void connectClick();
    void saveClick();
    QString accountName() const;
    int chosenHistory() const;

    std::unique_ptr<Ui::TForm8> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QList<host_info> m_history;
    int m_chosen = -1; // the history entry picked, until the name is typed over
};
