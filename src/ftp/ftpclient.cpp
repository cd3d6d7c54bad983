#include "ftpclient.h"

#include "config/settings.h"

#include <Poco/Net/NetException.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Timespan.h>

#include <QDeadlineTimer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QThread>

#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

// ---------------------------------------------------------------- paths

QString JoinFtpPath(const QString &current, const QString &folder)
{
    QString path;
    if (current.isEmpty())
        path = folder;
    else if (current.endsWith(QLatin1Char('/')) && folder.startsWith(QLatin1Char('/')))
        path = current + folder.mid(1);
    else if (current.endsWith(QLatin1Char('/')) || folder.startsWith(QLatin1Char('/')))
        path = current + folder;
    else
        path = current + QLatin1Char('/') + folder;
    path.truncate(255);
    return path;
}

QString MaskedFtpUrl(const QString &url)
{
    static const QString scheme = QStringLiteral("ftp://");
    if (!url.startsWith(scheme))
        return url;
    const qsizetype at = url.indexOf(QLatin1Char('@'), scheme.size());
    const qsizetype colon = url.indexOf(QLatin1Char(':'), scheme.size());
    if (at < 0 || colon < 0 || colon > at)
        return url;
    return url.left(colon + 1) + QStringLiteral("****") + url.mid(at);
}

QString FtpDownloadUrl(const host_info &account, const QByteArray &serverPath)
{
    return QStringLiteral("ftp://") + account.user + QLatin1Char(':') + account.password + QLatin1Char('@') +
           account.host + QLatin1Char(':') + QString::number(account.port) + EncodeUrlBytes(serverPath);
}

// ---------------------------------------------------------------- session

namespace {

using Poco::Net::SocketAddress;
using Poco::Net::StreamSocket;

Poco::Timespan millis(qint64 ms)
{
    return Poco::Timespan(Poco::Timespan::TimeDiff(qMax<qint64>(ms, 1)) * 1000);
}

constexpr int kMaxListingLines = 200000;
constexpr int kMaxLineBytes = 4096;
constexpr qint64 kMaxListingBytes = 64 * 1024 * 1024;
constexpr int kMaxReplyBytes = 64 * 1024;
constexpr int kAbortReplyMs = 3000;
constexpr int kQuitReplyMs = 3000;
// Every wait is cut in slices this long, so the operator's Break is seen at once.
constexpr int kSliceMs = 100;

// The operator pressed Break while the session waited.
struct Stopped
{
};

// The server did something no session survives: the text says what.
struct SessionLost
{
    QString why;
};

bool isCompletion(int status)
{
    return status >= 200 && status < 300;
}
bool isPreliminary(int status)
{
    return status >= 100 && status < 200;
}

// The folder in a PWD reply: between the first '"' and the next single
// one, a doubled '"' standing for one.
std::string pathOfReply(const std::string &reply)
{
    std::string path;
    auto at = reply.find('"');
    if (at == std::string::npos)
        return path;
    for (++at; at < reply.size(); ++at) {
        if (reply[at] == '"') {
            if (at + 1 < reply.size() && reply[at + 1] == '"')
                ++at;
            else
                break;
        }
        path += reply[at];
    }
    return path;
}

// The data port an EPSV ("(|||port|)") or PASV ("(h,h,h,h,p,p)") reply names;
// 0 when it names none.
int passivePort(const std::string &reply, bool extended)
{
    const auto open = reply.find('(');
    if (open == std::string::npos)
        return 0;
    const auto close = reply.find(')', open);
    const std::string inner = reply.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1);
    std::vector<long> numbers;
    std::string field;
    const char separator = extended ? (inner.empty() ? '|' : inner[0]) : ',';
    for (const char c : inner + separator) {
        if (c == separator) {
            if (!field.empty())
                numbers.push_back(std::strtol(field.c_str(), nullptr, 10));
            field.clear();
        } else if (c >= '0' && c <= '9' && field.size() < 6) {
            field += c;
        } else if (c != ' ') {
            return 0;
        }
    }
    long port = 0;
    if (extended && numbers.size() == 1)
        port = numbers[0];
    else if (!extended && numbers.size() == 6 && numbers[4] < 256 && numbers[5] < 256)
        port = numbers[4] * 256 + numbers[5];
    return port > 0 && port < 65536 ? int(port) : 0;
}

} // namespace

// Runs on the session thread; the only code that reads or writes the
// sockets. Every wait polls in short slices against a deadline for the whole
// reply or listing, and against the operator's Break; every close and
// shutdown of the sockets happens under m_socketsLock, which the destructor
// also takes to shut them down from the window thread.
class FtpWorker : public QObject
{
    Q_OBJECT

public:
    FtpTimeouts timeouts;
    std::atomic<bool> aborting{false};
    std::atomic<int> generation{0};

    ~FtpWorker() override
    {
        blockSignals(true);
        dropSession(false);
    }

    // Called from the thread that owns the client.
    void shutdownSockets()
    {
        std::lock_guard lock(m_socketsLock);
        try {
            if (m_haveData)
                m_data.shutdown();
            if (m_haveControl)
                m_control.shutdown();
        } catch (const Poco::Exception &) {
            // Already gone.
        }
    }

    void connectTo(host_info account)
    {
        trap([&] {
            if (m_open)
                dropSession(true);
            const auto port = Poco::UInt16(qBound(0, account.port, 65535));
            emit status(FtpStatus::Resolving, {});
            const SocketAddress address(account.host.toStdString(), port);
            emit status(FtpStatus::Connecting, {});
            setWaiting(QStringLiteral("No connection to %1:%2 within %3 s")
                           .arg(account.host)
                           .arg(port)
                           .arg(seconds(timeouts.connectMs)));
            StreamSocket control;
            connectSocket(control, address, timeouts.connectMs);
            control.setNoDelay(true);
            control.setSendTimeout(millis(timeouts.replyMs));
            {
                std::lock_guard lock(m_socketsLock);
                m_control = control;
                m_haveControl = true;
            }
            m_inbox.clear();
            m_open = true;
            setWaiting(QStringLiteral("No greeting from %1:%2 within %3 s")
                           .arg(account.host)
                           .arg(port)
                           .arg(seconds(timeouts.greetingMs)));
            std::string greeting;
            const int greetingStatus = readReply(greeting, timeouts.greetingMs);
            if (!isCompletion(greetingStatus)) {
                dropSession(true);
                throw Poco::Net::FTPException("Cannot establish connection to server", greeting, greetingStatus);
            }
            try {
                login(account.user.toStdString(), account.password.toStdString());
            } catch (const Poco::Net::FTPException &) {
                // A refused login leaves no half-open session behind.
                dropSession(true);
                throw;
            }
            emit status(FtpStatus::Connected, {});
            if (account.dir.isEmpty()) {
                list();
                return;
            }
            const QString current = DecodeFtpText(QByteArray::fromStdString(workingDirectory()));
            // The folder is opened in a nested step: its failure is its own
            // report and the session stays logged in.
            changeDir(JoinFtpPath(current, account.dir));
        });
    }

    void disconnect()
    {
        trap([&] { dropSession(true); });
    }

    void changeDir(const QString &path)
    {
        trap([&] {
            requireSession();
            std::string reply;
            const int status = command("CWD " + serverBytes(path).toStdString(), reply);
            if (!isCompletion(status))
                throw Poco::Net::FTPException("Cannot change directory", reply, status);
            list();
        });
    }

    void changeDirUp(bool thenList)
    {
        bool ok = false;
        QString error;
        trap(
            [&] {
                requireSession();
                std::string reply;
                const int status = command("CDUP", reply);
                if (!isCompletion(status))
                    throw Poco::Net::FTPException("Cannot change directory", reply, status);
                ok = true;
            },
            &error);
        if (!thenList) {
            emit changedUp(ok, error);
            return;
        }
        if (ok)
            list();
    }

    void list()
    {
        trap([&] {
            if (!m_open)
                return;
            const QByteArray directory = QByteArray::fromStdString(workingDirectory());
            QList<QByteArray> raw;
            if (!fetchListing(raw))
                return; // stopped by the operator
            QByteArray all = directory;
            for (const QByteArray &line : std::as_const(raw))
                all += line;
            bool utf8 = true;
            DecodeFtpText(all, &utf8);
            m_utf8 = utf8;
            QStringList lines;
            lines.reserve(raw.size());
            for (const QByteArray &line : std::as_const(raw)) {
                // A Break while a long listing is decoded is seen too.
                if ((lines.size() & 4095) == 0 && aborting)
                    return;
                lines.append(decode(line));
            }
            emit listing(lines, decode(directory), m_utf8);
        });
    }

signals:
    void status(FtpStatus kind, const QString &text);
    void message(const QString &text);
    void listing(const QStringList &lines, const QString &directory, bool utf8);
    void changedUp(bool ok, const QString &error);
    void jobFinished();

private:
    static int seconds(int ms) { return (ms + 999) / 1000; }
    QString noAnswer(const QByteArray &command) const
    {
        // The command's verb only: arguments may be the server's own bytes.
        const QByteArray verb = command.left(command.indexOf(' '));
        return QStringLiteral("No answer to %1 within %2 s")
            .arg(QString::fromLatin1(verb.isEmpty() ? command : verb))
            .arg(seconds(timeouts.replyMs));
    }

    void setWaiting(const QString &what) { m_waiting = what; }

    QString decode(const QByteArray &bytes) const { return DecodeFtpTextAs(bytes, m_utf8); }
    QByteArray serverBytes(const QString &text) const { return EncodeFtpText(text, m_utf8); }

    // Waits until the socket can be read (or written, when asked), the
    // deadline passes or the operator stops the session.
    void waitFor(StreamSocket &socket, const QDeadlineTimer &deadline, int mode)
    {
        while (true) {
            if (aborting)
                throw Stopped{};
            if (deadline.hasExpired())
                throw Poco::TimeoutException();
            const qint64 slice = qMin<qint64>(kSliceMs, deadline.remainingTime());
            if (socket.poll(millis(slice), mode | Poco::Net::Socket::SELECT_ERROR))
                return;
        }
    }

    void connectSocket(StreamSocket &socket, const SocketAddress &address, int limitMs)
    {
        const QDeadlineTimer deadline(limitMs);
        socket.connectNB(address);
        waitFor(socket, deadline, Poco::Net::Socket::SELECT_WRITE);
        if (const int error = socket.impl()->socketError())
            throw Poco::Net::ConnectionRefusedException(std::strerror(error));
        socket.setBlocking(true);
    }

    // One reply, single- or multi-line, within limitMs for the whole of it
    // and at most kMaxReplyBytes long; its status, or 0 when the first line
    // carries none.
    int readReply(std::string &text, int limitMs)
    {
        const QDeadlineTimer deadline(limitMs);
        text.clear();
        QByteArray code;
        bool first = true;
        while (true) {
            qsizetype end;
            while ((end = m_inbox.indexOf('\n')) < 0) {
                if (qsizetype(text.size()) + m_inbox.size() > kMaxReplyBytes)
                    throw SessionLost{
                        QStringLiteral("The server's reply is longer than %1 KiB; the connection was closed")
                            .arg(kMaxReplyBytes / 1024)};
                waitFor(m_control, deadline, Poco::Net::Socket::SELECT_READ);
                char buffer[4096];
                const int n = m_control.receiveBytes(buffer, int(sizeof buffer));
                if (n <= 0)
                    throw SessionLost{QStringLiteral("The server closed the connection")};
                m_inbox.append(buffer, n);
            }
            QByteArray line = m_inbox.left(end);
            m_inbox.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (!text.empty())
                text += '\n';
            text += line.toStdString();
            const bool numbered = line.size() >= 3 && std::isdigit(uchar(line[0])) && std::isdigit(uchar(line[1])) &&
                                  std::isdigit(uchar(line[2]));
            if (first) {
                first = false;
                if (!numbered)
                    return 0;
                code = line.left(3);
                if (line.size() < 4 || line[3] != '-')
                    return code.toInt();
            } else if (line.startsWith(code) && (line.size() == 3 || line[3] == ' ')) {
                return code.toInt();
            }
        }
    }

    void sendLine(const std::string &line)
    {
        const std::string bytes = line + "\r\n";
        m_control.sendBytes(bytes.data(), int(bytes.size()));
    }

    int command(const std::string &line, std::string &reply, int limitMs = -1)
    {
        setWaiting(noAnswer(QByteArray::fromStdString(line)));
        sendLine(line);
        return readReply(reply, limitMs < 0 ? timeouts.replyMs : limitMs);
    }

    void login(const std::string &user, const std::string &password)
    {
        std::string reply;
        int status = command("USER " + user, reply);
        if (status / 100 == 3)
            status = command("PASS " + password, reply);
        if (!isCompletion(status))
            throw Poco::Net::FTPException("Login denied", reply, status);
        // Listings are text.
        status = command("TYPE A", reply);
        if (!isCompletion(status))
            throw Poco::Net::FTPException("Cannot set file type", reply, status);
    }

    std::string workingDirectory()
    {
        std::string reply;
        const int status = command("PWD", reply);
        if (!isCompletion(status))
            throw Poco::Net::FTPException("Cannot get current working directory", reply, status);
        return pathOfReply(reply);
    }

    // The data connection goes to the host the control connection reached:
    // a server naming another host in its PASV reply does not get this
    // program to connect there for it.
    SocketAddress passiveAddress()
    {
        std::string reply;
        int port = 0;
        if (command("EPSV", reply) == 229)
            port = passivePort(reply, true);
        if (!port) {
            const int status = command("PASV", reply);
            if (status != 227)
                throw Poco::Net::FTPException("Cannot open passive data connection", reply, status);
            port = passivePort(reply, false);
        }
        if (!port)
            throw Poco::Net::FTPException("Cannot open passive data connection", reply, 0);
        return SocketAddress(m_control.peerAddress().host(), Poco::UInt16(port));
    }

    void requireSession()
    {
        if (!m_open)
            throw Poco::Net::FTPException("Not connected");
    }

    // One operation inside the one error trap: a library error is "Err:" and
    // its text, anything else "UNKNOW ERR!". Network failures and timeouts
    // end the session; an FTP refusal keeps it.
    template <typename F> void trap(F operation, QString *errorText = nullptr)
    {
        QString report;
        try {
            operation();
        } catch (const Stopped &) {
            report = QStringLiteral("Err:Stopped by the operator; the connection was closed");
            dropSession(false);
        } catch (const SessionLost &lost) {
            report = QStringLiteral("Err:") + lost.why;
            dropSession(false);
        } catch (const Poco::Net::FTPException &e) {
            report = QStringLiteral("Err:") + DecodeFtpText(QByteArray::fromStdString(e.message()));
        } catch (const Poco::TimeoutException &) {
            report = QStringLiteral("Err:") + m_waiting;
            dropSession(false);
        } catch (const Poco::Exception &e) {
            report = QStringLiteral("Err:") + DecodeFtpText(QByteArray::fromStdString(e.displayText()));
            dropSession(false);
        } catch (...) {
            report = QStringLiteral("UNKNOW ERR!");
            dropSession(false);
        }
        if (errorText)
            *errorText = report;
        if (!report.isEmpty())
            emit message(report);
    }

    void closeData()
    {
        std::lock_guard lock(m_socketsLock);
        try {
            if (m_haveData) {
                m_data.shutdown();
                m_data.close();
            }
        } catch (const Poco::Exception &) {
        }
        m_haveData = false;
        m_data = StreamSocket();
    }

    // LIST over a passive data connection within the listing's deadline and
    // byte cap, read in slices so that the operator's Break is seen within a
    // tenth of a second. False when the operator stopped it.
    bool fetchListing(QList<QByteArray> &lines)
    {
        const SocketAddress address = passiveAddress();
        setWaiting(QStringLiteral("No data connection within %1 s").arg(seconds(timeouts.connectMs)));
        {
            StreamSocket data;
            {
                std::lock_guard lock(m_socketsLock);
                m_data = data;
                m_haveData = true;
            }
            connectSocket(data, address, timeouts.connectMs);
        }
        struct Forget
        {
            FtpWorker &worker;
            ~Forget() { worker.closeData(); }
        } forget{*this};

        std::string reply;
        const int status = command("LIST", reply);
        if (!isPreliminary(status) && !isCompletion(status))
            throw Poco::Net::FTPException("Cannot list folder", reply, status);

        QByteArray pending;
        char buffer[16384];
        const QDeadlineTimer deadline(timeouts.listingMs);
        qint64 received = 0;
        QString cut;
        while (true) {
            if (aborting) {
                abortListing();
                return false;
            }
            if (deadline.hasExpired()) {
                setWaiting(QStringLiteral("The listing did not finish within %1 s").arg(seconds(timeouts.listingMs)));
                throw Poco::TimeoutException();
            }
            if (!m_data.poll(millis(qMin<qint64>(kSliceMs, deadline.remainingTime())),
                             Poco::Net::Socket::SELECT_READ | Poco::Net::Socket::SELECT_ERROR))
                continue;
            const int n = m_data.receiveBytes(buffer, int(sizeof buffer));
            if (n <= 0)
                break;
            received += n;
            pending.append(buffer, n);
            qsizetype start = 0;
            qsizetype end;
            while ((end = pending.indexOf('\n', start)) >= 0) {
                QByteArray line = pending.mid(start, end - start);
                if (line.endsWith('\r'))
                    line.chop(1);
                lines.append(line.left(kMaxLineBytes));
                start = end + 1;
            }
            pending.remove(0, start);
            if (pending.size() > kMaxLineBytes) {
                lines.append(pending.left(kMaxLineBytes));
                pending.clear();
            }
            if (lines.size() > kMaxListingLines) {
                cut = QStringLiteral("Err:The folder holds more than %1 entries; only the first %1 are shown")
                          .arg(kMaxListingLines);
            } else if (received > kMaxListingBytes) {
                cut = QStringLiteral("Err:The listing is larger than %1 MiB; only its first part is shown")
                          .arg(kMaxListingBytes >> 20);
            }
            if (!cut.isEmpty()) {
                abortListing();
                break;
            }
        }
        if (cut.isEmpty() && !pending.isEmpty())
            lines.append(pending);
        if (lines.size() > kMaxListingLines) {
            lines.resize(kMaxListingLines);
            if (cut.isEmpty())
                cut = QStringLiteral("Err:The folder holds more than %1 entries; only the first %1 are shown")
                          .arg(kMaxListingLines);
        }
        if (!cut.isEmpty()) {
            emit message(cut);
            return true;
        }
        closeData();
        if (isPreliminary(status)) {
            setWaiting(noAnswer("LIST"));
            std::string done;
            const int final = readReply(done, timeouts.replyMs);
            if (!isCompletion(final))
                throw Poco::Net::FTPException("Listing failed", done, final);
        }
        return true;
    }

    // The data connection goes first, then ABOR, and a NOOP marks where the
    // replies to both end.
    void abortListing()
    {
        closeData();
        aborting = false;
        try {
            sendLine("ABOR");
            sendLine("NOOP");
            std::string reply;
            int status = 0;
            const QDeadlineTimer deadline(kAbortReplyMs);
            for (int replies = 0; replies < 8 && status != 200 && !deadline.hasExpired(); ++replies)
                status = readReply(reply, int(qMax<qint64>(1, deadline.remainingTime())));
            if (status == 200)
                return;
        } catch (...) {
        }
        // The server did not answer as it should: start afresh.
        dropSession(false);
    }

    void dropSession(bool polite)
    {
        if (!m_open)
            return;
        emit status(FtpStatus::Disconnecting, {});
        if (polite) {
            // QUIT is a courtesy: a few seconds at most, and Break cuts it.
            try {
                std::string reply;
                command("QUIT", reply, kQuitReplyMs);
            } catch (...) {
            }
        }
        closeData();
        {
            std::lock_guard lock(m_socketsLock);
            try {
                if (m_haveControl)
                    m_control.close();
            } catch (const Poco::Exception &) {
            }
            m_control = StreamSocket();
            m_haveControl = false;
        }
        m_inbox.clear();
        m_open = false;
        emit status(FtpStatus::Disconnected, {});
    }

    std::mutex m_socketsLock;
    StreamSocket m_control;
    StreamSocket m_data;
    bool m_haveControl = false;
    bool m_haveData = false;
    bool m_open = false;
    QByteArray m_inbox; // control bytes received and not yet read as replies
    QString m_waiting;
    bool m_utf8 = true;
};

// ---------------------------------------------------------------- client

FtpClient::FtpClient(QObject *parent) : QObject(parent)
{
    // A server that closes the data connection early must not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    qRegisterMetaType<FtpStatus>("FtpStatus");
    m_thread = new QThread;
    m_thread->setObjectName(QStringLiteral("ftp session"));
    m_worker = new FtpWorker;
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(m_worker, &FtpWorker::status, this, [this](FtpStatus kind, const QString &text) {
        if (kind == FtpStatus::Connected)
            m_connected = true;
        else if (kind == FtpStatus::Disconnected)
            m_connected = false;
        emit status(kind, text);
    });
    connect(m_worker, &FtpWorker::message, this, &FtpClient::message);
    connect(m_worker, &FtpWorker::listing, this, [this](const QStringList &lines, const QString &directory, bool utf8) {
        m_utf8 = utf8;
        emit listing(lines, directory);
    });
    connect(m_worker, &FtpWorker::changedUp, this, &FtpClient::changedUp);
    connect(m_worker, &FtpWorker::jobFinished, this, &FtpClient::jobDone);
    m_thread->start();
}

FtpClient::~FtpClient()
{
    // Free a thread stuck in a read, then wait a bounded time for it.
    m_worker->aborting = true;
    ++m_worker->generation;
    m_worker->shutdownSockets();
    m_thread->quit();
    if (m_thread->wait(3000)) {
        delete m_thread;
        return;
    }
    // Stuck where no socket reaches (a host look-up): leave it to the end of
    // the process rather than hang the window.
    qWarning("The FTP session did not stop within 3 s; it is left to end with the program");
    disconnect(m_worker, nullptr, this, nullptr);
}

void FtpClient::setTimeouts(const FtpTimeouts &timeouts)
{
    post([timeouts](FtpWorker &worker) { worker.timeouts = timeouts; });
}

void FtpClient::post(std::function<void(FtpWorker &)> job)
{
    if (++m_pending == 1)
        emit busyChanged(true);
    const int generation = m_worker->generation;
    QMetaObject::invokeMethod(m_worker, [job = std::move(job), generation, worker = m_worker] {
        if (generation == worker->generation) {
            worker->aborting = false;
            job(*worker);
        }
        emit worker->jobFinished();
    });
}

void FtpClient::jobDone()
{
    if (m_pending > 0 && --m_pending == 0)
        emit busyChanged(false);
}

void FtpClient::connectTo(const host_info &account)
{
    post([account](FtpWorker &worker) { worker.connectTo(account); });
}

void FtpClient::disconnectFromHost()
{
    post([](FtpWorker &worker) { worker.disconnect(); });
}

void FtpClient::changeDir(const QString &path)
{
    post([path](FtpWorker &worker) { worker.changeDir(path); });
}

void FtpClient::changeDirUp(bool thenList)
{
    post([thenList](FtpWorker &worker) { worker.changeDirUp(thenList); });
}

void FtpClient::list()
{
    post([](FtpWorker &worker) { worker.list(); });
}

void FtpClient::quit()
{
    post([](FtpWorker &worker) { worker.disconnect(); });
}

void FtpClient::abort()
{
    if (m_pending == 0)
        return;
    // Jobs still queued are dropped; the running one sees the flag within
    // one slice of its wait.
    ++m_worker->generation;
    m_worker->aborting = true;
}

QByteArray FtpClient::serverBytes(const QString &text) const
{
    return EncodeFtpText(text, m_utf8);
}

// ---------------------------------------------------------------- wrapper

qo_indyftp::~qo_indyftp()
{
    QObject::disconnect(m_messageLink);
    QObject::disconnect(m_listingLink);
}

void qo_indyftp::Init(FtpClient *client, MessageCallback message)
{
    QObject::disconnect(m_messageLink);
    m_client = client;
    m_message = std::move(message);
    if (m_client)
        m_messageLink =
            QObject::connect(m_client, &FtpClient::message, m_client, [this](const QString &text) { report(text); });
    SetListingCallback(m_listing);
}

void qo_indyftp::SetListingCallback(ListingCallback listing)
{
    QObject::disconnect(m_listingLink);
    m_listing = std::move(listing);
    if (m_client)
        m_listingLink = QObject::connect(m_client, &FtpClient::listing, m_client,
                                         [this](const QStringList &lines, const QString &directory) {
                                             if (m_listing)
                                                 m_listing(lines, directory);
                                         });
}

void qo_indyftp::report(const QString &text) const
{
    if (!text.isEmpty() && m_message)
        m_message(text);
}

void qo_indyftp::Execute(quint8 code, host_info &account)
{
    if (code != FTP_CONNECT) {
        Execute(code, QString());
        return;
    }
    if (!m_client) {
        report(QStringLiteral("IdFtp isn't init!"));
        return;
    }
    if (account.port < 0)
        account.port = 21;
    if (account.user.isEmpty()) {
        account.user = QStringLiteral("anonymous");
        account.password = QString::fromLatin1(kAnonymousPassword);
    }
    m_client->connectTo(account);
}

void qo_indyftp::Execute(quint8 code, const QString &path)
{
    if (!m_client) {
        report(QStringLiteral("IdFtp isn't init!"));
        return;
    }
    switch (code) {
    case FTP_DISCONNECT:
        m_client->disconnectFromHost();
        break;
    case FTP_CHDIR:
        if (path.isEmpty())
            m_client->changeDirUp(false);
        else
            m_client->changeDir(path);
        break;
    case FTP_CDUP:
        m_client->changeDirUp(true);
        break;
    case FTP_LIST:
        m_client->list();
        break;
    case FTP_ABORT:
        m_client->abort();
        break;
    case FTP_QUIT:
        m_client->quit();
        break;
    default:
        // FTP_CONNECT needs an account; other codes do nothing.
        break;
    }
}

#include "ftpclient.moc"
