#pragma once

#include <QByteArray>
#include <QString>

// The boxes, the INI files and the GB2312 documents hold texts as GB2312
// bytes; inside the program every text is Unicode. These are the only
// conversions between the two.
namespace CodePage {

// The GB2312 bytes of a text; ok is false (and the result empty) when the
// text holds a character GB2312 cannot represent.
QByteArray toGb2312(const QString &text, bool *ok = nullptr);

// Bytes from a box or a file: decoded leniently as GB18030, a superset of
// GB2312, so that nothing a box sends makes the decoder fail.
QString fromGb2312(const QByteArray &bytes);

// Box bytes that read back as exactly the same bytes once decoded and encoded
// again; exact is false for bytes that would change at every save and load
// (GBK user-defined codes, broken sequences).
QString fromGb2312(const QByteArray &bytes, bool *exact);

bool canEncode(const QString &text);
// The characters of the text GB2312 cannot hold, each once, in order
// ("€, 😀"), for telling the operator which ones are refused.
QString unencodable(const QString &text);

// A text that GB2312 holds and that decodes back to itself.
bool roundTrips(const QString &text);

// The length of the text in GB2312 bytes (two for a Chinese character), or -1
// when it cannot be encoded. Limits that count bytes use this.
qsizetype byteLength(const QString &text);

// What lists sort by: the text's GB2312 bytes (GB18030 for a character
// GB2312 lacks) with the ASCII letters a to z folded to capitals. Compared as
// unsigned bytes, a key that is a prefix of another comes first, so 北京
// (B1 B1) sorts before 广州 (B9 E3) and 上海 (C9 CF).
QByteArray sortKey(const QString &text);

// The longest beginning of the text that fits maxBytes GB2312 bytes without
// splitting a character; characters GB2312 cannot hold count as two bytes.
QString leftBytes(const QString &text, qsizetype maxBytes);

// The longest beginning of GB2312 bytes that fits maxBytes without splitting
// a double-byte character.
QByteArray leftBytes(const QByteArray &bytes, qsizetype maxBytes);

} // namespace CodePage
