#include "downloadlist.h"

#include "ui_downloadlist.h"

#include "config/appcontext.h"
#include "config/codepage.h"
#include "config/forms.h"
#include "console/filesystem.h"
#include "link/cmd.h"

#include <QFileInfo>
#include <QTimer>

namespace {

QStringList rowTexts(const SUPLOADFILE &task)
{
    return {task.taskName, task.clientName, task.mac, task.boxPath, task.localPath};
}

void fill(QTreeWidget *view, const QList<SUPLOADFILE> &tasks)
{
    // Check marks stay on the rows that keep their place.
    QList<bool> checked;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        checked.append(view->topLevelItem(i)->checkState(0) == Qt::Checked);
    view->setUpdatesEnabled(false);
    view->clear();
    QList<QTreeWidgetItem *> rows;
    for (qsizetype i = 0; i < tasks.size(); ++i) {
        auto *row = new QTreeWidgetItem(rowTexts(tasks[i]));
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
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
    auto *row = new QTreeWidgetItem(rowTexts(m_queue.waiting().last()));
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, Qt::Unchecked);
    m_ui->lv_TaskFile->addTopLevelItem(row);
}

void TForm11::tick()
{
    const std::optional<SUPLOADFILE> task = m_queue.startNext();
    if (!task)
        return;
    delete m_ui->lv_TaskFile->takeTopLevelItem(0);
    const QString argument = FileUploadArgument(m_context.settings, *task);
    // A line the box would get cut would upload to the wrong place.
    if (CodePage::byteLength(QStringLiteral("fileupload ") + argument) > 255 || CodePage::byteLength(argument) < 0) {
        m_queue.dropRunning(*task);
        if (m_context.cmd)
            m_context.cmd->LogEvent(
                QStringLiteral("Upload of %1 from %2 not started: the command would be longer than 255 bytes")
                    .arg(task->boxPath.isEmpty() ? task->taskName : task->boxPath, task->mac),
                0, LogLevel::ERR);
        return;
    }
    auto *row = new QTreeWidgetItem(rowTexts(*task));
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, Qt::Unchecked);
    m_ui->lv_Download->addTopLevelItem(row);
    if (m_context.cmd)
        m_context.cmd->SendBoxCommand(CMD_FILEUPLOAD, task->mac, {{}, {argument}});
}

void TForm11::uploadDone(const QString &mac, const QString &boxPath)
{
    const std::optional<SUPLOADFILE> task = m_queue.complete(mac, boxPath);
    if (!task)
        return;
    fill(m_ui->lv_Download, m_queue.running());
    // The box's word alone is not enough: the file must have arrived.
    const QFileInfo arrived(task->localPath);
    if (!arrived.isFile() || arrived.size() <= 0) {
        if (m_context.cmd)
            m_context.cmd->LogEvent(QStringLiteral("Upload of %1 from %2 reported done, but %3 is missing or empty")
                                        .arg(boxPath, mac, task->localPath),
                                    0, LogLevel::ERR);
        return;
    }
    if (m_forms.form10)
        m_forms.form10->AddFileRow(task->taskName, task->clientName, task->mac, task->localPath);
}
