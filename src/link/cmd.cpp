#include "cmd.h"

#include "base/codepage.h"
#include "boxserver.h"
#include "history.h"

#include <QDate>
#include <QSet>
#include <QTcpSocket>

#include <algorithm>
#include <climits>
#include <ctime>

namespace {

constexpr int kLineMax = 255;

// The kept word of a download speed command; %1 is the speed.
constexpr char kDownloadSpeedWord[] = QT_TRANSLATE_NOOP("BoxWords", "Set Max Download Speed: %1KB/s");

cmd_Info row(const char *key, int code, const char *display, int klass)
{
    return {QByteArray(key), code, QString::fromLatin1(display), klass};
}

// Tokens of a box message: tabs and carriage returns count as spaces, a
// newline ends the message, at most 256 tokens.
QList<QByteArray> tokensOf(const QByteArray &message)
{
    QByteArray text = message;
    const qsizetype newline = text.indexOf('\n');
    if (newline >= 0)
        text.truncate(newline);
    text.replace('\t', ' ').replace('\r', ' ');
    QList<QByteArray> tokens;
    for (const QByteArray &token : text.split(' ')) {
        if (!token.isEmpty())
            tokens.append(token);
        if (tokens.size() == 256)
            break;
    }
    return tokens;
}

// A whole decimal number, optionally signed, within the range; nothing else.
std::optional<qint64> decimal(const QByteArray &text, qint64 low, qint64 high)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size() || text.size() - i > 12)
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (negative)
        value = -value;
    if (value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<int> int32Of(const QByteArray &text)
{
    const auto value = decimal(text, INT_MIN, INT_MAX);
    if (!value)
        return std::nullopt;
    return int(*value);
}

// A box clock such as 27-12-2007-15:44:08, read as local time with daylight
// saving time taken as not in force; nothing when it is not a real date.
std::optional<qint64> boxClock(const QByteArray &text)
{
    QList<int> fields;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '-' && text[i] != '/' && text[i] != ':')
            continue;
        const QByteArray field = text.mid(start, i - start);
        if (field.isEmpty() || field.size() > 4)
            return std::nullopt;
        const auto value = decimal(field, 0, 9999);
        if (!value || field[0] == '-' || field[0] == '+')
            return std::nullopt;
        fields.append(int(*value));
        start = i + 1;
    }
    if (fields.size() != 6)
        return std::nullopt;
    const int day = fields[0], month = fields[1], year = fields[2];
    const int hour = fields[3], minute = fields[4], second = fields[5];
    if (!QDate::isValid(year, month, day) || year < 1900 || hour > 23 || minute > 59 || second > 60)
        return std::nullopt;
    std::tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = 0;
    const std::time_t t = std::mktime(&tm);
    if (t == std::time_t(-1))
        return std::nullopt;
    return qint64(t);
}

// The path of a URL: what follows "http://" and the host part.
std::optional<QString> urlPath(const QByteArray &url)
{
    if (!url.startsWith("http://"))
        return std::nullopt;
    QByteArray rest = url.mid(7);
    const qsizetype slash = rest.indexOf('/');
    if (slash >= 0)
        rest = rest.mid(slash + 1);
    return CodePage::fromGb2312(rest);
}

} // namespace

const QList<cmd_Info> &Cmd_API::ReplyTable()
{
    static const QList<cmd_Info> table = {
        row("heatbeat", 9, QT_TRANSLATE_NOOP("BoxWords", "Status Report"), 4),
        row("info set box time", 0, QT_TRANSLATE_NOOP("BoxWords", "Sync Time Succeed"), 2),
        row("error set box time failed (NETWORK_ERROR_INVALID_TIMEVAL)", 0,
            QT_TRANSLATE_NOOP("BoxWords", "Sync Time Failed"), 3),
        row("info set box language", 1, QT_TRANSLATE_NOOP("BoxWords", "Set Language Succeed"), 2),
        row("error set box language failed (NETWORK_ERROR_INVALID_LANGTYPE)", 1,
            QT_TRANSLATE_NOOP("BoxWords", "Set Language Failed"), 3),
        row("info set box reboot", 2, QT_TRANSLATE_NOOP("BoxWords", "Set Box reboot Succeed"), 2),
        row("info set mode outmode", 4, QT_TRANSLATE_NOOP("BoxWords", "Set Outmode Succeed"), 2),
        row("error set mode outmode failed (NETWORK_ERROR_INVALID_MODE)", 4,
            QT_TRANSLATE_NOOP("BoxWords", "Set Outmode Failed"), 3),
        row("info set network boxattr", 5, QT_TRANSLATE_NOOP("BoxWords", "Set Box Network Succeed"), 2),
        row("error set network boxattr failed (NETWORK_ERROR_INVALID_IPADDR)", 5,
            QT_TRANSLATE_NOOP("BoxWords", "Set Box Network Failed(INVALID IPADDR)"), 3),
        row("info set network svrattr", 6, QT_TRANSLATE_NOOP("BoxWords", "Set Server Network Succeed"), 2),
        row("error set network svrattr failed (NETWORK_ERROR_INVALID_IPADDR)", 6,
            QT_TRANSLATE_NOOP("BoxWords", "Set Server Failed(INVALID IPADDR)"), 3),
        row("error set network svrattr failed (NETWORK_ERROR_INVALID_PORT)", 6,
            QT_TRANSLATE_NOOP("BoxWords", "Set Server Failed(INVALID PORT)"), 3),
        row("info imageupdate begin", 8, QT_TRANSLATE_NOOP("BoxWords", "Image Update Begin"), 2),
        row("error imageupdate failed (NETWORK_ERROR_PARAM_NUM_ERROR)", 8,
            QT_TRANSLATE_NOOP("BoxWords", "Image Update Failed(INVALID PARAM)"), 3),
        row("dlreport start failed (NEW_DLCMD_REJECT)", 16,
            QT_TRANSLATE_NOOP("BoxWords", "Download Failed(TASK CONFLICT)"), 3),
        row("dlreport start failed (DL_MODE_UNSURPORT)", 16,
            QT_TRANSLATE_NOOP("BoxWords", "Download Failed(INVALID DOWNLOAD MODE)"), 3),
        row("dlreport start failed (download)", 16, QT_TRANSLATE_NOOP("BoxWords", "Connect Failed"), 3),
        row("dlreport writing flash done", 8, QT_TRANSLATE_NOOP("BoxWords", "Image Update Succeed"), 2),
        row("dlreport start failed (INVALID_BIN_FILE)", 8,
            QT_TRANSLATE_NOOP("BoxWords", "Image Update Succeed(INVALID BIN)"), 3),
        row("info fileupdate begin", 7, QT_TRANSLATE_NOOP("BoxWords", "File Update Begin"), 2),
        row("error fileupdate failed (NETWORK_ERROR_PARAM_NUM_ERROR)", 7,
            QT_TRANSLATE_NOOP("BoxWords", "File Download Failed(INVALID PARAM)"), 3),
        row("error fileupdate failed (NETWORK_ERROR_NWCMD_UNKOWN_MODE)", 7,
            QT_TRANSLATE_NOOP("BoxWords", "File Download Failed(INVALID MODE)"), 3),
        row("dlreport start failed (parsed)", 7,
            QT_TRANSLATE_NOOP("BoxWords", "File Download Failed(PARSED XML ERROR)"), 3),
        row("dlreport start succeed", 7, QT_TRANSLATE_NOOP("BoxWords", "File Download Succeed(ALL XML DONE)"), 2),
        row("dlreport progress", 16, "", 5),
        row("dlreport finish", 16, QT_TRANSLATE_NOOP("BoxWords", "File Download Succeed(ALL DONE)"), 2),
        row("info get box filename", 11, QT_TRANSLATE_NOOP("BoxWords", "Get Dir Succeed"), 2),
        row("error get box filename failed (NETWORK_ERROR_PARAM_NUM_ERROR)", 11,
            QT_TRANSLATE_NOOP("BoxWords", "Get Dir Failed(INVALID PARAM)"), 3),
        row("error get box filename failed (NETWORK_ERROR_FILE_TOO_MUSH)", 11,
            QT_TRANSLATE_NOOP("BoxWords", "Get Dir Failed(INVALID FILE)"), 3),
        row("info get file", 15, QT_TRANSLATE_NOOP("BoxWords", "Get File Succeed"), 2),
        row("info get ftp staus", 19, QT_TRANSLATE_NOOP("BoxWords", "Get Ftp Download Status Succeed"), 2),
        row("info fileupload begin", 20, QT_TRANSLATE_NOOP("BoxWords", "Command Accepted"), 4),
        row("error fileupload failed (NETWORK_ERROR_PARAM_NUM_ERROR)", 20,
            QT_TRANSLATE_NOOP("BoxWords", "File Upload Failed(INVALID PARAM)"), 3),
        row("upload report start failed (UNKNOWN)", 20, QT_TRANSLATE_NOOP("BoxWords", "File Upload Failed"), 3),
        row("upload report start failed (FILE_ISNOT_EXIST)", 20,
            QT_TRANSLATE_NOOP("BoxWords", "File Upload Failed(FILE IS NOT EXIST)"), 3),
        row("upload report start", 20, QT_TRANSLATE_NOOP("BoxWords", "File Upload Start"), 4),
        row("upload report done", 20, QT_TRANSLATE_NOOP("BoxWords", "File Upload Done"), 2),
        row("upload report failed", 20, QT_TRANSLATE_NOOP("BoxWords", "File Upload Failed"), 3),
    };
    return table;
}

Cmd_API::Cmd_API(MacGruoup &registry, CommandHistory *history, QObject *parent)
    : QObject(parent), m_registry(registry), m_history(history)
{
}

Cmd_API::~Cmd_API() = default;

void Cmd_API::AttachLink(LogSink *memo, BoxServer *server)
{
    m_memo = memo;
    if (server != m_server) {
        if (m_server)
            disconnect(m_server, nullptr, this, nullptr);
        m_server = server;
        if (server) {
            connect(server, &BoxServer::clientConnected, this, &Cmd_API::onConnected);
            connect(server, &BoxServer::messageReceived, this, &Cmd_API::onMessage);
            connect(server, &BoxServer::clientError, this, &Cmd_API::onError);
            connect(server, &BoxServer::connectionIdle, this, [this](const QString &ip, int port, int seconds) {
                LogEvent(QStringLiteral("Silent connection closed: IP=%1, Port=%2, silent %3 s")
                             .arg(ip, QString::number(port), QString::number(seconds)),
                         0, LogLevel::DEBUG);
            });
            connect(server, &BoxServer::connectionClosed, this, [this](const QString &ip, int port) {
                // A list that was coming over this link will not be finished.
                QString mac;
                if (MapFindByAddress(ip, port, &mac) == RES_FOUND)
                    dropTransfer(mac);
            });
            connect(server, &BoxServer::connectionShed, this, [this](const QString &ip, int port) {
                LogEvent(
                    QStringLiteral("Too many box connections: closed IP=%1, Port=%2").arg(ip, QString::number(port)),
                    RES_TABLEFULL, LogLevel::ERR);
            });
        }
    }
    m_table = ReplyTable();
}

void Cmd_API::DetachLog(LogSink *memo)
{
    if (m_memo == memo)
        m_memo = nullptr;
}

void Cmd_API::MapUpdate(const QString &mac, const QString &ip, int port)
{
    const qsizetype i = m_MacAdd.indexOf(mac);
    if (i >= 0) {
        if (m_IP[i] != ip || m_Port[i] != port) {
            m_IP[i] = ip;
            m_Port[i] = port;
            emit mapChanged();
        }
        return;
    }
    if (m_MacAdd.size() >= kMaxMapEntries && !makeMapRoom(m_registry.FindBox(mac) == RES_FOUND)) {
        LogEvent(QStringLiteral("Connection map full: Mac=%1 not kept").arg(mac), RES_TABLEFULL, LogLevel::ERR);
        return;
    }
    m_MacAdd.append(mac);
    m_IP.append(ip);
    m_Port.append(port);
    emit mapChanged();
}

bool Cmd_API::makeMapRoom(bool forRegisteredBox)
{
    // One peer inventing MACs must not keep the boxes out for good: entries
    // whose connection is gone go first, the oldest first; a box the
    // registry knows may also take the place of the oldest unknown MAC.
    const auto evictFirst = [this](const auto &evictable) {
        for (qsizetype i = 0; i < m_MacAdd.size(); ++i) {
            if (evictable(i)) {
                removeMapEntry(i);
                return true;
            }
        }
        return false;
    };
    QSet<QString> live;
    if (m_server) {
        for (const QTcpSocket *socket : m_server->connections())
            live.insert(BoxServer::peerIp(socket) + QLatin1Char(':') + QString::number(BoxServer::peerPort(socket)));
    }
    if (evictFirst(
            [&](qsizetype i) { return !live.contains(m_IP[i] + QLatin1Char(':') + QString::number(m_Port[i])); }))
        return true;
    return forRegisteredBox && evictFirst([this](qsizetype i) { return m_registry.FindBox(m_MacAdd[i]) != RES_FOUND; });
}

void Cmd_API::removeMapEntry(qsizetype i)
{
    dropTransfer(m_MacAdd[i]);
    m_MacAdd.removeAt(i);
    m_IP.removeAt(i);
    m_Port.removeAt(i);
    emit mapChanged();
}

void Cmd_API::dropTransfer(const QString &mac)
{
    m_transfers.removeIf([&mac](const st_BoxFilenameStyle &t) { return t.mac == mac; });
}

int Cmd_API::MapFindByMac(const QString &mac, QString *ip, int *port) const
{
    const qsizetype i = m_MacAdd.indexOf(mac);
    if (i < 0)
        return RES_NOTFOUND;
    if (ip)
        *ip = m_IP[i];
    if (port)
        *port = m_Port[i];
    return RES_FOUND;
}

int Cmd_API::MapFindByAddress(const QString &ip, int port, QString *mac) const
{
    for (qsizetype i = 0; i < m_MacAdd.size(); ++i) {
        if (m_IP[i] == ip && m_Port[i] == port) {
            if (mac)
                *mac = m_MacAdd[i];
            return RES_FOUND;
        }
    }
    return RES_NOTFOUND;
}

int Cmd_API::FindConnection(const QString &ip, int port, int *position) const
{
    if (!m_server)
        return RES_NOLINK;
    int count = 0;
    const auto &connections = m_server->connections();
    for (int i = 0; i < connections.size(); ++i) {
        if (BoxServer::peerIp(connections[i]) == ip && BoxServer::peerPort(connections[i]) == port) {
            ++count;
            if (position)
                *position = i;
        }
    }
    if (count == 1)
        return RES_ONECONN;
    return count == 0 ? RES_NOCONN : RES_MANYCONN;
}

int Cmd_API::ClassifyReply(const QByteArray &message, Msg_Info *info) const
{
    // Keys that begin other keys ("upload report start" and "upload report
    // start failed (UNKNOWN)"): the longest key that matches is the message's
    // own, so a failure is not taken for an unrecognised line.
    bool nested = true;
    const cmd_Info *match = nullptr;
    for (const cmd_Info &row : m_table) {
        if (!message.startsWith(row.key))
            continue;
        if (match && !row.key.startsWith(match->key) && !match->key.startsWith(row.key))
            nested = false;
        if (!match || row.key.size() > match->key.size())
            match = &row;
    }
    if (match && info) {
        info->code = qint8(match->code);
        info->display = match->display;
        info->klass = match->klass;
    }
    if (!match || !nested)
        return 1;
    if (match->klass == 5) {
        if (message.size() < 8)
            return 1;
        const QByteArray tail = message.right(7);
        QString display;
        int klass = 3;
        if (tail.contains("retry")) {
            display = QStringLiteral("Connect Failed");
        } else if (tail.contains("Done")) {
            display = QStringLiteral("File Download Succeed(ONE FILE DONE)");
            klass = 2;
        } else if (tail.contains("Partial")) {
            display = QStringLiteral("File Download Failled(FILE CHANGED)");
        } else if (tail.contains("Failed")) {
            display = QStringLiteral("File Download Failled");
        } else {
            return 1;
        }
        if (info) {
            info->display = display;
            info->klass = klass;
        }
    }
    return 0;
}

ParsedReply Cmd_API::ParseReply(const QString &ip, int port, const QByteArray &message)
{
    Msg_Info info;
    const int classified = ClassifyReply(message, &info);
    ParsedReply result;
    result.code = info.code;
    MapFindByAddress(ip, port, &info.mac);
    if (classified == 0 && info.code != CMD_HEARTBEAT && !info.mac.isEmpty()) {
        const QString text = CodePage::fromGb2312(message);
        emit eventReply(info.mac, ip, info.display, text);
        emit replyClassified(info.mac, info.code, info.klass, info.display, text);
    }

    const QList<QByteArray> tokens = tokensOf(message);
    switch (info.code) {
    case CMD_HEARTBEAT:
        result = parseHeartbeat(ip, port, tokens);
        result.code = info.code;
        break;
    case CMD_FILENAMELIST:
        if (info.mac.isEmpty()) {
            result.status = RES_NOTFOUND;
        } else if (classified == 0 && message.startsWith("info get box filename")) {
            result = parseFileNames(info.mac, tokens);
            result.code = info.code;
        } else {
            result.status = classified;
        }
        break;
    case CMD_GETFILE:
    case CMD_FTPSTATUS: {
        // "info get file NAME URL" and "info get ftp staus URL VALUE".
        const int keyTokens = info.code == CMD_GETFILE ? 3 : 4;
        if (info.mac.isEmpty()) {
            result.status = RES_NOTFOUND;
        } else if (tokens.size() != keyTokens + 2) {
            result.status = 1;
        } else {
            result.status = 0;
            const QByteArray &first = tokens[keyTokens];
            const QByteArray &second = tokens[keyTokens + 1];
            if (info.code == CMD_GETFILE) {
                if (const auto path = urlPath(second))
                    emit getFileReply(CodePage::fromGb2312(first), info.mac, *path);
            } else if (const auto path = urlPath(first)) {
                emit ftpStatusReply(info.mac, *path, CodePage::fromGb2312(second));
            }
        }
        break;
    }
    case CMD_FILEUPLOAD:
        if (info.klass == 2 && tokens.size() == 4 && !info.mac.isEmpty())
            emit uploadReply(info.mac, CodePage::fromGb2312(tokens[3]));
        // A refused upload is an error in the log.
        result.status = classified == 0 && info.klass == 3 ? 1 : 0;
        break;
    case CMD_SETTIME:
    case CMD_BOXNETWORK:
    case CMD_SERVERADDRESS:
    case CMD_FILEUPDATE:
    case CMD_IMAGEUPDATE:
        result.status = classified;
        break;
    default:
        // A recognised reply is an error in the log only when it says the
        // box failed; a success is not.
        result.status = classified != 0 || info.klass == 3 ? 1 : 0;
        break;
    }
    if (result.status == 0)
        LogEvent(message, 0, LogLevel::INFORcv);
    else
        LogEvent(message, result.status, LogLevel::ERR);
    return result;
}

ParsedReply Cmd_API::parseHeartbeat(const QString &ip, int port, const QList<QByteArray> &tokens)
{
    ParsedReply result;
    // "heatbeat" IP MAC VERSION MODE LAYOUT TOTAL FREE CLOCK [STATUS]
    if (tokens.size() < 9)
        return result;
    // A text whose bytes would not come back the same from the registry file
    // counts as missing, so the registry refuses it (14, 15, 16) instead of
    // keeping a box that changes at every save and load.
    const auto exactText = [](const QByteArray &bytes) {
        bool exact = false;
        const QString text = CodePage::fromGb2312(bytes, &exact);
        return exact ? text : QString();
    };
    MacGroupData r;
    r.IPAdd = exactText(tokens[1]);
    r.MacAdd = exactText(tokens[2]);
    r.BoxVer = exactText(tokens[3]);
    // The connection map learns where the box is before any number is read:
    // a heartbeat with a bad number still tells where its box is. Only a MAC
    // the registry could hold enters the map.
    const qsizetype macBytes = CodePage::byteLength(r.MacAdd);
    if (macBytes >= 1 && macBytes < MacAddLen)
        MapUpdate(r.MacAdd, ip, port);

    const auto mode = int32Of(tokens[4]);
    const auto layout = int32Of(tokens[5]);
    const auto total = int32Of(tokens[6]);
    const auto free = int32Of(tokens[7]);
    const auto status = tokens.size() > 9 ? decimal(tokens[9], INT_MIN, UINT_MAX) : std::optional<qint64>(0);
    if (!mode || !layout || !total || !free || !status)
        return result;
    r.OutputMode = quint8(*mode & 0xFF);
    r.LayoutMode = quint8(*layout & 0xFF);
    r.DiskTotalMB = *total;
    r.DiskFreeMB = *free;
    r.Status = quint32(*status);
    // A clock that is no date gives no difference.
    if (const auto clock = boxClock(tokens[8])) {
        const qint64 diff = now().toSecsSinceEpoch() - *clock;
        r.TimeDiff = (diff > -3 && diff < 3) ? 0 : qint32(std::clamp<qint64>(diff, INT_MIN, INT_MAX));
    }
    result.status = 0;
    result.record = r;
    return result;
}

ParsedReply Cmd_API::parseFileNames(const QString &mac, const QList<QByteArray> &tokens)
{
    ParsedReply result;
    // "info get box filename" ID PARTS PART NAME...
    if (tokens.size() < 7)
        return result;
    const auto id = int32Of(tokens[4]);
    const auto total = int32Of(tokens[5]);
    const auto part = int32Of(tokens[6]);
    if (!id || !total || !part)
        return result;
    QStringList names;
    for (qsizetype i = 7; i < tokens.size(); ++i)
        names.append(CodePage::fromGb2312(tokens[i]));

    st_BoxFilenameStyle *transfer = nullptr;
    for (auto &t : m_transfers) {
        if (t.mac == mac)
            transfer = &t;
    }
    // Names held by every unfinished list together: many invented MACs must
    // not hold memory for good.
    qsizetype held = 0;
    for (const auto &t : std::as_const(m_transfers))
        held += t.names.size();
    const bool roomFor = held + names.size() <= kMaxTransferNames;
    if (transfer && transfer->id == *id) {
        if (*total == transfer->total && *part == transfer->received + 1 &&
            transfer->names.size() + names.size() <= kMaxFileNames && roomFor) {
            transfer->received = *part;
            transfer->names += names;
        }
    } else if (transfer) {
        if (*total > 0 && *part == 1 && held - transfer->names.size() + names.size() <= kMaxTransferNames) {
            transfer->id = *id;
            transfer->total = *total;
            transfer->received = 1;
            transfer->names = names;
        }
    } else if (*total > 0 && *part == 1) {
        // The oldest unfinished list makes room for a new one.
        if (m_transfers.size() >= kMaxTransfers) {
            held -= m_transfers.first().names.size();
            m_transfers.removeFirst();
        }
        while (!m_transfers.isEmpty() && held + names.size() > kMaxTransferNames) {
            held -= m_transfers.first().names.size();
            m_transfers.removeFirst();
        }
        if (held + names.size() <= kMaxTransferNames) {
            m_transfers.append({mac, names, *total, 1, *id});
            transfer = &m_transfers.last();
        }
    }
    result.status = 0;
    if (transfer && transfer->received == transfer->total) {
        result.fileNames = QStringList{mac} + transfer->names;
        dropTransfer(mac);
    }
    return result;
}

void Cmd_API::onConnected(QTcpSocket *socket)
{
    LogEvent(
        QStringLiteral("ClientConnect: IP=%1, Port=%2").arg(BoxServer::peerIp(socket)).arg(BoxServer::peerPort(socket)),
        0, LogLevel::DEBUG);
}

void Cmd_API::onError(QTcpSocket *socket, int code)
{
    LogEvent(QStringLiteral("ClientError: Error=%1 IP=%2, Port=%3")
                 .arg(code)
                 .arg(BoxServer::peerIp(socket))
                 .arg(BoxServer::peerPort(socket)),
             0, LogLevel::DEBUG);
}

void Cmd_API::onMessage(QTcpSocket *socket, const QByteArray &message)
{
    ParsedReply parsed = ParseReply(BoxServer::peerIp(socket), BoxServer::peerPort(socket), message);
    if (parsed.status != 0)
        return;
    if (parsed.code == CMD_HEARTBEAT && parsed.record) {
        const int m = m_registry.MergeHeartbeat(*parsed.record);
        if (m == RES_NEWBOX || m == RES_FOUND || m == RES_UNCHANGED) {
            LogEvent(message, m, LogLevel::INFORcv);
            emit boxMerged(parsed.record->MacAdd, m);
            if (m == RES_NEWBOX)
                LogEvent(message, 0, LogLevel::DEBUG);
        } else {
            if (m == RES_TABLEFULL)
                LogEvent(QStringLiteral("Box table full: Mac=%1 refused").arg(parsed.record->MacAdd), m, LogLevel::ERR);
            LogEvent(message, 0, LogLevel::DEBUG);
        }
    } else if (parsed.code == CMD_FILENAMELIST && parsed.fileNames) {
        emit fileNamesReceived(*parsed.fileNames);
    }
}

QString Cmd_API::HistoryName(int type, const BoxCommandArgs &args)
{
    switch (type) {
    case CMD_SETTIME:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Time"));
    case CMD_LANGUAGE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Lanuage"));
    case CMD_REBOOT:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Reboot"));
    case CMD_MODE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Mode"));
    case CMD_BOXNETWORK:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Box Address"));
    case CMD_SERVERADDRESS:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Server Address"));
    case CMD_FILEUPDATE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set FileupData"));
    case CMD_IMAGEUPDATE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Set Imageupdate"));
    case CMD_GETFILENAME:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Get FileName"));
    case CMD_PLAYTEXT:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Play Emergency Text"));
    case CMD_PLAYMODE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Play On-off"));
    case CMD_GETFILE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Get File"));
    case CMD_FTPSTATUS:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Get Ftp Download Status"));
    case CMD_FILEUPLOAD:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Get Fie"));
    case CMD_DELETEFILE:
        return QString::fromLatin1(QT_TRANSLATE_NOOP("BoxWords", "Delete Fie"));
    case CMD_DOWNLOADSPEED:
        return QString::fromLatin1(kDownloadSpeedWord).arg(args.numbers.value(0));
    default:
        return QString::number(type);
    }
}

QStringList Cmd_API::HistoryWords()
{
    QStringList words;
    for (int type = 0; type <= CMD_DOWNLOADSPEED; ++type) {
        const QString name =
            type == CMD_DOWNLOADSPEED ? QString::fromLatin1(kDownloadSpeedWord) : HistoryName(type, {});
        if (name != QString::number(type) && !words.contains(name))
            words.append(name);
    }
    for (const cmd_Info &info : ReplyTable()) {
        if (!info.display.isEmpty() && !words.contains(info.display))
            words.append(info.display);
    }
    return words;
}

std::optional<QByteArray> Cmd_API::BuildCommandLine(int type, const BoxCommandArgs &args, const QDateTime &now)
{
    const auto number = [&args](int i) { return args.numbers.value(i); };
    bool encodable = true;
    const auto text = [&args, &encodable](int i, qsizetype maxBytes = kLineMax) {
        bool ok = false;
        const QByteArray bytes = CodePage::toGb2312(args.texts.value(i), &ok);
        encodable = encodable && ok;
        return CodePage::leftBytes(bytes, maxBytes);
    };
    // An address argument is a 20-byte text.
    const auto address = [&text](int i) { return text(i, 19); };
    QByteArray line;
    switch (type) {
    case CMD_SETTIME: {
        const QDate d = now.date();
        const QTime t = now.time();
        line = QString::asprintf("set box time %2d %2d %2d %d %2d %2d %2d", d.year() - 2000, d.month(), d.day(),
                                 d.dayOfWeek() % 7, t.hour(), t.minute(), t.second())
                   .toLatin1();
        break;
    }
    case CMD_LANGUAGE:
        line = QString::asprintf("set box language %d", quint8(number(0))).toLatin1();
        break;
    case CMD_REBOOT:
        line = "set box reboot";
        break;
    case CMD_MODE:
        line = QString::asprintf("set mode outmode %d laymode %d", quint8(number(0)), quint8(number(1))).toLatin1();
        break;
    case CMD_BOXNETWORK:
        line = "set network boxattr static " + address(0) + ' ' + address(1) + ' ' + address(2) + ' ' + address(3) +
               ' ' + address(4);
        break;
    case CMD_SERVERADDRESS:
        line = "set network svrattr " + address(0) + ' ' + QByteArray::number(number(0));
        break;
    case CMD_FILEUPDATE:
        line = text(0);
        break;
    case CMD_IMAGEUPDATE:
        line = "imageupdate http http://" + text(0);
        break;
    case CMD_GETFILENAME:
        line = "get box filename";
        break;
    case CMD_PLAYTEXT:
        line = "play text " + text(0);
        break;
    case CMD_PLAYMODE:
        line = QString::asprintf("play mode %d", number(0)).toLatin1();
        break;
    case CMD_GETFILE:
        line = CodePage::leftBytes("get file " + text(0), kLineMax - 1);
        break;
    case CMD_FTPSTATUS:
        line = "get ftp status";
        break;
    case CMD_FILEUPLOAD:
        line = "fileupload " + text(0);
        break;
    case CMD_DELETEFILE:
        line = "filesystem remove " + text(0);
        break;
    case CMD_DOWNLOADSPEED:
        line = QString::asprintf("set download speed %d", number(0)).toLatin1();
        break;
    default:
        return std::nullopt;
    }
    if (!encodable)
        return std::nullopt;
    line = CodePage::leftBytes(line, kLineMax);
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

void Cmd_API::SendBoxCommand(int type, const QString &mac, const BoxCommandArgs &args)
{
    const QString name = HistoryName(type, args);
    int slot = -1;
    if (m_registry.FindBox(mac, &slot) != RES_FOUND)
        return;
    if (m_history) {
        const MacGroupData &box = m_registry.Box(slot);
        m_history->AddSentCommand(mac, box.ClientName, box.IPAdd, name, 0);
    }
    emit commandSent(mac, type, name, args);
    SendCommand(type, mac, args);
}

int Cmd_API::SendCommand(int type, const QString &mac, const BoxCommandArgs &args)
{
    if (mac.isEmpty())
        return RES_BADINDEX;
    QString ip;
    int port = 0;
    if (MapFindByMac(mac, &ip, &port) != RES_FOUND) {
        LogEvent(QStringLiteral("Cann't find Mac=%1").arg(mac), RES_NOTFOUND, LogLevel::DEBUG);
        return RES_NOTFOUND;
    }
    int position = -1;
    const int found = FindConnection(ip, port, &position);
    if (found != RES_ONECONN)
        return found;
    const auto line = BuildCommandLine(type, args, now());
    if (!line)
        return RES_BADINDEX;
    return SendLine(position, *line);
}

int Cmd_API::SendLine(int position, const QByteArray &line)
{
    if (!m_server || position < 0 || position >= m_server->connections().size())
        return 1;
    if (line.isEmpty() || line.size() > kLineMax)
        return 1;
    QTcpSocket *socket = m_server->connections().at(position);
    LogEvent(line + " Send " + BoxServer::peerIp(socket).toLatin1(), 0, LogLevel::INFOSend);
    QByteArray block = line;
    block.resize(BoxServer::kMessageSize, '\0');
    // The socket keeps whatever the network does not take at once and sends
    // it as soon as it can: a command is never cut short.
    socket->write(block);
    return 0;
}

QString Cmd_API::TerminalSafe(const QString &line)
{
    QString result;
    result.reserve(line.size());
    for (const QChar c : line) {
        const char16_t u = c.unicode();
        // Box bytes must not drive the operator's terminal.
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            result += QString::asprintf("\\x%02x", unsigned(u));
        else
            result += c;
    }
    return result;
}

QString Cmd_API::LevelName(LogLevel level)
{
    switch (level) {
    case LogLevel::ERR:
        return QStringLiteral("ERR");
    case LogLevel::INFOSend:
        return QStringLiteral("INFOSend");
    case LogLevel::INFORcv:
        return QStringLiteral("INFORcv");
    case LogLevel::DEBUG:
        return QStringLiteral("DEBUG");
    }
    return QString();
}

QString Cmd_API::FormatLogLine(const QByteArray &text, int code, LogLevel level)
{
    QByteArray kept = text.left(254);
    // Zero bytes inside a read would end the line early; show them as spaces.
    while (kept.endsWith('\0'))
        kept.chop(1);
    kept.replace('\0', ' ');
    if (kept.isEmpty())
        return QString();
    return QString::asprintf("%2d   [!", code) + LevelName(level) + QStringLiteral("]   --") +
           CodePage::fromGb2312(kept);
}

void Cmd_API::LogEvent(const QByteArray &text, int code, LogLevel level)
{
    if (!m_memo || text.isEmpty())
        return;
    const QString line = FormatLogLine(text, code, level);
    if (line.isEmpty())
        return;
    // One time stamp a second: a burst of messages must not convert and
    // format the local time for each of them.
    const qint64 second = m_clock->secsSinceEpoch();
    if (second != m_stampSecond) {
        m_stampSecond = second;
        m_stamp = QLatin1Char('[') +
                  QDateTime::fromSecsSinceEpoch(second).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                  QStringLiteral("] ");
    }
    m_memo->appendLogLine(m_stamp + line);
}

void Cmd_API::LogEvent(const QString &text, int code, LogLevel level)
{
    LogEvent(CodePage::toGb2312(text), code, level);
}
