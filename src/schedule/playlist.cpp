#include "playlist.h"

#include "registry/MacGroup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>

namespace {

template <typename Entry> int conflicts(const QList<Entry> &list, const Entry &entry)
{
    if ((entry.WeekDays & 0x7F) == 0)
        return RES_FOUND;
    for (const Entry &other : list) {
        if (other.StartHour == entry.StartHour && other.StartMin == entry.StartMin &&
            (other.WeekDays & entry.WeekDays & 0x7F))
            return RES_FOUND;
    }
    return RES_NOTFOUND;
}

// The exchange sort the schedule lists have always used: the order it gives
// for equal keys is part of what the operator sees.
void exchangeSort(QList<TScheduleNode> &list, const std::function<int(const TScheduleNode &)> &key)
{
    for (qsizetype i = 0; i < list.size(); ++i) {
        for (qsizetype j = i; j < list.size(); ++j) {
            if (key(list[j]) < key(list[i]))
                list.swapItemsAt(i, j);
        }
    }
}

int startOf(const TScheduleNode &e)
{
    return StartKey(e.StartHour, e.StartMin);
}

} // namespace

QList<TScheduleNodeOther> *TPlayList::listOf(int selector)
{
    if (selector == OTHER_TEXT)
        return &m_text;
    if (selector == OTHER_PIC)
        return &m_pictures;
    return nullptr;
}

const QList<TScheduleNodeOther> &TPlayList::GetOtherSchdList(int selector) const
{
    static const QList<TScheduleNodeOther> none;
    if (selector == OTHER_TEXT)
        return m_text;
    if (selector == OTHER_PIC)
        return m_pictures;
    return none;
}

int TPlayList::CheckSchd(const TScheduleNode &entry) const
{
    return conflicts(m_media, entry);
}

int TPlayList::CheckOtherSchd(int selector, const TScheduleNodeOther &entry) const
{
    if (selector != OTHER_TEXT && selector != OTHER_PIC)
        return RES_NOTFOUND;
    return conflicts(GetOtherSchdList(selector), entry);
}

int TPlayList::AddSchd(const TScheduleNode &entry)
{
    if ((entry.WeekDays & 0x7F) == 0)
        return RES_NOWEEKDAY;
    if (CheckSchd(entry) == RES_FOUND)
        return RES_FOUND;
    m_media.append(entry);
    return RES_OK;
}

int TPlayList::AddOtherSchd(int selector, const TScheduleNodeOther &entry)
{
    QList<TScheduleNodeOther> *list = listOf(selector);
    if (!list)
        return RES_BADINDEX;
    if ((entry.WeekDays & 0x7F) == 0)
        return RES_NOWEEKDAY;
    if (conflicts(*list, entry) == RES_FOUND)
        return RES_FOUND;
    list->append(entry);
    return RES_OK;
}

bool TPlayList::GetSchd(int index, TScheduleNode &entry) const
{
    if (index < 0 || index >= m_media.size())
        return false;
    entry = m_media[index];
    return true;
}

bool TPlayList::GetOtherSchd(int selector, int index, TScheduleNodeOther &entry) const
{
    const QList<TScheduleNodeOther> &list = GetOtherSchdList(selector);
    if (selector != OTHER_TEXT && selector != OTHER_PIC)
        return false;
    if (index < 0 || index >= list.size())
        return false;
    entry = list[index];
    return true;
}

int TPlayList::DelSchd(int index)
{
    if (index < 0 || index >= m_media.size())
        return RES_BADINDEX;
    m_media.removeAt(index);
    return RES_OK;
}

int TPlayList::DelOtherSchd(int selector, int index)
{
    QList<TScheduleNodeOther> *list = listOf(selector);
    if (!list || index < 0 || index >= list->size())
        return RES_BADINDEX;
    list->removeAt(index);
    return RES_OK;
}

void TPlayList::SortSchd(int mode)
{
    constexpr int kDay = 24 * 60;
    if (mode == 1) {
        exchangeSort(m_media, [](const TScheduleNode &e) {
            const int rank = e.SchdType <= SCHD_NONE ? int(e.SchdType) : 3;
            return rank * kDay + startOf(e);
        });
    } else if (mode == 2) {
        exchangeSort(m_media, startOf);
    } else if (mode == 3) {
        exchangeSort(m_media, [](const TScheduleNode &e) { return StartKey(e.EndHour, e.EndMin); });
    } else if (mode >= 4 && mode <= 10) {
        const quint32 day = 1u << (mode - 4);
        exchangeSort(m_media, [day](const TScheduleNode &e) { return ((e.WeekDays & day) ? 0 : kDay) + startOf(e); });
    }
}

namespace {

constexpr qsizetype kMaxDraftBytes = 16 * 1024 * 1024;
constexpr qsizetype kMaxDraftItems = 4096;

template <typename Entry> QJsonObject timesOf(const Entry &e)
{
    return {{QStringLiteral("type"), qint64(e.SchdType)}, {QStringLiteral("startHour"), e.StartHour},
            {QStringLiteral("startMin"), e.StartMin},     {QStringLiteral("endHour"), e.EndHour},
            {QStringLiteral("endMin"), e.EndMin},         {QStringLiteral("days"), qint64(e.WeekDays)}};
}

template <typename Entry> bool readTimes(const QJsonObject &o, Entry &e)
{
    const auto in = [&o](const char *key, int low, int high, int &out) {
        const QJsonValue v = o.value(QLatin1String(key));
        if (!v.isDouble())
            return false;
        const double n = v.toDouble();
        if (n < low || n > high || n != double(int(n)))
            return false;
        out = int(n);
        return true;
    };
    int type = 0, sh = 0, sm = 0, eh = 0, em = 0, days = 0;
    if (!in("type", 0, 2, type) || !in("startHour", 0, 23, sh) || !in("startMin", 0, 59, sm) ||
        !in("endHour", 0, 23, eh) || !in("endMin", 0, 59, em) || !in("days", 1, 0x7F, days))
        return false;
    e.SchdType = quint32(type);
    e.StartHour = quint8(sh);
    e.StartMin = quint8(sm);
    e.EndHour = quint8(eh);
    e.EndMin = quint8(em);
    e.WeekDays = quint32(days);
    return true;
}

QStringList stringsOf(const QJsonValue &value)
{
    QStringList result;
    const QJsonArray array = value.toArray();
    for (qsizetype i = 0; i < array.size() && i < kMaxDraftItems; ++i)
        result.append(array.at(i).toString());
    return result;
}

QJsonObject otherOf(const TScheduleNodeOther &e)
{
    QJsonObject o = timesOf(e);
    o.insert(QStringLiteral("items"), QJsonArray::fromStringList(e.vec_item));
    const quint32 colours[] = {e.TextColourR,       e.TextColourG,       e.TextColourB, e.BackgroundColourR,
                               e.BackgroundColourG, e.BackgroundColourB, e.speedMs,     e.OffsetPosition};
    QJsonArray numbers;
    for (quint32 n : colours)
        numbers.append(qint64(n));
    o.insert(QStringLiteral("numbers"), numbers);
    return o;
}

} // namespace

QByteArray ScheduleDraft(const TPlayList &lists)
{
    if (lists.isEmpty())
        return {};
    QJsonArray media;
    for (const TScheduleNode &e : lists.GetSchdList()) {
        QJsonObject o = timesOf(e);
        o.insert(QStringLiteral("names"), QJsonArray::fromStringList(e.vec_shortname));
        o.insert(QStringLiteral("paths"), QJsonArray::fromStringList(e.vec_fullname));
        media.append(o);
    }
    QJsonArray texts;
    for (const TScheduleNodeOther &e : lists.GetOtherSchdList(OTHER_TEXT))
        texts.append(otherOf(e));
    QJsonArray pictures;
    for (const TScheduleNodeOther &e : lists.GetOtherSchdList(OTHER_PIC))
        pictures.append(otherOf(e));
    const QJsonObject draft = {{QStringLiteral("draft"), 1},
                               {QStringLiteral("media"), media},
                               {QStringLiteral("text"), texts},
                               {QStringLiteral("pictures"), pictures}};
    return QJsonDocument(draft).toJson(QJsonDocument::Compact);
}

bool LoadScheduleDraft(const QByteArray &draft, TPlayList &lists)
{
    if (draft.isEmpty() || draft.size() > kMaxDraftBytes)
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(draft, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject() ||
        document.object().value(QLatin1String("draft")).toInt() != 1)
        return false;
    const QJsonObject root = document.object();
    const QJsonArray media = root.value(QLatin1String("media")).toArray();
    for (qsizetype i = 0; i < media.size() && i < kMaxDraftItems; ++i) {
        const QJsonObject o = media.at(i).toObject();
        TScheduleNode e;
        if (!readTimes(o, e))
            continue;
        e.vec_shortname = stringsOf(o.value(QLatin1String("names")));
        e.vec_fullname = stringsOf(o.value(QLatin1String("paths")));
        if (e.vec_shortname.size() != e.vec_fullname.size())
            continue;
        lists.AddSchd(e);
    }
    for (const auto &[key, selector] : {std::pair{"text", int(OTHER_TEXT)}, std::pair{"pictures", int(OTHER_PIC)}}) {
        const QJsonArray entries = root.value(QLatin1String(key)).toArray();
        for (qsizetype i = 0; i < entries.size() && i < kMaxDraftItems; ++i) {
            const QJsonObject o = entries.at(i).toObject();
            TScheduleNodeOther e;
            if (!readTimes(o, e))
                continue;
            e.vec_item = stringsOf(o.value(QLatin1String("items")));
            const QJsonArray numbers = o.value(QLatin1String("numbers")).toArray();
            if (numbers.size() != 8)
                continue;
            quint32 *fields[] = {&e.TextColourR,       &e.TextColourG,       &e.TextColourB, &e.BackgroundColourR,
                                 &e.BackgroundColourG, &e.BackgroundColourB, &e.speedMs,     &e.OffsetPosition};
            // Colours are bytes; speed and offset have four digits.
            bool sound = true;
            for (int n = 0; n < 8; ++n) {
                const double v = numbers.at(n).toDouble(-1);
                sound = sound && v >= 0 && v <= (n < 6 ? 255 : 9999) && v == double(int(v));
                *fields[n] = sound ? quint32(v) : 0;
            }
            if (sound)
                lists.AddOtherSchd(selector, e);
        }
    }
    return true;
}
