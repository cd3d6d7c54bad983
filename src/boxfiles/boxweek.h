#pragma once

#include "filedecode.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QObject>
#include <QStringList>

#include <functional>

class Cmd_API;
class MacGruoup;
class QTimer;
struct ServerSettings;

// One schedule of one day as a box plays it.
struct WeekBlock
{
    int day = 0;  // 0 Sunday … 6 Saturday, as boxes count
    int kind = 0; // DECODE_PLAYLIST (media), DECODE_TEXTLIST or DECODE_PICLIST
    PlaySchedule schedule;
    bool operator==(const WeekBlock &) const = default;

    // "Media", "Text" or "Picture".
    static QString KindText(int kind);
    // "Loop", "Once" or the box's own word.
    QString typeText() const;
    // "Media [08:00~22:00] opening.mp4, 广告.avi"
    QString text() const;
};

// What a box holds for the week: its play lists and the blocks they make.
struct BoxWeek
{
    enum State
    {
        NotRead,
        Reading,
        Read,
        Offline,  // the box was offline
        NoAnswer, // a request had no answer in time
    };
    // What one day may hold: a list of more schedules shows its first ones
    // and says so in the day's note.
    static constexpr int kMaxBlocksPerDay = 1000;

    QString mac;
    State state = NotRead;
    QList<WeekBlock> blocks;          // by day, kind, then start
    QList<QPair<int, QString>> notes; // a day and why a list of it is missing or unreadable

    // A text that is the same for two weeks exactly when they play the same.
    QByteArray signature() const;
    QList<WeekBlock> blocksOfDay(int day) const;
    // The blocks of the day playing at that second of the day.
    QList<WeekBlock> playingAt(int day, int second) const;
};

// "0.xml" … "6.xml", "text-0.xml" … "text-6.xml", "pic-0.xml" … "pic-6.xml".
QStringList WeekListNames();
// The day and kind a list name stands for; false for any other name.
bool ParseListName(const QString &name, int *day, int *kind);
QString DayName(int day);

// Adds what a list of the box holds to its week; a list that cannot be
// decoded leaves its day's blocks of that kind out and adds a note.
void AddListToWeek(BoxWeek &week, const QString &name, const QByteArray &document);
// Reads one list file of the box and decodes it as AddListToWeek does, into a
// week of its own (safe on any thread).
BoxWeek ReadListWeek(const QString &name, const QString &path);
// Adds a week read by ReadListWeek to the box's week, within each day's bound.
void MergeListWeek(BoxWeek &week, const QString &name, const BoxWeek &part);
// Sorts the blocks into their order once every list was added.
void FinishWeek(BoxWeek &week);

// Where two weeks differ, day by day: the blocks only the reference has, and
// the ones only the box has.
struct DayDifference
{
    int day = 0;
    QStringList missing;
    QStringList extra;
    QString text() const; // "Wednesday: missing Media [08:00~22:00] a.mp4; extra …"
};
QList<DayDifference> CompareWeeks(const BoxWeek &box, const BoxWeek &reference);

// The index of the week most boxes hold among those read (the first of them
// on a tie), or -1 when none was read.
qsizetype MostCommonWeek(const QList<BoxWeek> &weeks);

// The week a download list sent, read from the play lists it names on this
// computer; nothing when the list or one of its play lists is gone.
std::optional<BoxWeek> SentWeek(const QString &downloadList);

// A box's week as rows: one per block, in day, kind and start order. The
// week view draws them; the CSV export writes them.
class WeekModel : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WeekModel)

public:
    enum Column
    {
        BoxColumn,
        DayColumn,
        StartColumn,
        EndColumn,
        KindColumn,
        TypeColumn,
        ItemsColumn,
        ColumnCount
    };
    using QAbstractTableModel::QAbstractTableModel;

    // The week shown; differing: days whose lists differ from what was sent.
    void setWeek(const BoxWeek &week, const QString &boxName, const QList<int> &differing = {});
    const BoxWeek &week() const { return m_week; }
    const QString &boxName() const { return m_name; }
    const QList<int> &differingDays() const { return m_differing; }
    const WeekBlock &block(int row) const { return m_week.blocks.at(row); }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    BoxWeek m_week;
    QString m_name;
    QList<int> m_differing;
};

// Asks boxes for their 21 play lists with "get file", one request at a time
// per box, and builds each box's week from what they upload.
class WeekReader : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(WeekReader)

public:
    static constexpr int kAnswerMs = 30000;

    WeekReader(const MacGruoup &registry, Cmd_API &cmd, const ServerSettings &settings, QObject *parent = nullptr);
    ~WeekReader() override;

    // Starts reading these boxes; a box being read is not asked again.
    void read(const QStringList &macs);

    BoxWeek week(const QString &mac) const { return m_weeks.value(mac); }
    bool contains(const QString &mac) const { return m_weeks.contains(mac); }

signals:
    // A box's week is complete (or it could not be read).
    void boxRead(const QString &mac);

private:
    struct Job
    {
        QStringList names; // still to ask for
        QString current;   // asked for, not answered
        QTimer *timer = nullptr;
        bool decoding = false; // the answer is being decoded beside the window
    };
    void next(const QString &mac);
    void end(const QString &mac, BoxWeek::State state);
    void onFile(const QString &name, const QString &mac, const QString &urlPath);
    void onReply(const QString &mac, int code, int klass, const QString &display);

    const MacGruoup &m_registry;
    Cmd_API &m_cmd;
    const ServerSettings &m_settings;
    QHash<QString, BoxWeek> m_weeks;
    QHash<QString, Job> m_jobs;
};
