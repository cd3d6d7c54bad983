#pragma once

#include "link/serverdb.h"

#include <QWidget>

#include <memory>

struct AppContext;
struct Forms;
class CommandHistory;

namespace Ui {
class TForm6;
}

// Event history window.
class TForm6 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm6)

public:
    TForm6(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm6() override;

    // The rows the table shows: the live history, or a search's results.
    CommandHistory *shownModel() const;

signals:
    // A search's rows are in the table.
    void searched();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void search();
    void showLive();
    void exportCsv();
    void searchFinished(int ticket, const QList<StoredHistoryRow> &rows, bool more);
    void applyColumns();

    CommandHistory *m_results = nullptr; // the search's rows, newest first
    HistoryFilter m_filter;
    int m_ticket = 0;
    qint64 m_oldestResult = 0;
    qint64 m_resultCount = 0;
    std::unique_ptr<Ui::TForm6> m_ui;
    AppContext &m_context;
    Forms &m_forms;
};
