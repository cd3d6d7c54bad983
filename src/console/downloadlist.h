#pragma once

#include "base/clock.h"
#include "boxfiles/uploadqueue.h"

#include <QWidget>

#include <functional>

#include <memory>

class QTimer;
class QTreeWidget;
struct AppContext;
struct Forms;

namespace Ui {
class TForm11;
}

// Download list window: files boxes are asked to upload, started one a
// second with at most 16 running; a finished upload goes to the file-system
// window's file list.
class TForm11 : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm11)

public:
    TForm11(AppContext &context, Forms &forms, QWidget *parent = nullptr);
    ~TForm11() override;

    void AddTask(const SUPLOADFILE &task);
    const UploadQueue &queue() const { return m_queue; }
    // The steady clock of the tasks' time limit.
    void setClock(const Clock &clock);

signals:
    // A task started or ended: what the content service lets boxes upload changes.
    void runningChanged();
    // A task's file is really there.
    void fileArrived(const QString &name, const QString &clientName, const QString &mac, const QString &path);

private:
    qint64 nowMs() const;
    void failed(const SUPLOADFILE &task, const QString &why);
    void tick();
    void uploadDone(const QString &mac, const QString &boxPath);
    void refreshLists();
    static QList<int> checkedRows(const QTreeWidget *view);

    std::unique_ptr<Ui::TForm11> m_ui;
    AppContext &m_context;
    Forms &m_forms;
    UploadQueue m_queue;
    QTimer *m_timer = nullptr;
    const Clock *m_clock = &Clock::system();
};
