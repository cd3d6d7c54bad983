#include "fleetwindow.h"

#include "base/messages.h"
#include "base/prompter.h"
#include "base/safefile.h"
#include "config/appcontext.h"
#include "link/alerts.h"
#include "link/fleetmodel.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kRefreshMs = 1000;

// Offline boxes and failures read in red.
class AlertDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(FleetModel::AlertRole).toBool()) {
            option->palette.setColor(QPalette::Text, Qt::red);
            option->palette.setColor(QPalette::HighlightedText, Qt::red);
        }
    }
};

} // namespace

FleetWindow::FleetWindow(AppContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    setWindowTitle(tr("状态"));
    resize(1260, 600);
    m_model = new FleetModel(*context.registry, *context.fleet, this);
    m_filter = new FleetFilter(this);
    m_filter->setSourceModel(m_model);

    m_filterBox = new QComboBox(this);
    m_filterBox->setObjectName(QStringLiteral("cb_Filter"));
    m_filterBox->addItems({tr("all"), tr("offline"), tr("failed"), tr("in progress"), tr("ready")});
    auto *exportButton = new QToolButton(this);
    exportButton->setObjectName(QStringLiteral("sb_ExportCsv"));
    exportButton->setText(tr("导出 CSV"));
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tv_Fleet"));
    m_table->setModel(m_filter);
    m_table->setItemDelegate(new AlertDelegate(m_table));
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(FleetModel::MacColumn, Qt::AscendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->setVisible(false);

    // After a click on an alert: which boxes are shown, and the way back to all.
    m_alertLine = new QLabel(this);
    m_alertLine->setObjectName(QStringLiteral("lb_Alert"));
    m_allBoxes = new QToolButton(this);
    m_allBoxes->setObjectName(QStringLiteral("sb_AllBoxes"));
    m_allBoxes->setText(tr("全部设备"));
    m_alertLine->hide();
    m_allBoxes->hide();
    connect(m_allBoxes, &QToolButton::clicked, this, &FleetWindow::showAllBoxes);

    auto *bar = new QHBoxLayout;
    bar->addWidget(new QLabel(tr("Show"), this));
    bar->addWidget(m_filterBox);
    bar->addWidget(m_alertLine, 1);
    bar->addWidget(m_allBoxes);
    bar->addStretch();
    bar->addWidget(exportButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_table);

    connect(m_filterBox, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_filter->setFilter(FleetFilter::Filter(index)); });
    connect(exportButton, &QToolButton::clicked, this, &FleetWindow::exportCsv);
    // The ages of heartbeats move on their own: the rows follow once a
    // second while the window is open, and at once after a change.
    m_refresh = new QTimer(this);
    m_refresh->setInterval(kRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (isVisible())
            refresh();
    });
    m_refresh->start();
}

FleetWindow::~FleetWindow() = default;

void FleetWindow::refresh()
{
    m_model->refresh();
    m_table->resizeColumnsToContents();
    fitColumns();
    emit refreshed();
}

void FleetWindow::showAlert(const FleetAlert &alert)
{
    m_filterBox->setCurrentIndex(FleetFilter::All);
    m_filter->setOnly(QSet<QString>(alert.macs.cbegin(), alert.macs.cend()));
    m_alertLine->setText(tr("Boxes of the alert \"%1\"").arg(alert.text));
    m_alertLine->show();
    m_allBoxes->show();
    refresh();
}

void FleetWindow::showAllBoxes()
{
    m_filter->setOnly({});
    m_alertLine->hide();
    m_allBoxes->hide();
}

void FleetWindow::fitColumns()
{
    // Every column in sight without scrolling sideways: the widest ones
    // give way first, down to a common width, and their texts elide (the
    // whole text is in the cell's tool tip). The MAC, which names the box,
    // never gives way.
    QHeaderView *header = m_table->horizontalHeader();
    const int count = header->count();
    const int macWidth = count > FleetModel::MacColumn ? header->sectionSize(FleetModel::MacColumn) : 0;
    const int available = m_table->viewport()->width() - macWidth;
    QList<int> widths;
    int total = 0;
    for (int c = 0; c < count; ++c) {
        widths.append(c == FleetModel::MacColumn ? 0 : header->sectionSize(c));
        total += widths.last();
    }
    if (total <= available || count == 0)
        return;
    int low = 1;
    int high = *std::max_element(widths.cbegin(), widths.cend());
    while (low < high) {
        const int cap = (low + high + 1) / 2;
        int sum = 0;
        for (const int w : std::as_const(widths))
            sum += qMin(w, cap);
        if (sum <= available)
            low = cap;
        else
            high = cap - 1;
    }
    for (int c = 0; c < count; ++c) {
        if (c != FleetModel::MacColumn)
            header->resizeSection(c, qMin(widths[c], low));
    }
}

void FleetWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_table->resizeColumnsToContents();
    fitColumns();
}

void FleetWindow::showEvent(QShowEvent *event)
{
    refresh();
    QWidget::showEvent(event);
}

void FleetWindow::exportCsv()
{
    SafeFile::exportTo(*m_context.prompter, tr("导出 CSV"), QDir::homePath() + QStringLiteral("/fleet-status.csv"),
                       tr("CSV files (*.csv)"), [this] { return FleetCsv(*m_filter); });
}
