#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QSocketNotifier;

// A restart hands the ports over to a new copy of the program: the new copy
// is started with "--ready-fd N" and writes one line into that pipe once its
// ports listen ("ready"), or says why it could not ("failed: ..."). Until
// then the old copy keeps running; a copy that ends, hangs or says nothing
// within the time limit counts as failed.
class RestartHandover : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestartHandover)

public:
    static constexpr int kDefaultWaitMs = 15000;
    static constexpr char kReadyOption[] = "--ready-fd";

    explicit RestartHandover(QObject *parent = nullptr);
    ~RestartHandover() override;

    // Starts program with arguments (any earlier ready option dropped) and
    // waits for its report without blocking this thread. False, with
    // failed() already emitted, when it could not even be started.
    bool start(const QString &program, const QStringList &arguments, int waitMs = kDefaultWaitMs);
    bool isWaiting() const { return m_fd >= 0; }
    qint64 pid() const { return m_pid; }

    // The arguments without any "--ready-fd N" or "--ready-fd=N".
    static QStringList withoutReadyOption(const QStringList &arguments);

    // In the new copy: writes the line into the descriptor and closes it.
    static void report(int fd, const QString &line);

signals:
    void succeeded();
    void failed(const QString &reason);

private:
    void readReport();
    void finish(bool ready, const QString &reason);

    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_deadline;
    QByteArray m_text;
    qint64 m_pid = 0;
};
