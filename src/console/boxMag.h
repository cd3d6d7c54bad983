#pragma once

#include "link/cmd.h"

#include <QWidget>

#include <memory>

class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm3;
}

// Box management window.
class TForm3 : public QWidget, public LogSink
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm3)

public:
    TForm3(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm3() override;

    // The online boxes with their details.
    QTreeWidget *boxList() const;

    // The event log memo: the newest lines, the oldest dropped past the cap.
    void appendLogLine(const QString &line) override;
    static constexpr int kLogLines = 20000;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TForm3> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
