#include "playlistxml.h"

#include "base/codepage.h"
#include "base/safefile.h"
#include "config/settings.h"
#include "playlist.h"
#include "xmldocument.h"

#include <QSet>

namespace {

template <typename Entry> void writeTimes(XmlDocument &doc, const Entry &e)
{
    doc.attribute("starthour", e.StartHour);
    doc.attribute("startmin", e.StartMin);
    doc.attribute("endhour", e.EndHour);
    doc.attribute("endmin", e.EndMin);
}

bool playsOn(quint32 weekDays, int day)
{
    return weekDays & (1u << day);
}

} // namespace

QString ScheduleTypeText(quint32 type)
{
    if (type == SCHD_ONCE)
        return QStringLiteral("ONCE");
    if (type == SCHD_NONE)
        return QStringLiteral("NONE");
    return QStringLiteral("LOOP");
}

QByteArray PlayListDocument(const TPlayList &store, int day)
{
    XmlDocument doc("UTF-8");
    QXmlStreamWriter &w = doc.writer();
    w.writeStartElement(QStringLiteral("PLAYLIST"));
    doc.attribute("picinterval", 5);
    bool any = false;
    for (const TScheduleNode &e : store.GetSchdList()) {
        if (!playsOn(e.WeekDays, day))
            continue;
        any = true;
        w.writeStartElement(QStringLiteral("schedule"));
        writeTimes(doc, e);
        doc.attribute("schdtype", ScheduleTypeText(e.SchdType));
        for (const QString &name : e.vec_shortname) {
            w.writeStartElement(QStringLiteral("file"));
            doc.attribute("groupID", 1);
            doc.attribute("filename", name);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    return any ? doc.bytes() : QByteArray();
}

QByteArray TextListDocument(const TPlayList &store, int day, bool *encodable)
{
    XmlDocument doc("GB2312");
    QXmlStreamWriter &w = doc.writer();
    w.writeStartElement(QStringLiteral("STEXTLIST"));
    doc.attribute("interval", 5);
    bool any = false;
    for (const TScheduleNodeOther &e : store.GetOtherSchdList(OTHER_TEXT)) {
        if (!playsOn(e.WeekDays, day))
            continue;
        any = true;
        w.writeStartElement(QStringLiteral("stextschedule"));
        writeTimes(doc, e);
        doc.attribute("TextColourR", e.TextColourR);
        doc.attribute("TextColourG", e.TextColourG);
        doc.attribute("TextColourB", e.TextColourB);
        doc.attribute("BackgroundColourR", e.BackgroundColourR);
        doc.attribute("BackgroundColourG", e.BackgroundColourG);
        doc.attribute("BackgroundColourB", e.BackgroundColourB);
        doc.attribute("speedMs", e.speedMs);
        doc.attribute("OffsetPosition", e.OffsetPosition);
        doc.attribute("schdtype", ScheduleTypeText(e.SchdType));
        for (const QString &text : e.vec_item) {
            w.writeStartElement(QStringLiteral("stext"));
            doc.attribute("context", text);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    if (encodable)
        *encodable = true;
    return any ? doc.bytes(encodable) : QByteArray();
}

QByteArray PictureListDocument(const TPlayList &store, int day)
{
    XmlDocument doc("UTF-8");
    QXmlStreamWriter &w = doc.writer();
    w.writeStartElement(QStringLiteral("PICLIST"));
    doc.attribute("interval", 10);
    bool any = false;
    for (const TScheduleNodeOther &e : store.GetOtherSchdList(OTHER_PIC)) {
        if (!playsOn(e.WeekDays, day))
            continue;
        any = true;
        w.writeStartElement(QStringLiteral("picschedule"));
        writeTimes(doc, e);
        doc.attribute("schdtype", ScheduleTypeText(e.SchdType));
        for (const QString &name : e.vec_item) {
            w.writeStartElement(QStringLiteral("picture"));
            doc.attribute("filename", name);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    return any ? doc.bytes() : QByteArray();
}

GenerationResult GeneratePlayLists(const TPlayList &store, const ServerSettings &settings, const QString &timestamp)
{
    GenerationResult result;
    if (store.isEmpty()) {
        result.status = GenerationResult::EmptySchedule;
        return result;
    }
    // Names are joined, not formatted: a '%1' in the content folder's path
    // must stay as it is.
    const QString &prefix = settings.xmlPrefix;
    const QString tail = QLatin1Char('(') + timestamp + QStringLiteral(").xml");
    for (int kind = 0; kind < 3; ++kind) {
        for (int day = 0; day < 7; ++day) {
            QByteArray bytes;
            QString name;
            bool encodable = true;
            if (kind == 0) {
                bytes = PlayListDocument(store, day);
                name = prefix + QString::number(day) + tail;
            } else if (kind == 1) {
                bytes = TextListDocument(store, day, &encodable);
                name = prefix + QStringLiteral("text-") + QString::number(day) + tail;
            } else {
                bytes = PictureListDocument(store, day);
                name = prefix + QStringLiteral("pic-") + QString::number(day) + tail;
            }
            if (!encodable) {
                result.status = GenerationResult::WriteFailed;
                result.error = QStringLiteral("%1: a text holds characters GB2312 cannot store").arg(name);
                return result;
            }
            if (bytes.isEmpty())
                continue;
            // Stop at the first file that cannot be written: a half-written
            // set must not be announced to the boxes.
            if (!SafeFile::write(name, bytes, &result.error)) {
                result.status = GenerationResult::WriteFailed;
                return result;
            }
            result.files.append(name);
        }
    }
    return result;
}

QString TransferCommand(const ServerSettings &settings, const QString &downloadList)
{
    return QStringLiteral("fileupdate http ") + HttpAddress(settings, downloadList);
}

GenerationResult GenerateDownloadList(const TPlayList &store, const ServerSettings &settings)
{
    const QString listPath = settings.downloadPrefix + QLatin1Char('_') + MakeTimestamp() + QStringLiteral(".xml");
    GenerationResult result = GeneratePlayLists(store, settings, MakeTimestamp());
    if (result.status != GenerationResult::Ok)
        return result;

    XmlDocument doc("UTF-8");
    QXmlStreamWriter &w = doc.writer();
    w.writeStartElement(QStringLiteral("downloadList"));
    const auto addFile = [&](const char *type, const QString &path, const QString &name) {
        w.writeStartElement(QStringLiteral("file"));
        doc.attribute("filetype", QString::fromLatin1(type));
        doc.attribute("filesize", FileSizeOf(path));
        doc.attribute("filename", name);
        doc.attribute("fileurl", HttpAddress(settings, path));
        w.writeEndElement();
    };
    for (const QString &path : result.files) {
        if (!path.startsWith(settings.xmlPrefix)) {
            result.status = GenerationResult::BadFileName;
            return result;
        }
        const QString rest = path.mid(settings.xmlPrefix.size());
        addFile("PLAYLIST", path, rest.left(rest.indexOf(QLatin1Char('('))) + QStringLiteral(".xml"));
    }
    // Every file once, in the order of its first use.
    QSet<QString> seen;
    for (const TScheduleNode &e : store.GetSchdList()) {
        for (qsizetype j = 0; j < e.vec_fullname.size(); ++j) {
            if (seen.contains(e.vec_fullname[j]))
                continue;
            seen.insert(e.vec_fullname[j]);
            addFile("VIDEO", e.vec_fullname[j], e.vec_shortname.value(j));
        }
    }
    QSet<QString> pictures;
    for (const TScheduleNodeOther &e : store.GetOtherSchdList(OTHER_PIC)) {
        for (const QString &name : e.vec_item) {
            if (pictures.contains(name))
                continue;
            pictures.insert(name);
            addFile("VIDEO", settings.bmpDir + QLatin1Char('/') + name, name);
        }
    }
    w.writeEndElement();
    if (!SafeFile::write(listPath, doc.bytes(), &result.error)) {
        result.status = GenerationResult::WriteFailed;
        return result;
    }
    result.downloadList = listPath;
    return result;
}
