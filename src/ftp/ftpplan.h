#pragma once

#include "ftpclient.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>

struct ServerSettings;

// A file of a download plan: its name and the "ftp://" address it is fetched from.
struct sFtpFile
{
    QString name;
    QString url;
    bool operator==(const sFtpFile &) const = default;
};

// A box chosen for a download plan.
struct BoxBasicInfo
{
    QString mac;
    QString name;
};

// A row of the plan's schedule list: a time window, its kind ("Loop", "Once",
// "None"), its week days (Sunday first) and the plan files it plays.
struct FtpScheduleRow
{
    QString start; // "HH:MM" as the hour and minute boxes held them
    QString end;
    QString kind;
    std::array<bool, 7> days{};
    QList<sFtpFile> files;

    QString caption() const;
    // What the list shows after the caption: start, end, kind, seven
    // "YES"/"NO", then a name and an address per file.
    QStringList subItems() const;
    static FtpScheduleRow fromTexts(const QString &caption, const QStringList &subItems);
};

// One time slot of one week day.
struct sPlayList
{
    int startHour = 0;
    int startMin = 0;
    int endHour = 0;
    int endMin = 0;
    QString kind;
    QList<sFtpFile> files;
};

// A written day file: its address and its short name ("0.xml" to "6.xml").
struct sFtpDayXml
{
    QString url;
    QString shortName;
};

struct PlanMoment
{
    int year = 2000;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
};

struct PlanTimes
{
    PlanMoment start;      // the download window opens
    PlanMoment end;        // and closes
    PlanMoment activation; // the plan starts playing
    int loopDays = 7;
};

// "H:MM" as minutes of the day, or -1 when the text has no colon.
int TimeTextMinutes(const QString &text);

// Whether a new row from start to end (minutes) on the given days overlaps an
// existing row on one of those days: its start or its end lies strictly
// inside the other row. Enclosing, equal and touching rows do not clash.
bool ScheduleClashes(const QList<FtpScheduleRow> &rows, const std::array<bool, 7> &days, int start, int end);

// Every file of the rows once (same name and address), in order of first use.
QList<sFtpFile> BuildDownloadList(const QList<FtpScheduleRow> &rows);

// The daySlots of one day (0 = Sunday), by start; rows starting at the same
// minute share the first one's slot, end and kind.
QList<sPlayList> BuildDaySlots(const QList<FtpScheduleRow> &rows, int day);

// "08:00": hours and minutes, two digits each.
QString SlotTimeText(int hour, int minute);

// start < end < activation < start + loop days, as local times.
bool PlanTimesValid(const PlanTimes &times);
// Which rule the times break, for the operator; empty when they keep all.
QString PlanTimesProblem(const PlanTimes &times);

// A day's play list in the media play-list form (UTF-8).
QByteArray DayPlanDocument(const QList<sPlayList> &daySlots, bool *stored = nullptr);

// The DLPLANLIST document (GB2312); encodable is false when a name cannot be
// stored in GB2312.
QByteArray PlanDocument(const PlanTimes &times, const QList<sFtpDayXml> &days, const QList<sFtpFile> &files,
                        bool *encodable = nullptr);

struct PlanWriteResult
{
    bool ok = false;
    QString error;
    QString planPath;
    QString command; // "planupdate http http://ip:port//path/plan_T.xml"
    QStringList files;
};

// Writes the day files and the plan into the XML folder with one time stamp.
PlanWriteResult WritePlan(const ServerSettings &settings, const PlanTimes &times, const QList<FtpScheduleRow> &rows,
                          const QString &timestamp);

// The remembered accounts of Ftp.ini: [FTP] Account={name,host,port,user,password,folder}.
// Entries of fewer than five values are skipped; five values mean no folder.
QList<host_info> LoadFtpAccounts(const QString &file);
// Written whole, owner-only; false with a reason when it cannot be.
bool SaveFtpAccounts(const QList<host_info> &accounts, const QString &file, QString *error = nullptr);
// Why an account cannot be kept in Ftp.ini, or empty when it can.
QString FtpAccountProblem(const host_info &account);
