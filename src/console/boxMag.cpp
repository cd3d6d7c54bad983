#include "boxMag.h"

#include "ui_boxMag.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "boxlists.h"
#include "config/appcontext.h"
#include "config/contentservice.h"
#include "config/firmware.h"
#include "config/forms.h"
#include "console/swatch.h"
#include "link/cmd.h"
#include "picklists.h"
#include "registry/MacGroup.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QSet>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

// A masked address field's text without the blanks of short groups.
QString addressOf(const QLineEdit *field)
{
    QString text = field->text().left(19);
    text.remove(QLatin1Char(' '));
    return text;
}

} // namespace

TForm3::TForm3(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm3>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    // Above the memo, the choice to leave heartbeats out of it.
    auto *logPane = new QWidget;
    auto *logLayout = new QVBoxLayout(logPane);
    logLayout->setContentsMargins(0, 0, 0, 0);
    m_hideHeartbeats = new QCheckBox(tr("隐藏心跳"), logPane);
    m_hideHeartbeats->setObjectName(QStringLiteral("cb_HideHeartbeats"));
    const int memoAt = m_ui->splitter->indexOf(m_ui->mm_log);
    logLayout->addWidget(m_hideHeartbeats);
    logLayout->addWidget(m_ui->mm_log);
    m_ui->splitter->insertWidget(memoAt, logPane);
    // The memo keeps the newest kLogLines lines; flushLog trims it itself.
    m_logFlush = new QTimer(this);
    m_logFlush->setSingleShot(true);
    m_logFlush->setInterval(kLogFlushMs);
    connect(m_logFlush, &QTimer::timeout, this, &TForm3::flushLog);
    if (m_context.cmd) {
        m_context.cmd->AttachLink(this, m_context.boxServer);
        connect(m_context.cmd, &Cmd_API::fileNamesReceived, this, &TForm3::ShowBoxFileNames);
    }

    m_ui->ComboBox1->setCurrentIndex(1); // English
    m_ui->ComboBox2->setCurrentIndex(0);
    m_ui->ComboBox3->setCurrentIndex(0);
    m_ui->PageControl1->setCurrentWidget(m_ui->TabSheet1);
    m_ui->mk_SvrPort->setText(QString::number(m_context.settings.boxPort));
    m_ui->mk_SvrPort->setEnabled(false);
    m_ui->cb_TextRepeat->setCurrentIndex(0);
    SetSwatchColour(m_ui->shp_BGCol, m_bgColour);
    SetSwatchColour(m_ui->shp_TextCol, m_textColour);
    m_ui->me_SpeedMS->setText(QStringLiteral("30"));
    m_ui->me_YOff->setText(QStringLiteral("30"));

    connect(m_ui->sb_CalibrateTime, &QToolButton::clicked, this, &TForm3::sb_CalibrateTimeClick);
    connect(m_ui->SpeedButton2, &QToolButton::clicked, this, &TForm3::SpeedButton2Click);
    connect(m_ui->SpeedButton3, &QToolButton::clicked, this, &TForm3::SpeedButton3Click);
    connect(m_ui->sp_Onoff, &QToolButton::clicked, this, &TForm3::sp_OnoffClick);
    connect(m_ui->sp_DownloadSpeed, &QToolButton::clicked, this, &TForm3::sp_DownloadSpeedClick);
    connect(m_ui->SpeedButton6, &QToolButton::clicked, this, &TForm3::SpeedButton6Click);
    connect(m_ui->sb_svattr, &QToolButton::clicked, this, &TForm3::sb_svattrClick);
    connect(m_ui->sb_reboot, &QToolButton::clicked, this, &TForm3::sb_rebootClick);
    connect(m_ui->spb_GetFileName, &QToolButton::clicked, this, &TForm3::spb_GetFileNameClick);
    connect(m_ui->sb_upgrade, &QToolButton::clicked, this, &TForm3::sb_upgradeClick);
    connect(m_ui->sb_QueryFileName, &QToolButton::clicked, this, &TForm3::sb_QueryFileNameClick);
    connect(m_ui->spb_Del, &QToolButton::clicked, this, &TForm3::spb_DelClick);
    connect(m_ui->sb_PlayText, &QToolButton::clicked, this, &TForm3::sb_PlayTextClick);
    connect(m_ui->sb_BGCol, &QToolButton::clicked, this, [this] { chooseColour(m_ui->shp_BGCol); });
    connect(m_ui->sb_TextCol, &QToolButton::clicked, this, [this] { chooseColour(m_ui->shp_TextCol); });
    BoxLists::onHeaderClick(m_ui->lv_OnlineBox, this, [this](int column) {
        m_sortColumn = column;
        BoxLists::sortRows(m_ui->lv_OnlineBox, column);
    });

    auto *menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("PopupMenu1"));
    QAction *all = menu->addAction(tr("Checked All"));
    all->setObjectName(QStringLiteral("CheckedAll1"));
    QAction *none = menu->addAction(tr("Clear All Checked"));
    none->setObjectName(QStringLiteral("ClearAllChecked1"));
    QAction *groupMode = menu->addAction(tr("Group Mode Checked"));
    groupMode->setObjectName(QStringLiteral("GroupModeChecked1"));
    connect(all, &QAction::triggered, this, [this] { checkAll(true); });
    connect(none, &QAction::triggered, this, [this] { checkAll(false); });
    connect(groupMode, &QAction::triggered, this, &TForm3::groupModeChecked);
    m_ui->lv_OnlineBox->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui->lv_OnlineBox, &QWidget::customContextMenuRequested, this,
            [this, menu](const QPoint &at) { menu->popup(m_ui->lv_OnlineBox->viewport()->mapToGlobal(at)); });
}

TForm3::~TForm3()
{
    if (m_context.cmd)
        m_context.cmd->DetachLog(this);
}

QTreeWidget *TForm3::boxList() const
{
    return m_ui->lv_OnlineBox;
}

void TForm3::error(const char *text)
{
    m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(text));
}

QStringList TForm3::takeSelection(const QString &askFor)
{
    const QStringList macs = BoxLists::checkedCaptions(m_ui->lv_OnlineBox);
    if (macs.isEmpty()) {
        error(Msg::NoEffectiveBox);
        return {};
    }
    // A command for several boxes is asked once; the question names what is
    // about to go to how many boxes.
    if (macs.size() > 1 &&
        m_context.prompter->message(Msg::tr(Msg::WarningTitle),
                                    Msg::tr(Msg::SendToBoxesQuestion).arg(askFor).arg(macs.size()),
                                    Prompter::Buttons::YesNo, Prompter::Icon::Warning) != Prompter::Button::Yes)
        return {};
    return macs;
}

void TForm3::sendToAll(const QStringList &macs, int type, const BoxCommandArgs &args)
{
    for (const QString &mac : macs)
        m_context.cmd->SendBoxCommand(type, mac, args);
}

void TForm3::sb_CalibrateTimeClick()
{
    sendToAll(takeSelection(m_ui->sb_CalibrateTime->text()), CMD_SETTIME);
}

void TForm3::SpeedButton2Click()
{
    const QStringList macs = takeSelection(m_ui->gb_Language->title().trimmed());
    const int language = m_ui->ComboBox1->currentIndex();
    if (language < 0 || language > 1)
        return;
    sendToAll(macs, CMD_LANGUAGE, {{language}, {}});
}

void TForm3::SpeedButton3Click()
{
    const QStringList macs = takeSelection(m_ui->gb_OutMode->title().trimmed());
    const int mode = m_ui->ComboBox2->currentIndex();
    const int layout = m_ui->ComboBox3->currentIndex();
    if (mode < 0 || mode > 3 || layout < 0 || layout > 4)
        return;
    sendToAll(macs, CMD_MODE, {{mode, layout}, {}});
}

void TForm3::sp_OnoffClick()
{
    sendToAll(takeSelection(m_ui->gb_Onoff->title().trimmed()), CMD_PLAYMODE, {{m_ui->cb_Onoff->currentIndex()}, {}});
}

void TForm3::sp_DownloadSpeedClick()
{
    const QStringList macs = takeSelection(m_ui->gb_DownloadSpeed->title().trimmed());
    const QString typed = m_ui->me_DownloadSpeed->text().trimmed();
    sendToAll(macs, CMD_DOWNLOADSPEED, {{typed.isEmpty() ? 0 : typed.toInt()}, {}});
}

void TForm3::SpeedButton6Click()
{
    const QStringList macs = takeSelection(m_ui->gb_BoxNet->title().trimmed());
    if (macs.isEmpty())
        return;
    const QLineEdit *fields[] = {m_ui->MaskEditIP, m_ui->MaskEditMask, m_ui->MaskEditGW, m_ui->MaskEditDNS1,
                                 m_ui->MaskEditDNS2};
    const char *messages[] = {Msg::InvalidIp, Msg::InvalidMask, Msg::InvalidGw, Msg::InvalidDns1, Msg::InvalidDns2};
    QStringList addresses;
    for (int i = 0; i < 5; ++i) {
        const QString address = addressOf(fields[i]);
        if (!IsValidIpv4Address(address)) {
            error(messages[i]);
            return;
        }
        addresses.append(address);
    }
    sendToAll(macs, CMD_BOXNETWORK, {{}, addresses});
}

void TForm3::sb_svattrClick()
{
    const QStringList macs = takeSelection(m_ui->gb_SvrAttr->title().trimmed());
    if (macs.isEmpty())
        return;
    const QString portText = m_ui->mk_SvrPort->text().trimmed();
    bool ok = false;
    const int port = portText.toInt(&ok);
    if (portText.isEmpty() || !ok || port >= 65536) {
        error(Msg::InvalidPort);
        return;
    }
    const QString address = addressOf(m_ui->mk_SvrIP);
    if (!IsValidIpv4Address(address)) {
        error(Msg::InvalidIp);
        return;
    }
    sendToAll(macs, CMD_SERVERADDRESS, {{port}, {address}});
}

void TForm3::sb_rebootClick()
{
    MacGruoup &registry = *m_context.registry;
    for (const QString &mac : takeSelection(m_ui->gb_Reboot->title().trimmed())) {
        int slot = -1;
        if (registry.FindBox(mac, &slot) != RES_FOUND)
            continue;
        m_context.cmd->SendBoxCommand(CMD_REBOOT, mac);
        // The box is away until its next heartbeat.
        registry.MarkOffline(slot);
        emit boxTakenOffline(mac);
        removeRow(mac);
        UpdatePickLists(m_forms, registry, PickAll, BoxLists::PickRemoveBox, mac);
    }
}

void TForm3::spb_GetFileNameClick()
{
    m_ui->ed_Updatafile->clear();
    const auto file = m_context.prompter->openFile(tr("Open"), m_imageFolder, tr("All files (*)"));
    // A box cannot fetch a path with a space in it.
    if (file && !file->contains(QLatin1Char(' ')))
        m_ui->ed_Updatafile->setText(*file);
}

void TForm3::sb_upgradeClick()
{
    const QString path = m_ui->ed_Updatafile->text();
    const ImageCheck check = path.isEmpty() ? ImageCheck{} : CheckUpgradeImage(path);
    if (!check.valid) {
        if (!check.diagnostic.isEmpty()) {
            qWarning("Firmware image refused: %s", qPrintable(check.diagnostic));
            std::printf("%s\n", qPrintable(check.diagnostic));
            if (m_context.cmd)
                m_context.cmd->LogEvent(QStringLiteral("Firmware image refused: ") + check.diagnostic, 0,
                                        LogLevel::DEBUG);
        }
        error(Msg::InvalidUpgradeImage);
        return;
    }
    const QStringList macs = takeSelection(m_ui->gb_Upgrade->title().trimmed());
    if (macs.isEmpty())
        return;
    // The image may lie outside the content folder: let the service hand it out.
    if (m_context.content)
        m_context.content->publish(path);
    sendToAll(macs, CMD_IMAGEUPDATE, {{}, {ContentAddress(m_context.settings, path)}});
}

TForm3::st_TBoxFilename *TForm3::pageOf(const QString &mac)
{
    for (auto &page : m_filePages) {
        if (page.mac == mac)
            return &page;
    }
    return nullptr;
}

void TForm3::sb_QueryFileNameClick()
{
    for (const QString &mac :
         takeSelection(m_ui->PageControl1->tabText(m_ui->PageControl1->indexOf(m_ui->TabSheet3)))) {
        if (m_context.registry->FindBox(mac) != RES_FOUND)
            continue;
        m_context.cmd->SendBoxCommand(CMD_GETFILENAME, mac);
        if (st_TBoxFilename *page = pageOf(mac)) {
            const int index = m_ui->PageControl_BoxFileName->indexOf(page->page);
            m_ui->PageControl_BoxFileName->setTabVisible(index, true);
            m_ui->PageControl_BoxFileName->setCurrentIndex(index);
        }
    }
}

void TForm3::ShowBoxFileNames(const QStringList &list)
{
    if (list.isEmpty())
        return;
    const QString mac = list.first();
    const QStringList names = list.mid(1);
    st_TBoxFilename *page = pageOf(mac);
    if (!page) {
        int slot = -1;
        if (m_context.registry->FindBox(mac, &slot) != RES_FOUND)
            return;
        const QString name = m_context.registry->Box(slot).ClientName;
        st_TBoxFilename created;
        created.mac = mac;
        created.page = new QWidget;
        created.view = new QListWidget(created.page);
        created.view->setViewMode(QListView::IconMode);
        created.view->setResizeMode(QListView::Adjust);
        auto *layout = new QVBoxLayout(created.page);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(created.view);
        m_ui->PageControl_BoxFileName->addTab(created.page, name.isEmpty() ? mac : name);
        m_filePages.append(created);
        page = &m_filePages.last();
    }
    const int index = m_ui->PageControl_BoxFileName->indexOf(page->page);
    m_ui->PageControl_BoxFileName->setTabVisible(index, true);
    page->view->clear();
    const QIcon icon = style()->standardIcon(QStyle::SP_FileIcon);
    for (const QString &name : names)
        page->view->addItem(new QListWidgetItem(icon, name));
}

void TForm3::RenameBoxPage(const QString &mac, const QString &name)
{
    if (name.isEmpty())
        return;
    for (const auto &page : m_filePages) {
        if (page.mac == mac)
            m_ui->PageControl_BoxFileName->setTabText(m_ui->PageControl_BoxFileName->indexOf(page.page), name);
    }
}

void TForm3::spb_DelClick()
{
    const int index = m_ui->PageControl_BoxFileName->currentIndex();
    if (index >= 0)
        m_ui->PageControl_BoxFileName->setTabVisible(index, false);
}

void TForm3::chooseColour(QWidget *swatch)
{
    quint32 &colour = swatch == m_ui->shp_BGCol ? m_bgColour : m_textColour;
    if (const auto chosen = m_context.prompter->colour(tr("Color"), colour)) {
        colour = *chosen;
        SetSwatchColour(swatch, colour);
    }
}

void TForm3::sb_PlayTextClick()
{
    const QString text = m_ui->mm_TextEdit->toPlainText();
    // The limit counts the bytes the box gets: a Chinese character takes two.
    const qsizetype bytes = CodePage::byteLength(text);
    if (!text.isEmpty() && bytes < 0) {
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle),
                                  Msg::tr(Msg::TextNotEncodable).arg(CodePage::unencodable(text)));
        return;
    }
    if (bytes > kMaxTextBytes) {
        m_context.prompter->error(
            Msg::tr(Msg::ErrorTitle),
            Msg::tr(Msg::TextTooLong).arg(QString::number(bytes), QString::number(kMaxTextBytes)));
        return;
    }
    const QStringList macs = takeSelection(m_ui->PageControl1->tabText(m_ui->PageControl1->indexOf(m_ui->TabSheet4)));
    const auto rgb = [](quint32 colour) {
        return QStringLiteral(" %1 %2 %3").arg((colour >> 16) & 0xFF).arg((colour >> 8) & 0xFF).arg(colour & 0xFF);
    };
    QString argument = QLatin1Char(' ') + m_ui->me_SpeedMS->text() + QLatin1Char(' ') + m_ui->me_YOff->text() +
                       rgb(m_bgColour) + rgb(m_textColour) + QLatin1Char(' ') + m_ui->cb_TextRepeat->currentText();
    if (!text.isEmpty())
        argument += QLatin1Char(' ') + text;
    sendToAll(macs, CMD_PLAYTEXT, {{}, {argument}});
}

void TForm3::checkAll(bool checked)
{
    for (int i = 0; i < m_ui->lv_OnlineBox->topLevelItemCount(); ++i)
        m_ui->lv_OnlineBox->topLevelItem(i)->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void TForm3::groupModeChecked()
{
    QTreeWidget *view = m_ui->lv_OnlineBox;
    QSet<QString> groups;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->checkState(0) == Qt::Checked)
            groups.insert(view->topLevelItem(i)->text(1));
    }
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = view->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked && groups.contains(row->text(1)))
            row->setCheckState(0, Qt::Checked);
    }
}

void TForm3::appendLogLine(const QString &line)
{
    if (m_context.options.echoLog)
        std::fprintf(stderr, "%s\n", Cmd_API::TerminalSafe(line).toLocal8Bit().constData());
    // Heartbeats, one per box every few seconds, can be left out of the memo.
    if (m_hideHeartbeats->isChecked() && line.contains(QLatin1String("   --heatbeat ")))
        return;
    m_pendingLog.append(line);
    if (m_pendingLog.size() > kLogLines)
        m_pendingLog.removeFirst();
    if (isVisible() && !m_logFlush->isActive())
        m_logFlush->start();
}

void TForm3::flushLog()
{
    if (m_pendingLog.isEmpty())
        return;
    QPlainTextEdit *memo = m_ui->mm_log;
    // A batch as long as the cap replaces everything the memo held.
    if (m_pendingLog.size() >= kLogLines)
        memo->clear();
    memo->appendPlainText(m_pendingLog.join(QLatin1Char('\n')));
    m_pendingLog.clear();
    // The oldest lines go by position: the document's own line cap walks a
    // cursor over them and lays each one out first, which made a burst of
    // messages freeze the windows.
    QTextDocument *document = memo->document();
    const int excess = document->blockCount() - kLogLines;
    if (excess > 0) {
        QTextCursor cursor(document);
        cursor.setPosition(document->findBlockByNumber(excess).position(), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void TForm3::showEvent(QShowEvent *event)
{
    flushLog();
    if (m_context.cmd)
        m_context.cmd->AttachLink(this, m_context.boxServer);
    QWidget::showEvent(event);
}

void TForm3::refill()
{
    if (!m_context.registry)
        return;
    BoxLists::FillDetailList(boxList(), *m_context.registry, BoxFilter::Online);
    // The rows keep the order the operator sorted them in, and a checked box
    // that went away (a reboot) is checked again.
    if (m_sortColumn >= 0)
        BoxLists::sortRows(boxList(), m_sortColumn);
    for (int i = 0; i < boxList()->topLevelItemCount(); ++i) {
        QTreeWidgetItem *row = boxList()->topLevelItem(i);
        if (m_checkedAway.remove(row->text(0)))
            row->setCheckState(0, Qt::Checked);
    }
}

void TForm3::followBoxes(const QList<BoxLists::BoxChange> &changes)
{
    if (!m_context.registry)
        return;
    bool added = false;
    for (const BoxLists::BoxChange &change : changes) {
        if (change.heard) {
            const bool known = BoxLists::findByCaption(boxList(), change.mac);
            BoxLists::UpdateDetailRow(boxList(), *m_context.registry, BoxFilter::Online, change.mac);
            added = added || (!known && BoxLists::findByCaption(boxList(), change.mac));
        } else { // the box left the online list then, even if it is back now
            removeRow(change.mac);
        }
    }
    // A box back (after a reboot, say) takes its place in the list's order.
    if (added)
        refill();
}

void TForm3::removeRow(const QString &mac)
{
    QTreeWidgetItem *row = BoxLists::findByCaption(boxList(), mac);
    if (!row)
        return;
    // A checked box that goes away is checked again when it comes back.
    if (row->checkState(0) == Qt::Checked)
        m_checkedAway.insert(mac);
    delete row;
}
