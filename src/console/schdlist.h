#pragma once

#include "schedule/playlist.h"

#include <QWidget>

#include <memory>

class QListWidget;
class QListWidgetItem;
struct AppContext;
struct Forms;

namespace Ui {
class TForm4;
}

// Schedule list window: the working schedule set as a grid, sorting of the
// media schedules, and the transfer command sent to the checked boxes.
class TForm4 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm4)

public:
    TForm4(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm4() override;

    // The boxes of a transfer, all checked, and the command to send them.
    void OpenForTransfer(const QList<sBoxInfo> &boxes, const QString &command);
    // Every box of the registry, unchecked, and no command.
    void OpenAllBoxes();
    void fillGrid();
    QString pendingCommand() const { return m_command; }

protected:
    bool event(QEvent *event) override;

signals:
    // The working schedules were shown anew or re-sorted: the main window's list follows.
    void schedulesChanged();

private:
    void fillBoxes(const QList<sBoxInfo> &boxes, bool checked);
    void copyCheck(QListWidget *to, QListWidgetItem *item);
    void layoutHeader();
    void sortBy(int mode);
    void spb_SendClick();

    std::unique_ptr<Ui::TForm4> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QString m_command;
    bool m_copyingCheck = false;
    QWidget *m_headLead = nullptr; // the blank over column 0
};
