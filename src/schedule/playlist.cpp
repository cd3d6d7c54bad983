#include "playlist.h"

#include "registry/MacGroup.h"

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
