#include "ftpplan.h"

#include <QFile>

#include "base/codepage.h"
#include "base/safefile.h"
#include "config/inifile.h"
#include "config/settings.h"
#include "schedule/xmldocument.h"

#include <QDateTime>
#include <QTimeZone>

QString FtpScheduleRow::caption() const
{
    return QStringLiteral("Media [") + start + QLatin1Char('~') + end + QLatin1Char(']');
}

QStringList FtpScheduleRow::subItems() const
{
    QStringList items{start, end, kind};
    for (const bool day : days)
        items.append(day ? QStringLiteral("YES") : QStringLiteral("NO"));
    for (const sFtpFile &file : files)
        items << file.name << file.url;
    return items;
}

FtpScheduleRow FtpScheduleRow::fromTexts(const QString &, const QStringList &subItems)
{
    FtpScheduleRow row;
    row.start = subItems.value(0);
    row.end = subItems.value(1);
    row.kind = subItems.value(2);
    for (int d = 0; d < 7; ++d)
        row.days[d] = subItems.value(3 + d) == QLatin1String("YES");
    for (qsizetype i = 10; i + 1 < subItems.size(); i += 2)
        row.files.append({subItems.at(i), subItems.at(i + 1)});
    return row;
}

namespace {

// "H:M" split at its colon, both halves decimal; false without a colon.
bool splitTime(const QString &text, int *hour, int *minute)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    *hour = text.left(colon).trimmed().toInt();
    *minute = text.mid(colon + 1).trimmed().toInt();
    return true;
}

qint64 localSeconds(const PlanMoment &m)
{
    const QDate date(m.year, m.month, m.day);
    const QTime time(m.hour, m.minute);
    if (!date.isValid() || !time.isValid())
        return -1;
    return QDateTime(date, time, Qt::LocalTime).toSecsSinceEpoch();
}

} // namespace

int TimeTextMinutes(const QString &text)
{
    int hour = 0;
    int minute = 0;
    if (!splitTime(text, &hour, &minute))
        return -1;
    return hour * 60 + minute;
}

bool ScheduleClashes(const QList<FtpScheduleRow> &rows, const std::array<bool, 7> &days, int start, int end)
{
    for (const FtpScheduleRow &row : rows) {
        for (int d = 0; d < 7; ++d) {
            if (!days[d] || !row.days[d])
                continue;
            const int rowStart = TimeTextMinutes(row.start);
            const int rowEnd = TimeTextMinutes(row.end);
            if (rowStart < 0 || rowEnd <= 0)
                continue;
            const auto inside = [&](int t) { return t > rowStart && t < rowEnd; };
            if (inside(start) || inside(end))
                return true;
        }
    }
    return false;
}

QList<sFtpFile> BuildDownloadList(const QList<FtpScheduleRow> &rows)
{
    QList<sFtpFile> files;
    for (const FtpScheduleRow &row : rows) {
        for (const sFtpFile &file : row.files) {
            if (!files.contains(file))
                files.append(file);
        }
    }
    return files;
}

QList<sPlayList> BuildDaySlots(const QList<FtpScheduleRow> &rows, int day)
{
    QList<sPlayList> daySlots;
    if (day < 0 || day > 6)
        return daySlots;
    for (const FtpScheduleRow &row : rows) {
        if (!row.days[day])
            continue;
        sPlayList slot;
        if (!splitTime(row.start, &slot.startHour, &slot.startMin) || !splitTime(row.end, &slot.endHour, &slot.endMin))
            continue;
        slot.kind = row.kind;
        slot.files = row.files;
        const int start = slot.startHour * 60 + slot.startMin;
        qsizetype at = 0;
        bool merged = false;
        for (; at < daySlots.size(); ++at) {
            const int other = daySlots[at].startHour * 60 + daySlots[at].startMin;
            if (other == start) {
                daySlots[at].files += slot.files;
                merged = true;
                break;
            }
            if (other > start)
                break;
        }
        if (!merged)
            daySlots.insert(at, slot);
    }
    return daySlots;
}

QString SlotTimeText(int hour, int minute)
{
    return QString::asprintf("%02d:%02d", hour, minute);
}

bool PlanTimesValid(const PlanTimes &times)
{
    return PlanTimesProblem(times).isEmpty();
}

QString PlanTimesProblem(const PlanTimes &times)
{
    const qint64 start = localSeconds(times.start);
    const qint64 end = localSeconds(times.end);
    const qint64 activation = localSeconds(times.activation);
    if (start < 0 || end < 0 || activation < 0)
        return QStringLiteral("A date or time is not on the calendar.");
    if (start >= end)
        return QStringLiteral("The download must start before it ends.");
    if (end >= activation)
        return QStringLiteral("The download must end before the play activation.");
    if (activation >= start + qint64(times.loopDays) * 86400)
        return QStringLiteral("The play activation must come within the loop of %1 days from the download start.")
            .arg(times.loopDays);
    return {};
}

QByteArray DayPlanDocument(const QList<sPlayList> &daySlots, bool *stored)
{
    XmlDocument doc("UTF-8");
    QXmlStreamWriter &w = doc.writer();
    w.writeStartElement(QStringLiteral("PLAYLIST"));
    doc.attribute("picinterval", 5);
    for (const sPlayList &slot : daySlots) {
        w.writeStartElement(QStringLiteral("schedule"));
        doc.attribute("starthour", slot.startHour);
        doc.attribute("startmin", slot.startMin);
        doc.attribute("endhour", slot.endHour);
        doc.attribute("endmin", slot.endMin);
        doc.attribute("schdtype", slot.kind);
        for (const sFtpFile &file : slot.files) {
            w.writeStartElement(QStringLiteral("file"));
            doc.attribute("groupID", 1);
            doc.attribute("filename", file.name);
            w.writeEndElement();
        }
        w.writeEndElement();
    }
    w.writeEndElement();
    return doc.bytes(stored);
}

QByteArray PlanDocument(const PlanTimes &times, const QList<sFtpDayXml> &days, const QList<sFtpFile> &files,
                        bool *encodable)
{
    XmlDocument doc("GB2312");
    QXmlStreamWriter &w = doc.writer();
    w.writeStartElement(QStringLiteral("DLPLANLIST"));
    w.writeStartElement(QStringLiteral("plantime"));
    const auto moment = [&](const char *prefix, const PlanMoment &m) {
        const QByteArray p(prefix);
        doc.attribute((p + "year").constData(), m.year);
        doc.attribute((p + "moon").constData(), m.month);
        doc.attribute((p + "day").constData(), m.day);
        doc.attribute((p + "hour").constData(), m.hour);
        doc.attribute((p + "min").constData(), m.minute);
    };
    moment("start", times.start);
    moment("end", times.end);
    moment("act", times.activation);
    doc.attribute("LoopDay", times.loopDays);
    for (const sFtpDayXml &day : days) {
        w.writeStartElement(QStringLiteral("playlist"));
        doc.attribute("filename", day.shortName);
        doc.attribute("fileurl", day.url);
        w.writeEndElement();
    }
    for (const sFtpFile &file : files) {
        w.writeStartElement(QStringLiteral("filelist"));
        doc.attribute("filename", file.name);
        doc.attribute("fileurl", file.url);
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndElement();
    return doc.bytes(encodable);
}

PlanWriteResult WritePlan(const ServerSettings &settings, const PlanTimes &times, const QList<FtpScheduleRow> &rows,
                          const QString &timestamp)
{
    PlanWriteResult result;
    // Every document is made and every refusal given before anything is
    // written, so a refused plan leaves no files behind.
    QList<sFtpDayXml> days;
    QList<std::pair<QString, QByteArray>> documents;
    for (int d = 0; d < 7; ++d) {
        const QList<sPlayList> daySlots = BuildDaySlots(rows, d);
        if (daySlots.isEmpty())
            continue;
        const QString path =
            settings.xmlPrefix + QString::number(d) + QLatin1Char('(') + timestamp + QStringLiteral(").xml");
        bool stored = true;
        documents.append({path, DayPlanDocument(daySlots, &stored)});
        if (!stored) {
            result.error = QStringLiteral("%1: a file name holds characters a play list cannot store").arg(path);
            return result;
        }
        days.append({HttpAddress(settings, path), QString::number(d) + QStringLiteral(".xml")});
    }
    const QString planPath = settings.planPrefix + QLatin1Char('_') + timestamp + QStringLiteral(".xml");
    result.command = QStringLiteral("planupdate http ") + HttpAddress(settings, planPath);
    if (CodePage::byteLength(result.command) > 255 || CodePage::byteLength(result.command) < 0) {
        result.error = QStringLiteral("The plan's address is longer than a command line can carry (255 bytes): %1")
                           .arg(result.command);
        return result;
    }
    bool stored = true;
    documents.append({planPath, PlanDocument(times, days, BuildDownloadList(rows), &stored)});
    if (!stored) {
        result.error = QStringLiteral("%1: a file name holds characters GB2312 cannot store").arg(planPath);
        return result;
    }
    for (const auto &[path, bytes] : std::as_const(documents)) {
        if (!SafeFile::write(path, bytes, &result.error)) {
            // Half a plan is no plan: what this write made goes again.
            for (const QString &made : std::as_const(result.files))
                QFile::remove(made);
            result.files.clear();
            return result;
        }
        result.files.append(path);
    }
    result.planPath = planPath;
    result.ok = true;
    return result;
}

// ---------------------------------------------------------------- Ftp.ini

namespace {

const QByteArray kFtpSection = "FTP";
const QByteArray kAccountKey = "Account";

} // namespace

namespace {

host_info accountFrom(const QList<QByteArray> &values)
{
    host_info account;
    account.name = CodePage::fromGb2312(values.at(0));
    account.host = CodePage::fromGb2312(values.at(1));
    account.port = values.at(2).trimmed().toInt();
    account.user = CodePage::fromGb2312(values.at(3));
    account.password = CodePage::fromGb2312(values.at(4));
    if (values.size() > 5)
        account.dir = CodePage::fromGb2312(values.at(5));
    account.cut();
    account.stored = values;
    return account;
}

} // namespace

QList<host_info> LoadFtpAccounts(const QString &file)
{
    QList<host_info> accounts;
    InitNode node;
    node.section = kFtpSection;
    node.key = kAccountKey;
    if (!IniReadNode(node, file))
        return accounts;
    for (const QList<QByteArray> &values : std::as_const(node.blocks)) {
        if (values.size() >= 5)
            accounts.append(accountFrom(values));
    }
    return accounts;
}

QString FtpAccountProblem(const host_info &account)
{
    const QString fields[] = {account.name, account.host, account.user, account.password, account.dir};
    for (const QString &text : fields) {
        bool ok = false;
        const QByteArray bytes = CodePage::toGb2312(text, &ok);
        if (!ok || !CodePage::roundTrips(text))
            return QStringLiteral("\"%1\" holds characters GB2312 cannot store").arg(text);
        if (!IniIsValidBlockValue(bytes))
            return QStringLiteral("\"%1\" holds ',', '}', '[' or a line break, or is too long").arg(text);
    }
    return {};
}

bool SaveFtpAccounts(const QList<host_info> &accounts, const QString &file, QString *error)
{
    // The lines of the section this program does not read (comments, other
    // keys, blocks of too few values) go back as they stand in the file now.
    InitNode node;
    node.section = kFtpSection;
    node.key = kAccountKey;
    IniReadNode(node, file);
    const auto rawLine = [](const QList<QByteArray> &values) { return kAccountKey + "={" + values.join(',') + '}'; };
    for (const QList<QByteArray> &values : std::as_const(node.blocks)) {
        if (values.size() < 5)
            node.kept.append(rawLine(values));
    }
    node.blocks.clear();
    QStringList refused;
    for (const host_info &account : accounts) {
        // An account read from the file goes back as it was read, whatever
        // today's checks would say of it: a remembered account is never lost.
        if (account.stored.size() >= 5 && accountFrom(account.stored) == account) {
            const bool writable = std::all_of(account.stored.cbegin(), account.stored.cend(),
                                              [](const QByteArray &v) { return IniIsValidBlockValue(v); });
            if (writable)
                node.blocks.append(account.stored);
            else
                node.kept.append(rawLine(account.stored));
            continue;
        }
        const QString problem = FtpAccountProblem(account);
        if (!problem.isEmpty()) {
            refused.append(QStringLiteral("account %1 cannot be stored: %2").arg(account.name, problem));
            continue;
        }
        node.blocks.append({CodePage::toGb2312(account.name), CodePage::toGb2312(account.host),
                            QByteArray::number(account.port), CodePage::toGb2312(account.user),
                            CodePage::toGb2312(account.password), CodePage::toGb2312(account.dir)});
    }
    if (IniWriteNode(node, file, error) != 1)
        return false;
    if (refused.isEmpty())
        return true;
    if (error)
        *error = refused.join(QStringLiteral("; ")) + QStringLiteral("; the other accounts were saved");
    return false;
}
