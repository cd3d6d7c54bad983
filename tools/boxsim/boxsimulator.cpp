#include "boxsimulator.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// Boxes speak GB2312 on the wire.
QByteArray gb2312(const QString &text)
{
    QStringEncoder encoder("GB2312");
    return encoder.encode(text);
}

} // namespace

namespace {

constexpr int kBlockSize = 256;

QByteArray clockText(const QDateTime &t)
{
    return t.toString(QStringLiteral("dd-MM-yyyy-HH:mm:ss")).toLatin1();
}

} // namespace

SimulatedBox::SimulatedBox(const BoxProfile &profile, const SimulatorOptions &options, QObject *parent)
    : QObject(parent), m_profile(profile), m_options(options), m_socket(new QTcpSocket(this)),
      m_heartbeat(new QTimer(this)), m_reconnect(new QTimer(this))
{
    seedDisk();
    m_reconnect->setSingleShot(true);
    connect(m_reconnect, &QTimer::timeout, this, &SimulatedBox::connectToServer);
    connect(m_heartbeat, &QTimer::timeout, this, &SimulatedBox::sendHeartbeat);
    connect(m_socket, &QTcpSocket::connected, this, [this] {
        emit connected();
        if (m_options.silent)
            return;
        sendHeartbeat();
        if (m_options.heartbeatMs > 0)
            m_heartbeat->start(m_options.heartbeatMs);
    });
    connect(m_socket, &QTcpSocket::readyRead, this, &SimulatedBox::readCommands);
    connect(m_socket, &QTcpSocket::disconnected, this, [this] {
        m_heartbeat->stop();
        m_incoming.clear();
        emit disconnected();
        if (m_running && !m_reconnect->isActive())
            m_reconnect->start(m_options.reconnectMs);
    });
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError) {
        if (m_running && m_socket->state() == QAbstractSocket::UnconnectedState && !m_reconnect->isActive())
            m_reconnect->start(m_options.reconnectMs);
    });
}

SimulatedBox::~SimulatedBox()
{
    m_running = false;
    if (m_ftpThread) {
        m_ftpThread->wait();
        delete m_ftpThread;
    }
}

void SimulatedBox::start()
{
    m_running = true;
    connectToServer();
}

void SimulatedBox::stop()
{
    m_running = false;
    m_heartbeat->stop();
    m_reconnect->stop();
    m_socket->abort();
}

void SimulatedBox::finish()
{
    m_running = false;
    m_heartbeat->stop();
    m_reconnect->stop();
    if (isConnected()) {
        flushCoalesced();
        while (m_socket->bytesToWrite() > 0 && m_socket->waitForBytesWritten(2000)) {
        }
        m_socket->disconnectFromHost();
    }
}

void SimulatedBox::reboot()
{
    m_heartbeat->stop();
    m_socket->disconnectFromHost();
    m_reconnect->start(m_options.rebootMs);
}

bool SimulatedBox::isConnected() const
{
    return m_socket->state() == QAbstractSocket::ConnectedState;
}

quint16 SimulatedBox::localPort() const
{
    return m_socket->localPort();
}

void SimulatedBox::connectToServer()
{
    if (!m_running || m_socket->state() != QAbstractSocket::UnconnectedState)
        return;
    m_socket->connectToHost(m_options.host, m_options.port);
}

QByteArray SimulatedBox::heartbeatLine() const
{
    const QDateTime clock = QDateTime::currentDateTime().addSecs(m_profile.clockOffsetSeconds);
    QByteArray line = "heatbeat " + m_profile.ip.toLatin1() + ' ' + m_profile.mac.toLatin1() + ' ' +
                      m_profile.version.toLatin1() + ' ' + QByteArray::number(m_profile.outputMode) + ' ' +
                      QByteArray::number(m_profile.layout) + ' ' + QByteArray::number(m_profile.diskTotalMB) + ' ' +
                      QByteArray::number(m_profile.diskFreeMB) + ' ' + clockText(clock);
    if (m_profile.sendStatus)
        line += ' ' + QByteArray::number(m_profile.status);
    return line;
}

void SimulatedBox::sendHeartbeat()
{
    sendLine(heartbeatLine());
}

QByteArray SimulatedBox::frame(const QByteArray &line) const
{
    QByteArray bytes = line.left(kBlockSize - 1);
    if (m_options.framing == SimulatorOptions::Framing::Padded)
        bytes.resize(kBlockSize, '\0');
    else
        bytes.append('\0');
    return bytes;
}

void SimulatedBox::sendLine(const QByteArray &line)
{
    if (isConnected())
        ++m_sent;
    if (m_options.coalesce) {
        // Collected and written together once this event is handled.
        if (m_coalesced.isEmpty())
            QTimer::singleShot(0, this, &SimulatedBox::flushCoalesced);
        m_coalesced += frame(line);
        return;
    }
    sendRaw(frame(line));
}

void SimulatedBox::flushCoalesced()
{
    sendRaw(std::exchange(m_coalesced, QByteArray()));
}

void SimulatedBox::sendRaw(const QByteArray &bytes)
{
    if (!isConnected() || bytes.isEmpty())
        return;
    if (!m_options.split || bytes.size() < 2) {
        m_socket->write(bytes);
        return;
    }
    m_splitQueue.append(bytes);
    if (!m_splitBusy)
        pumpSplit();
}

// Each message in two writes with a pause between them, so that they reach
// the server as two reads; messages keep their order.
void SimulatedBox::pumpSplit()
{
    if (m_splitQueue.isEmpty() || !isConnected()) {
        m_splitBusy = false;
        m_splitQueue.clear();
        return;
    }
    m_splitBusy = true;
    const QByteArray bytes = m_splitQueue.takeFirst();
    const qsizetype half = bytes.size() / 2;
    m_socket->write(bytes.left(half));
    m_socket->flush();
    const QByteArray rest = bytes.mid(half);
    QTimer::singleShot(20, this, [this, rest] {
        if (isConnected()) {
            m_socket->write(rest);
            m_socket->flush();
        }
        QTimer::singleShot(5, this, &SimulatedBox::pumpSplit);
    });
}

void SimulatedBox::readCommands()
{
    m_incoming += m_socket->readAll();
    // The server sends every command as one 256-byte block.
    while (m_incoming.size() >= kBlockSize) {
        const QByteArray block = m_incoming.left(kBlockSize);
        m_incoming.remove(0, kBlockSize);
        emit blockReceived(block);
        QByteArray line = block;
        const qsizetype zero = line.indexOf('\0');
        if (zero >= 0)
            line.truncate(zero);
        m_received.append(line);
        emit lineReceived(line);
        if (!m_options.silent)
            answer(line);
    }
}

void SimulatedBox::answer(const QByteArray &line)
{
    const QList<QByteArray> words = line.split(' ');
    const auto fail = [this](int type) { return m_options.failTypes.contains(type); };
    if (line.startsWith("set box time")) {
        sendLine(fail(0) ? "error set box time failed (NETWORK_ERROR_INVALID_TIMEVAL)" : "info set box time");
    } else if (line.startsWith("set box language")) {
        sendLine(fail(1) ? "error set box language failed (NETWORK_ERROR_INVALID_LANGTYPE)" : "info set box language");
    } else if (line.startsWith("set box reboot")) {
        sendLine("info set box reboot");
        if (!fail(2))
            QTimer::singleShot(0, this, &SimulatedBox::reboot);
    } else if (line.startsWith("set mode outmode")) {
        if (fail(4)) {
            sendLine("error set mode outmode failed (NETWORK_ERROR_INVALID_MODE)");
        } else {
            if (words.size() >= 6) {
                m_profile.outputMode = words[3].toInt();
                m_profile.layout = words[5].toInt();
            }
            sendLine("info set mode outmode");
        }
    } else if (line.startsWith("set network boxattr")) {
        sendLine(fail(5) ? "error set network boxattr failed (NETWORK_ERROR_INVALID_IPADDR)"
                         : "info set network boxattr");
    } else if (line.startsWith("set network svrattr")) {
        sendLine(fail(6) ? "error set network svrattr failed (NETWORK_ERROR_INVALID_PORT)"
                         : "info set network svrattr");
    } else if (line.startsWith("imageupdate")) {
        if (fail(8)) {
            sendLine("error imageupdate failed (NETWORK_ERROR_PARAM_NUM_ERROR)");
        } else {
            sendLine("info imageupdate begin");
            sendLine("dlreport writing flash done");
        }
    } else if (line.startsWith("fileupdate")) {
        if (fail(7) || words.size() != 3 || words[1] != "http") {
            sendLine("error fileupdate failed (NETWORK_ERROR_PARAM_NUM_ERROR)");
            return;
        }
        sendLine("info fileupdate begin");
        startTransfer(words[2]);
    } else if (line.startsWith("planupdate")) {
        if (fail(7) || words.size() != 3 || words[1] != "http") {
            sendLine("dlreport start failed (parsed)");
            return;
        }
        startPlan(words[2]);
    } else if (line.startsWith("get box filename")) {
        if (fail(10)) {
            sendLine("error get box filename failed (NETWORK_ERROR_PARAM_NUM_ERROR)");
            return;
        }
        const int perPart = qMax(1, m_options.namesPerPart);
        const int parts = qMax(1, int((m_options.files.size() + perPart - 1) / perPart));
        const QByteArray id = QByteArray::number(++m_transferId);
        for (int part = 0; part < parts; ++part) {
            QByteArray reply =
                "info get box filename " + id + ' ' + QByteArray::number(parts) + ' ' + QByteArray::number(part + 1);
            for (const QString &name : m_options.files.mid(part * perPart, perPart))
                reply += ' ' + gb2312(name);
            sendLine(reply);
        }
    } else if (line.startsWith("get file ")) {
        answerGetFile(QStringDecoder("GB18030").decode(line.mid(9)));
    } else if (line.startsWith("get ftp status")) {
        answerFtpStatus();
    } else if (line.startsWith("fileupload ")) {
        if (fail(20)) {
            sendLine("upload report start failed (FILE_ISNOT_EXIST)");
            return;
        }
        answerFileUpload(line.mid(11));
    } else if (line.startsWith("filesystem remove ")) {
        m_disk.remove(QStringDecoder("GB18030").decode(line.mid(18)));
        sendLine("info filesystem remove");
    } else if (!line.isEmpty()) {
        // Commands without a report of their own are acknowledged plainly.
        sendLine("info " + line.left(40));
    }
}

// Fetches the download list, then every file it names, one at a time, and
// reports each as a box does.
void SimulatedBox::startTransfer(const QByteArray &url)
{
    if (!m_http)
        m_http = new QNetworkAccessManager(this);
    m_downloads.clear();
    m_pendingFiles.clear();
    learnContentAddress(QUrl::fromEncoded(url));
    QNetworkReply *reply = m_http->get(QNetworkRequest(QUrl::fromEncoded(url)));
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        if (reply->error() != QNetworkReply::NoError) {
            sendLine("dlreport start failed (download)");
            emit transferFinished();
            return;
        }
        QXmlStreamReader xml(reply->readAll());
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("file"))
                continue;
            const auto a = xml.attributes();
            BoxDownload file;
            file.name = a.value(QLatin1String("filename")).toString();
            file.announced = a.value(QLatin1String("filesize")).toLongLong();
            m_pendingFiles.append({file, QUrl(a.value(QLatin1String("fileurl")).toString())});
        }
        // A list that brings play lists brings the whole week: the box
        // drops the lists of the week before.
        const bool newWeek = std::any_of(m_pendingFiles.cbegin(), m_pendingFiles.cend(),
                                         [](const auto &pending) { return isPlayList(pending.first.name); });
        if (newWeek && !xml.hasError())
            dropPlayLists();
        if (xml.hasError()) {
            sendLine("dlreport start failed (parsed)");
            emit transferFinished();
            return;
        }
        fetchNext();
    });
}

void SimulatedBox::fetchNext()
{
    if (m_pendingFiles.isEmpty()) {
        sendLine("dlreport finish");
        emit transferFinished();
        return;
    }
    auto [file, url] = m_pendingFiles.takeFirst();
    QNetworkReply *reply = m_http->get(QNetworkRequest(url));
    connect(reply, &QNetworkReply::finished, this, [this, reply, file]() mutable {
        reply->deleteLater();
        if (reply->error() == QNetworkReply::NoError) {
            const QByteArray bytes = reply->readAll();
            file.received = bytes.size();
            // Play lists go where the player reads them.
            if (file.ok() && isPlayList(file.name))
                keepPlayList(file.name, bytes);
        }
        m_downloads.append(file);
        sendLine("dlreport progress " + gb2312(file.name) + (file.ok() ? " Done" : " Failed"));
        fetchNext();
    });
}

BoxSimulator::BoxSimulator(int count, const SimulatorOptions &options, QObject *parent) : QObject(parent)
{
    for (int i = 0; i < count; ++i) {
        BoxProfile profile;
        profile.mac = macFor(i);
        profile.ip = ipFor(i);
        auto *box = new SimulatedBox(profile, options, this);
        connect(box, &SimulatedBox::lineReceived, this,
                [this, box](const QByteArray &line) { emit lineReceived(box->profile().mac, line); });
        m_boxes.append(box);
    }
}

void BoxSimulator::start()
{
    for (SimulatedBox *box : m_boxes)
        box->start();
}

void BoxSimulator::stop()
{
    for (SimulatedBox *box : m_boxes)
        box->stop();
}

QString BoxSimulator::macFor(int index)
{
    return QStringLiteral("02:00:00:00:%1:%2")
        .arg((index >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg(index & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString BoxSimulator::ipFor(int index)
{
    return QStringLiteral("10.%1.%2.1").arg((index >> 8) & 0xFF).arg(index & 0xFF);
}
