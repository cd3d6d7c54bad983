#include "scheduleeditor.h"

#include "ui_scheduleeditor.h"

#include "base/codepage.h"
#include "base/messages.h"
#include "base/prompter.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "console/boxlists.h"
#include "console/swatch.h"
#include "playlist.h"
#include "playlistxml.h"
#include "registry/MacGroup.h"

#include <QDateTime>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileSystemWatcher>
#include <QHeaderView>
#include <QImageReader>
#include <QMenu>
#include <QMimeData>
#include <QSet>
#include <QTabBar>
#include <QTimer>

namespace {

QStringList itemsOf(const QListWidget *list, int limit = -1)
{
    QStringList texts;
    for (int i = 0; i < list->count() && (limit < 0 || i < limit); ++i)
        texts.append(list->item(i)->text());
    return texts;
}

// Lets the play list take drops from the content library only.
class LibraryDropFilter : public QObject
{
public:
    LibraryDropFilter(ScheduleEditor *editor, QList<QListWidget *> sources, QObject *parent)
        : QObject(parent), m_editor(editor), m_sources(std::move(sources))
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
            auto *drag = static_cast<QDropEvent *>(event);
            auto *source = qobject_cast<QListWidget *>(drag->source());
            if (m_sources.contains(source))
                drag->acceptProposedAction();
            else
                drag->ignore();
            return true;
        }
        if (event->type() == QEvent::Drop) {
            auto *drop = static_cast<QDropEvent *>(event);
            auto *source = qobject_cast<QListWidget *>(drop->source());
            if (m_sources.contains(source) && m_editor->dropFromLibrary(source))
                drop->acceptProposedAction();
            return true;
        }
        return false;
    }

private:
    ScheduleEditor *m_editor;
    QList<QListWidget *> m_sources;
};

} // namespace

ScheduleEditor::ScheduleEditor(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::ScheduleEditor>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    // The library's width is set once its tabs are known (below); the play
    // list takes what room is left over.
    m_ui->gb_SchdList->setMaximumWidth(kScheduleListMaxWidth);
    m_ui->ListBoxSchdList->setMinimumWidth(kScheduleListMinWidth);
    // The week days wrap to a second line rather than widen the window.
    m_ui->clb_WeekIndex->setMinimumWidth(kWeekDaysMinWidth);
    m_ui->clb_WeekIndex->setMaximumHeight(2 * m_ui->clb_WeekIndex->maximumHeight());
    m_ui->clb_WeekIndex->setWrapping(true);
    m_ui->clb_WeekIndex->setResizeMode(QListView::Adjust);
    // Defaults of a new editor.
    m_ui->cbStartHour->setCurrentIndex(8);
    m_ui->cbEndHour->setCurrentIndex(22);
    m_ui->rb_Loop->setChecked(true);
    BoxLists::FillWeekDays(m_ui->clb_WeekIndex);
    SetSwatchColour(m_ui->shp_TextCol, m_textColour);
    SetSwatchColour(m_ui->shp_BGCol, m_backgroundColour);
    m_ui->me_SpeedMS->setText(QStringLiteral("30"));
    m_ui->me_YOff->setText(QStringLiteral("30"));
    m_ui->mm_FileList->setVisible(false);
    m_ui->mm_FileList->setEnabled(false);
    m_ui->mm_FileList->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_ui->PageControl3->setTabVisible(m_ui->PageControl3->indexOf(m_ui->TabSheet5), false);
    m_ui->PageControl3->setCurrentWidget(m_ui->TabSheet4);
    // The library shows its three tabs and whole file names, wider when the
    // captions of its tabs are (English): the group's frame and the tab
    // widget's take a little room beside the tabs.
    constexpr int kLibraryFrames = 40;
    m_ui->gb_Library->setMinimumWidth(
        std::max(kLibraryMinWidth, m_ui->PageControl3->tabBar()->sizeHint().width() + kLibraryFrames));
    m_ui->PageControl2->setCurrentWidget(m_ui->TabSheet1);
    m_ui->PageControl4->setCurrentWidget(m_ui->TabSheet6);

    // The library's pages and the editor's pages follow each other.
    connect(m_ui->PageControl3, &QTabWidget::currentChanged, this, [this](int page) {
        if (page <= 2)
            m_ui->PageControl4->setCurrentIndex(page);
    });
    connect(m_ui->PageControl4, &QTabWidget::currentChanged, m_ui->PageControl3, &QTabWidget::setCurrentIndex);

    m_ui->ListBoxPlayList->viewport()->installEventFilter(
        new LibraryDropFilter(this, {m_ui->FileListBoxVideo, m_ui->FileListBoxAudio, m_ui->FileListBoxPicture}, this));

    for (QListWidget *list : {m_ui->ListBoxPlayList, m_ui->lb_PlayTextList, m_ui->lb_PlayPicList}) {
        list->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(list, &QWidget::customContextMenuRequested, this, [this, list](const QPoint &at) {
            QMenu menu;
            const std::pair<const char *, ListCommand> commands[] = {
                {"Clear All", ClearAll}, {"Delete", Delete}, {"Down", Down}, {"Up", Up}, {"Insert", Insert}};
            for (const auto &[caption, command] : commands) {
                connect(menu.addAction(QString::fromLatin1(caption)), &QAction::triggered, this,
                        [this, list, command = command] { listCommand(list, command); });
            }
            menu.exec(list->viewport()->mapToGlobal(at));
        });
    }
    m_ui->ListBoxSchdList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui->ListBoxSchdList, &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        QMenu menu;
        connect(menu.addAction(tr("Delete")), &QAction::triggered, this, &ScheduleEditor::bnSchdDelClick);
        connect(menu.addAction(tr("CheckOneSchedule")), &QAction::triggered, this, &ScheduleEditor::loadBack);
        connect(menu.addAction(tr("CheckAllSchedule")), &QAction::triggered, this, &ScheduleEditor::checkAllSchedule);
        menu.exec(m_ui->ListBoxSchdList->viewport()->mapToGlobal(at));
    });
    connect(m_ui->ListBoxSchdList, &QListWidget::itemClicked, this, &ScheduleEditor::loadBack);
    connect(m_ui->ListBoxSchdList, &QListWidget::itemDoubleClicked, this, &ScheduleEditor::scheduleListRequested);
    BoxLists::onHeaderClick(m_ui->lv_pictureLib, this, [this](int column) {
        m_sortColumn = column;
        BoxLists::sortRows(m_ui->lv_pictureLib, column);
    });
    connect(m_ui->bnSchdAdd, &QToolButton::clicked, this, &ScheduleEditor::bnSchdAddClick);
    connect(m_ui->bnSchdDel, &QToolButton::clicked, this, &ScheduleEditor::bnSchdDelClick);
    connect(m_ui->bnTransfer, &QToolButton::clicked, this, &ScheduleEditor::bnTransferClick);
    connect(m_ui->sb_TextAdd, &QToolButton::clicked, this, &ScheduleEditor::sb_TextAddClick);
    connect(m_ui->btn_PicAdd, &QToolButton::clicked, this, &ScheduleEditor::btn_PicAddClick);
    connect(m_ui->sb_BGCol, &QToolButton::clicked, this, [this] { chooseColour(m_ui->shp_BGCol); });
    connect(m_ui->sb_TextCol, &QToolButton::clicked, this, [this] { chooseColour(m_ui->shp_TextCol); });
}

ScheduleEditor::~ScheduleEditor() = default;

void ScheduleEditor::message(const char *text)
{
    m_context.prompter->message(QString::fromLatin1(kMainWindowTitle), Msg::tr(text));
}

void ScheduleEditor::fillLibrary()
{
    const std::pair<QListWidget *, QString> folders[] = {{m_ui->FileListBoxVideo, m_context.settings.videoDir},
                                                         {m_ui->FileListBoxAudio, m_context.settings.audioDir},
                                                         {m_ui->FileListBoxPicture, m_context.settings.pictureDir}};
    for (const auto &[list, folder] : folders) {
        list->setProperty("folder", folder);
        fillFileList(list);
    }
    fillPictureLibrary();
    // Media copied into the folders while the program runs appear by
    // themselves; a copy in progress changes a folder many times, so the
    // lists are refilled once it has been quiet for a moment.
    if (!m_watcher) {
        m_watcher = new QFileSystemWatcher(this);
        m_libraryRefresh = new QTimer(this);
        m_libraryRefresh->setSingleShot(true);
        m_libraryRefresh->setInterval(kLibraryRefreshMs);
        connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, [this](const QString &folder) {
            m_changedFolders.insert(folder);
            m_libraryRefresh->start();
        });
        connect(m_libraryRefresh, &QTimer::timeout, this, &ScheduleEditor::refreshChangedFolders);
    }
    const QStringList watched = m_watcher->directories();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    for (const auto &[list, folder] : folders)
        m_watcher->addPath(folder);
    m_watcher->addPath(m_context.settings.bmpDir);
}

void ScheduleEditor::refreshChangedFolders()
{
    const QSet<QString> changed = std::exchange(m_changedFolders, {});
    for (QListWidget *list : {m_ui->FileListBoxVideo, m_ui->FileListBoxAudio, m_ui->FileListBoxPicture}) {
        if (changed.contains(list->property("folder").toString()))
            fillFileList(list);
    }
    if (changed.contains(m_context.settings.bmpDir))
        fillPictureLibrary();
    emit libraryRefreshed();
}

void ScheduleEditor::fillFileList(QListWidget *list)
{
    // The operator's current item and selection stay on the same names.
    const QString current = list->currentItem() ? list->currentItem()->text() : QString();
    QSet<QString> selected;
    for (const QListWidgetItem *item : list->selectedItems())
        selected.insert(item->text());
    list->clear();
    list->addItems(QDir(list->property("folder").toString()).entryList(QDir::Files, QDir::Name));
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        if (item->text() == current)
            list->setCurrentItem(item, QItemSelectionModel::NoUpdate);
        item->setSelected(selected.contains(item->text()));
    }
}

void ScheduleEditor::fillPictureLibrary()
{
    QTreeWidget *view = m_ui->lv_pictureLib;
    QSet<QString> checked;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->checkState(0) == Qt::Checked)
            checked.insert(view->topLevelItem(i)->text(0));
    }
    view->clear();
    const QDir bmp(m_context.settings.bmpDir);
    for (const QFileInfo &file : bmp.entryInfoList({QStringLiteral("*.bmp")}, QDir::Files, QDir::Name)) {
        const QSize size = QImageReader(file.filePath()).size();
        auto *item = new QTreeWidgetItem(view);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, checked.contains(file.fileName()) ? Qt::Checked : Qt::Unchecked);
        item->setText(0, file.fileName());
        item->setText(1, QString::number(size.width()) + u'×' + QString::number(size.height()));
        item->setText(2, file.lastModified().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    }
    // The whole date shows, not a cut one.
    for (int column = 0; column < view->columnCount(); ++column)
        view->resizeColumnToContents(column);
}

bool ScheduleEditor::dropFromLibrary(QListWidget *source)
{
    QListWidgetItem *item = source ? source->currentItem() : nullptr;
    if (!item)
        return false;
    const QString folder = source->property("folder").toString();
    m_ui->ListBoxPlayList->addItem(item->text());
    m_ui->ListBoxPlayListFile->addItem(folder + QLatin1Char('/') + item->text());
    return true;
}

void ScheduleEditor::listCommand(QListWidget *list, ListCommand command)
{
    // The play list's full paths move in step with its names.
    QList<QListWidget *> lists = {list};
    if (list == m_ui->ListBoxPlayList)
        lists.append(m_ui->ListBoxPlayListFile);
    const int count = list->count();
    const int selected = list->currentItem() && list->currentItem()->isSelected() ? list->currentRow() : -1;
    const auto move = [&lists](int from, int to) {
        for (QListWidget *l : lists)
            l->insertItem(to, l->takeItem(from));
    };
    switch (command) {
    case ClearAll:
        for (QListWidget *l : lists)
            l->clear();
        break;
    case Delete: {
        if (count == 0)
            return;
        const int row = selected < 0 ? 0 : selected;
        for (QListWidget *l : lists)
            delete l->takeItem(row);
        if (row < list->count())
            list->setCurrentRow(row);
        break;
    }
    case Down:
        if (count == 0)
            return;
        if (selected < 0 || selected == count - 1) {
            move(count - 1, 0);
            list->setCurrentRow(0);
        } else {
            move(selected, selected + 1);
            list->setCurrentRow(selected + 1);
        }
        break;
    case Up:
        if (count == 0)
            return;
        if (selected <= 0) {
            move(0, count - 1);
            list->setCurrentRow(count - 1);
        } else {
            move(selected, selected - 1);
            list->setCurrentRow(selected - 1);
        }
        break;
    case Insert: {
        if (selected < 0)
            return;
        const auto answer = m_context.prompter->input(Msg::tr(Msg::InputBoxTitle), tr("Insert Index"), QString());
        if (!answer)
            return;
        bool ok = false;
        const int position = answer->trimmed().toInt(&ok);
        if (!ok) {
            m_context.prompter->error(Msg::tr(Msg::ErrorTitle),
                                      QStringLiteral("'%1' is not a valid integer value").arg(*answer));
            return;
        }
        if (position < 0 || position > count - 1)
            return;
        move(selected, position);
        list->setCurrentRow(position);
        break;
    }
    }
}

void ScheduleEditor::sb_TextAddClick()
{
    const QString text = m_ui->mm_PlayListText->toPlainText();
    const qsizetype bytes = CodePage::byteLength(text);
    if (text.isEmpty())
        return;
    if (bytes < 0) {
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
    // XML has no place for other control characters: the play list would
    // drop them without a word.
    for (const QChar c : text) {
        if (c.unicode() < 0x20 && c != QLatin1Char('\n') && c != QLatin1Char('\t') && c != QLatin1Char('\r')) {
            m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::TextControlCharacters));
            return;
        }
    }
    m_ui->PageControl4->setCurrentWidget(m_ui->TabSheet9);
    m_ui->lb_PlayTextList->addItem(text);
}

void ScheduleEditor::btn_PicAddClick()
{
    m_ui->PageControl4->setCurrentWidget(m_ui->TabSheet10);
    m_ui->lb_PlayPicList->addItems(BoxLists::checkedCaptions(m_ui->lv_pictureLib));
}

void ScheduleEditor::chooseColour(QWidget *swatch)
{
    quint32 &colour = swatch == m_ui->shp_TextCol ? m_textColour : m_backgroundColour;
    if (const auto chosen = m_context.prompter->colour(tr("Color"), colour)) {
        colour = *chosen;
        SetSwatchColour(swatch, colour);
    }
}

template <typename Entry> bool ScheduleEditor::readRow(Entry &entry)
{
    const int sh = m_ui->cbStartHour->currentIndex();
    const int sm = m_ui->cbStartMin->currentIndex();
    const int eh = m_ui->cbEndHour->currentIndex();
    const int em = m_ui->cbEndMin->currentIndex();
    if (eh < sh || (eh == sh && sm >= em)) {
        message(Msg::FillStartEndTime);
        return false;
    }
    entry.SchdType = m_ui->rb_Once->isChecked() ? SCHD_ONCE : m_ui->rb_None->isChecked() ? SCHD_NONE : SCHD_LOOP;
    entry.StartHour = quint8(sh);
    entry.StartMin = quint8(sm);
    entry.EndHour = quint8(eh);
    entry.EndMin = quint8(em);
    entry.WeekDays = 0;
    for (int d = 0; d < 7; ++d) {
        if (m_ui->clb_WeekIndex->item(d)->checkState() == Qt::Checked)
            entry.WeekDays |= 1u << d;
    }
    return true;
}

void ScheduleEditor::bnSchdAddClick()
{
    TPlayList &store = *m_context.schedules;
    QWidget *page = m_ui->PageControl4->currentWidget();
    const auto refuse = [this](int result) {
        if (result == RES_FOUND)
            message(Msg::ScheduleExists);
        else if (result == RES_NOMEMORY)
            message(Msg::NoEnoughResource);
        return result != RES_OK;
    };
    if (page == m_ui->TabSheet6) {
        if (m_ui->ListBoxPlayList->count() == 0)
            return message(Msg::DragFromLibrary);
        TScheduleNode entry;
        if (!readRow(entry))
            return;
        if (!entry.WeekDays)
            return message(Msg::ChooseRightDate);
        entry.vec_shortname = itemsOf(m_ui->ListBoxPlayList, kMaxItems);
        entry.vec_fullname = itemsOf(m_ui->ListBoxPlayListFile, kMaxItems);
        if (store.CheckSchd(entry) == RES_FOUND)
            return message(Msg::ScheduleExists);
        if (refuse(store.AddSchd(entry)))
            return;
    } else {
        const bool text = page == m_ui->TabSheet9;
        QListWidget *list = text ? m_ui->lb_PlayTextList : m_ui->lb_PlayPicList;
        if (list->count() == 0)
            return message(Msg::DragFromLibrary);
        TScheduleNodeOther entry;
        if (!readRow(entry))
            return;
        if (text) {
            // Swatch colours are 0xRRGGBB.
            entry.TextColourR = (m_textColour >> 16) & 0xFF;
            entry.TextColourG = (m_textColour >> 8) & 0xFF;
            entry.TextColourB = m_textColour & 0xFF;
            entry.BackgroundColourR = (m_backgroundColour >> 16) & 0xFF;
            entry.BackgroundColourG = (m_backgroundColour >> 8) & 0xFF;
            entry.BackgroundColourB = m_backgroundColour & 0xFF;
            const QString offset = m_ui->me_YOff->text().trimmed();
            if (offset.isEmpty() || offset.toInt() < 30)
                return message(Msg::FillYOff);
            entry.OffsetPosition = quint32(offset.toInt());
            const QString speed = m_ui->me_SpeedMS->text().trimmed();
            if (speed.isEmpty())
                return message(Msg::FillSpeedMS);
            entry.speedMs = quint32(qMax(30, speed.toInt()));
        }
        if (!entry.WeekDays)
            return message(Msg::ChooseRightDate);
        entry.vec_item = itemsOf(list, kMaxItems);
        const int selector = text ? OTHER_TEXT : OTHER_PIC;
        if (store.CheckOtherSchd(selector, entry) == RES_FOUND)
            return message(Msg::ScheduleExists);
        if (refuse(store.AddOtherSchd(selector, entry)))
            return;
    }
    RefreshSchdList();
}

void ScheduleEditor::RefreshSchdList()
{
    const TPlayList &store = *m_context.schedules;
    QStringList lines;
    const auto line = [](const char *kind, int index, int sh, int sm, int eh, int em) {
        return QString::asprintf("%s[%d] %02d:%02d--%02d:%02d", kind, index, sh, sm, eh, em);
    };
    const auto &media = store.GetSchdList();
    for (int i = 0; i < media.size(); ++i)
        lines.append(line("Media", i, media[i].StartHour, media[i].StartMin, media[i].EndHour, media[i].EndMin));
    const std::pair<int, const char *> others[] = {{OTHER_TEXT, "Text"}, {OTHER_PIC, "BMP"}};
    for (const auto &[selector, kind] : others) {
        const auto &list = store.GetOtherSchdList(selector);
        for (int i = 0; i < list.size(); ++i)
            lines.append(line(kind, i, list[i].StartHour, list[i].StartMin, list[i].EndHour, list[i].EndMin));
    }
    m_ui->ListBoxSchdList->clear();
    m_ui->ListBoxSchdList->addItems(lines);
}

bool ScheduleEditor::readLine(QString *kind, int *index)
{
    const QListWidgetItem *item = m_ui->ListBoxSchdList->currentItem();
    if (!item || !item->isSelected())
        return false;
    const QString text = item->text();
    const qsizetype open = text.indexOf(QLatin1Char('['));
    const qsizetype close = text.indexOf(QLatin1Char(']'));
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (open < 0 || close < open || colon < 2)
        return false;
    *kind = text.left(open);
    bool ok = false;
    *index = text.mid(open + 1, close - open - 1).toInt(&ok);
    const int hour = text.mid(colon - 2, 2).toInt();
    const int minute = text.mid(colon + 1, 2).toInt();
    if (!ok)
        return false;
    // The line must still name the entry it was made for: a sort may have moved it.
    const TPlayList &store = *m_context.schedules;
    if (*kind == QLatin1String("Media")) {
        TScheduleNode e;
        return store.GetSchd(*index, e) && e.StartHour == hour && e.StartMin == minute;
    }
    const int selector = *kind == QLatin1String("Text") ? OTHER_TEXT : *kind == QLatin1String("BMP") ? OTHER_PIC : -1;
    TScheduleNodeOther e;
    return selector >= 0 && store.GetOtherSchd(selector, *index, e) && e.StartHour == hour && e.StartMin == minute;
}

void ScheduleEditor::bnSchdDelClick()
{
    QString kind;
    int index = -1;
    if (!readLine(&kind, &index))
        return;
    TPlayList &store = *m_context.schedules;
    if (kind == QLatin1String("Media"))
        store.DelSchd(index);
    else
        store.DelOtherSchd(kind == QLatin1String("Text") ? OTHER_TEXT : OTHER_PIC, index);
    RefreshSchdList();
}

template <typename Entry> void ScheduleEditor::showRow(const Entry &e)
{
    m_ui->cbStartHour->setCurrentIndex(e.StartHour);
    m_ui->cbStartMin->setCurrentIndex(e.StartMin);
    m_ui->cbEndHour->setCurrentIndex(e.EndHour);
    m_ui->cbEndMin->setCurrentIndex(e.EndMin);
    (e.SchdType == SCHD_ONCE   ? m_ui->rb_Once
     : e.SchdType == SCHD_NONE ? m_ui->rb_None
                               : m_ui->rb_Loop)
        ->setChecked(true);
    for (int d = 0; d < 7; ++d)
        m_ui->clb_WeekIndex->item(d)->setCheckState((e.WeekDays & (1u << d)) ? Qt::Checked : Qt::Unchecked);
}

void ScheduleEditor::showList(QListWidget *list, const QStringList &items)
{
    list->clear();
    list->addItems(items);
}

void ScheduleEditor::loadBack()
{
    QString kind;
    int index = -1;
    if (!readLine(&kind, &index))
        return;
    const TPlayList &store = *m_context.schedules;
    if (kind == QLatin1String("Media")) {
        TScheduleNode e;
        store.GetSchd(index, e);
        m_ui->PageControl4->setCurrentWidget(m_ui->TabSheet6);
        // An entry's names and paths always come in pairs.
        const qsizetype pairs = qMin(e.vec_shortname.size(), e.vec_fullname.size());
        showList(m_ui->ListBoxPlayList, e.vec_shortname.mid(0, pairs));
        showList(m_ui->ListBoxPlayListFile, e.vec_fullname.mid(0, pairs));
        showRow(e);
        return;
    }
    const bool text = kind == QLatin1String("Text");
    TScheduleNodeOther e;
    store.GetOtherSchd(text ? OTHER_TEXT : OTHER_PIC, index, e);
    m_ui->PageControl4->setCurrentWidget(text ? m_ui->TabSheet9 : m_ui->TabSheet10);
    showList(text ? m_ui->lb_PlayTextList : m_ui->lb_PlayPicList, e.vec_item);
    showRow(e);
}

void ScheduleEditor::checkAllSchedule()
{
    if (m_context.schedules->isEmpty())
        return message(Msg::EmptyScheduleList);
    emit allSchedulesRequested();
}

void ScheduleEditor::bnTransferClick()
{
    if (m_context.schedules->isEmpty())
        return message(Msg::EmptyScheduleList);
    const GenerationResult result = GenerateDownloadList(*m_context.schedules, m_context.settings);
    switch (result.status) {
    case GenerationResult::Ok:
        break;
    case GenerationResult::EmptySchedule:
        return message(Msg::EmptyScheduleList);
    case GenerationResult::BadFileName:
        return m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::ErrorFileName));
    case GenerationResult::WriteFailed:
        return m_context.prompter->error(Msg::tr(Msg::ErrorTitle),
                                         Msg::tr(Msg::CannotWritePlayLists).arg(result.error));
    }
    const QString command = TransferCommand(m_context.settings, result.downloadList);
    // A command line holds 255 bytes; a cut address would send boxes nowhere.
    if (CodePage::byteLength(command) > 255 || CodePage::byteLength(command) < 0) {
        m_context.prompter->error(Msg::tr(Msg::ErrorTitle), Msg::tr(Msg::CommandTooLong).arg(result.downloadList));
        return;
    }
    QList<sBoxInfo> boxes;
    if (m_boxes && m_context.registry) {
        for (const auto &[mac, name] : BoxLists::checkedPicks(m_boxes, *m_context.registry))
            boxes.append({mac, name});
    }
    if (boxes.isEmpty())
        return message(Msg::NoEffectiveBox);
    emit transferRequested(boxes, command);
}
