#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The one reader and writer of the program's INI files (Deploy.ini,
// MacGroup.ini, Ftp.ini). Texts are byte strings in the files' code page
// (GB2312) and pass through unchanged; every call reads the whole file anew
// and a write replaces the file atomically.

constexpr int MAX_FILE_SIZE = 16384;
constexpr int MAX_INIINDIVIDUALLEN = 1024;
constexpr int MAX_SectionLen = 16;
constexpr int MAX_KeyLen = 16;
// A value written into a block must be shorter than this.
constexpr int MAX_INIWRITEVALUELEN = 256;

// The blocks of one key in one section: key={v1,v2,...} lines in file order.
struct InitNode
{
    QByteArray section;
    QByteArray key;
    QList<QList<QByteArray>> blocks;
    // Other lines of the section (comments, other keys, blocks not closed),
    // byte for byte: read, and written back before the blocks.
    QList<QByteArray> kept;
};

// 1 when the key was found (value cut to size - 1 bytes), 0 otherwise; then
// value becomes the default (at most size bytes) when one is given and is
// left alone when not.
int IniReadString(const QByteArray &section, const QByteArray &key, QByteArray &value, int size,
                  const char *defaultValue, const QString &file);

// The value as a decimal number (white space, sign, digits up to the first
// other character, no digits giving 0), or the default when the key is missing.
int IniReadInt(const QByteArray &section, const QByteArray &key, int defaultValue, const QString &file);

// 1 when the file was written, 0 otherwise (also for a value holding a line
// break, which the file could not give back).
int IniWriteString(const QByteArray &section, const QByteArray &key, const QByteArray &value, const QString &file);

// 1 when the file was read and the node's section exists, 0 otherwise.
int IniReadNode(InitNode &node, const QString &file);

// Rewrites the node's section as a whole; 1 when the file was written. A value
// holding ',', '}', '[' or a line break, or of MAX_INIWRITEVALUELEN bytes or more,
// is refused with 0 and the file stays as it was; error then says why.
int IniWriteNode(const InitNode &node, const QString &file, QString *error = nullptr);

// True when the text can be stored as a block value and read back unchanged.
bool IniIsValidBlockValue(const QByteArray &value);
