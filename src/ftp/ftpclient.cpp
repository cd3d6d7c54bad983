#include "ftpclient.h"

#include "config/settings.h"

#include <Poco/Net/DialogSocket.h>
#include <Poco/Net/FTPClientSession.h>
#include <Poco/Net/NetException.h>
#include <Poco/Net/SocketAddress.h>
#include <Poco/Net/StreamSocket.h>
#include <Poco/Timespan.h>

#include <QElapsedTimer>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QThread>

#include <atomic>
#include <csignal>
#include <mutex>
#include <type_traits>

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

QString FtpDownloadUrl(const host_info &account, const QByteArray &serverPath)
{
    return QStringLiteral("ftp://") + account.user + QLatin1Char(':') + account.password + QLatin1Char('@') +
           account.host + QLatin1Char(':') + QString::number(account.port) + EncodeUrlBytes(serverPath);
}

// ---------------------------------------------------------------- session

namespace {

using Poco::Net::FTPClientSession;
using Poco::Net::SocketAddress;
using Poco::Net::StreamSocket;

Poco::Timespan millis(int ms)
{
    return Poco::Timespan(Poco::Timespan::TimeDiff(ms) * 1000);
}

// The library's session with the few steps it does not offer done by hand:
// the greeting read with a limit of our own, the raw control socket for ABOR,
// and the listing's data connection opened with a connect limit.
class Session : public FTPClientSession
{
public:
    explicit Session(const StreamSocket &control) : FTPClientSession(control, false) {}

    int readReply(std::string &text) { return _pControlSocket->receiveStatusMessage(text); }
    void sendLine(const std::string &line) { _pControlSocket->sendMessage(line); }
    SocketAddress passiveAddress() { return sendPassiveCommand(); }

    static bool completion(int status) { return isPositiveCompletion(status); }
    static bool preliminary(int status) { return isPositivePreliminary(status); }
};

constexpr int kMaxListingLines = 200000;
constexpr int kMaxLineBytes = 4096;
constexpr int kAbortReplyMs = 3000;

} // namespace

// Runs on the session thread; the only code that touches the sockets, apart
// from the shutdowns under m_socketsLock that abort() and the destructor use
// to free a thread stuck in a read.
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
    void shutdownSockets(bool controlToo)
    {
        std::lock_guard lock(m_socketsLock);
        try {
            if (m_haveData)
                m_data.shutdown();
            if (controlToo && m_haveControl)
                m_control.shutdown();
        } catch (const Poco::Exception &) {
            // Already gone.
        }
    }
    bool waitingForReply() const { return m_inReply.load(); }

    void connectTo(host_info account)
    {
        trap([&] {
            if (m_session)
                dropSession(true);
            const auto port = Poco::UInt16(qBound(0, account.port, 65535));
            emit status(FtpStatus::Resolving, {});
            setWaiting(QStringLiteral("Could not resolve %1").arg(account.host));
            const SocketAddress address(account.host.toStdString(), port);
            emit status(FtpStatus::Connecting, {});
            StreamSocket control;
            setWaiting(QStringLiteral("No connection to %1:%2 within %3 s")
                           .arg(account.host)
                           .arg(port)
                           .arg(seconds(timeouts.connectMs)));
            control.connect(address, millis(timeouts.connectMs));
            control.setNoDelay(true);
            {
                std::lock_guard lock(m_socketsLock);
                m_control = control;
                m_haveControl = true;
            }
            m_session = std::make_unique<Session>(control);
            m_session->setTimeout(millis(timeouts.greetingMs));
            setWaiting(QStringLiteral("No greeting from %1:%2 within %3 s")
                           .arg(account.host)
                           .arg(port)
                           .arg(seconds(timeouts.greetingMs)));
            std::string greeting;
            const int greetingStatus = replyTo([&] { return m_session->readReply(greeting); });
            if (!Session::completion(greetingStatus)) {
                dropSession(true);
                throw Poco::Net::FTPException("Cannot establish connection to server", greeting, greetingStatus);
            }
            m_session->setTimeout(millis(timeouts.replyMs));
            setWaiting(QStringLiteral("No answer to the login within %1 s").arg(seconds(timeouts.replyMs)));
            try {
                replyTo([&] {
                    m_session->login(account.user.toStdString(), account.password.toStdString());
                    // Listings are text.
                    m_session->setFileType(FTPClientSession::TYPE_TEXT);
                    return 0;
                });
            } catch (...) {
                // A refused login leaves no half-open session behind.
                dropSession(true);
                throw;
            }
            emit status(FtpStatus::Connected, {});
            if (account.dir.isEmpty()) {
                list();
                return;
            }
            setWaiting(noAnswer(QStringLiteral("PWD")));
            const QString current =
                DecodeFtpText(QByteArray::fromStdString(replyTo([&] { return m_session->getWorkingDirectory(); })));
            // The folder is opened in a nested step: its failure is its own
            // report and the session stays logged in.
            changeDir(JoinFtpPath(current, account.dir));
        });
    }

    void disconnect(bool sendQuit)
    {
        trap([&] {
            if (!m_session)
                return;
            if (sendQuit) {
                setWaiting(noAnswer(QStringLiteral("QUIT")));
                std::string reply;
                replyTo([&] { return m_session->sendCommand("QUIT", reply); });
            }
            dropSession(true);
        });
    }

    void changeDir(const QString &path)
    {
        trap([&] {
            requireSession();
            setWaiting(noAnswer(QStringLiteral("CWD")));
            const std::string bytes = serverBytes(path).toStdString();
            replyTo([&] {
                m_session->setWorkingDirectory(bytes);
                return 0;
            });
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
                setWaiting(noAnswer(QStringLiteral("CDUP")));
                replyTo([&] {
                    m_session->cdup();
                    return 0;
                });
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
            if (!m_session)
                return;
            setWaiting(noAnswer(QStringLiteral("PWD")));
            const QByteArray directory =
                QByteArray::fromStdString(replyTo([&] { return m_session->getWorkingDirectory(); }));
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
            for (const QByteArray &line : std::as_const(raw))
                lines.append(decode(line));
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
    QString noAnswer(const QString &command) const
    {
        return QStringLiteral("No answer to %1 within %2 s").arg(command).arg(seconds(timeouts.replyMs));
    }

    void setWaiting(const QString &what) { m_waiting = what; }

    QString decode(const QByteArray &bytes) const { return DecodeFtpTextAs(bytes, m_utf8); }
    QByteArray serverBytes(const QString &text) const { return EncodeFtpText(text, m_utf8); }

    // A step that waits for the server's reply; abort() may shut the control
    // socket down while it waits.
    template <typename F> std::invoke_result_t<F> replyTo(F step)
    {
        m_inReply = true;
        struct Reset
        {
            std::atomic<bool> &flag;
            ~Reset() { flag = false; }
        } reset{m_inReply};
        if (aborting)
            throw Poco::Net::NetException("stopped");
        return step();
    }

    void requireSession()
    {
        if (!m_session)
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
        } catch (const Poco::Net::FTPException &e) {
            report = QStringLiteral("Err:") + DecodeFtpText(QByteArray::fromStdString(e.message()));
        } catch (const Poco::TimeoutException &) {
            report = QStringLiteral("Err:") + m_waiting;
            dropSession(false);
        } catch (const Poco::Exception &e) {
            if (aborting)
                report = QStringLiteral("Err:Stopped by the operator; the connection was closed");
            else
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

    // LIST over a passive data connection, read in slices so that the
    // operator's Break is seen within a tenth of a second. False when the
    // operator stopped it.
    bool fetchListing(QList<QByteArray> &lines)
    {
        setWaiting(noAnswer(QStringLiteral("PASV")));
        const SocketAddress address = replyTo([&] { return m_session->passiveAddress(); });
        StreamSocket data;
        setWaiting(QStringLiteral("No data connection within %1 s").arg(seconds(timeouts.connectMs)));
        data.connect(address, millis(timeouts.connectMs));
        {
            std::lock_guard lock(m_socketsLock);
            m_data = data;
            m_haveData = true;
        }
        struct Forget
        {
            FtpWorker &worker;
            ~Forget()
            {
                std::lock_guard lock(worker.m_socketsLock);
                worker.m_haveData = false;
                worker.m_data = StreamSocket();
            }
        } forget{*this};

        setWaiting(noAnswer(QStringLiteral("LIST")));
        std::string reply;
        const int status = replyTo([&] { return m_session->sendCommand("LIST", reply); });
        if (!Session::preliminary(status) && !Session::completion(status))
            throw Poco::Net::FTPException("Cannot list folder", reply, status);

        QByteArray pending;
        char buffer[16384];
        QElapsedTimer idle;
        idle.start();
        bool tooLong = false;
        while (true) {
            if (aborting) {
                abortListing(data);
                return false;
            }
            if (!data.poll(millis(100), Poco::Net::Socket::SELECT_READ | Poco::Net::Socket::SELECT_ERROR)) {
                if (idle.elapsed() > timeouts.dataIdleMs) {
                    setWaiting(
                        QStringLiteral("The listing stalled: no data for %1 s").arg(seconds(timeouts.dataIdleMs)));
                    throw Poco::TimeoutException();
                }
                continue;
            }
            const int n = data.receiveBytes(buffer, int(sizeof buffer));
            if (n <= 0)
                break;
            idle.restart();
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
            if (lines.size() >= kMaxListingLines) {
                tooLong = true;
                abortListing(data);
                break;
            }
        }
        if (!pending.isEmpty() && !tooLong)
            lines.append(pending);
        if (tooLong) {
            emit message(QStringLiteral("Err:The folder holds more than %1 entries; only the first %1 are shown")
                             .arg(kMaxListingLines));
            return true;
        }
        data.close();
        if (Session::preliminary(status)) {
            setWaiting(noAnswer(QStringLiteral("LIST")));
            std::string done;
            const int final = replyTo([&] { return m_session->readReply(done); });
            if (!Session::completion(final))
                throw Poco::Net::FTPException("Listing failed", done, final);
        }
        return true;
    }

    // The library's own abort waits for the transfer it is stopping; instead
    // the data connection goes first, then ABOR, and a NOOP marks where the
    // replies to both end.
    void abortListing(StreamSocket &data)
    {
        try {
            data.shutdown();
        } catch (const Poco::Exception &) {
        }
        data.close();
        aborting = false;
        try {
            m_session->setTimeout(millis(kAbortReplyMs));
            m_session->sendLine("ABOR");
            m_session->sendLine("NOOP");
            std::string reply;
            int status = 0;
            for (int replies = 0; replies < 8 && status != 200; ++replies)
                status = m_session->readReply(reply);
            m_session->setTimeout(millis(timeouts.replyMs));
            if (status == 200)
                return;
        } catch (const Poco::Exception &) {
        }
        // The server did not answer as it should: start afresh.
        dropSession(false);
    }

    void dropSession(bool polite)
    {
        if (!m_session)
            return;
        emit status(FtpStatus::Disconnecting, {});
        try {
            if (polite)
                m_session->close();
        } catch (const Poco::Exception &) {
        }
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
        try {
            m_session.reset();
        } catch (...) {
        }
        emit status(FtpStatus::Disconnected, {});
    }

    std::unique_ptr<Session> m_session;
    std::mutex m_socketsLock;
    StreamSocket m_control;
    StreamSocket m_data;
    bool m_haveControl = false;
    bool m_haveData = false;
    std::atomic<bool> m_inReply{false};
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
    m_worker->shutdownSockets(true);
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
    post([](FtpWorker &worker) { worker.disconnect(false); });
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
    post([](FtpWorker &worker) { worker.disconnect(true); });
}

void FtpClient::abort()
{
    if (m_pending == 0)
        return;
    // Jobs still queued are dropped; the running one sees the flag.
    ++m_worker->generation;
    m_worker->aborting = true;
    if (m_worker->waitingForReply())
        m_worker->shutdownSockets(true);
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
