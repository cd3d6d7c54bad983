#pragma once

#include "ftpclient.h"
#include "ftpplan.h"

#include <QList>
#include <QWidget>

#include <memory>

class QAction;
class QComboBox;
class QMenu;
class QTreeWidget;
class QTreeWidgetItem;
struct AppContext;
struct Forms;

namespace Ui {
class TForm7;
}

// FTP files window: browses an FTP server, collects the plan's files and
// schedule rows, and hands them with the chosen boxes to the plans window.
class TForm7 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm7)

public:
    TForm7(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm7() override;

    // The box pick list: the group chooser and its boxes.
    QComboBox *pickGroups() const;
    // Writes the remembered accounts to Ftp.ini when this run changed them.
    void saveAccounts();
    QTreeWidget *pickBoxes() const;

    // Connects to the account (from the fast-connect window) and remembers
    // it as the one the reconnect item connects to again.
    void ConnectAccount(const host_info &account);
    // A remembered account: a connect-menu item now, an Ftp.ini entry at exit.
    void AddAccountHistory(const host_info &account);

    const host_info &currentAccount() const { return m_current; }
    QList<host_info> accountHistory() const;
    FtpClient &ftpClient() { return m_client; }
    QMenu *connectMenu() const { return m_connectMenu; }
    // The schedule rows as they stand.
    QList<FtpScheduleRow> scheduleRows() const;

signals:
    // Every row of the latest listing is in the file list.
    void listingShown();
    // The operator asked to type an account to connect with.
    void fastConnectRequested();
    // The operator asked for a plan of these rows for these boxes.
    void planRequested(const QList<FtpScheduleRow> &rows, const QList<BoxBasicInfo> &boxes);

private:
    struct host_MenuItem
    {
        host_info account;
        QAction *item = nullptr;
    };

    void showStatus(const QString &text);
    void onListing(const QStringList &lines, const QString &directory);
    // Adds the next rows of the listing being shown, for a few milliseconds
    // at most, and comes back for the rest once the window had its turn.
    void showListingSlice(int generation);
    void setBusy(bool busy);
    void fileDoubleClicked(QTreeWidgetItem *item);
    void upperFolderClick();
    void sortList(QTreeWidget *view, int column);
    void leadIn(bool all);
    void delChecked();
    void moveSelected(int step);
    void removeRepeatedPlanRows();
    void addScheduleClick();
    void delScheduleClick();
    void validationClick();
    void historyItemClicked(QAction *item);
    bool readNumber(const QString &text, int *value);

    std::unique_ptr<Ui::TForm7> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    FtpClient m_client;
    qo_indyftp m_ftp;
    host_info m_current;
    QList<host_MenuItem> m_history;
    bool m_historyChanged = false;
    QMenu *m_connectMenu = nullptr;
    QAction *m_fastConnect = nullptr; // N1
    QAction *m_reconnect = nullptr;   // made at the first connect
    int m_sortColumn = 0;
    bool m_upPending = false;
    // The listing being put into the file list.
    QStringList m_listingLines;
    qsizetype m_listingAt = 0;
    QString m_listingPrefix;
    int m_listingGeneration = 0;
};
