#pragma once

#include "link/cmd.h"

#include <QWidget>

#include <QStringList>

#include <memory>

class QTimer;
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

    // A box got a new client name: its file-name pages take it as caption.
    void RenameBoxPage(const QString &mac, const QString &name);

    // The event log memo: the newest lines, the oldest dropped past the cap.
    // Lines reach the memo in batches, and only while it can be seen, so
    // that a flood of box messages costs no text layout.
    void appendLogLine(const QString &line) override;
    void flushLog();
    static constexpr int kLogLines = 20000;
    static constexpr int kLogFlushMs = 200;

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TForm3> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    QStringList m_pendingLog;
    QTimer *m_logFlush = nullptr;
};
