#include "schdlist.h"

#include "ui_schdlist.h"

#include "base/messages.h"
#include "base/prompter.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "link/cmd.h"
#include "registry/MacGroup.h"
#include "schedule/playlistxml.h"

#include <QHeaderView>

namespace {

constexpr int kFixedColumns = 13;

QString timeText(int hour, int minute)
{
    return QString::asprintf("%02d:%02d", hour, minute);
}

QString typeText(quint32 type)
{
    return type <= SCHD_NONE ? ScheduleTypeText(type) : QStringLiteral("THE OTHER");
}

} // namespace

TForm4::TForm4(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm4>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    m_ui->sgSchdCMD->horizontalHeader()->setVisible(false);
    m_ui->sgSchdCMD->verticalHeader()->setVisible(false);
    m_ui->sgSchdCMD->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1);
    m_ui->spb_Send->setEnabled(false);
    // The check lists run in columns.
    m_ui->clb_BoxName->setWrapping(true);
    m_ui->clb_MacAdd->setWrapping(true);
    layoutHeader();

    const int modes[] = {2, 3, 1, 4, 5, 6, 7, 8, 9, 10};
    QToolButton *const buttons[] = {m_ui->spb_1, m_ui->spb_2, m_ui->spb_3, m_ui->spb_4, m_ui->spb_5,
                                    m_ui->spb_6, m_ui->spb_7, m_ui->spb_8, m_ui->spb_9, m_ui->spb_10};
    for (int i = 0; i < 10; ++i)
        connect(buttons[i], &QToolButton::clicked, this, [this, mode = modes[i]] { sortBy(mode); });
    connect(m_ui->cb_1, &QComboBox::currentIndexChanged, this, &TForm4::fillGrid);
    connect(m_ui->spb_Send, &QToolButton::clicked, this, &TForm4::spb_SendClick);
    connect(m_ui->clb_BoxName, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { copyCheck(m_ui->clb_MacAdd, item); });
    connect(m_ui->clb_MacAdd, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { copyCheck(m_ui->clb_BoxName, item); });
}

TForm4::~TForm4() = default;

bool TForm4::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show) {
        // The rows first: the headings take the widths of the filled columns.
        fillGrid();
        layoutHeader();
        emit schedulesChanged();
    }
    return QWidget::event(event);
}

void TForm4::layoutHeader()
{
    // The chooser and the sort buttons stand over the columns they act on.
    QTableWidget *grid = m_ui->sgSchdCMD;
    if (grid->columnCount() < kFixedColumns)
        grid->setColumnCount(kFixedColumns);
    QWidget *const heads[] = {m_ui->cb_1,  m_ui->spb_1, m_ui->spb_2, m_ui->spb_3, m_ui->spb_4,  m_ui->spb_5,
                              m_ui->spb_6, m_ui->spb_7, m_ui->spb_8, m_ui->spb_9, m_ui->spb_10, m_ui->spb_11};
    // Column 0 (the row number) has no heading: a blank as wide as the grid's
    // frame and that column stands before the first heading, and each
    // heading is exactly as wide as its column.
    if (!m_headLead) {
        m_headLead = new QWidget(this);
        m_ui->headerLayout->insertWidget(0, m_headLead);
        m_ui->headerLayout->setSpacing(0);
        m_ui->headerLayout->setContentsMargins(0, 0, 0, 0);
    }
    m_headLead->setFixedWidth(grid->frameWidth() + grid->columnWidth(0));
    // Each column as wide as its heading or its widest cell, the content
    // column at most 300 pixels (its cells elide), so the window fits a
    // 1280-pixel screen.
    for (int i = 0; i < 12; ++i) {
        grid->resizeColumnToContents(i + 1);
        int width = qMax(heads[i]->sizeHint().width(), grid->columnWidth(i + 1));
        if (i == 11)
            width = qMin(width, 300);
        grid->setColumnWidth(i + 1, width);
        heads[i]->setFixedWidth(width);
    }
    const QSignalBlocker blocker(m_ui->cb_1);
    m_ui->cb_1->setCurrentIndex(0);
}

void TForm4::fillBoxes(const QList<sBoxInfo> &boxes, bool checked)
{
    m_copyingCheck = true;
    m_ui->clb_BoxName->clear();
    m_ui->clb_MacAdd->clear();
    for (const sBoxInfo &box : boxes) {
        // A box without a name shows its MAC, not an empty line.
        const QString name = box.BoxName.isEmpty() ? box.BoxMac : box.BoxName;
        for (auto [list, text] : {std::pair{m_ui->clb_BoxName, name}, std::pair{m_ui->clb_MacAdd, box.BoxMac}}) {
            auto *item = new QListWidgetItem(text, list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
        }
    }
    m_copyingCheck = false;
}

void TForm4::copyCheck(QListWidget *to, QListWidgetItem *item)
{
    if (m_copyingCheck)
        return;
    const int row = item->listWidget()->row(item);
    if (QListWidgetItem *other = to->item(row); other && other->checkState() != item->checkState()) {
        m_copyingCheck = true;
        other->setCheckState(item->checkState());
        m_copyingCheck = false;
    }
}

void TForm4::OpenForTransfer(const QList<sBoxInfo> &boxes, const QString &command)
{
    fillBoxes(boxes, true);
    m_command = command;
    m_ui->spb_Send->setEnabled(!command.isEmpty());
}

void TForm4::OpenAllBoxes()
{
    QList<sBoxInfo> boxes;
    const MacGruoup &registry = *m_context.registry;
    for (int slot = 0; slot < registry.BoxCount(); ++slot)
        boxes.append({registry.Box(slot).MacAdd, registry.Box(slot).ClientName});
    fillBoxes(boxes, false);
    m_command.clear();
    m_ui->spb_Send->setEnabled(false);
}

void TForm4::fillGrid()
{
    if (!m_context.schedules)
        return;
    const TPlayList &store = *m_context.schedules;
    const int kind = m_ui->cb_1->currentIndex(); // 0 all, 1 media, 2 text, 3 pictures
    QList<QStringList> rows;
    const auto addRow = [&rows](const QString &word, quint32 type, int sh, int sm, int eh, int em, quint32 days,
                                const QStringList &items) {
        QStringList cells = {QString::number(rows.size() + 1), word, timeText(sh, sm), timeText(eh, em),
                             typeText(type)};
        for (int d = 0; d < 7; ++d)
            cells.append((days & (1u << d)) ? QStringLiteral("YES") : QStringLiteral("NO"));
        rows.append(cells + items);
    };
    if (kind == 0 || kind == 1) {
        for (const TScheduleNode &e : store.GetSchdList())
            addRow(QStringLiteral("Media"), e.SchdType, e.StartHour, e.StartMin, e.EndHour, e.EndMin, e.WeekDays,
                   e.vec_shortname);
    }
    const std::pair<int, const char *> others[] = {{OTHER_TEXT, "Text"}, {OTHER_PIC, "BMP"}};
    for (const auto &[selector, word] : others) {
        if (kind != 0 && kind != selector + 2)
            continue;
        for (const TScheduleNodeOther &e : store.GetOtherSchdList(selector))
            addRow(QString::fromLatin1(word), e.SchdType, e.StartHour, e.StartMin, e.EndHour, e.EndMin, e.WeekDays,
                   e.vec_item);
    }
    QTableWidget *grid = m_ui->sgSchdCMD;
    grid->clearContents();
    int columns = kFixedColumns;
    for (const QStringList &row : rows)
        columns = qMax(columns, int(row.size()));
    grid->setColumnCount(columns);
    grid->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            auto *item = new QTableWidgetItem(rows[r][c]);
            item->setToolTip(rows[r][c]);
            grid->setItem(r, c, item);
        }
    }
    // Every file of a play list reads whole, each in a column of its own;
    // the columns under the heading buttons keep the buttons' widths.
    for (int c = kFixedColumns; c < columns; ++c)
        grid->resizeColumnToContents(c);
}

void TForm4::sortBy(int mode)
{
    if (!m_context.schedules)
        return;
    m_context.schedules->SortSchd(mode);
    fillGrid();
    emit schedulesChanged();
}

void TForm4::spb_SendClick()
{
    if (m_command.isEmpty()) {
        m_ui->spb_Send->setEnabled(false);
        return;
    }
    QStringList macs;
    for (int i = 0; i < m_ui->clb_MacAdd->count(); ++i) {
        if (m_ui->clb_MacAdd->item(i)->checkState() == Qt::Checked)
            macs.append(m_ui->clb_MacAdd->item(i)->text());
    }
    if (macs.isEmpty()) {
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::NoEffectiveBox));
        return;
    }
    for (const QString &mac : macs)
        m_context.cmd->SendBoxCommand(CMD_FILEUPDATE, mac, {{}, {m_command}});
    // A transfer command goes out once; the next needs a new transfer.
    m_command.clear();
    m_ui->spb_Send->setEnabled(false);
}
