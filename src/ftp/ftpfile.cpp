#include "ftpfile.h"

#include "ui_ftpfile.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "console/boxlists.h"
#include "link/cmd.h"
#include "timebox.h"

#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMenu>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kRowTexts = Qt::UserRole + 1; // a schedule row's sub-items, file pairs included

QString twoDigits(int n)
{
    return QString::asprintf("%02d", n);
}

} // namespace

TForm7::TForm7(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm7>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    m_ui->topSplitter->setStretchFactor(1, 3);
    m_ui->sb_DelRepeat->hide();

    // The session and its two callbacks: messages on the status line,
    // listings into the file list.
    m_ftp.Init(&m_client, [this](const QString &text) { showStatus(text); });
    m_ftp.SetListingCallback(
        [this](const QStringList &lines, const QString &directory) { onListing(lines, directory); });
    connect(&m_client, &FtpClient::status, this,
            [this](FtpStatus kind, const QString &text) { showStatus(StatusText(kind, text)); });
    connect(&m_client, &FtpClient::busyChanged, this, &TForm7::setBusy);
    connect(&m_client, &FtpClient::changedUp, this, [this](bool ok, const QString &) {
        if (!std::exchange(m_upPending, false))
            return;
        if (ok)
            m_ftp.Execute(qo_indyftp::FTP_LIST);
        else
            showStatus(Msg::tr(Msg::ChangeDirUpFailure));
    });

    // The connect menu: fast-connect, then the reconnect item once made,
    // then one item per remembered account.
    m_connectMenu = new QMenu(this);
    m_connectMenu->setObjectName(QStringLiteral("pm_Connect"));
    m_fastConnect = m_connectMenu->addAction(tr("快速连接"));
    m_fastConnect->setObjectName(QStringLiteral("N1"));
    m_fastConnect->setShortcut(Qt::Key_F8);
    m_fastConnect->setShortcutContext(Qt::WindowShortcut);
    addAction(m_fastConnect);
    connect(m_fastConnect, &QAction::triggered, this, &TForm7::fastConnectRequested);
    connect(m_connectMenu, &QMenu::triggered, this, &TForm7::historyItemClicked);
    m_ui->ToolButton1->setMenu(m_connectMenu);

    connect(m_ui->ToolButton2, &QToolButton::clicked, this, [this] {
        m_ftp.Execute(qo_indyftp::FTP_DISCONNECT);
        m_ui->lv_FtpFileList->clear();
    });
    connect(m_ui->ToolButton3, &QToolButton::clicked, this, [this] {
        m_ftp.Execute(qo_indyftp::FTP_ABORT);
        m_ui->lv_FtpFileList->clear();
    });
    connect(m_ui->ToolButton4, &QToolButton::clicked, this, [this] { m_ftp.Execute(qo_indyftp::FTP_LIST); });
    connect(m_ui->sb_UpperFolder, &QToolButton::clicked, this, &TForm7::upperFolderClick);
    connect(m_ui->cb_FtpDirectory, &QComboBox::activated, this,
            [this](int index) { m_ftp.Execute(qo_indyftp::FTP_CHDIR, m_ui->cb_FtpDirectory->itemText(index)); });
    connect(m_ui->lv_FtpFileList, &QTreeWidget::itemDoubleClicked, this, &TForm7::fileDoubleClicked);

    // One sort column for the three lists; the box state sorts descending.
    BoxLists::onHeaderClick(m_ui->lv_FtpFileList, this, [this](int c) { sortList(m_ui->lv_FtpFileList, c); });
    BoxLists::onHeaderClick(m_ui->lv_PlanFileList, this, [this](int c) { sortList(m_ui->lv_PlanFileList, c); });
    BoxLists::onHeaderClick(m_ui->lv_OnlineBox, this, [this](int c) { sortList(m_ui->lv_OnlineBox, c); });

    connect(m_ui->sb_Leadin, &QToolButton::clicked, this, [this] { leadIn(false); });
    connect(m_ui->sb_LeadinAll, &QToolButton::clicked, this, [this] { leadIn(true); });
    connect(m_ui->sb_DelChecked, &QToolButton::clicked, this, &TForm7::delChecked);
    connect(m_ui->sb_DelAll, &QToolButton::clicked, m_ui->lv_PlanFileList, &QTreeWidget::clear);
    connect(m_ui->sb_Up, &QToolButton::clicked, this, [this] { moveSelected(-1); });
    connect(m_ui->sb_Down, &QToolButton::clicked, this, [this] { moveSelected(1); });
    connect(m_ui->sb_DelRepeat, &QToolButton::clicked, this, &TForm7::removeRepeatedPlanRows);
    connect(m_ui->sb_FtpSchdAdd, &QToolButton::clicked, this, &TForm7::addScheduleClick);
    connect(m_ui->sb_FtpSchdDel, &QToolButton::clicked, this, &TForm7::delScheduleClick);
    connect(m_ui->sb_Validation, &QToolButton::clicked, this, &TForm7::validationClick);

    BoxLists::FillWeekDays(m_ui->clb_WeekIndex);
    for (int h = 0; h < 24; ++h) {
        m_ui->cb_StHour->addItem(twoDigits(h));
        m_ui->cb_EndHour->addItem(twoDigits(h));
    }
    for (int m = 0; m < 60; ++m) {
        m_ui->cb_StMin->addItem(twoDigits(m));
        m_ui->cb_EndMin->addItem(twoDigits(m));
    }
    for (QComboBox *box : {m_ui->cb_StHour, m_ui->cb_StMin, m_ui->cb_EndHour, m_ui->cb_EndMin})
        MakeTimeBox(box);
    m_ui->cb_StHour->setCurrentIndex(8);
    m_ui->cb_EndHour->setCurrentIndex(22);
    m_ui->lv_FtpFileList->setColumnWidth(0, 220);
    m_ui->lv_PlanFileList->setColumnWidth(0, 160);
    m_ui->lv_Schedule->setColumnWidth(0, 150);

    // The remembered accounts follow the fast-connect item in file order.
    for (const host_info &account : LoadFtpAccounts(m_context.settings.ftpFile))
        AddAccountHistory(account);
    m_historyChanged = false;

    if (m_context.registry) {
        BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh);
        connect(m_ui->cb_Group, &QComboBox::activated, this,
                [this] { BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh); });
    }
}

TForm7::~TForm7()
{
    saveAccounts();
    m_ftp.Init(nullptr, {});
}

void TForm7::saveAccounts()
{
    // Only a run that remembered a new account rewrites Ftp.ini: a file this
    // run could not read is not replaced by an empty one.
    if (!m_historyChanged || m_context.settings.ftpFile.isEmpty())
        return;
    QString why;
    if (SaveFtpAccounts(accountHistory(), m_context.settings.ftpFile, &why)) {
        m_historyChanged = false;
        return;
    }
    qCritical("ERR The FTP accounts could not be saved to %s: %s", qPrintable(m_context.settings.ftpFile),
              qPrintable(why));
    if (m_context.prompter)
        m_context.prompter->error(
            windowTitle(),
            QStringLiteral("The FTP accounts could not be saved to %1: %2").arg(m_context.settings.ftpFile, why));
}

QComboBox *TForm7::pickGroups() const
{
    return m_ui->cb_Group;
}

QTreeWidget *TForm7::pickBoxes() const
{
    return m_ui->lv_OnlineBox;
}

QList<host_info> TForm7::accountHistory() const
{
    QList<host_info> accounts;
    for (const host_MenuItem &entry : m_history)
        accounts.append(entry.account);
    return accounts;
}

void TForm7::showStatus(const QString &text)
{
    m_ui->stb_FileList->showMessage(text);
}

void TForm7::ConnectAccount(const host_info &account)
{
    m_current = account;
    m_ftp.Execute(qo_indyftp::FTP_CONNECT, m_current);
    const QString caption = tr("重新连接") + m_current.name;
    if (!m_reconnect) {
        m_reconnect = new QAction(caption, m_connectMenu);
        m_reconnect->setObjectName(QStringLiteral("N_Reconnect"));
        m_connectMenu->insertAction(m_connectMenu->actions().value(0), m_reconnect);
    } else {
        m_reconnect->setText(caption);
    }
}

void TForm7::AddAccountHistory(const host_info &account)
{
    host_MenuItem entry;
    entry.account = account;
    entry.item = m_connectMenu->addAction(account.name);
    m_history.append(entry);
    m_historyChanged = true;
}

void TForm7::historyItemClicked(QAction *item)
{
    if (item == m_fastConnect)
        return;
    if (item == m_reconnect) {
        m_ftp.Execute(qo_indyftp::FTP_CONNECT, m_current);
        return;
    }
    for (const host_MenuItem &entry : std::as_const(m_history)) {
        if (entry.item == item) {
            m_current = entry.account;
            m_ftp.Execute(qo_indyftp::FTP_CONNECT, m_current);
            return;
        }
    }
    m_context.prompter->error(windowTitle(), Msg::tr(Msg::ErrorTitle));
}

void TForm7::setBusy(bool busy)
{
    // One job at a time: what would start another waits; Break stays.
    for (QWidget *w : {static_cast<QWidget *>(m_ui->ToolButton1), static_cast<QWidget *>(m_ui->ToolButton2),
                       static_cast<QWidget *>(m_ui->ToolButton4), static_cast<QWidget *>(m_ui->sb_UpperFolder),
                       static_cast<QWidget *>(m_ui->cb_FtpDirectory)})
        w->setEnabled(!busy);
}

void TForm7::onListing(const QStringList &lines, const QString &directory)
{
    // A listing still being shown gives way to the new one.
    const int generation = ++m_listingGeneration;
    QTreeWidget *view = m_ui->lv_FtpFileList;
    view->clear();
    m_ui->cb_FtpDirectory->clear();
    // The box shows the current folder, which is none of its entries.
    m_ui->cb_FtpDirectory->setPlaceholderText(directory);
    m_ui->cb_FtpDirectory->setCurrentIndex(-1);
    m_listingLines = lines;
    m_listingAt = 0;
    m_listingPrefix = directory.endsWith(QLatin1Char('/')) ? directory : directory + QLatin1Char('/');
    if (!lines.isEmpty()) {
        const qsizetype slash = directory.lastIndexOf(QLatin1Char('/'));
        const QString parent = slash > 0 ? directory.left(slash + 1) : QStringLiteral("/");
        auto *up = new QTreeWidgetItem(QStringList{QStringLiteral("Upper Folder"), kDirMarker, {}, {}, parent});
        up->setIcon(0, style()->standardIcon(QStyle::SP_DirIcon));
        view->addTopLevelItem(up);
    }
    showListingSlice(generation);
}

void TForm7::showListingSlice(int generation)
{
    if (generation != m_listingGeneration)
        return;
    // A folder of many thousands of entries is shown a slice at a time, so
    // the window keeps answering while it fills.
    constexpr qint64 kSliceMs = 15;
    const QIcon folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    const QIcon fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    QElapsedTimer slice;
    slice.start();
    QList<QTreeWidgetItem *> rows;
    QStringList folders;
    while (m_listingAt < m_listingLines.size() && (rows.size() % 256 != 0 || slice.elapsed() < kSliceMs)) {
        const s_listInfo info = ParseListLine(m_listingLines.at(m_listingAt++));
        if (info.name.isEmpty())
            continue;
        const QString path = m_listingPrefix + info.name;
        auto *row = new QTreeWidgetItem(QStringList{info.name, info.size, info.date, info.attributes, path});
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
        if (info.size == kDirMarker) {
            row->setIcon(0, folderIcon);
            folders.append(path);
        } else {
            row->setIcon(0, fileIcon);
        }
        rows.append(row);
    }
    m_ui->lv_FtpFileList->addTopLevelItems(rows);
    // The folder chooser fills with the same slices; it keeps showing the
    // current folder, none of its entries.
    if (!folders.isEmpty()) {
        m_ui->cb_FtpDirectory->addItems(folders);
        m_ui->cb_FtpDirectory->setCurrentIndex(-1);
    }
    if (m_listingAt < m_listingLines.size()) {
        QTimer::singleShot(0, this, [this, generation] { showListingSlice(generation); });
        return;
    }
    m_listingLines.clear();
    emit listingShown();
}

void TForm7::fileDoubleClicked(QTreeWidgetItem *item)
{
    if (!item || item->text(1) != kDirMarker || m_client.isBusy())
        return;
    m_ftp.Execute(qo_indyftp::FTP_CHDIR, item->text(4));
}

void TForm7::upperFolderClick()
{
    if (!m_client.isConnected()) {
        showStatus(StatusText(FtpStatus::Disconnecting));
        return;
    }
    m_upPending = true;
    m_ftp.Execute(qo_indyftp::FTP_CHDIR);
}

void TForm7::sortList(QTreeWidget *view, int column)
{
    m_sortColumn = column;
    BoxLists::sortRows(view, column, view == m_ui->lv_OnlineBox && column == 2);
}

void TForm7::leadIn(bool all)
{
    const QTreeWidget *files = m_ui->lv_FtpFileList;
    QStringList refused;
    QStringList withControls;
    for (int i = 0; i < files->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = files->topLevelItem(i);
        if (row->text(1) == kDirMarker || (!all && row->checkState(0) != Qt::Checked))
            continue;
        // The documents could not carry them: the box would look for another name.
        const QString name = row->text(0);
        if (std::any_of(name.cbegin(), name.cend(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; })) {
            withControls.append(Cmd_API::TerminalSafe(name));
            continue;
        }
        // The plan is a GB2312 document: a name it cannot hold would reach
        // the box changed.
        if (!CodePage::roundTrips(row->text(0))) {
            refused.append(row->text(0));
            continue;
        }
        // The window shows the address without its password; the row keeps it whole.
        const QString url = FtpDownloadUrl(m_current, m_client.serverBytes(row->text(4)));
        auto *plan = new QTreeWidgetItem(QStringList{row->text(0), MaskedFtpUrl(url)});
        plan->setData(1, Qt::UserRole, url);
        plan->setFlags(plan->flags() | Qt::ItemIsUserCheckable);
        plan->setCheckState(0, Qt::Unchecked);
        m_ui->lv_PlanFileList->addTopLevelItem(plan);
    }
    if (!withControls.isEmpty())
        m_context.prompter->error(windowTitle(),
                                  Msg::tr(Msg::FileNamesWithControls).arg(withControls.join(QStringLiteral(", "))));
    if (!refused.isEmpty())
        m_context.prompter->error(windowTitle(),
                                  Msg::tr(Msg::FileNamesNotEncodable).arg(refused.join(QStringLiteral(", "))));
}

void TForm7::delChecked()
{
    QTreeWidget *plan = m_ui->lv_PlanFileList;
    for (int i = plan->topLevelItemCount() - 1; i >= 0; --i) {
        if (plan->topLevelItem(i)->checkState(0) == Qt::Checked)
            delete plan->takeTopLevelItem(i);
    }
}

void TForm7::moveSelected(int step)
{
    QTreeWidget *plan = m_ui->lv_PlanFileList;
    QTreeWidgetItem *current = plan->currentItem();
    const int count = plan->topLevelItemCount();
    if (!current || count < 2)
        return;
    const int from = plan->indexOfTopLevelItem(current);
    const int to = (from + step + count) % count;
    QTreeWidgetItem *item = plan->takeTopLevelItem(from);
    item->setCheckState(0, Qt::Unchecked);
    plan->insertTopLevelItem(to, item);
    plan->setCurrentItem(item);
    item->setSelected(true);
}

void TForm7::removeRepeatedPlanRows()
{
    QTreeWidget *plan = m_ui->lv_PlanFileList;
    for (int i = plan->topLevelItemCount() - 1; i >= 1; --i) {
        const QTreeWidgetItem *row = plan->topLevelItem(i);
        for (int j = 0; j < i; ++j) {
            const QTreeWidgetItem *earlier = plan->topLevelItem(j);
            if (earlier->data(1, Qt::UserRole) == row->data(1, Qt::UserRole) && earlier->text(0) == row->text(0)) {
                delete plan->takeTopLevelItem(i);
                break;
            }
        }
    }
}

bool TForm7::readNumber(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok);
    if (!ok)
        m_context.prompter->error(windowTitle(), Msg::tr(Msg::NotAnInteger).arg(text));
    return ok;
}

QList<FtpScheduleRow> TForm7::scheduleRows() const
{
    QList<FtpScheduleRow> rows;
    for (int i = 0; i < m_ui->lv_Schedule->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_ui->lv_Schedule->topLevelItem(i);
        rows.append(FtpScheduleRow::fromTexts(item->text(0), item->data(0, kRowTexts).toStringList()));
    }
    return rows;
}

void TForm7::addScheduleClick()
{
    const QString title = windowTitle();
    std::array<bool, 7> days{};
    bool any = false;
    for (int d = 0; d < 7; ++d) {
        days[d] = m_ui->clb_WeekIndex->item(d)->checkState() == Qt::Checked;
        any = any || days[d];
    }
    if (!any) {
        m_context.prompter->error(title, Msg::tr(Msg::ChooseRightDate));
        return;
    }
    int startHour = 0, startMin = 0, endHour = 0, endMin = 0;
    if (!readNumber(m_ui->cb_StHour->currentText(), &startHour) ||
        !readNumber(m_ui->cb_StMin->currentText(), &startMin) ||
        !readNumber(m_ui->cb_EndHour->currentText(), &endHour) || !readNumber(m_ui->cb_EndMin->currentText(), &endMin))
        return;
    const int start = startHour * 60 + startMin;
    const int end = endHour * 60 + endMin;
    // A time of day the boxes could not play (25:00, 10:75) is refused too.
    const bool inDay = startHour >= 0 && startHour < 24 && endHour >= 0 && endHour < 24 && startMin >= 0 &&
                       startMin < 60 && endMin >= 0 && endMin < 60;
    if (!inDay || start >= end || ScheduleClashes(scheduleRows(), days, start, end)) {
        m_context.prompter->error(title, Msg::tr(Msg::FillStartEndTime));
        return;
    }
    FtpScheduleRow row;
    row.start = m_ui->cb_StHour->currentText() + QLatin1Char(':') + m_ui->cb_StMin->currentText();
    row.end = m_ui->cb_EndHour->currentText() + QLatin1Char(':') + m_ui->cb_EndMin->currentText();
    row.kind = m_ui->rb_Once->isChecked()   ? QStringLiteral("Once")
               : m_ui->rb_None->isChecked() ? QStringLiteral("None")
                                            : QStringLiteral("Loop");
    row.days = days;
    for (int i = 0; i < m_ui->lv_PlanFileList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *plan = m_ui->lv_PlanFileList->topLevelItem(i);
        row.files.append({plan->text(0), plan->data(1, Qt::UserRole).toString()});
    }
    const QStringList items = row.subItems();
    auto *item = new QTreeWidgetItem(QStringList{row.caption()} + items.mid(0, 10));
    item->setData(0, kRowTexts, items);
    m_ui->lv_Schedule->addTopLevelItem(item);
}

void TForm7::delScheduleClick()
{
    const QList<QTreeWidgetItem *> selected = m_ui->lv_Schedule->selectedItems();
    for (QTreeWidgetItem *item : selected)
        delete item;
}

void TForm7::validationClick()
{
    QList<BoxBasicInfo> boxes;
    if (m_context.registry) {
        for (const auto &[mac, name] : BoxLists::checkedPicks(m_ui->lv_OnlineBox, *m_context.registry))
            boxes.append({mac, name});
    }
    const QString title = Msg::tr(Msg::ErrorTitle);
    if (boxes.isEmpty()) {
        m_context.prompter->error(title, Msg::tr(Msg::NoEffectiveBox));
        return;
    }
    removeRepeatedPlanRows();
    if (m_ui->lv_Schedule->topLevelItemCount() == 0) {
        m_context.prompter->error(title, Msg::tr(Msg::EmptyFtpList));
        return;
    }
    emit planRequested(scheduleRows(), boxes);
}
