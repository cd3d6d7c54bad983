#pragma once

#include <QWidget>

struct AppContext;
struct FleetAlert;
class FleetFilter;
class FleetModel;
class QComboBox;
class QLabel;
class QToolButton;
class QTableView;
class QTimer;

// Fleet status window: one row per box with its heartbeat facts, its last
// command and answer, and its transfer; a filter, sorting by any column,
// failures and offline boxes in red, and an export to CSV.
class FleetWindow : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FleetWindow)

public:
    explicit FleetWindow(AppContext &context, QWidget *parent = nullptr);
    ~FleetWindow() override;

    FleetModel *model() const { return m_model; }
    // Rebuilds the rows now.
    void refresh();
    // Shows only the boxes of the alert, under a line that says which.
    void showAlert(const FleetAlert &alert);
    // Every box again, as the filter chooser says.
    void showAllBoxes();

signals:
    void refreshed();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void fitColumns();
    void exportCsv();

    AppContext &m_context;
    FleetModel *m_model = nullptr;
    FleetFilter *m_filter = nullptr;
    QComboBox *m_filterBox = nullptr;
    QLabel *m_alertLine = nullptr;
    QToolButton *m_allBoxes = nullptr;
    QTableView *m_table = nullptr;
    QTimer *m_refresh = nullptr;
};
