#pragma once

#include "base/clock.h"
#include "cmd.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>

// What the operator needs to know about each box beyond its heartbeat: the
// last command sent to it and whether it was answered, and the transfer it is
// doing. Fed by the command service's signals; the heartbeat facts (online,
// version, clock) stay in the registry.
class FleetStatus : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FleetStatus)

public:
    // A command not answered within this many seconds has no answer.
    static constexpr int kAnswerSeconds = 30;

    enum class Result
    {
        None,     // nothing sent yet
        Waiting,  // sent, no answer yet
        Done,     // answered with success
        Failed,   // answered with a failure; see resultText
        NoAnswer, // no answering reply within kAnswerSeconds
        Sent      // a command boxes do not answer
    };
    enum class Transfer
    {
        None,
        InProgress,
        Ready, // the box reported the end with every file done
        Failed // a file failed, the box refused, or it went away
    };

    struct BoxStatus
    {
        QString command; // the last command's history name
        qint64 commandTime = 0;
        int commandType = -1;
        Result result = Result::None;
        QString resultText; // the answering reply
        QString lastReply;  // the latest reply that answered no command
        Transfer transfer = Transfer::None;
        int filesTotal = 0;
        int filesDone = 0;
        int filesFailed = 0;
        qint64 finishedAt = 0;
        QString transferList; // the download list of the last transfer
    };

    FleetStatus(const MacGruoup &registry, Cmd_API &cmd, QObject *parent = nullptr);
    void setClock(const Clock &clock) { m_clock = &clock; }

    // The box's state; a default one for a box nothing was sent to.
    BoxStatus status(const QString &mac) const;
    // The boxes with a state.
    QList<QString> macs() const { return m_boxes.keys(); }

    // The states kept from an earlier run; a box heard of since keeps its own.
    void restore(const QHash<QString, BoxStatus> &boxes);

    // Commands waiting longer than kAnswerSeconds get no answer.
    void sweep();
    // The offline check took these boxes offline: their transfers stop, and
    // the event log says so.
    void boxesWentOffline(const QList<int> &offline);

    static QString ResultText(Result result);
    static QString TransferText(Transfer transfer);

signals:
    void changed(const QString &mac);
    // The offline check took the box offline; it was heard again.
    void wentOffline(const QString &mac);
    void cameBack(const QString &mac);

private:
    void onCommand(const QString &mac, int type, const QString &name, const BoxCommandArgs &args);
    void onReply(const QString &mac, int code, int klass, const QString &display, const QString &message);
    void onHeard(const QString &mac, int result);
    qint64 now() const;
    bool known(const QString &mac) const;

    const MacGruoup &m_registry;
    Cmd_API &m_cmd;
    const Clock *m_clock = &Clock::system();
    QHash<QString, BoxStatus> m_boxes;
    QSet<QString> m_offline; // taken offline by the check, not heard since
    QString m_listLine;      // the last transfer command, and its file count
    int m_listFiles = 0;
};

// The number of file elements of a download list or plan the command line
// names by its address ("fileupdate http http://ip:port//path"), or -1 when
// the file cannot be read.
int FilesNamedBy(const QString &commandLine);
// The file on this computer an address in the line names ("http://ip:port//path"),
// or empty when the line has no address.
QString LocalFileNamedBy(const QString &commandLine);
