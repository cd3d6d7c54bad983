#pragma once

#include "ftpplan.h"

#include <QList>
#include <QWidget>

#include <memory>

class QListWidget;
class QListWidgetItem;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm9;
}

// FTP plans window: the plan's schedule rows per week day and as one
// download list, its times, and "发送", which writes the plan and tells the
// chosen boxes to follow it.
class TForm9 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm9)

public:
    TForm9(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm9() override;

    void LoadPlan(const QList<FtpScheduleRow> &rows, const QList<BoxBasicInfo> &boxes);
    // The result of the latest "发送" that wrote files.
    const PlanWriteResult &lastPlan() const { return m_lastPlan; }

protected:
    void showEvent(QShowEvent *event) override;

private:
    void sendClick();
    void copyCheck(QListWidget *to, QListWidgetItem *changed);
    QTreeWidget *dayList(int day) const;
    bool readNumber(const QString &text, int *value);

    std::unique_ptr<Ui::TForm9> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QList<FtpScheduleRow> m_rows;
    PlanWriteResult m_lastPlan;
    bool m_copying = false;
};
