#include "filesystem.h"

#include "ui_filesystem.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "boxfiles/uploadqueue.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "config/settings.h"
#include "console/boxlists.h"
#include "link/cmd.h"
#include "registry/MacGroup.h"

#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

namespace {

constexpr int kProgressRole = Qt::UserRole + 1;
// A decoded disk-directory row: the box it came from.
constexpr int kMacRole = Qt::UserRole + 2;
constexpr int kClientRole = Qt::UserRole + 3;

// A file list row is one box's file by its name and where it arrived.
QString fileRowKey(const QString &mac, const QString &name, const QString &path)
{
    return mac + QLatin1Char('\n') + name + QLatin1Char('\n') + path;
}
QString fileRowKey(const QTreeWidgetItem *row)
{
    return fileRowKey(row->text(2), row->text(0), row->text(3));
}

} // namespace

TForm10::TForm10(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm10>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    // The play lists a transfer gives a box.
    for (const char *prefix : {"", "text-", "pic-"}) {
        for (int d = 0; d < 7; ++d)
            m_ui->cb_XMLList->addItem(QLatin1String(prefix) + QString::number(d) + QStringLiteral(".xml"));
    }
    m_ui->cb_XMLList->setCurrentIndex(0);
    m_ui->dtp_Start->setDate(QDate::currentDate());
    m_ui->dtp_End->setDate(QDate::currentDate());
    m_ui->tb_DiskMsg->hide();
    m_ui->pgc_Download->setCurrentWidget(m_ui->ts_Local);
    m_ui->lv_File->setColumnWidth(0, 160);
    m_ui->lv_File->setColumnWidth(2, 130);
    m_ui->lv_DecodeFile->setColumnCount(0);
    m_ui->lv_DecodeFile->setHeaderLabels({});

    // Beside the decode list, a read-only view of text files (play logs),
    // with a find line.
    auto *split = new QSplitter(Qt::Horizontal, this);
    // The layout hands back the item that held the list; it is ours to delete.
    delete m_ui->rightColumn->replaceWidget(m_ui->lv_DecodeFile, split);
    split->addWidget(m_ui->lv_DecodeFile);
    m_textPanel = new QWidget(split);
    m_textPanel->setObjectName(QStringLiteral("pn_FileText"));
    auto *panel = new QVBoxLayout(m_textPanel);
    panel->setContentsMargins(0, 0, 0, 0);
    auto *findRow = new QHBoxLayout;
    m_textTitle = new QLabel(m_textPanel);
    m_textTitle->setObjectName(QStringLiteral("lb_FileText"));
    findRow->addWidget(m_textTitle, 1);
    m_find = new QLineEdit(m_textPanel);
    m_find->setObjectName(QStringLiteral("ed_Find"));
    m_find->setPlaceholderText(tr("查找"));
    auto *findNext = new QToolButton(m_textPanel);
    findNext->setObjectName(QStringLiteral("sb_FindNext"));
    findNext->setText(tr("查找"));
    auto *closeText = new QToolButton(m_textPanel);
    closeText->setObjectName(QStringLiteral("sb_CloseText"));
    closeText->setText(tr("关闭"));
    findRow->addWidget(m_find);
    findRow->addWidget(findNext);
    findRow->addWidget(closeText);
    panel->addLayout(findRow);
    m_text = new QPlainTextEdit(m_textPanel);
    m_text->setObjectName(QStringLiteral("mm_FileText"));
    m_text->setReadOnly(true);
    m_text->setUndoRedoEnabled(false);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    panel->addWidget(m_text);
    m_textSlices = new QTimer(this);
    m_textSlices->setSingleShot(true);
    m_textSlices->setInterval(0);
    connect(m_textSlices, &QTimer::timeout, this, &TForm10::fillTextSlice);
    split->addWidget(m_textPanel);
    m_textPanel->hide();
    connect(m_find, &QLineEdit::returnPressed, this, &TForm10::findInText);
    connect(findNext, &QToolButton::clicked, this, &TForm10::findInText);
    connect(closeText, &QToolButton::clicked, this, [this] {
        m_textSlices->stop();
        m_pendingText.clear();
        m_text->clear();
        m_textPanel->hide();
    });

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer, &QTimer::timeout, this, [this] {
        if (!m_decodeText.isEmpty())
            m_ui->stb_Decodefile->showMessage(m_decodeText);
    });
    m_timer->start(1000);

    connect(m_ui->sb_GetXML, &QToolButton::clicked, this, &TForm10::getXmlClick);
    connect(m_ui->sb_CheckFtp, &QToolButton::clicked, this, &TForm10::checkFtpClick);
    connect(m_ui->sb_GetPlayLog, &QToolButton::clicked, this, &TForm10::getPlayLogClick);
    connect(m_ui->sb_GetDiskDir, &QToolButton::clicked, this, &TForm10::getDiskDirClick);
    connect(m_ui->lv_File, &QTreeWidget::itemDoubleClicked, this, &TForm10::fileDoubleClicked);
    connect(m_ui->tb_Delete, &QToolButton::clicked, this, &TForm10::deleteClick);
    connect(m_ui->tb_Upload, &QToolButton::clicked, this, &TForm10::uploadClick);
    connect(m_ui->tb_Close, &QToolButton::clicked, this, [this] {
        m_ui->tb_DiskMsg->hide();
        m_ui->lv_DecodeFile->clear();
    });
    m_ui->tb_DiskMsg->hide();
    connect(m_ui->sb_Clean, &QToolButton::clicked, this, &TForm10::cleanClick);
    connect(m_ui->sbCancel, &QToolButton::clicked, this, &TForm10::downloadViewRequested);
    BoxLists::onHeaderClick(m_ui->lv_File, this, [this](int column) {
        m_sortColumn = column;
        BoxLists::sortRows(m_ui->lv_File, column);
    });
    BoxLists::onHeaderClick(m_ui->lv_OnlineBox, this, [this](int column) {
        m_sortColumn = column;
        BoxLists::sortRows(m_ui->lv_OnlineBox, column, column == 2);
    });

    if (m_context.cmd) {
        connect(m_context.cmd, &Cmd_API::getFileReply, this,
                [this](const QString &name, const QString &mac, const QString &urlPath) {
                    addReplyRow(name, mac, urlPath, std::nullopt);
                });
        connect(m_context.cmd, &Cmd_API::ftpStatusReply, this,
                [this](const QString &mac, const QString &urlPath, const QString &progress) {
                    addReplyRow(QStringLiteral("FtpStatus.xml"), mac, urlPath, progress);
                });
    }
    if (!m_context.registry)
        return;
    connect(m_ui->cb_Group, &QComboBox::activated, this,
            [this] { BoxLists::PickList(pickGroups(), pickBoxes(), *m_context.registry, BoxLists::PickRefresh); });
}

TForm10::~TForm10() = default;

QComboBox *TForm10::pickGroups() const
{
    return m_ui->cb_Group;
}

QTreeWidget *TForm10::pickBoxes() const
{
    return m_ui->lv_OnlineBox;
}

QString TForm10::clientNameOf(const QString &mac) const
{
    int slot = -1;
    if (!m_context.registry || m_context.registry->FindBox(mac, &slot) != RES_FOUND)
        return {};
    return m_context.registry->Box(slot).ClientName;
}

void TForm10::addReplyRow(const QString &name, const QString &mac, const QString &urlPath,
                          const std::optional<QString> &progress)
{
    // Only registered boxes, only files of the content folder.
    if (!m_context.registry || m_context.registry->FindBox(mac) != RES_FOUND)
        return;
    const QString local = LocalPathOfUpload(m_context.settings, urlPath);
    if (local.isEmpty()) {
        if (m_context.cmd)
            m_context.cmd->LogEvent(
                QStringLiteral("File %1 from %2 ignored: %3 is not in the upload folder").arg(name, mac, urlPath), 0,
                LogLevel::ERR);
        return;
    }
    AddFileRow(name, clientNameOf(mac), mac, local, progress);
}

void TForm10::AddFileRow(const QString &name, const QString &clientName, const QString &mac, const QString &path,
                         const std::optional<QString> &progress)
{
    QTreeWidget *files = m_ui->lv_File;
    // A file named again by its box (a repeated reply) keeps its one row.
    const QString key = fileRowKey(mac, name, path);
    if (QTreeWidgetItem *known = m_rowOfPath.value(key)) {
        known->setText(1, clientName);
        known->setData(0, kProgressRole, progress ? QVariant(*progress) : QVariant());
        return;
    }
    // The list keeps the newest files.
    while (files->topLevelItemCount() >= kMaxFileRows) {
        QTreeWidgetItem *oldest = files->takeTopLevelItem(0);
        m_rowOfPath.remove(fileRowKey(oldest));
        delete oldest;
    }
    auto *row = new QTreeWidgetItem(QStringList{name, clientName, mac, path});
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, Qt::Unchecked);
    if (progress)
        row->setData(0, kProgressRole, *progress);
    files->addTopLevelItem(row);
    m_rowOfPath.insert(key, row);
}

QList<TForm10::PickedBox> TForm10::checkedBoxes() const
{
    QList<PickedBox> boxes;
    if (m_context.registry) {
        for (const auto &[mac, name] : BoxLists::checkedPicks(m_ui->lv_OnlineBox, *m_context.registry))
            boxes.append({clientNameOf(mac), mac});
    }
    return boxes;
}

void TForm10::getXmlClick()
{
    const QString name = m_ui->cb_XMLList->currentText();
    for (const PickedBox &box : checkedBoxes())
        m_context.cmd->SendBoxCommand(CMD_GETFILE, box.mac, {{}, {name}});
}

void TForm10::checkFtpClick()
{
    for (const PickedBox &box : checkedBoxes())
        m_context.cmd->SendBoxCommand(CMD_FTPSTATUS, box.mac);
}

QString TForm10::boxFolder(const QString &clientName, const QString &mac)
{
    QString failed;
    const QString folder = MakeBoxFolder(m_context.settings, clientName, mac, &failed);
    if (folder.isEmpty())
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::CannotCreate).arg(failed));
    return folder;
}

void TForm10::getPlayLogClick()
{
    const QDate first = m_ui->dtp_Start->date();
    const QDate last = m_ui->dtp_End->date();
    for (const PickedBox &box : checkedBoxes()) {
        const QString folder = boxFolder(box.clientName, box.mac);
        if (folder.isEmpty())
            return;
        for (QDate day = first; day <= last; day = day.addDays(1)) {
            const QString log = day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
            emit uploadRequested({log, box.clientName, box.mac, QStringLiteral("/mnt/hd1/Disc1/PlayLog/") + log,
                                  folder + QStringLiteral("PlayLog/") + log});
        }
    }
}

void TForm10::getDiskDirClick()
{
    const QString stamp = MakeTimestamp();
    for (const PickedBox &box : checkedBoxes()) {
        const QString folder = boxFolder(box.clientName, box.mac);
        if (folder.isEmpty())
            return;
        emit uploadRequested({QStringLiteral("DiskDir.xml"), box.clientName, box.mac, QString(),
                              folder + QStringLiteral("CONFIG/DiskDir(") + stamp + QStringLiteral(").xml")});
    }
}

void TForm10::fileDoubleClicked()
{
    const QList<QTreeWidgetItem *> selected = m_ui->lv_File->selectedItems();
    if (selected.size() != 1)
        return;
    const QTreeWidgetItem *row = selected.first();
    const QString name = row->text(0);
    const QString path = row->text(3);
    // The day's media, text and picture lists.
    static const QRegularExpression dayList(QStringLiteral("^(text-|pic-)?[0-6]\\.xml$"));
    const QRegularExpressionMatch day = dayList.match(name);
    const bool isDayList = day.hasMatch();
    int kind = -1;
    if (isDayList)
        kind = day.captured(1).isEmpty()          ? DECODE_PLAYLIST
               : day.captured(1).startsWith(u't') ? DECODE_TEXTLIST
                                                  : DECODE_PICLIST;
    else if (name == QLatin1String("FtpStatus.xml"))
        kind = DECODE_PLANSTATUS;
    else if (name == QLatin1String("DiskDir.xml"))
        kind = DECODE_DISKDIR;
    if (kind >= 0) {
        m_ui->tb_DiskMsg->hide();
        startDecode(kind, path, row->data(0, kProgressRole).toString(), row->text(2), row->text(1));
    }
    if (isDayList)
        return;
    m_decodeText = QStringLiteral("Decode ") + name + QLatin1Char(':') + path;
    m_ui->stb_Decodefile->showMessage(m_decodeText);
    if (kind < 0)
        showText(name, path);
}

void TForm10::showText(const QString &name, const QString &path)
{
    // Read and decoded on a worker: a log may be large.
    delete m_reading;
    auto *watcher = new QFutureWatcher<BoxText>(this);
    m_reading = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, name] {
        watcher->deleteLater();
        if (m_reading != watcher)
            return;
        m_reading = nullptr;
        const BoxText read = watcher->result();
        // A large text goes in a slice per turn of the event loop.
        m_text->clear();
        m_pendingText = read.text;
        m_pendingAt = 0;
        if (!read.error.isEmpty())
            m_textTitle->setText(QStringLiteral("%1: %2").arg(name, read.error));
        else if (read.binary)
            m_textTitle->setText(tr("%1: not a text file").arg(name));
        else if (read.cut)
            m_textTitle->setText(
                tr("%1: the last 8 MiB of %2 MiB").arg(name, QString::number(double(read.size) / 1048576.0, 'f', 1)));
        else
            m_textTitle->setText(name);
        if (read.longLines > 0)
            m_textTitle->setText(m_textTitle->text() +
                                 tr(" (lines cut to %1 characters: %2)").arg(kMaxBoxTextLine).arg(read.longLines));
        m_textPanel->show();
        fillTextSlice();
    });
    watcher->setFuture(QtConcurrent::run([path] { return ReadBoxText(path); }));
}

void TForm10::fillTextSlice()
{
    // Lines are at most kMaxBoxTextLine long: a slice ends at a line's end.
    constexpr qsizetype kSliceChars = 64 * 1024;
    const qsizetype size = m_pendingText.size();
    qsizetype end = qMin(size, m_pendingAt + kSliceChars);
    if (end < size) {
        const qsizetype lineEnd = m_pendingText.indexOf(QLatin1Char('\n'), end);
        end = lineEnd < 0 ? size : lineEnd + 1;
    }
    QTextCursor at(m_text->document());
    at.movePosition(QTextCursor::End);
    at.insertText(QStringView(m_pendingText).sliced(m_pendingAt, end - m_pendingAt).toString());
    m_pendingAt = end;
    if (m_pendingAt < size) {
        m_textSlices->start();
        return;
    }
    m_pendingText.clear();
    m_pendingAt = 0;
    m_text->moveCursor(QTextCursor::End);
    emit textShown();
}

void TForm10::findInText()
{
    const QString wanted = m_find->text();
    if (wanted.isEmpty())
        return;
    // Downwards from the cursor, then once more from the top.
    if (m_text->find(wanted))
        return;
    m_text->moveCursor(QTextCursor::Start);
    m_text->find(wanted);
}

void TForm10::startDecode(int kind, const QString &path, const QString &progress, const QString &mac,
                          const QString &clientName)
{
    // A box's file may be large or slow to read: it is decoded on a worker,
    // and only the newest decode asked for reaches the list.
    delete m_decoding;
    auto *watcher = new QFutureWatcher<DecodedTable>(this);
    m_decoding = watcher;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, kind, mac, clientName] {
        watcher->deleteLater();
        if (m_decoding != watcher)
            return;
        m_decoding = nullptr;
        showDecoded(watcher->result(), kind == DECODE_DISKDIR ? mac : QString(), clientName);
        emit decodeFinished();
    });
    watcher->setFuture(QtConcurrent::run([kind, path, progress] { return CFileDecode::Decode(kind, path, progress); }));
}

void TForm10::showDecoded(const DecodedTable &table, const QString &diskMac, const QString &diskClient)
{
    if (table.result == DECODE_NOVIEW)
        return;
    QTreeWidget *view = m_ui->lv_DecodeFile;
    // A file that cannot be read leaves nothing an action could be taken
    // on: the rows of an earlier file belong to what that file said.
    if (table.result == DECODE_UNREADABLE) {
        view->clear();
        m_ui->tb_DiskMsg->hide();
        m_context.prompter->error(windowTitle(), table.error);
        return;
    }
    view->setUpdatesEnabled(false);
    view->setColumnCount(int(table.columns.size()));
    view->setHeaderLabels(table.columns);
    for (qsizetype c = 0; c < table.widths.size(); ++c) {
        if (table.widths[c] > 0)
            view->setColumnWidth(int(c), table.widths[c]);
        else
            view->resizeColumnToContents(int(c));
    }
    if (table.replacesRows) {
        view->clear();
        QList<QTreeWidgetItem *> rows;
        rows.reserve(table.rows.size());
        for (const QStringList &texts : table.rows) {
            auto *row = new QTreeWidgetItem(texts);
            if (table.checkable) {
                row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
                row->setCheckState(0, Qt::Unchecked);
                row->setData(0, kMacRole, diskMac);
                row->setData(0, kClientRole, diskClient);
            }
            rows.append(row);
        }
        view->addTopLevelItems(rows);
        for (qsizetype c = 0; c < table.widths.size(); ++c) {
            if (table.widths[c] <= 0)
                view->resizeColumnToContents(int(c));
        }
    }
    view->setUpdatesEnabled(true);
    m_ui->tb_DiskMsg->setVisible(!diskMac.isEmpty() && table.replacesRows);
}

void TForm10::deleteClick()
{
    const QTreeWidget *view = m_ui->lv_DecodeFile;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = view->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            continue;
        // The line is cut at 255 bytes on the wire: a longer path would
        // name a different file on the box.
        const QString argument = row->text(3);
        const qsizetype bytes = CodePage::byteLength(QStringLiteral("filesystem remove ") + argument);
        const QString mac = row->data(0, kMacRole).toString();
        if (bytes < 0 || bytes > 255) {
            m_context.cmd->LogEvent(
                QStringLiteral("Delete of %1 on %2 not sent: the command would be longer than 255 bytes")
                    .arg(argument, mac),
                0, LogLevel::ERR);
            continue;
        }
        m_context.cmd->SendBoxCommand(CMD_DELETEFILE, mac, {{}, {argument}});
    }
}

void TForm10::uploadClick()
{
    const QTreeWidget *view = m_ui->lv_DecodeFile;
    QString folder;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = view->topLevelItem(i);
        if (row->checkState(0) != Qt::Checked)
            continue;
        const QString mac = row->data(0, kMacRole).toString();
        const QString client = row->data(0, kClientRole).toString();
        const QString boxPath = row->text(3);
        const qsizetype disc = boxPath.indexOf(QLatin1String("Disc"));
        if (disc < 0)
            continue;
        // What follows "DiscN/"; a box path may not climb out of the box folder.
        const QString relative = boxPath.mid(disc + 6);
        if (relative.isEmpty() || relative.split(QLatin1Char('/')).contains(QLatin1String("..")))
            continue;
        if (folder.isEmpty()) {
            folder = boxFolder(client, mac);
            if (folder.isEmpty())
                return;
        }
        // The service stores uploads only into folders that exist.
        const QString local = folder + relative;
        QDir().mkpath(QFileInfo(local).path());
        emit uploadRequested({row->text(0), client, mac, boxPath, local});
    }
}

void TForm10::cleanClick()
{
    QTreeWidget *files = m_ui->lv_File;
    bool any = false;
    for (int i = files->topLevelItemCount() - 1; i >= 0; --i) {
        if (files->topLevelItem(i)->checkState(0) == Qt::Checked) {
            QTreeWidgetItem *row = files->takeTopLevelItem(i);
            m_rowOfPath.remove(fileRowKey(row));
            delete row;
            any = true;
        }
    }
    if (!any) {
        files->clear();
        m_rowOfPath.clear();
    }
}
