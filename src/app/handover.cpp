#include "handover.h"

#include <QProcess>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A report is one short line; anything longer is cut.
constexpr int kMaxReport = 4096;

} // namespace

RestartHandover::RestartHandover(QObject *parent) : QObject(parent)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // A copy that hangs (a message box nobody sees, a stuck start) is
        // ended, so that it cannot take the ports later.
        if (m_pid > 0)
            ::kill(pid_t(m_pid), SIGKILL);
        finish(false, tr("the new copy did not report within %1 s").arg((m_deadline.interval() + 999) / 1000));
    });
}

RestartHandover::~RestartHandover()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

QStringList RestartHandover::withoutReadyOption(const QStringList &arguments)
{
    const QString option = QString::fromLatin1(kReadyOption);
    QStringList result;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == option) {
            ++i; // and its number
            continue;
        }
        if (arguments[i].startsWith(option + QLatin1Char('=')))
            continue;
        result.append(arguments[i]);
    }
    return result;
}

bool RestartHandover::start(const QString &program, const QStringList &arguments, int waitMs)
{
    if (m_fd >= 0)
        return false;
    int fds[2] = {-1, -1};
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        emit failed(tr("no pipe to the new copy (%1)").arg(QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    // Only the writing end goes to the new copy.
    ::fcntl(fds[1], F_SETFD, 0);
    QStringList passed = withoutReadyOption(arguments);
    passed << QString::fromLatin1(kReadyOption) << QString::number(fds[1]);
    m_pid = 0;
    const bool started = QProcess::startDetached(program, passed, QString(), &m_pid);
    ::close(fds[1]);
    if (!started) {
        ::close(fds[0]);
        emit failed(tr("%1 could not be started").arg(program));
        return false;
    }
    m_fd = fds[0];
    m_text.clear();
    m_notifier = new QSocketNotifier(qintptr(m_fd), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &RestartHandover::readReport);
    m_deadline.start(waitMs);
    return true;
}

void RestartHandover::readReport()
{
    char buffer[512];
    const ssize_t got = ::read(m_fd, buffer, sizeof buffer);
    if (got < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (got > 0 && m_text.size() < kMaxReport)
        m_text.append(buffer, qMin<qsizetype>(got, kMaxReport - m_text.size()));
    const qsizetype end = m_text.indexOf('\n');
    if (end < 0 && got > 0)
        return;
    const QString line = QString::fromUtf8(end < 0 ? m_text : m_text.left(end)).trimmed();
    if (line == QLatin1String("ready"))
        return finish(true, QString());
    if (line.startsWith(QLatin1String("failed:")))
        return finish(false, line.mid(7).trimmed());
    if (!line.isEmpty())
        return finish(false, line);
    // The pipe closed without a word: the copy ended before its ports
    // listened (a crash, no display, a refused option).
    finish(false, tr("the new copy ended before its ports listened"));
}

void RestartHandover::finish(bool ready, const QString &reason)
{
    m_deadline.stop();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    if (ready)
        emit succeeded();
    else
        emit failed(reason);
}

void RestartHandover::report(int fd, const QString &line)
{
    if (fd < 0)
        return;
    const QByteArray bytes = line.toUtf8().left(kMaxReport - 1) + '\n';
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    ::close(fd);
}
