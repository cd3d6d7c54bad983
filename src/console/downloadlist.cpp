#include "downloadlist.h"

#include "ui_downloadlist.h"

#include "base/codepage.h"
#include "config/appcontext.h"
#include "config/forms.h"
#include "link/cmd.h"
#include "registry/MacGroup.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

QStringList rowTexts(const SUPLOADFILE &task)
{
    return {task.taskName, task.clientName, task.mac, task.boxPath, task.localPath};
}

QTreeWidgetItem *taskRow(const SUPLOADFILE &task)
{
    auto *row = new QTreeWidgetItem(rowTexts(task));
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, Qt::Unchecked);
    return row;
}

void fill(QTreeWidget *view, const QList<SUPLOADFILE> &tasks)
{
    // The operator's check marks stay on the tasks that remain, so a cancel
    // after an upload finished still takes what was checked.
    QList<QStringList> checked;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *row = view->topLevelItem(i);
        if (row->checkState(0) == Qt::Checked) {
            QStringList texts;
            for (int c = 0; c < row->columnCount(); ++c)
                texts.append(row->text(c));
            checked.append(texts);
        }
    }
    view->setUpdatesEnabled(false);
    view->clear();
    QList<QTreeWidgetItem *> rows;
    for (const SUPLOADFILE &task : tasks) {
        QTreeWidgetItem *row = taskRow(task);
        if (checked.removeOne(rowTexts(task)))
            row->setCheckState(0, Qt::Checked);
        rows.append(row);
    }
    view->addTopLevelItems(rows);
    view->setUpdatesEnabled(true);
}

} // namespace

TForm11::TForm11(AppContext &context, Forms &forms, QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TForm11>()), m_context(context), m_forms(forms)
{
    m_ui->setupUi(this);
    for (QTreeWidget *view : {m_ui->lv_TaskFile, m_ui->lv_Download}) {
        view->setColumnWidth(0, 140);
        view->setColumnWidth(2, 130);
        view->setColumnWidth(3, 220);
    }
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    connect(m_timer, &QTimer::timeout, this, &TForm11::tick);
    m_timer->start(1000);

    connect(m_ui->sb_CancelPlan, &QToolButton::clicked, this, [this] {
        m_queue.cancelWaiting(checkedRows(m_ui->lv_TaskFile));
        refreshLists();
    });
    connect(m_ui->sb_CancelAllPlan, &QToolButton::clicked, this, [this] {
        m_queue.cancelAllWaiting();
        refreshLists();
    });
    connect(m_ui->sb_CancelDownloading, &QToolButton::clicked, this, [this] {
        m_queue.cancelRunning(checkedRows(m_ui->lv_Download));
        refreshLists();
        emit runningChanged();
    });
    if (m_context.cmd)
        connect(m_context.cmd, &Cmd_API::uploadReply, this, &TForm11::uploadDone);
}

TForm11::~TForm11() = default;

QList<int> TForm11::checkedRows(const QTreeWidget *view)
{
    QList<int> rows;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->checkState(0) == Qt::Checked)
            rows.append(i);
    }
    return rows;
}

void TForm11::refreshLists()
{
    fill(m_ui->lv_TaskFile, m_queue.waiting());
    fill(m_ui->lv_Download, m_queue.running());
}

void TForm11::AddTask(const SUPLOADFILE &task)
{
    m_queue.add(task);
    m_ui->lv_TaskFile->addTopLevelItem(taskRow(m_queue.waiting().last()));
}

void TForm11::setClock(const Clock &clock)
{
    m_clock = &clock;
}

qint64 TForm11::nowMs() const
{
    return m_clock->steadyMsecs();
}

void TForm11::failed(const SUPLOADFILE &task, const QString &why)
{
    const QString text = QStringLiteral("Upload of %1 from %2 failed: %3")
                             .arg(task.boxPath.isEmpty() ? task.taskName : task.boxPath, task.mac, why);
    m_ui->stb_Failed->showMessage(text);
    if (m_context.cmd)
        m_context.cmd->LogEvent(text, 0, LogLevel::ERR);
}

void TForm11::tick()
{
    // Tasks that can no longer finish free their places first.
    const auto offline = [this](const QString &mac) {
        int slot = -1;
        return m_context.registry && m_context.registry->FindBox(mac, &slot) == RES_FOUND &&
               !m_context.registry->Box(slot).Online;
    };
    const QList<SUPLOADFILE> expired = m_queue.expire(nowMs(), offline);
    for (const SUPLOADFILE &task : expired)
        failed(task, offline(task.mac)
                         ? QStringLiteral("the box went offline")
                         : QStringLiteral("no report within %1 minutes").arg(UploadQueue::kMaxRunningMs / 60000));
    if (!expired.isEmpty()) {
        fill(m_ui->lv_Download, m_queue.running());
        emit runningChanged();
    }
    const std::optional<SUPLOADFILE> task = m_queue.startNext(nowMs());
    if (!task)
        return;
    delete m_ui->lv_TaskFile->takeTopLevelItem(0);
    const QString argument = FileUploadArgument(m_context.settings, *task);
    // A line the box would get cut would upload to the wrong place.
    const qsizetype lineBytes = CodePage::byteLength(QStringLiteral("fileupload ") + argument);
    if (lineBytes < 0 || lineBytes > 255) {
        m_queue.dropRunning(*task);
        failed(*task, lineBytes < 0 ? QStringLiteral("its path holds characters GB2312 cannot carry")
                                    : QStringLiteral("the command would be longer than 255 bytes"));
        return;
    }
    // A file left by an earlier fetch under the same name must not pass for
    // this one.
    if (QFileInfo::exists(task->localPath) && !QFile::remove(task->localPath)) {
        m_queue.dropRunning(*task);
        failed(*task, QStringLiteral("the earlier copy %1 cannot be removed").arg(task->localPath));
        return;
    }
    m_ui->lv_Download->addTopLevelItem(taskRow(*task));
    emit runningChanged();
    if (m_context.cmd)
        m_context.cmd->SendBoxCommand(CMD_FILEUPLOAD, task->mac, {{}, {argument}});
}

void TForm11::uploadDone(const QString &mac, const QString &boxPath)
{
    const std::optional<SUPLOADFILE> task = m_queue.complete(mac, boxPath);
    if (!task)
        return;
    fill(m_ui->lv_Download, m_queue.running());
    emit runningChanged();
    // The box's word alone is not enough: the file must have arrived.
    const QFileInfo arrived(task->localPath);
    if (!arrived.isFile() || arrived.size() <= 0) {
        failed(*task, QStringLiteral("reported done, but %1 is missing or empty").arg(task->localPath));
        return;
    }
    emit fileArrived(task->taskName, task->clientName, task->mac, task->localPath);
}
