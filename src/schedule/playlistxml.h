#pragma once

#include <QString>
#include <QStringList>

struct ServerSettings;
class TPlayList;

// Writes the per-day play lists of the working set into the XML folder:
// n(T).xml (PLAYLIST, UTF-8), text-n(T).xml (STEXTLIST, GB2312) and
// pic-n(T).xml (PICLIST, UTF-8) for every day n that has an entry of that
// kind, with one time stamp T. Files are written atomically.
struct GenerationResult
{
    enum Status
    {
        Ok,
        EmptySchedule,
        BadFileName,
        WriteFailed
    };
    Status status = Ok;
    QStringList files;    // full paths written, in writing order
    QString downloadList; // GenerateDownloadList: the download list's full path
    QString error;        // WriteFailed: what could not be written and why
};

GenerationResult GeneratePlayLists(const TPlayList &store, const ServerSettings &settings, const QString &timestamp);

// The play lists, then downloadList_T.xml naming every play-list file, media
// file and picture with its size and HTTP address.
GenerationResult GenerateDownloadList(const TPlayList &store, const ServerSettings &settings);

// "fileupdate http http://ip:port//path/of/download_T.xml".
QString TransferCommand(const ServerSettings &settings, const QString &downloadList);

// The documents themselves, for the writers above and their tests.
QByteArray PlayListDocument(const TPlayList &store, int day);
QByteArray TextListDocument(const TPlayList &store, int day, bool *encodable = nullptr);
QByteArray PictureListDocument(const TPlayList &store, int day);
QString ScheduleTypeText(quint32 type);
