#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Schedule types.
enum : quint32
{
    SCHD_LOOP = 0,
    SCHD_ONCE = 1,
    SCHD_NONE = 2
};
// Selectors of the text and picture lists.
enum : int
{
    OTHER_TEXT = 0,
    OTHER_PIC = 1
};

// One media schedule: files played in a time window on some week days
// (bit 0 Sunday ... bit 6 Saturday).
struct TScheduleNode
{
    quint32 SchdType = SCHD_LOOP;
    quint8 StartHour = 0;
    quint8 StartMin = 0;
    quint8 EndHour = 0;
    quint8 EndMin = 0;
    quint32 WeekDays = 0;
    QStringList vec_shortname; // display names, as the content library shows them
    QStringList vec_fullname;  // the same files' full paths
    bool operator==(const TScheduleNode &) const = default;
};

// One text or picture schedule. Colours, speed and offset mean something for
// text schedules only.
struct TScheduleNodeOther
{
    quint32 SchdType = SCHD_LOOP;
    quint8 StartHour = 0;
    quint8 StartMin = 0;
    quint8 EndHour = 0;
    quint8 EndMin = 0;
    quint32 WeekDays = 0;
    QStringList vec_item; // texts to scroll, or picture names in the BMP folder
    quint32 TextColourR = 255;
    quint32 TextColourG = 255;
    quint32 TextColourB = 255;
    quint32 BackgroundColourR = 0;
    quint32 BackgroundColourG = 0;
    quint32 BackgroundColourB = 0;
    quint32 speedMs = 30;
    quint32 OffsetPosition = 30;
    bool operator==(const TScheduleNodeOther &) const = default;
};

// The working schedule set: media, text and picture schedules the operator
// composes and transfers. Kept in memory only.
class TPlayList
{
public:
    // RES_FOUND when the entry conflicts (no week day, or an entry starting
    // at the same minute on a shared day), RES_NOTFOUND otherwise.
    int CheckSchd(const TScheduleNode &entry) const;
    int CheckOtherSchd(int selector, const TScheduleNodeOther &entry) const;

    // RES_OK (appended), RES_NOWEEKDAY or RES_FOUND.
    int AddSchd(const TScheduleNode &entry);
    int AddOtherSchd(int selector, const TScheduleNodeOther &entry);

    bool GetSchd(int index, TScheduleNode &entry) const;
    bool GetOtherSchd(int selector, int index, TScheduleNodeOther &entry) const;

    // RES_OK or RES_BADINDEX.
    int DelSchd(int index);
    int DelOtherSchd(int selector, int index);

    // The current lists; valid until the next change of the store.
    const QList<TScheduleNode> &GetSchdList() const { return m_media; }
    const QList<TScheduleNodeOther> &GetOtherSchdList(int selector) const;
    bool isEmpty() const { return m_media.isEmpty() && m_text.isEmpty() && m_pictures.isEmpty(); }

    // 1 by type then start, 2 by start, 3 by end, 4..10 the entries of day
    // mode - 4 first; any other mode changes nothing.
    void SortSchd(int mode);

private:
    QList<TScheduleNodeOther> *listOf(int selector);

    QList<TScheduleNode> m_media;
    QList<TScheduleNodeOther> m_text;
    QList<TScheduleNodeOther> m_pictures;
};

// A box chosen for a transfer, as the box list shows it.
struct sBoxInfo
{
    QString BoxMac;
    QString BoxName;
};

// Minutes since midnight.
inline int StartKey(quint8 hour, quint8 minute)
{
    return hour * 60 + minute;
}

// The working lists as a draft to keep between runs (JSON), and back. A
// draft that is not one loads nothing; entries with impossible times or
// clashing with an earlier entry are left out.
QByteArray ScheduleDraft(const TPlayList &lists);
bool LoadScheduleDraft(const QByteArray &draft, TPlayList &lists);
