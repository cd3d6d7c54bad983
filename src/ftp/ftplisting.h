#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// One FTP account. Texts are cut to the widths the menus and Ftp.ini have
// always held: 255 characters for name, host and folder, 63 for user and
// password.
struct host_info
{
    static constexpr int kNameMax = 255;
    static constexpr int kHostMax = 255;
    static constexpr int kUserMax = 63;
    static constexpr int kPasswordMax = 63;
    static constexpr int kDirMax = 255;

    QString name;
    QString host;
    int port = 21;
    QString user;
    QString password;
    QString dir;
    // The Ftp.ini values the account was read from, as they stood: written
    // back unchanged while the fields still read the same from them.
    QList<QByteArray> stored;

    // Every field cut to its width.
    void cut();
    bool operator==(const host_info &other) const
    {
        return name == other.name && host == other.host && port == other.port && user == other.user &&
               password == other.password && dir == other.dir;
    }
};

// One parsed line of a detailed listing; an empty name means the line is not
// a file entry. A folder's size is "<DIR>".
struct s_listInfo
{
    QString name;
    QString date;
    QString attributes;
    QString size;
};

inline const QString kDirMarker = QStringLiteral("<DIR>");

// The Unix ("-rw-r--r-- 1 owner group size Mon DD HH:MM name") and DOS
// ("MM-DD-YY HH:MMAM <DIR>|size name") listing forms; anything else (the
// "total" line, links, empty lines) gives an empty record.
s_listInfo ParseListLine(const QString &line);

// What a connection state looks like on the status line.
enum class FtpStatus
{
    Resolving,
    Connecting,
    Connected,
    Disconnecting,
    Disconnected,
    Other
};
QString StatusText(FtpStatus kind, const QString &text = {});

// A listing's bytes as text: UTF-8 when they are valid UTF-8, else GB18030
// (the Chinese servers' code page). utf8 says which.
QString DecodeFtpText(const QByteArray &bytes, bool *utf8 = nullptr);
// A server's bytes as text, and text as a server's bytes, in the code page
// it was found to use (UTF-8, else GB18030).
QString DecodeFtpTextAs(const QByteArray &bytes, bool utf8);
QByteArray EncodeFtpText(const QString &text, bool utf8);
