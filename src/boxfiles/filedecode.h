#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>

// Reads the XML files boxes send back (their play lists, their download plan
// with its progress, their disk directory) into rows for the decode list.
// Box files are hostile input: nothing in them is trusted, sizes are
// bounded, and a file that cannot be read or parsed is an error text, never
// a crash.

enum DecodeKind
{
    DECODE_PLAYLIST = 0,
    DECODE_TEXTLIST = 1,
    DECODE_PICLIST = 2,
    DECODE_PLANSTATUS = 3,
    DECODE_DISKDIR = 4
};

enum DecodeResult
{
    DECODE_OK = 0,         // the whole document was read
    DECODE_NOVIEW = 1,     // nothing to fill
    DECODE_BADNAME = 3,    // an element had an unexpected name
    DECODE_NOCHILDREN = 4, // the root element has no children
    DECODE_UNREADABLE = -1 // the file could not be read or parsed: see error
};

// One file of a decoded schedule.
struct sBasicInfo
{
    QString GroupId;
    QString FileName;
};

// One decoded schedule: start and end in seconds after midnight.
struct sBasicSchedule
{
    quint32 StartSec = 0;
    quint32 EndSec = 0;
    QString Type;
    QList<sBasicInfo> Files;
};

// One row of a decoded play list.
struct sBasicScheduleInfo
{
    QString StartText; // "08:00:00"
    QString EndText;
    QString Type;
    QString GroupId;
    QString FileName;
};

// The schedules of one play list in rising order of start, one per start,
// and an iteration over their files.
class CBasicScheduleList
{
public:
    // The file list of the schedule starting then, made when there is none
    // (a later schedule with the same start keeps the first one's end and type).
    QList<sBasicInfo> &AddSchedule(const QString &startHour, const QString &startMin, const QString &endHour,
                                   const QString &endMin, const QString &type);
    // The next row, or false once every row was given (the next call starts again).
    bool NextRow(sBasicScheduleInfo &row);
    const std::map<quint32, sBasicSchedule> &schedules() const { return m_schedules; }

private:
    // Keyed by start, so adding a schedule is a lookup, not a walk.
    std::map<quint32, sBasicSchedule> m_schedules;
    bool m_iterating = false;
    std::map<quint32, sBasicSchedule>::const_iterator m_schedule;
    qsizetype m_file = 0;
};

// One schedule of a media, text or picture play list as the box holds it:
// its files, texts or pictures in document order.
struct PlaySchedule
{
    quint32 startSec = 0;
    quint32 endSec = 0;
    QString type;
    QStringList items;
    bool operator==(const PlaySchedule &) const = default;
};

struct DecodedSchedules
{
    int result = DECODE_OK; // DECODE_UNREADABLE or DECODE_BADNAME: see error
    QString error;
    QList<PlaySchedule> schedules; // in rising order of start, one per start
};

// What a decode puts in the decode list.
struct DecodedTable
{
    int result = DECODE_OK;
    QString error; // DECODE_UNREADABLE: why, for the operator
    QStringList columns;
    QList<int> widths;      // -1: the view's own width
    bool checkable = false; // rows with check boxes
    bool replacesRows = false;
    QList<QStringList> rows; // caption, then sub-items
};

class CFileDecode
{
public:
    // Documents larger than this, or with more elements, are refused.
    static constexpr qint64 kMaxBytes = 16 * 1024 * 1024;
    static constexpr int kMaxElements = 200000;
    // No element needs more attributes or longer ones than these, and no
    // decode gives rows holding more text than kMaxRowChars characters.
    static constexpr int kMaxAttributes = 32;
    static constexpr int kMaxAttributeChars = 4096;
    static constexpr qint64 kMaxRowChars = 8 * 1024 * 1024;

    // Kind 0 play list, 1 text list, 2 picture list, 3 plan with progress
    // text, 4 disk directory; any other kind gives nothing (result DECODE_NOVIEW).
    static DecodedTable Decode(int kind, const QString &path, const QString &progress = {});

    static DecodedTable DecodePlayList(const QByteArray &document);
    static DecodedTable DecodeTextList(const QByteArray &document);
    static DecodedTable DecodePicList(const QByteArray &document);
    // The schedules of a play list of kind 0, 1 or 2 (the same merge rule as
    // the decode list: a later schedule with an earlier one's start adds its
    // items to it).
    static DecodedSchedules ReadSchedules(int kind, const QByteArray &document);
    static DecodedTable DecodePlanStatus(const QByteArray &document, const QString &progress);
    static DecodedTable DecodeDiskDir(const QByteArray &document);

    // Whether plan file k is finished by the progress text ('x' and then one
    // character per file, the last one for the first file; 64 at most).
    static bool FileFinished(const QString &progress, int k);
};

// A text file from a box (a play log, a settings file) as the program shows
// it: UTF-8 when its bytes are valid UTF-8, else GB18030; of a file larger
// than maxBytes only the end, from the first whole line.
// Lines of a box text longer than this are cut (a log of one 8 MiB line
// would cost the text view seconds).
constexpr int kMaxBoxTextLine = 4096;
struct BoxText
{
    QString text;
    int longLines = 0;   // lines cut to kMaxBoxTextLine characters
    qint64 size = 0;     // the file's size
    bool cut = false;    // only its end is in text
    bool binary = false; // it holds NUL bytes: no text to show
    QString error;       // it could not be read
};
BoxText ReadBoxText(const QString &path, qint64 maxBytes = 8 * 1024 * 1024);
