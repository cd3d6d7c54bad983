// The box's disk and the files the server asks it for: play lists and the
// FTP status by name, anything on the disk by upload, and removals.

#include "boxsimulator.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QXmlStreamWriter>

namespace {

const QString kDisc = QStringLiteral("/mnt/hd1/Disc1/");

QByteArray gb2312(const QString &text)
{
    QStringEncoder encoder("GB2312");
    return encoder.encode(text);
}

} // namespace

void SimulatedBox::seedDisk()
{
    const QDate today = m_options.clock().date();
    for (int d = 0; d < 7; ++d) {
        const QDate day = today.addDays(-d);
        const QString name = day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral(".log");
        m_disk.insert(kDisc + QStringLiteral("PlayLog/") + name,
                      QStringLiteral("%1 %2 08:00:00 play opening.mp4\n%1 %2 08:01:30 play 广告.mpg\n")
                          .arg(m_profile.mac, day.toString(Qt::ISODate))
                          .toUtf8());
    }
    m_disk.insert(kDisc + QStringLiteral("video/opening.mp4"), QByteArray(4096, 'v'));
    m_disk.insert(kDisc + QStringLiteral("video/广告.mpg"), QByteArray(2048, 'g'));
    m_disk.insert(kDisc + QStringLiteral("XML/1.xml"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PLAYLIST picinterval=\"5\">"
                  "<schedule starthour=\"20\" startmin=\"0\" endhour=\"22\" endmin=\"0\" schdtype=\"LOOP\">"
                  "<file groupID=\"1\" filename=\"opening.mp4\"/></schedule>"
                  "<schedule starthour=\"8\" startmin=\"0\" endhour=\"12\" endmin=\"30\" schdtype=\"ONCE\">"
                  "<file groupID=\"1\" filename=\"opening.mp4\"/><file groupID=\"1\" filename=\"" +
                      QStringLiteral("广告.mpg").toUtf8() + "\"/></schedule></PLAYLIST>\n");
}

bool SimulatedBox::isPlayList(const QString &name)
{
    static const QRegularExpression dayList(QStringLiteral("^(text-|pic-)?[0-6]\\.xml$"));
    return dayList.match(name).hasMatch();
}

void SimulatedBox::dropPlayLists()
{
    for (auto it = m_disk.begin(); it != m_disk.end();) {
        if (it.key().startsWith(kDisc + QStringLiteral("XML/")) && isPlayList(it.key().section(QLatin1Char('/'), -1)))
            it = m_disk.erase(it);
        else
            ++it;
    }
}

void SimulatedBox::keepPlayList(const QString &name, const QByteArray &bytes)
{
    m_disk.insert(kDisc + QStringLiteral("XML/") + name, bytes);
}

QByteArray SimulatedBox::diskDirectory() const
{
    // One DIR per folder, its files inside, as the box writes it: GB2312.
    QMap<QString, QList<QPair<QString, qint64>>> folders;
    for (auto it = m_disk.cbegin(); it != m_disk.cend(); ++it) {
        const qsizetype slash = it.key().lastIndexOf(QLatin1Char('/'));
        folders[it.key().left(slash)].append({it.key().mid(slash + 1), it.value().size()});
    }
    QString text;
    QXmlStreamWriter xml(&text);
    xml.writeStartElement(QStringLiteral("DirList"));
    for (auto it = folders.cbegin(); it != folders.cend(); ++it) {
        xml.writeStartElement(QStringLiteral("DIR"));
        xml.writeAttribute(QStringLiteral("Path"), it.key());
        for (const auto &[name, size] : it.value()) {
            xml.writeStartElement(QStringLiteral("File"));
            xml.writeAttribute(QStringLiteral("Filename"), name);
            xml.writeAttribute(QStringLiteral("Size"), QString::number(size));
            xml.writeAttribute(QStringLiteral("Time"), QStringLiteral("2026-12-01 08:00:00"));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    return "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n" + gb2312(text) + '\n';
}

void SimulatedBox::learnContentAddress(const QUrl &url)
{
    // http://ip:port//root/content/XML/x.xml or .../content/filesys/...: the
    // content folder is what comes before XML/ or filesys/.
    const QString address = url.toString(QUrl::FullyEncoded);
    for (const char *folder : {"/XML/", "/filesys/"}) {
        const qsizetype at = address.lastIndexOf(QLatin1String(folder));
        if (at > 0) {
            m_options.contentAddress = address.left(at + 1);
            return;
        }
    }
}

void SimulatedBox::uploadToServer(const QString &name, const QByteArray &bytes,
                                  std::function<void(const QByteArray &)> done)
{
    if (m_options.contentAddress.isEmpty()) {
        done({});
        return;
    }
    if (!m_http)
        m_http = new QNetworkAccessManager(this);
    const QUrl target =
        QUrl::fromEncoded(m_options.contentAddress.toUtf8() + "filesys/" + QUrl::toPercentEncoding(name));
    QNetworkReply *reply = m_http->put(QNetworkRequest(target), bytes);
    connect(reply, &QNetworkReply::finished, this, [reply, target, done = std::move(done)] {
        reply->deleteLater();
        done(reply->error() == QNetworkReply::NoError ? target.toEncoded() : QByteArray());
    });
}

void SimulatedBox::answerGetFile(const QString &name)
{
    const auto found = m_disk.constFind(kDisc + QStringLiteral("XML/") + name);
    if (found == m_disk.cend()) {
        sendLine("upload report start failed (FILE_ISNOT_EXIST)");
        return;
    }
    const QString stored = QString(m_profile.mac).replace(QLatin1Char(':'), QLatin1Char('-')) + QLatin1Char('_') + name;
    uploadToServer(stored, found.value(), [this, name](const QByteArray &address) {
        if (address.isEmpty())
            sendLine("upload report start failed (UNKNOWN)");
        else
            sendLine("info get file " + gb2312(name) + ' ' + address);
    });
}

void SimulatedBox::answerFileUpload(const QByteArray &argument)
{
    // "PATH http://..." (PATH empty for the disk directory).
    const qsizetype http = argument.indexOf("http://");
    if (http < 0) {
        sendLine("error fileupload failed (NETWORK_ERROR_PARAM_NUM_ERROR)");
        return;
    }
    QString boxPath = QString(QStringDecoder("GB18030").decode(argument.left(http))).trimmed();
    // The address comes as the server wrote it: GB2312 bytes, with only a
    // few characters percent-encoded. A box sends those bytes as they are;
    // here they are encoded for the HTTP client, which the service decodes
    // back to the same bytes.
    QByteArray address;
    for (const char c : argument.mid(http).trimmed()) {
        if (static_cast<unsigned char>(c) >= 0x80)
            address += '%' + QByteArray(1, c).toHex().toUpper();
        else
            address += c;
    }
    const QUrl target = QUrl::fromEncoded(address);
    learnContentAddress(target);
    QByteArray bytes;
    if (boxPath.isEmpty()) {
        boxPath = kDisc + QStringLiteral("CONFIG/DiskDir.xml");
        bytes = diskDirectory();
    } else if (m_disk.contains(boxPath)) {
        bytes = m_disk.value(boxPath);
    } else {
        sendLine("upload report start failed (FILE_ISNOT_EXIST)");
        return;
    }
    sendLine("info fileupload begin");
    // A box uploads one file at a time, in the order it was asked.
    m_uploads.append({boxPath, target, bytes});
    if (m_uploads.size() == 1)
        nextUpload();
}

void SimulatedBox::nextUpload()
{
    if (m_uploads.isEmpty())
        return;
    if (!m_http)
        m_http = new QNetworkAccessManager(this);
    const PendingUpload &upload = m_uploads.first();
    sendLine("upload report start");
    QNetworkReply *reply = m_http->put(QNetworkRequest(upload.target), upload.bytes);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const PendingUpload done = m_uploads.takeFirst();
        if (reply->error() == QNetworkReply::NoError)
            sendLine("upload report done " + gb2312(done.boxPath));
        else
            sendLine("upload report failed");
        nextUpload();
    });
}
