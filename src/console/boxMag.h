#pragma once

#include "link/cmd.h"
#include "registry/boxchange.h"

#include <QSet>
#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QListWidget;
class QTimer;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm3;
}

// Box management window: the online boxes with their details, the control
// commands sent to the checked ones, their file names, and the event log memo.
class TForm3 : public QWidget, public LogSink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm3)

public:
    TForm3(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm3() override;

    // The online boxes with their details.
    QTreeWidget *boxList() const;
    // The online boxes again, as the registry holds them now.
    void refill();
    // Rows follow boxes heard (added or updated) or gone silent (removed).
    void followBoxes(const QList<BoxLists::BoxChange> &changes);

    // The start folder of the firmware image dialog.
    void SetImageFolder(const QString &folder) { m_imageFolder = folder; }
    // A box's complete file-name list: the MAC, then the names.
    void ShowBoxFileNames(const QStringList &list);
    // A box got a new client name: its file-name pages take it as caption.
    void RenameBoxPage(const QString &mac, const QString &name);

    // The event log memo: the newest lines, the oldest dropped past the cap.
    // Lines reach the memo in batches, and only while it can be seen, so
    // that a flood of box messages costs no text layout.
    void appendLogLine(const QString &line) override;
    void flushLog();
    static constexpr int kLogLines = 20000;
    static constexpr int kLogFlushMs = 200;
    // The longest emergency text, in GB2312 bytes: with the settings before
    // it, the line stays within the 255 bytes of a command.
    static constexpr int kMaxTextBytes = 199;

protected:
    void showEvent(QShowEvent *event) override;

signals:
    // A box was taken offline here (it reboots): lists of other windows follow.
    void boxTakenOffline(const QString &mac);

private:
    struct st_TBoxFilename
    {
        QString mac;
        QWidget *page = nullptr;
        QListWidget *view = nullptr;
    };

    // The checked boxes in list order; empty after a refusal. Sending the
    // command named askFor to more than one box needs a Yes.
    QStringList takeSelection(const QString &askFor);
    void removeRow(const QString &mac);
    void sendToAll(const QStringList &macs, int type, const BoxCommandArgs &args = {});
    void error(const char *text);

    void sb_CalibrateTimeClick();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void sp_OnoffClick();
    void sp_DownloadSpeedClick();
    void SpeedButton6Click();
    void sb_svattrClick();
    void sb_rebootClick();
    void spb_GetFileNameClick();
    void sb_upgradeClick();
    void sb_QueryFileNameClick();
    void spb_DelClick();
    void sb_PlayTextClick();
    void chooseColour(QWidget *swatch);
    void checkAll(bool checked);
    void groupModeChecked();
    st_TBoxFilename *pageOf(const QString &mac);

    std::unique_ptr<Ui::TForm3> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QStringList m_pendingLog;
    QTimer *m_logFlush = nullptr;
    QString m_imageFolder;
    int m_sortColumn = -1; // the column the operator sorted by; -1: registry order
    QSet<QString> m_checkedAway;
    QCheckBox *m_hideHeartbeats = nullptr; // checked boxes gone from the list, checked again when back
    quint32 m_bgColour = 0x000000;
    quint32 m_textColour = 0xFFFFFF;
    QList<st_TBoxFilename> m_filePages;
};
