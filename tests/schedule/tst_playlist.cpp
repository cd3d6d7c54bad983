// The schedule store: the conflict rule, add/get/delete, and the sort modes
// with the exchange sort's order for equal keys.
#include "registry/MacGroup.h"
#include "schedule/playlist.h"

#include <QTest>

namespace {

TScheduleNode media(int hour, int minute, quint32 days, quint32 type = SCHD_LOOP, int endHour = 22)
{
    TScheduleNode e;
    e.SchdType = type;
    e.StartHour = quint8(hour);
    e.StartMin = quint8(minute);
    e.EndHour = quint8(endHour);
    e.WeekDays = days;
    e.vec_shortname = {QStringLiteral("a.mp4")};
    e.vec_fullname = {QStringLiteral("/c/video/a.mp4")};
    return e;
}

constexpr quint32 Sun = 1, Mon = 2, Tue = 4, Wed = 8;

QList<int> starts(const TPlayList &store)
{
    QList<int> result;
    for (const TScheduleNode &e : store.GetSchdList())
        result.append(e.StartHour * 100 + e.StartMin);
    return result;
}

} // namespace

class TestPlayList : public QObject
{
    Q_OBJECT

private slots:
    void conflictRule()
    {
        TPlayList store;
        QCOMPARE(store.AddSchd(media(8, 0, Mon | Tue)), RES_OK);
        QCOMPARE(store.AddSchd(media(8, 0, Mon)), RES_FOUND);
        QCOMPARE(store.AddSchd(media(8, 0, Wed)), RES_OK);
        // Overlapping windows that start at different minutes do not conflict.
        QCOMPARE(store.AddSchd(media(8, 1, Mon | Tue, SCHD_LOOP, 9)), RES_OK);
        QCOMPARE(store.AddSchd(media(8, 0, 0)), RES_NOWEEKDAY);
        QCOMPARE(store.CheckSchd(media(8, 0, 0)), RES_FOUND);
        QCOMPARE(store.GetSchdList().size(), 3);
        // Lists do not conflict with each other.
        TScheduleNodeOther text;
        text.StartHour = 8;
        text.WeekDays = Mon | Tue;
        text.vec_item = {QStringLiteral("hello")};
        QCOMPARE(store.AddOtherSchd(OTHER_TEXT, text), RES_OK);
        QCOMPARE(store.AddOtherSchd(OTHER_TEXT, text), RES_FOUND);
        QCOMPARE(store.AddOtherSchd(OTHER_PIC, text), RES_OK);
        QCOMPARE(store.AddOtherSchd(7, text), RES_BADINDEX);
        QCOMPARE(store.CheckOtherSchd(7, text), RES_NOTFOUND);
    }

    void getAndDelete()
    {
        TPlayList store;
        store.AddSchd(media(8, 0, Mon));
        store.AddSchd(media(9, 0, Mon));
        TScheduleNode out = media(1, 1, Sun);
        const TScheduleNode before = out;
        QVERIFY(!store.GetSchd(2, out));
        QCOMPARE(out, before);
        QVERIFY(store.GetSchd(1, out));
        QCOMPARE(out.StartHour, 9);
        QCOMPARE(store.DelSchd(2), RES_BADINDEX);
        QCOMPARE(store.GetSchdList().size(), 2);
        QCOMPARE(store.DelSchd(0), RES_OK);
        QCOMPARE(starts(store), QList<int>{900});
        TScheduleNodeOther other;
        QVERIFY(!store.GetOtherSchd(OTHER_PIC, 0, other));
        QVERIFY(!store.GetOtherSchd(5, 0, other));
        QCOMPARE(store.DelOtherSchd(OTHER_TEXT, 0), RES_BADINDEX);
        QCOMPARE(store.DelOtherSchd(9, 0), RES_BADINDEX);
    }

    void sortModes()
    {
        TPlayList store;
        store.AddSchd(media(9, 0, Mon, SCHD_NONE, 10));
        store.AddSchd(media(10, 0, Sun, SCHD_LOOP, 23));
        store.AddSchd(media(8, 0, Tue, SCHD_ONCE, 9));
        store.SortSchd(1);
        QCOMPARE(starts(store), (QList<int>{1000, 800, 900}));
        store.SortSchd(2);
        QCOMPARE(starts(store), (QList<int>{800, 900, 1000}));
        store.SortSchd(3);
        QCOMPARE(starts(store), (QList<int>{800, 900, 1000}));
        // Mode 4: Sunday's entries first.
        store.SortSchd(4);
        QCOMPARE(starts(store), (QList<int>{1000, 800, 900}));
        store.SortSchd(5);
        QCOMPARE(starts(store), (QList<int>{900, 800, 1000}));
        store.SortSchd(11);
        QCOMPARE(starts(store), (QList<int>{900, 800, 1000}));
        store.SortSchd(0);
        QCOMPARE(starts(store), (QList<int>{900, 800, 1000}));
    }

    void equalKeysKeepTheExchangeSortOrder()
    {
        // Keys 5, 5' and 3 come out as 3, 5', 5.
        TPlayList store;
        store.AddSchd(media(5, 0, Mon, SCHD_LOOP, 20));
        store.AddSchd(media(5, 0, Tue, SCHD_LOOP, 21));
        store.AddSchd(media(3, 0, Wed, SCHD_LOOP, 22));
        store.SortSchd(2);
        QCOMPARE(starts(store), (QList<int>{300, 500, 500}));
        QCOMPARE(store.GetSchdList()[1].EndHour, 21);
        QCOMPARE(store.GetSchdList()[2].EndHour, 20);
    }
};

QTEST_GUILESS_MAIN(TestPlayList)
#include "tst_playlist.moc"
