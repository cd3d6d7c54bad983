#include "ftpList.h"

#include "ui_ftpList.h"

#include "base/messages.h"
#include "base/prompter.h"
#include "config/appcontext.h"
#include "config/settings.h"
#include "console/boxlists.h"
#include "ftpclient.h"
#include "link/cmd.h"
#include "registry/MacGroup.h"
#include "timebox.h"

#include <QDate>
#include <QEvent>
#include <QLineEdit>
#include <QShowEvent>
#include <QTimer>

TForm9::TForm9(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm9>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
    const QDate today = QDate::currentDate();
    for (QDateEdit *picker : {m_ui->Dtp_Start, m_ui->Dtp_End, m_ui->Dtp_Activate})
        picker->setDate(today);
    for (QComboBox *hours : {m_ui->cbStartHour, m_ui->cbEndHour, m_ui->cb_ActivateHour}) {
        for (int h = 0; h < 24; ++h)
            hours->addItem(QString::asprintf("%02d", h));
    }
    for (QComboBox *minutes : {m_ui->cbStartMin, m_ui->cbEndMin, m_ui->cb_ActivateMin}) {
        for (int m = 0; m < 60; ++m)
            minutes->addItem(QString::asprintf("%02d", m));
    }
    // A plan that can be sent as it opens: download from 01:00 to 05:00,
    // play from 06:00.
    m_ui->cbStartHour->setCurrentIndex(1);
    m_ui->cbEndHour->setCurrentIndex(5);
    m_ui->cb_ActivateHour->setCurrentIndex(6);
    // Typing into a time box replaces its two digits.
    for (QComboBox *box : {m_ui->cbStartHour, m_ui->cbStartMin, m_ui->cbEndHour, m_ui->cbEndMin, m_ui->cb_ActivateHour,
                           m_ui->cb_ActivateMin})
        MakeTimeBox(box);
    for (int d = 1; d <= 14; ++d)
        m_ui->cb_LoopDay->addItem(QString::number(d));
    m_ui->cb_LoopDay->setCurrentIndex(6);
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1);
    m_ui->lv_Schedule->setColumnWidth(0, 150);
    m_ui->lv_Download->setColumnWidth(0, 220);
    for (int d = 0; d < 7; ++d)
        dayList(d)->setColumnWidth(3, 200);

    connect(m_ui->sb_Send, &QToolButton::clicked, this, &TForm9::sendClick);
    connect(m_ui->sb_Close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_ui->clb_BoxName, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { copyCheck(m_ui->clb_MacAdd, item); });
    connect(m_ui->clb_MacAdd, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { copyCheck(m_ui->clb_BoxName, item); });
    BoxLists::onHeaderClick(m_ui->lv_Schedule, this,
                            [this](int column) { BoxLists::sortRows(m_ui->lv_Schedule, column); });
}

TForm9::~TForm9() = default;

QTreeWidget *TForm9::dayList(int day) const
{
    QTreeWidget *const lists[] = {m_ui->lv_Day0, m_ui->lv_Day1, m_ui->lv_Day2, m_ui->lv_Day3,
                                  m_ui->lv_Day4, m_ui->lv_Day5, m_ui->lv_Day6};
    return lists[day];
}

void TForm9::showEvent(QShowEvent *event)
{
    // A window restored from the task bar is the same showing: "发送" once
    // per opening.
    if (event->spontaneous()) {
        QWidget::showEvent(event);
        return;
    }
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1);
    m_ui->PageControl2->setCurrentWidget(m_ui->TabSchedule);
    m_ui->PageControl3->setCurrentWidget(m_ui->TabDay0);
    m_ui->sb_Send->setEnabled(true);
    QWidget::showEvent(event);
}

void TForm9::copyCheck(QListWidget *to, QListWidgetItem *changed)
{
    // The two lists always agree, entry by entry.
    if (m_copying)
        return;
    m_copying = true;
    const QListWidget *from = changed->listWidget();
    for (int i = 0; i < from->count() && i < to->count(); ++i)
        to->item(i)->setCheckState(from->item(i)->checkState());
    m_copying = false;
}

void TForm9::LoadPlan(const QList<FtpScheduleRow> &rows, const QList<BoxBasicInfo> &boxes)
{
    // An unnamed box shows its MAC in the name list too.
    m_copying = true;
    m_ui->clb_BoxName->clear();
    m_ui->clb_MacAdd->clear();
    for (const BoxBasicInfo &box : boxes) {
        for (auto [list, text] : {std::pair{m_ui->clb_BoxName, box.name.isEmpty() ? box.mac : box.name},
                                  std::pair{m_ui->clb_MacAdd, box.mac}}) {
            auto *item = new QListWidgetItem(text, list);
            item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
        }
    }
    m_copying = false;

    m_rows = rows;
    m_ui->lv_Schedule->clear();
    for (const FtpScheduleRow &row : rows) {
        const QStringList items = row.subItems();
        auto *item = new QTreeWidgetItem(QStringList{row.caption()} + items.mid(0, 10));
        m_ui->lv_Schedule->addTopLevelItem(item);
    }

    m_ui->lv_Download->clear();
    for (const sFtpFile &file : BuildDownloadList(rows))
        m_ui->lv_Download->addTopLevelItem(new QTreeWidgetItem(QStringList{file.name, MaskedFtpUrl(file.url)}));

    for (int d = 0; d < 7; ++d) {
        QTreeWidget *list = dayList(d);
        list->clear();
        for (const sPlayList &slot : BuildDaySlots(rows, d)) {
            const QString first = slot.files.isEmpty() ? QString() : slot.files.first().name;
            const QString firstUrl = slot.files.isEmpty() ? QString() : MaskedFtpUrl(slot.files.first().url);
            list->addTopLevelItem(
                new QTreeWidgetItem(QStringList{SlotTimeText(slot.startHour, slot.startMin),
                                                SlotTimeText(slot.endHour, slot.endMin), slot.kind, first, firstUrl}));
            for (qsizetype f = 1; f < slot.files.size(); ++f)
                list->addTopLevelItem(
                    new QTreeWidgetItem(QStringList{{}, {}, {}, slot.files[f].name, MaskedFtpUrl(slot.files[f].url)}));
        }
    }
}

bool TForm9::readNumber(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    if (!ok)
        m_context.prompter->error(windowTitle(), Msg::tr(Msg::NotAnInteger).arg(text));
    return ok;
}

void TForm9::sendClick()
{
    PlanTimes times;
    const auto read = [this](QDateEdit *date, QComboBox *hour, QComboBox *minute, PlanMoment *m) {
        m->year = date->date().year();
        m->month = date->date().month();
        m->day = date->date().day();
        return readNumber(hour->currentText(), &m->hour) && readNumber(minute->currentText(), &m->minute);
    };
    if (!read(m_ui->Dtp_Start, m_ui->cbStartHour, m_ui->cbStartMin, &times.start) ||
        !read(m_ui->Dtp_End, m_ui->cbEndHour, m_ui->cbEndMin, &times.end) ||
        !read(m_ui->Dtp_Activate, m_ui->cb_ActivateHour, m_ui->cb_ActivateMin, &times.activation) ||
        !readNumber(m_ui->cb_LoopDay->currentText(), &times.loopDays))
        return;
    if (const QString problem = PlanTimesProblem(times); !problem.isEmpty()) {
        m_context.prompter->error(windowTitle(), Msg::tr(Msg::FillPlanTime) + QLatin1Char('\n') + problem);
        return;
    }
    // A download window that opened already starts the boxes fetching at once.
    const QDateTime start(QDate(times.start.year, times.start.month, times.start.day),
                          QTime(times.start.hour, times.start.minute));
    if (start < m_context.clock->now() &&
        m_context.prompter->message(windowTitle(),
                                    tr("The plan's download window opened at %1, which has passed: the boxes start "
                                       "fetching as soon as they get it. Send it?")
                                        .arg(start.toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
                                    Prompter::Buttons::YesNo, Prompter::Icon::Warning) != Prompter::Button::Yes)
        return;
    const PlanWriteResult plan = WritePlan(m_context.settings, times, m_rows, MakeTimestamp());
    if (!plan.ok) {
        m_context.prompter->error(windowTitle(), Msg::tr(Msg::CannotWritePlan).arg(plan.error));
        return;
    }
    m_lastPlan = plan;
    for (int i = 0; i < m_ui->clb_MacAdd->count(); ++i) {
        const QListWidgetItem *item = m_ui->clb_MacAdd->item(i);
        if (item->checkState() != Qt::Checked || !m_context.cmd)
            continue;
        // A box the registry no longer holds is passed over.
        if (m_context.registry && m_context.registry->FindBox(item->text()) != RES_FOUND)
            continue;
        m_context.cmd->SendBoxCommand(CMD_FILEUPDATE, item->text(), {{}, {plan.command}});
    }
    m_ui->sb_Send->setEnabled(false);
}
