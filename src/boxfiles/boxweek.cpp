#include "boxweek.h"

#include "boxfiles/uploadqueue.h"
#include "config/settings.h"
#include "link/boxwords.h"
#include "link/cmd.h"
#include "link/fleetstatus.h"
#include "registry/MacGroup.h"

#include <QCoreApplication>
#include <QFile>
#include <QFutureWatcher>
#include <QPromise>
#include <QRegularExpression>
#include <QThreadPool>
#include <QTimer>
#include <QXmlStreamReader>

#include <algorithm>

namespace {

// The week's texts, in the interface's language.
QString translated(const char *source)
{
    return QCoreApplication::translate("BoxWeek", source);
}

QString clock(quint32 seconds)
{
    return QString::asprintf("%02u:%02u", seconds / 3600, (seconds % 3600) / 60);
}

// A list as the box holds it: at most as large as the decoders read.
std::optional<QByteArray> readList(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return std::nullopt;
    }
    if (file.size() > CFileDecode::kMaxBytes) {
        *error = translated(QT_TRANSLATE_NOOP("BoxWeek", "larger than %1 MiB")).arg(CFileDecode::kMaxBytes >> 20);
        return std::nullopt;
    }
    return file.readAll();
}

} // namespace

QString WeekBlock::KindText(int kind)
{
    switch (kind) {
    case DECODE_TEXTLIST:
        return translated(QT_TRANSLATE_NOOP("BoxWeek", "Text"));
    case DECODE_PICLIST:
        return translated(QT_TRANSLATE_NOOP("BoxWeek", "Picture"));
    default:
        return translated(QT_TRANSLATE_NOOP("BoxWeek", "Media"));
    }
}

QString WeekBlock::typeText() const
{
    if (schedule.type == QLatin1String("LOOP"))
        return translated(QT_TRANSLATE_NOOP("BoxWeek", "Loop"));
    if (schedule.type == QLatin1String("ONCE"))
        return translated(QT_TRANSLATE_NOOP("BoxWeek", "Once"));
    return schedule.type;
}

QString WeekBlock::text() const
{
    return QStringLiteral("%1 [%2~%3] %4")
        .arg(KindText(kind), clock(schedule.startSec), clock(schedule.endSec),
             schedule.items.join(QStringLiteral(", ")));
}

QByteArray BoxWeek::signature() const
{
    QByteArray s;
    for (const WeekBlock &b : blocks) {
        s += QByteArray::number(b.day) + '|' + QByteArray::number(b.kind) + '|' +
             QByteArray::number(b.schedule.startSec) + '|' + QByteArray::number(b.schedule.endSec) + '|' +
             b.schedule.type.toUtf8() + '|' + b.schedule.items.join(QChar(0x1f)).toUtf8() + '\n';
    }
    return s;
}

QList<WeekBlock> BoxWeek::blocksOfDay(int day) const
{
    QList<WeekBlock> found;
    for (const WeekBlock &b : blocks) {
        if (b.day == day)
            found.append(b);
    }
    return found;
}

QList<WeekBlock> BoxWeek::playingAt(int day, int second) const
{
    QList<WeekBlock> found;
    for (const WeekBlock &b : blocks) {
        if (b.day == day && int(b.schedule.startSec) <= second && second < int(b.schedule.endSec))
            found.append(b);
    }
    return found;
}

QStringList WeekListNames()
{
    QStringList names;
    for (const char *prefix : {"", "text-", "pic-"}) {
        for (int d = 0; d < 7; ++d)
            names.append(QLatin1String(prefix) + QString::number(d) + QStringLiteral(".xml"));
    }
    return names;
}

bool ParseListName(const QString &name, int *day, int *kind)
{
    static const QRegularExpression pattern(QStringLiteral("^(text-|pic-)?([0-6])\\.xml$"));
    const QRegularExpressionMatch m = pattern.match(name);
    if (!m.hasMatch())
        return false;
    *day = m.captured(2).toInt();
    *kind = m.captured(1).isEmpty()                   ? DECODE_PLAYLIST
            : m.captured(1) == QLatin1String("text-") ? DECODE_TEXTLIST
                                                      : DECODE_PICLIST;
    return true;
}

QString DayName(int day)
{
    static const char *const names[] = {
        QT_TRANSLATE_NOOP("BoxWeek", "Sunday"),   QT_TRANSLATE_NOOP("BoxWeek", "Monday"),
        QT_TRANSLATE_NOOP("BoxWeek", "Tuesday"),  QT_TRANSLATE_NOOP("BoxWeek", "Wednesday"),
        QT_TRANSLATE_NOOP("BoxWeek", "Thursday"), QT_TRANSLATE_NOOP("BoxWeek", "Friday"),
        QT_TRANSLATE_NOOP("BoxWeek", "Saturday")};
    return day >= 0 && day < 7 ? translated(names[day]) : QString();
}

namespace {

// Adds a list's blocks of one day up to the day's bound; a note says what was left out.
// total: the schedules the list holds, of which blocks are the first.
void addBlocks(BoxWeek &week, int day, const QString &name, const QList<WeekBlock> &blocks, qsizetype total)
{
    qsizetype held =
        std::count_if(week.blocks.cbegin(), week.blocks.cend(), [day](const WeekBlock &b) { return b.day == day; });
    qsizetype added = 0;
    for (const WeekBlock &b : blocks) {
        if (held >= BoxWeek::kMaxBlocksPerDay)
            break;
        week.blocks.append(b);
        ++held;
        ++added;
    }
    if (added < total)
        week.notes.append(
            {day, translated(
                      QT_TRANSLATE_NOOP("BoxWeek", "%1 holds %2 schedules; a day shows at most %3, so %4 are left out"))
                      .arg(name)
                      .arg(total)
                      .arg(BoxWeek::kMaxBlocksPerDay)
                      .arg(total - added)});
}

} // namespace

void AddListToWeek(BoxWeek &week, const QString &name, const QByteArray &document)
{
    int day = 0, kind = 0;
    if (!ParseListName(name, &day, &kind))
        return;
    const DecodedSchedules read = CFileDecode::ReadSchedules(kind, document);
    if (read.result != DECODE_OK && read.result != DECODE_NOCHILDREN) {
        week.notes.append(
            {day, translated(QT_TRANSLATE_NOOP("BoxWeek", "%1 cannot be decoded: %2")).arg(name, read.error)});
        return;
    }
    QList<WeekBlock> blocks;
    blocks.reserve(qMin<qsizetype>(read.schedules.size(), BoxWeek::kMaxBlocksPerDay));
    for (const PlaySchedule &s : read.schedules) {
        blocks.append({day, kind, s});
        if (blocks.size() >= BoxWeek::kMaxBlocksPerDay)
            break;
    }
    addBlocks(week, day, name, blocks, read.schedules.size());
}

BoxWeek ReadListWeek(const QString &name, const QString &path)
{
    BoxWeek part;
    int day = 0, kind = 0;
    ParseListName(name, &day, &kind);
    QString error;
    if (const auto document = readList(path, &error))
        AddListToWeek(part, name, *document);
    else
        part.notes.append({day, translated(QT_TRANSLATE_NOOP("BoxWeek", "%1 cannot be read: %2")).arg(name, error)});
    return part;
}

void MergeListWeek(BoxWeek &week, const QString &name, const BoxWeek &part)
{
    week.notes.append(part.notes);
    int day = 0, kind = 0;
    ParseListName(name, &day, &kind);
    addBlocks(week, day, name, part.blocks, part.blocks.size());
}

void FinishWeek(BoxWeek &week)
{
    std::stable_sort(week.blocks.begin(), week.blocks.end(), [](const WeekBlock &a, const WeekBlock &b) {
        return std::tie(a.day, a.kind, a.schedule.startSec) < std::tie(b.day, b.kind, b.schedule.startSec);
    });
    std::stable_sort(week.notes.begin(), week.notes.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
}

QString DayDifference::text() const
{
    QStringList parts;
    if (!missing.isEmpty())
        parts.append(translated(QT_TRANSLATE_NOOP("BoxWeek", "missing ")) + missing.join(QStringLiteral("; ")));
    if (!extra.isEmpty())
        parts.append(translated(QT_TRANSLATE_NOOP("BoxWeek", "extra ")) + extra.join(QStringLiteral("; ")));
    return DayName(day) + QStringLiteral(": ") + parts.join(QStringLiteral("; "));
}

QList<DayDifference> CompareWeeks(const BoxWeek &box, const BoxWeek &reference)
{
    QList<DayDifference> differences;
    for (int day = 0; day < 7; ++day) {
        QList<WeekBlock> ours = box.blocksOfDay(day);
        DayDifference d;
        d.day = day;
        for (const WeekBlock &b : reference.blocksOfDay(day)) {
            if (!ours.removeOne(b))
                d.missing.append(b.text());
        }
        for (const WeekBlock &b : std::as_const(ours))
            d.extra.append(b.text());
        if (!d.missing.isEmpty() || !d.extra.isEmpty())
            differences.append(d);
    }
    return differences;
}

qsizetype MostCommonWeek(const QList<BoxWeek> &weeks)
{
    QHash<QByteArray, int> counts;
    qsizetype best = -1;
    int bestCount = 0;
    for (qsizetype i = 0; i < weeks.size(); ++i) {
        if (weeks[i].state != BoxWeek::Read)
            continue;
        const int count = ++counts[weeks[i].signature()];
        if (count > bestCount) {
            bestCount = count;
            best = i;
        }
    }
    if (best < 0)
        return -1;
    // The first box holding the winning week.
    const QByteArray winner = weeks[best].signature();
    for (qsizetype i = 0; i < weeks.size(); ++i) {
        if (weeks[i].state == BoxWeek::Read && weeks[i].signature() == winner)
            return i;
    }
    return best;
}

std::optional<BoxWeek> SentWeek(const QString &downloadList)
{
    QString error;
    const auto list = readList(downloadList, &error);
    if (!list)
        return std::nullopt;
    BoxWeek week;
    week.state = BoxWeek::Read;
    QXmlStreamReader xml(*list);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QLatin1String("file"))
            continue;
        const QString name = xml.attributes().value(QLatin1String("filename")).toString();
        int day = 0, kind = 0;
        if (!ParseListName(name, &day, &kind))
            continue;
        const QString path = LocalFileNamedBy(xml.attributes().value(QLatin1String("fileurl")).toString());
        const auto document = readList(path, &error);
        if (!document)
            return std::nullopt;
        AddListToWeek(week, name, *document);
    }
    if (xml.hasError())
        return std::nullopt;
    FinishWeek(week);
    return week;
}

WeekReader::WeekReader(const MacGruoup &registry, Cmd_API &cmd, const ServerSettings &settings, QObject *parent)
    : QObject(parent), m_registry(registry), m_cmd(cmd), m_settings(settings)
{
    connect(&cmd, &Cmd_API::getFileReply, this, &WeekReader::onFile);
    connect(&cmd, &Cmd_API::replyClassified, this,
            [this](const QString &mac, int code, int klass, const QString &display) {
                onReply(mac, code, klass, display);
            });
}

WeekReader::~WeekReader() = default;

void WeekReader::read(const QStringList &macs)
{
    for (const QString &mac : macs) {
        if (m_jobs.contains(mac))
            continue;
        BoxWeek &week = m_weeks[mac];
        week = BoxWeek();
        week.mac = mac;
        week.state = BoxWeek::Reading;
        int slot = -1;
        if (m_registry.FindBox(mac, &slot) != RES_FOUND || m_registry.Box(slot).Online != 1) {
            week.state = BoxWeek::Offline;
            emit boxRead(mac);
            continue;
        }
        Job &job = m_jobs[mac];
        job.names = WeekListNames();
        job.timer = new QTimer(this);
        job.timer->setSingleShot(true);
        connect(job.timer, &QTimer::timeout, this, [this, mac] { end(mac, BoxWeek::NoAnswer); });
        next(mac);
    }
}

void WeekReader::next(const QString &mac)
{
    Job &job = m_jobs[mac];
    if (job.names.isEmpty()) {
        BoxWeek &week = m_weeks[mac];
        FinishWeek(week);
        for (int day = 0; day < 7; ++day) {
            const bool noted =
                std::any_of(week.notes.cbegin(), week.notes.cend(), [day](const auto &n) { return n.first == day; });
            if (week.blocksOfDay(day).isEmpty() && !noted)
                week.notes.append(
                    {day, translated(QT_TRANSLATE_NOOP("BoxWeek",
                                                       "the box has no play list for this day (%1.xml, text-%1.xml, "
                                                       "pic-%1.xml)"))
                              .arg(day)});
        }
        FinishWeek(week);
        end(mac, BoxWeek::Read);
        return;
    }
    job.current = job.names.takeFirst();
    job.timer->start(kAnswerMs);
    m_cmd.SendBoxCommand(CMD_GETFILE, mac, {{}, {job.current}});
}

void WeekReader::end(const QString &mac, BoxWeek::State state)
{
    const auto it = m_jobs.find(mac);
    if (it == m_jobs.end())
        return;
    it->timer->deleteLater();
    m_jobs.erase(it);
    m_weeks[mac].state = state;
    emit boxRead(mac);
}

void WeekReader::onFile(const QString &name, const QString &mac, const QString &urlPath)
{
    const auto it = m_jobs.find(mac);
    if (it == m_jobs.end() || it->current != name || it->decoding)
        return;
    const QString local = LocalPathOfUpload(m_settings, urlPath);
    QString refused;
    if (local.isEmpty()) {
        refused = translated(QT_TRANSLATE_NOOP("BoxWeek", "it was not uploaded where boxes upload"));
    } else if (!InOwnUploadFolder(m_settings, mac, local)) {
        // Boxes put the lists they are asked for straight into filesys/ or
        // into their own folder there, never into another box's.
        refused = translated(QT_TRANSLATE_NOOP("BoxWeek", "it is in another box's folder"));
        qWarning("%s named %s, a file of another box's folder, as its %s", qPrintable(mac), qPrintable(local),
                 qPrintable(name));
    }
    if (!refused.isEmpty()) {
        int day = 0, kind = 0;
        ParseListName(name, &day, &kind);
        m_weeks[mac].notes.append(
            {day, translated(QT_TRANSLATE_NOOP("BoxWeek", "%1 cannot be read: %2")).arg(name, refused)});
        it->current.clear();
        next(mac);
        return;
    }
    // A box's list may be large or hostile: it is read and decoded beside
    // the window, and only its rows come back.
    it->decoding = true;
    it->timer->stop();
    auto promise = std::make_shared<QPromise<BoxWeek>>();
    auto *watcher = new QFutureWatcher<BoxWeek>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, mac, name] {
        watcher->deleteLater();
        const auto job = m_jobs.find(mac);
        if (job == m_jobs.end() || !job->decoding || job->current != name)
            return;
        job->decoding = false;
        job->current.clear();
        MergeListWeek(m_weeks[mac], name, watcher->result());
        next(mac);
    });
    watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, name, local] {
        promise->start();
        promise->addResult(ReadListWeek(name, local));
        promise->finish();
    });
}

void WeekReader::onReply(const QString &mac, int code, int klass, const QString &display)
{
    // A refused upload answers the list asked for: the box does not have it,
    // or could not send it.
    const auto it = m_jobs.find(mac);
    if (it == m_jobs.end() || it->current.isEmpty() || it->decoding || code != CMD_FILEUPLOAD || klass != 3)
        return;
    if (!display.contains(QLatin1String("NOT EXIST"))) {
        int day = 0, kind = 0;
        ParseListName(it->current, &day, &kind);
        m_weeks[mac].notes.append(
            {day, translated(QT_TRANSLATE_NOOP("BoxWeek", "%1 cannot be fetched: the box could not send it (%2)"))
                      .arg(it->current, ReadableWord(display))});
    }
    it->current.clear();
    next(mac);
}

void WeekModel::setWeek(const BoxWeek &week, const QString &boxName, const QList<int> &differing)
{
    beginResetModel();
    m_week = week;
    m_name = boxName;
    m_differing = differing;
    endResetModel();
}

int WeekModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_week.blocks.size());
}

int WeekModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant WeekModel::data(const QModelIndex &index, int role) const
{
    // A tool tip gives the whole text of a cell cut to fit.
    if (!index.isValid() || index.row() >= m_week.blocks.size() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const WeekBlock &b = m_week.blocks.at(index.row());
    switch (index.column()) {
    case BoxColumn:
        return m_name;
    case DayColumn:
        return DayName(b.day);
    case StartColumn:
        return clock(b.schedule.startSec);
    case EndColumn:
        return clock(b.schedule.endSec);
    case KindColumn:
        return WeekBlock::KindText(b.kind);
    case TypeColumn:
        return b.typeText();
    case ItemsColumn:
        return b.schedule.items.join(QStringLiteral(", "));
    }
    return {};
}

QVariant WeekModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *const titles[] = {QT_TRANSLATE_NOOP("BoxWeek", "Box"),   QT_TRANSLATE_NOOP("BoxWeek", "Day"),
                                         QT_TRANSLATE_NOOP("BoxWeek", "Start"), QT_TRANSLATE_NOOP("BoxWeek", "End"),
                                         QT_TRANSLATE_NOOP("BoxWeek", "Kind"),  QT_TRANSLATE_NOOP("BoxWeek", "Type"),
                                         QT_TRANSLATE_NOOP("BoxWeek", "Files")};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return {};
    return translated(titles[section]);
}
