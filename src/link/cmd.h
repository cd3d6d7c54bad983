#pragma once

#include "base/clock.h"
#include "registry/MacGroup.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class BoxServer;
class CommandHistory;
class QTcpSocket;

// Where the event log's lines go (the box management window's memo).
class LogSink
{
public:
    virtual ~LogSink() = default;
    virtual void appendLogLine(const QString &line) = 0;
};

enum class LogLevel
{
    ERR,
    INFOSend,
    INFORcv,
    DEBUG
};

// Command types a window can send to a box.
enum BoxCommandType : int
{
    CMD_SETTIME = 0,
    CMD_LANGUAGE = 1,
    CMD_REBOOT = 2,
    CMD_MODE = 4,
    CMD_BOXNETWORK = 5,
    CMD_SERVERADDRESS = 6,
    CMD_FILEUPDATE = 7,
    CMD_IMAGEUPDATE = 8,
    CMD_HEARTBEAT = 9,
    CMD_GETFILENAME = 10,
    CMD_FILENAMELIST = 11,
    CMD_PLAYTEXT = 12,
    CMD_PLAYMODE = 13,
    CMD_GETFILE = 15,
    CMD_DOWNLOADREPORT = 16,
    CMD_FTPSTATUS = 19,
    CMD_FILEUPLOAD = 20,
    CMD_DELETEFILE = 21,
    CMD_DOWNLOADSPEED = 22,
};

// The argument of a command: numbers and texts in the order the line takes them.
struct BoxCommandArgs
{
    QList<int> numbers;
    QStringList texts;
};

// One row of the reply table.
struct cmd_Info
{
    QByteArray key;
    int code;
    QString display;
    int klass; // 2 succeeded, 3 failed, 4 report or accepted, 5 progress
};

// A message as the reply table classifies it.
struct Msg_Info
{
    QString mac;
    QString display;
    int klass = 0;
    qint8 code = 0;
};

// One box's file-name list arriving in parts.
struct st_BoxFilenameStyle
{
    QString mac;
    QStringList names;
    int total = 0;
    int received = 0;
    int id = 0;
};

struct ParsedReply
{
    int status = 1; // 0 success
    int code = 0;
    std::optional<MacGroupData> record;   // a heartbeat
    std::optional<QStringList> fileNames; // a completed file-name list: the MAC, then the names
};

// The one command service: the connection map, the reply table and parser,
// the command lines, and the event log.
class Cmd_API : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Cmd_API)

public:
    static constexpr int kMaxMapEntries = 4096;
    static constexpr int kMaxFileNames = 65536;
    // File-name lists being received at once, and names they hold in all.
    static constexpr int kMaxTransfers = 256;
    static constexpr int kMaxTransferNames = 262144;

    Cmd_API(MacGruoup &registry, CommandHistory *history, QObject *parent = nullptr);
    ~Cmd_API() override;

    // Attaches the log memo and the box socket, and reloads the reply table.
    void AttachLink(LogSink *memo, BoxServer *server);
    void DetachLog(LogSink *memo);

    // The connection map.
    void MapUpdate(const QString &mac, const QString &ip, int port);
    int MapFindByMac(const QString &mac, QString *ip, int *port) const;
    int MapFindByAddress(const QString &ip, int port, QString *mac) const;
    int MapSize() const { return int(m_MacAdd.size()); }
    // File-name lists still being received.
    int PendingFileNameLists() const { return int(m_transfers.size()); }
    int FindConnection(const QString &ip, int port, int *position) const;

    int ClassifyReply(const QByteArray &message, Msg_Info *info) const;
    ParsedReply ParseReply(const QString &ip, int port, const QByteArray &message);

    // The one way a window sends a command to a box.
    void SendBoxCommand(int type, const QString &mac, const BoxCommandArgs &args = {});
    int SendCommand(int type, const QString &mac, const BoxCommandArgs &args = {});
    int SendLine(int position, const QByteArray &line);

    void LogEvent(const QByteArray &text, int code, LogLevel level);
    void LogEvent(const QString &text, int code, LogLevel level);

    // The line of a command (GB2312 bytes, at most 255), or nothing for a
    // type without a line or a text GB2312 cannot hold.
    static std::optional<QByteArray> BuildCommandLine(int type, const BoxCommandArgs &args, const QDateTime &now);
    // The word the history and the fleet status keep for a command; shown
    // through ReadableWord.
    static QString HistoryName(int type, const BoxCommandArgs &args);
    // Every word kept for a command or a reply, the download speed's with
    // its "%1" standing for the number.
    static QStringList HistoryWords();
    static const QList<cmd_Info> &ReplyTable();
    static QString LevelName(LogLevel level);
    // The line with control characters shown as \\xNN, fit for a terminal.
    static QString TerminalSafe(const QString &line);
    // "%2d   [!%s]   --%s" for one log entry, without the time.
    static QString FormatLogLine(const QByteArray &text, int code, LogLevel level);

    // The clock used for "set box time" and the box clock difference.
    void setClock(const Clock &clock) { m_clock = &clock; }

signals:
    // A recognised reply from a known box, heartbeats excepted.
    void eventReply(const QString &mac, const QString &ip, const QString &display, const QString &message);
    // The same reply with its reply-table code and class (2 succeeded,
    // 3 failed, 4 report or accepted, 5 progress).
    void replyClassified(const QString &mac, int code, int klass, const QString &display, const QString &message);
    // A window sent a command to a known box.
    void commandSent(const QString &mac, int type, const QString &historyName, const BoxCommandArgs &args);
    void getFileReply(const QString &name, const QString &mac, const QString &path);
    void ftpStatusReply(const QString &mac, const QString &path, const QString &second);
    void uploadReply(const QString &mac, const QString &file);
    // A heartbeat was merged into the registry with this result.
    void boxMerged(const QString &mac, int result);
    // The connection map gained an entry, lost one, or an address changed.
    void mapChanged();
    // A box's complete file-name list: the MAC, then the names.
    void fileNamesReceived(const QStringList &list);

private:
    void onConnected(QTcpSocket *socket);
    void onMessage(QTcpSocket *socket, const QByteArray &message);
    void onError(QTcpSocket *socket, int code);
    ParsedReply parseHeartbeat(const QString &ip, int port, const QList<QByteArray> &tokens);
    ParsedReply parseFileNames(const QString &mac, const QList<QByteArray> &tokens);
    // Frees one place in the full connection map; false when none may go.
    bool makeMapRoom(bool forRegisteredBox);
    // Forgets a box's unfinished file-name list.
    void dropTransfer(const QString &mac);
    void removeMapEntry(qsizetype i);
    QDateTime now() const { return m_clock->now(); }

    MacGruoup &m_registry;
    CommandHistory *m_history;
    QPointer<BoxServer> m_server;
    LogSink *m_memo = nullptr;
    QStringList m_MacAdd;
    QStringList m_IP;
    QList<int> m_Port;
    QList<cmd_Info> m_table;
    QList<st_BoxFilenameStyle> m_transfers;
    const Clock *m_clock = &Clock::system();
    qint64 m_stampSecond = -1; // the second m_stamp shows
    QString m_stamp;
};
