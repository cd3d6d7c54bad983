#include "calendarwindow.h"

#include "base/messages.h"
#include "base/prompter.h"
#include "base/safefile.h"
#include "boxlists.h"
#include "config/appcontext.h"
#include "link/fleetmodel.h"
#include "link/fleetstatus.h"
#include "registry/MacGroup.h"

#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kHourWidth = 44;    // the hours down the side
constexpr int kHeaderHeight = 22; // the day names
constexpr int kFooterHeight = 8;  // room for the last hour's label
// A4 in landscape at 150 dots an inch: what the picture export draws.
const QSize kA4(1754, 1240);

} // namespace

WeekView::WeekView(const WeekModel &model, QWidget *parent) : QWidget(parent), m_model(model)
{
    setObjectName(QStringLiteral("wv_Week"));
    setMouseTracking(true);
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    connect(&model, &QAbstractItemModel::modelReset, this, qOverload<>(&QWidget::update));
}

void WeekView::setNow(int day, int second)
{
    m_nowDay = day;
    m_nowSecond = second;
    update();
}

QColor WeekView::KindColour(int kind)
{
    switch (kind) {
    case DECODE_TEXTLIST:
        return QColor(0xef, 0x8a, 0x17);
    case DECODE_PICLIST:
        return QColor(0x38, 0x8e, 0x3c);
    default:
        return QColor(0x1e, 0x6f, 0xc8);
    }
}

QRect WeekView::dayRect(int day) const
{
    const int w = (width() - kHourWidth) / 7;
    return {kHourWidth + day * w, kHeaderHeight, w, height() - kHeaderHeight - kFooterHeight};
}

int WeekView::yOf(int second) const
{
    const int h = height() - kHeaderHeight - kFooterHeight;
    return kHeaderHeight + int(qint64(h) * qBound(0, second, 86400) / 86400);
}

QRect WeekView::blockRect(int row) const
{
    const WeekBlock &b = m_model.block(row);
    const QRect day = dayRect(b.day);
    // Media, text and pictures side by side, each in a third of the day.
    const int third = day.width() / 3;
    const int top = yOf(int(b.schedule.startSec));
    const int bottom = qMax(top + 3, yOf(int(qMin<quint32>(b.schedule.endSec, 86400))));
    return {day.left() + b.kind * third + 1, top, third - 2, bottom - top};
}

int WeekView::blockAt(const QPoint &point) const
{
    for (int row = m_model.rowCount() - 1; row >= 0; --row) {
        if (blockRect(row).contains(point))
            return row;
    }
    return -1;
}

void WeekView::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QPalette pal = palette();
    p.setPen(pal.color(QPalette::Mid));
    for (int hour = 0; hour <= 24; hour += 2) {
        const int y = yOf(hour * 3600);
        p.drawLine(kHourWidth, y, width(), y);
        p.drawText(QRect(0, y - 8, kHourWidth - 4, 16), Qt::AlignRight | Qt::AlignVCenter,
                   QString::asprintf("%02d:00", hour));
    }
    const QList<int> &differing = m_model.differingDays();
    for (int day = 0; day < 7; ++day) {
        const QRect r = dayRect(day);
        p.setPen(pal.color(QPalette::Mid));
        p.drawLine(r.topLeft(), r.bottomLeft());
        QString title = DayName(day);
        p.setPen(pal.color(QPalette::Text));
        if (differing.contains(day)) {
            title += tr(" ≠ sent");
            p.setPen(Qt::red);
        }
        p.drawText(QRect(r.left(), 0, r.width(), kHeaderHeight), Qt::AlignCenter, title);
        // An empty day says why.
        const QList<WeekBlock> &blocks = m_model.week().blocks;
        if (std::none_of(blocks.cbegin(), blocks.cend(), [day](const WeekBlock &b) { return b.day == day; })) {
            QStringList notes;
            for (const auto &[noteDay, text] : m_model.week().notes) {
                if (noteDay == day)
                    notes.append(text);
            }
            p.setPen(pal.color(QPalette::PlaceholderText));
            p.drawText(r.adjusted(4, 8, -4, -8), Qt::AlignTop | Qt::AlignHCenter | Qt::TextWordWrap,
                       notes.join(QLatin1Char('\n')));
        }
    }
    // Only what the repaint covers; a block too short for a line of text
    // is a bar, and one drawn over the same pixels as the last is drawn once.
    const QRect dirty = event->rect();
    const int lineHeight = fontMetrics().height();
    QRect last;
    p.setPen(Qt::white);
    for (int row = 0; row < m_model.rowCount(); ++row) {
        const QRect r = blockRect(row);
        if (r == last || !r.intersects(dirty))
            continue;
        last = r;
        const WeekBlock &b = m_model.block(row);
        p.fillRect(r, KindColour(b.kind));
        if (r.height() >= lineHeight)
            p.drawText(r.adjusted(2, 1, -2, -1), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap,
                       b.schedule.items.join(QLatin1Char('\n')));
    }
    if (m_nowDay >= 0 && m_nowDay < 7) {
        const int y = yOf(m_nowSecond);
        p.setPen(QPen(Qt::red, 1));
        p.drawLine(kHourWidth, y, width(), y);
        const QRect today = dayRect(m_nowDay);
        p.setPen(QPen(Qt::red, 3));
        p.drawLine(today.left(), y, today.right(), y);
    }
}

bool WeekView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        const auto *help = static_cast<QHelpEvent *>(event);
        const int row = blockAt(help->pos());
        if (row < 0) {
            QToolTip::hideText();
            event->ignore();
            return true;
        }
        const WeekBlock &b = m_model.block(row);
        QToolTip::showText(
            help->globalPos(),
            QStringLiteral("%1 %2~%3 %4\n%5")
                .arg(WeekBlock::KindText(b.kind),
                     m_model.data(m_model.index(row, WeekModel::StartColumn), Qt::DisplayRole).toString(),
                     m_model.data(m_model.index(row, WeekModel::EndColumn), Qt::DisplayRole).toString(), b.typeText(),
                     b.schedule.items.join(QLatin1Char('\n'))),
            this);
        return true;
    }
    return QWidget::event(event);
}

CalendarWindow::CalendarWindow(AppContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    setWindowTitle(tr("日历"));
    resize(1260, 720);
    m_model = new WeekModel(this);
    m_reader = new WeekReader(*context.registry, *context.cmd, context.settings, this);

    auto *pick = new QGroupBox(tr("设备列表"), this);
    pick->setObjectName(QStringLiteral("gb_Box"));
    m_groups = new QComboBox(pick);
    m_groups->setObjectName(QStringLiteral("cb_Group"));
    m_boxes = new QTreeWidget(pick);
    m_boxes->setObjectName(QStringLiteral("lv_OnlineBox"));
    m_boxes->setRootIsDecorated(false);
    m_boxes->setUniformRowHeights(true);
    m_boxes->setHeaderLabels({tr("设备名"), tr("Mac地址"), tr("状态")});
    auto *read = new QToolButton(pick);
    read->setObjectName(QStringLiteral("sb_Read"));
    read->setText(tr("读取"));
    read->setToolTip(tr("Read the play lists of the checked boxes, or of every box listed"));
    m_readState = new QLabel(pick);
    m_readState->setObjectName(QStringLiteral("lb_ReadState"));
    m_readState->setWordWrap(true);
    auto *pickLayout = new QVBoxLayout(pick);
    pickLayout->addWidget(m_groups);
    pickLayout->addWidget(m_boxes, 1);
    auto *readRow = new QHBoxLayout;
    readRow->addWidget(m_readState, 1);
    readRow->addWidget(read);
    pickLayout->addLayout(readRow);

    m_oddOnes = new QTreeWidget(pick);
    m_oddOnes->setObjectName(QStringLiteral("lv_OddOnes"));
    m_oddOnes->setRootIsDecorated(false);
    m_oddOnes->setHeaderLabels({tr("设备名"), tr("Mac地址"), tr("Differs")});
    m_oddOnes->setToolTip(tr("Boxes whose week differs from the group's most common week; double-click "
                             "to see one"));
    auto *oddBox = new QGroupBox(tr("与群组不同"), this);
    oddBox->setObjectName(QStringLiteral("gb_OddOnes"));
    auto *oddLayout = new QVBoxLayout(oddBox);
    oddLayout->addWidget(m_oddOnes);

    m_boxLine = new QLabel(this);
    m_boxLine->setObjectName(QStringLiteral("lb_Box"));
    m_nowLine = new QLabel(this);
    m_nowLine->setObjectName(QStringLiteral("lb_Now"));
    m_nowLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_nowLine->setWordWrap(true); // a long line wraps rather than being cut
    auto *png = new QToolButton(this);
    png->setObjectName(QStringLiteral("sb_ExportPng"));
    png->setText(tr("导出 PNG"));
    auto *csv = new QToolButton(this);
    csv->setObjectName(QStringLiteral("sb_ExportCsv"));
    csv->setText(tr("导出 CSV"));
    m_view = new WeekView(*m_model, this);
    m_notes = new QLabel(this);
    m_notes->setObjectName(QStringLiteral("lb_Notes"));
    m_notes->setWordWrap(true);
    m_notes->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto *top = new QHBoxLayout;
    top->addWidget(m_boxLine);
    top->addStretch();
    top->addWidget(png);
    top->addWidget(csv);
    auto *weekSide = new QWidget(this);
    auto *weekLayout = new QVBoxLayout(weekSide);
    weekLayout->setContentsMargins(0, 0, 0, 0);
    weekLayout->addLayout(top);
    weekLayout->addWidget(m_nowLine);
    weekLayout->addWidget(m_view, 1);
    // A box with many unreadable lists does not push the week out of sight.
    auto *notesArea = new QScrollArea(this);
    notesArea->setWidget(m_notes);
    notesArea->setWidgetResizable(true);
    notesArea->setFrameShape(QFrame::NoFrame);
    notesArea->setMaximumHeight(96);
    weekLayout->addWidget(notesArea);

    auto *left = new QSplitter(Qt::Vertical, this);
    left->addWidget(pick);
    left->addWidget(oddBox);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(left);
    split->addWidget(weekSide);
    split->setStretchFactor(1, 1);
    split->setSizes({360, 900});
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(split);

    connect(m_groups, &QComboBox::activated, this,
            [this] { BoxLists::ShowChosenGroup(m_groups, m_boxes, *m_context.registry); });
    connect(m_boxes, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { showBox(item->text(1)); });
    connect(m_oddOnes, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem *item) { showBox(item->text(1)); });
    connect(read, &QToolButton::clicked, this, &CalendarWindow::readChosen);
    connect(png, &QToolButton::clicked, this, &CalendarWindow::exportPng);
    connect(csv, &QToolButton::clicked, this, &CalendarWindow::exportCsv);
    connect(m_reader, &WeekReader::boxRead, this, &CalendarWindow::boxRead);
    m_nowTimer = new QTimer(this);
    m_nowTimer->setInterval(30000);
    connect(m_nowTimer, &QTimer::timeout, this, &CalendarWindow::updateNow);
    m_nowTimer->start();
}

CalendarWindow::~CalendarWindow() = default;

void CalendarWindow::setClock(const Clock &clock)
{
    m_clock = &clock;
    updateNow();
}

void CalendarWindow::showEvent(QShowEvent *event)
{
    refreshPicks();
    updateNow();
    QWidget::showEvent(event);
}

void CalendarWindow::refreshPicks()
{
    BoxLists::PickList(m_groups, m_boxes, *m_context.registry, BoxLists::PickRefresh);
}

QString CalendarWindow::nameOf(const QString &mac) const
{
    int slot = -1;
    if (m_context.registry->FindBox(mac, &slot) == RES_FOUND && !m_context.registry->Box(slot).ClientName.isEmpty())
        return m_context.registry->Box(slot).ClientName;
    return mac;
}

void CalendarWindow::readChosen()
{
    QStringList macs;
    for (const auto &[mac, name] : BoxLists::checkedPicks(m_boxes, *m_context.registry))
        macs.append(mac);
    if (macs.isEmpty()) {
        // Nothing checked: every box the chosen group lists.
        for (int i = 0; i < m_boxes->topLevelItemCount(); ++i)
            macs.append(m_boxes->topLevelItem(i)->text(1));
    }
    if (macs.isEmpty())
        return;
    m_reading = macs;
    m_oddOnes->clear();
    m_readState->setText(tr("Reading %1 boxes…").arg(macs.size()));
    m_reader->read(macs);
}

void CalendarWindow::boxRead(const QString &mac)
{
    if (!m_reading.contains(mac))
        return;
    m_readAt.insert(mac, m_clock->now());
    int done = 0;
    for (const QString &m : std::as_const(m_reading))
        done += m_reader->week(m).state != BoxWeek::Reading;
    m_readState->setText(tr("%1 of %2 boxes read").arg(done).arg(m_reading.size()));
    // The first box read is shown, and the shown box as it changes.
    if (m_model->week().mac.isEmpty() || m_model->week().mac == mac)
        showBox(mac);
    if (done == m_reading.size()) {
        listOddOnes();
        emit readFinished();
    }
}

void CalendarWindow::listOddOnes()
{
    m_oddOnes->clear();
    QList<BoxWeek> weeks;
    for (const QString &mac : std::as_const(m_reading))
        weeks.append(m_reader->week(mac));
    const qsizetype common = MostCommonWeek(weeks);
    for (const BoxWeek &week : std::as_const(weeks)) {
        QString differs;
        if (week.state == BoxWeek::Offline) {
            differs = tr("not read: offline");
        } else if (week.state == BoxWeek::NoAnswer) {
            differs = tr("not read: no answer within %1 s").arg(WeekReader::kAnswerMs / 1000);
        } else if (common >= 0 && weeks.size() > 1 && week.signature() != weeks[common].signature()) {
            QStringList days;
            for (const DayDifference &d : CompareWeeks(week, weeks[common]))
                days.append(d.text());
            differs = days.join(QStringLiteral(" | "));
        }
        if (differs.isEmpty())
            continue;
        auto *item = new QTreeWidgetItem(m_oddOnes, {nameOf(week.mac), week.mac, differs});
        item->setToolTip(2, differs);
    }
    m_oddOnes->resizeColumnToContents(0);
    m_oddOnes->resizeColumnToContents(1);
}

void CalendarWindow::showBox(const QString &mac)
{
    if (!m_reader->contains(mac))
        return;
    const BoxWeek week = m_reader->week(mac);
    // Days whose lists differ from the ones the box's last transfer sent.
    QList<int> differing;
    QString sentLine;
    const QString sentList = m_context.fleet ? m_context.fleet->status(mac).transferList : QString();
    if (week.state == BoxWeek::Read && !sentList.isEmpty()) {
        if (const auto sent = SentWeek(sentList)) {
            for (const DayDifference &d : CompareWeeks(week, *sent))
                differing.append(d.day);
            sentLine = differing.isEmpty() ? tr(" · as sent by the last transfer")
                                           : tr(" · %1 days differ from the last transfer").arg(differing.size());
        }
    }
    m_model->setWeek(week, nameOf(mac), differing);
    QString state;
    switch (week.state) {
    case BoxWeek::Reading:
        state = tr(" · reading…");
        break;
    case BoxWeek::Offline:
        state = tr(" · not read: offline");
        break;
    case BoxWeek::NoAnswer:
        state = tr(" · not read: no answer");
        break;
    default:
        break;
    }
    m_boxLine->setText(QStringLiteral("%1 (%2)%3%4").arg(nameOf(mac), mac, state, sentLine));
    QStringList notes;
    for (const auto &[day, text] : week.notes)
        notes.append(DayName(day) + QStringLiteral(": ") + text);
    m_notes->setText(notes.join(QLatin1Char('\n')));
    updateNow();
}

void CalendarWindow::updateNow()
{
    const QString mac = m_model->week().mac;
    if (mac.isEmpty()) {
        m_nowLine->clear();
        m_view->setNow(-1, 0);
        return;
    }
    // The box's own clock: the server's less the difference its heartbeats showed.
    int slot = -1;
    const qint64 diff =
        m_context.registry->FindBox(mac, &slot) == RES_FOUND ? m_context.registry->Box(slot).TimeDiff : 0;
    const QDateTime box = m_clock->now().addSecs(-diff);
    const int day = box.date().dayOfWeek() % 7; // Qt counts Monday 1 … Sunday 7
    const int second = box.time().msecsSinceStartOfDay() / 1000;
    m_view->setNow(day, second);
    QStringList playing;
    for (const WeekBlock &b : m_model->week().playingAt(day, second))
        playing.append(b.text());
    m_nowLine->setText(tr("now: ") + (playing.isEmpty() ? tr("nothing plays") : playing.join(QStringLiteral(" · "))));
    m_nowLine->setToolTip(m_nowLine->text());
}

QString CalendarWindow::exportHeading() const
{
    // The box, the dates of the week (Sunday first, as the boxes count) and
    // when it was read.
    const QString mac = m_model->week().mac;
    const QDateTime readAt = m_readAt.value(mac, m_clock->now());
    const QDate sunday = readAt.date().addDays(-(readAt.date().dayOfWeek() % 7));
    return tr("%1 (%2) · week of %3 to %4 · as read at %5")
        .arg(nameOf(mac), mac, sunday.toString(QStringLiteral("yyyy-MM-dd")),
             sunday.addDays(6).toString(QStringLiteral("yyyy-MM-dd")),
             readAt.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

QString CalendarWindow::exportProposal(const QString &suffix) const
{
    // One pattern for both exports: week-<MAC>-<day read>.<suffix>.
    const QString mac = m_model->week().mac;
    const QDateTime readAt = m_readAt.value(mac, m_clock->now());
    return QDir::homePath() + QStringLiteral("/week-") + QString(mac).replace(QLatin1Char(':'), QLatin1Char('-')) +
           QLatin1Char('-') + readAt.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('.') + suffix;
}

void CalendarWindow::exportPng()
{
    if (m_model->week().mac.isEmpty())
        return;
    const QString heading = exportHeading();
    SafeFile::exportTo(*m_context.prompter, tr("导出 PNG"), exportProposal(QStringLiteral("png")),
                       tr("PNG pictures (*.png)"), [this, heading] {
                           // Drawn again to fill a landscape A4 page, under a heading.
                           QWidget page;
                           page.resize(kA4);
                           auto *layout = new QVBoxLayout(&page);
                           auto *title = new QLabel(heading, &page);
                           QFont font = title->font();
                           font.setPointSizeF(font.pointSizeF() * 1.6);
                           title->setFont(font);
                           layout->addWidget(title);
                           layout->addWidget(new WeekView(*m_model, &page), 1);
                           QByteArray bytes;
                           QBuffer buffer(&bytes);
                           buffer.open(QIODevice::WriteOnly);
                           page.grab().save(&buffer, "PNG");
                           return bytes;
                       });
}

void CalendarWindow::exportCsv()
{
    if (m_model->week().mac.isEmpty())
        return;
    SafeFile::exportTo(*m_context.prompter, tr("导出 CSV"), exportProposal(QStringLiteral("csv")),
                       tr("CSV files (*.csv)"), [this] {
                           QByteArray csv = FleetCsv(*m_model);
                           // A box with no lists says so rather than giving only the header.
                           if (m_model->rowCount() == 0)
                               csv += (tr("No play lists were read from this box.") + QStringLiteral("\r\n")).toUtf8();
                           return csv;
                       });
}
