#include "cmdhistory.h"

#include "ui_cmdhistory.h"

#include "base/messages.h"
#include "base/prompter.h"
#include "base/safefile.h"
#include "config/appcontext.h"
#include "config/inifile.h"
#include "link/boxwords.h"
#include "link/cmd.h"
#include "link/fleetmodel.h"
#include "link/history.h"
#include "registry/MacGroup.h"

#include <QDir>
#include <QHeaderView>

TForm6::TForm6(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm6>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    m_ui->cb_AutoPrompt->setChecked(true);
    if (!m_context.history)
        return;
    QTableView *view = m_ui->lv_CmdHistory;
    view->setModel(m_context.history);
    // Fixed row heights and column widths keep the table quick at a million rows.
    view->verticalHeader()->setVisible(false);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionsClickable(true);
    view->horizontalHeader()->setStretchLastSection(true);
    applyColumns();
    connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { shownModel()->sortByColumn(column); });
    connect(m_ui->sb_ClearALL, &QToolButton::clicked, this, [this] {
        showLive();
        m_context.history->clear();
    });

    // The search: any text of a row, and a time range, answered by the
    // database; the table shows the results until "全部事件".
    m_results = new CommandHistory(this);
    const QDateTime now = QDateTime::currentDateTime();
    m_ui->dt_From->setDateTime(now.addDays(-1));
    m_ui->dt_To->setDateTime(now);
    for (QWidget *edit : {static_cast<QWidget *>(m_ui->dt_From), static_cast<QWidget *>(m_ui->dt_To)})
        edit->setEnabled(false);
    connect(m_ui->cb_TimeRange, &QCheckBox::toggled, this, [this](bool on) {
        m_ui->dt_From->setEnabled(on);
        m_ui->dt_To->setEnabled(on);
    });
    connect(m_ui->ed_Filter, &QLineEdit::returnPressed, this, &TForm6::search);
    connect(m_ui->sb_Search, &QToolButton::clicked, this, &TForm6::search);
    connect(m_ui->sb_ShowAll, &QToolButton::clicked, this, &TForm6::showLive);
    connect(m_ui->sb_ExportCsv, &QToolButton::clicked, this, &TForm6::exportCsv);
    if (m_context.database)
        connect(m_context.database, &ServerDatabase::searchFinished, this, &TForm6::searchFinished);
    // The operator's choice to have it pop up is kept for the next start.
    const QString deployFile = m_context.settings.deployFile;
    m_ui->cb_AutoPrompt->setChecked(deployFile.isEmpty() || IniReadInt("HISTORY", "POP UP", 1, deployFile) != 0);
    connect(m_ui->cb_AutoPrompt, &QCheckBox::toggled, this, [deployFile](bool on) {
        if (!deployFile.isEmpty() && IniWriteString("HISTORY", "POP UP", on ? "1" : "0", deployFile) == 0)
            qWarning("The choice to pop up the event history cannot be kept in %s", qPrintable(deployFile));
    });
    connect(m_context.history, &CommandHistory::rowAdded, this, [this] {
        if (m_ui->cb_AutoPrompt->isChecked() && !isVisible()) {
            // It comes up beside the operator's work without taking the
            // keyboard from the window being typed in.
            setAttribute(Qt::WA_ShowWithoutActivating, true);
            show();
            setAttribute(Qt::WA_ShowWithoutActivating, false);
        }
    });
    if (m_context.cmd) {
        connect(m_context.cmd, &Cmd_API::eventReply, this,
                [this](const QString &mac, const QString &ip, const QString &display, const QString &message) {
                    int slot = -1;
                    QString client;
                    if (m_context.registry && m_context.registry->FindBox(mac, &slot) == RES_FOUND)
                        client = m_context.registry->Box(slot).ClientName;
                    m_context.history->AddReply(mac, client, ip, display, message);
                });
    }
}

TForm6::~TForm6() = default;

void TForm6::showEvent(QShowEvent *event)
{
    // Without its database the history has nothing to search.
    const bool searchable = m_context.database && m_context.database->isOpen();
    for (QWidget *control : std::initializer_list<QWidget *>{m_ui->ed_Filter, m_ui->cb_TimeRange, m_ui->sb_Search})
        control->setEnabled(searchable);
    QWidget::showEvent(event);
}

CommandHistory *TForm6::shownModel() const
{
    return m_ui->lv_CmdHistory->model() == m_results ? m_results : m_context.history;
}

void TForm6::applyColumns()
{
    // The last column takes what is left of the width.
    const int widths[] = {140, 120, 110, 220};
    for (int column = 0; column < 4; ++column)
        m_ui->lv_CmdHistory->setColumnWidth(column, widths[column]);
}

void TForm6::search()
{
    if (!m_context.database || !m_context.database->isOpen())
        return;
    // What was added a moment ago is found too: the search queues it first.
    const QString text = m_ui->ed_Filter->text().trimmed();
    // Rows are found by the words shown as well as by the words kept.
    m_filter = {text, KeptWordsReadAs(text, Cmd_API::HistoryWords() + CommandHistory::SentStates()), 0, 0};
    if (m_ui->cb_TimeRange->isChecked()) {
        m_filter.from = m_ui->dt_From->dateTime().toMSecsSinceEpoch();
        // The minute shown at the end counts whole.
        m_filter.to = m_ui->dt_To->dateTime().toMSecsSinceEpoch() + 59999;
    }
    m_results->clear();
    m_oldestResult = 0;
    m_resultCount = 0;
    // More rows as the table scrolls down, asked for one page at a time.
    m_results->setOlderSource([this] {
        if (m_oldestResult > 0)
            m_ticket = m_context.database->search(m_filter, m_oldestResult);
        return QList<CommandHistory::Row>();
    });
    m_results->setHasOlder(false);
    m_ticket = m_context.database->search(m_filter);
    m_ui->lb_SearchState->setText(tr("查询中…"));
    if (m_ui->lv_CmdHistory->model() != m_results) {
        m_ui->lv_CmdHistory->setModel(m_results);
        applyColumns();
    }
}

void TForm6::searchFinished(int ticket, const QList<StoredHistoryRow> &rows, bool more)
{
    if (ticket != m_ticket)
        return;
    QList<CommandHistory::Row> found;
    found.reserve(rows.size());
    for (const StoredHistoryRow &row : rows)
        found.append(row.row);
    m_results->appendOlder(found);
    if (!rows.isEmpty())
        m_oldestResult = rows.last().id;
    m_resultCount += rows.size();
    m_results->setHasOlder(more);
    m_ui->lb_SearchState->setText(more ? tr("%1+ 条").arg(m_resultCount) : tr("%1 条").arg(m_resultCount));
    emit searched();
}

void TForm6::showLive()
{
    m_ticket = 0;
    m_ui->lb_SearchState->clear();
    if (m_ui->lv_CmdHistory->model() == m_context.history)
        return;
    m_ui->lv_CmdHistory->setModel(m_context.history);
    applyColumns();
    m_results->clear();
}

void TForm6::exportCsv()
{
    SafeFile::exportTo(*m_context.prompter, tr("导出 CSV"), QDir::homePath() + QStringLiteral("/event-history.csv"),
                       QStringLiteral("CSV files (*.csv)"), [this] { return FleetCsv(*shownModel()); });
}
