// A line of an FTP server's listing, as its bytes arrive.
#include "ftp/ftplisting.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString line = DecodeFtpText(bytes);
    const s_listInfo info = ParseListLine(line);
    // A record names something, and every field comes from the line.
    if (!info.name.isEmpty() && (info.name.size() > line.size() || info.size.size() > line.size()))
        __builtin_trap();
    if (info.name.isEmpty() && !(info.size.isEmpty() && info.date.isEmpty() && info.attributes.isEmpty()))
        __builtin_trap();
    return 0;
}
