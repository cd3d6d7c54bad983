#pragma once

#include "base/clock.h"
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct InitNode;

// Field widths of a box record, in bytes including the terminating zero.
constexpr int MacAddLen = 20;
constexpr int GroupNameLen = 64;
constexpr int IPLen = 20;
constexpr int BoxVerLen = 16;
constexpr int VarLen = 64;
// Slots of the group table and of the box table.
constexpr int MAX_InitCount = 256;
constexpr int MAX_BoxCount = 256;
// Seconds without a heartbeat after which a box shows offline.
constexpr int OfflineAfterSeconds = 30;

// Results shared across the program.
enum : int
{
    RES_OK = 0,
    RES_BADINDEX = 1,
    RES_NOMEMORY = 3,
    RES_NOTFOUND = 4,
    RES_FOUND = 5,
    RES_UNCHANGED = 6,
    RES_TABLEFULL = 8,
    RES_NOLINK = 9,
    RES_ONECONN = 10,
    RES_NOCONN = 11,
    RES_MANYCONN = 12,
    RES_BADIP = 14,
    RES_BADMAC = 15,
    RES_BADVERSION = 16,
    RES_NOWEEKDAY = 19,
    RES_NAMETAKEN = 20,
};
// MergeHeartbeat's own name for a box it has just added.
constexpr int RES_NEWBOX = RES_NOTFOUND;

inline constexpr char kNoGroup[] = "No Group";

// One box. Texts hold at most their field width less one GB2312 bytes.
struct MacGroupData
{
    quint32 LastHeard = 0; // seconds since 1970; 0 when not heard since start-up
    QString MacAdd;
    QString ClientName;
    quint32 GroupIndex = 1; // slot of the box's group; 1 is "No Group"
    QString IPAdd;
    quint32 Online = 0;
    QString BoxVer;
    quint8 OutputMode = 4; // 4: no mode yet
    quint8 LayoutMode = 9; // 9: no layout yet
    qint32 DiskTotalMB = 0;
    qint32 DiskFreeMB = 0;
    qint32 TimeDiff = 0; // the server's clock minus the box's, seconds
    quint32 Status = 0;

    // How far the box's clock runs ahead of the server's (behind when negative).
    qint64 ClockAhead() const { return -qint64(TimeDiff); }
};

// Which boxes a list shows.
enum class BoxFilter
{
    Offline = 0,
    Online = 1,
    All = 2
};

// A list row: the caption and the sub-items in column order.
struct RowText
{
    QString caption;
    QStringList subItems;
    bool operator==(const RowText &) const = default;
};

// The registry of every box the server knows, keyed by MAC, in order of first
// appearance, and the named groups they are sorted into.
class MacGruoup
{
public:
    explicit MacGruoup(const Clock &clock = Clock::system());
    void setClock(const Clock &clock) { m_clock = &clock; }

    // RES_FOUND and the slot, or RES_NOTFOUND.
    int FindBox(const QString &mac, int *slot = nullptr) const;

    // Merges a heartbeat's record: RES_NEWBOX (4), RES_FOUND (5, the address
    // changed), RES_UNCHANGED (6), 14/15/16 for a field that does not fit, or
    // RES_TABLEFULL when a new box finds all 256 slots taken.
    int MergeHeartbeat(const MacGroupData &record);

    // Marks offline every online box silent for more than 30 seconds; returns
    // their slots.
    QList<int> CheckOffline();

    // Marks a box offline at once (it was told to reboot).
    void MarkOffline(int slot);

    void LoadFromNode(const InitNode &node);
    void SaveToNode(InitNode &node, const QByteArray &section, const QByteArray &key) const;

    int AddGroup(const QString &name);
    int DeleteGroup(const QString &name, QList<int> *moved = nullptr);
    int RenameGroup(const QString &oldName, const QString &newName, QList<int> *changed = nullptr);
    int SetBoxName(int slot, const QString &name);
    int SetBoxGroup(int slot, const QString &groupName);
    // Forgets an offline box: RES_OK, RES_FOUND when the box is online (it
    // would only register again), RES_BADINDEX. Later slots move down one.
    int RemoveBox(int slot);
    int GroupNameAt(int index, QString *name) const;
    QList<int> ListGroups() const;
    // The slot of the group with that name, or 0.
    int GroupIndexOf(const QString &name) const;
    QStringList GroupNames() const;

    int BoxCount() const { return int(m_boxes.size()); }
    const MacGroupData &Box(int slot) const { return m_boxes.at(slot); }
    QString GroupNameOf(int slot) const;
    QList<int> BoxesOfGroup(const QString &groupName) const;
    bool Passes(int slot, BoxFilter filter) const;

    RowText GroupListRow(int slot) const;
    RowText DetailRow(int slot) const;
    RowText PickRow(int slot) const;

    static QString OnlineText(quint32 online);
    static QString OutputModeText(quint8 mode);
    static QString LayoutText(quint8 layout);
    static QString StatusText(quint32 status);

    // A group or client name the registry and its file can hold: 1 to 63
    // GB2312 bytes that read back as themselves, without the file's
    // separators (',', '}', '[', line breaks).
    static bool IsValidName(const QString &name);

private:
    qint64 now() const;

    const Clock *m_clock;
    QList<MacGroupData> m_boxes;
    QList<QString> m_groups; // by slot number; empty is a free slot; slot 0 unused
    int m_groupCount = 1;
};

// MacGroup.ini: section "GROUP", one MAC={mac,client name,group name} line per box.
bool LoadRegistryFile(MacGruoup &registry, const QString &file);
// False when the file could not be written; error then says why.
bool SaveRegistryFile(const MacGruoup &registry, const QString &file, QString *error = nullptr);
