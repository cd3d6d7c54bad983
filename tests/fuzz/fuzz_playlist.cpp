// A box's file as the decoder reads it: any bytes at all.
#include "rowchecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const TimeBound bound(size);
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedTable table = CFileDecode::DecodePlayList(document);
    checkTable(table, 5);
    // Rows come in time order of their start.
    qint64 last = -1;
    for (const QStringList &row : table.rows) {
        const QStringList parts = row[0].split(QLatin1Char(':'));
        if (parts.size() != 3)
            __builtin_trap();
        const qint64 start = parts[0].toLongLong() * 3600 + parts[1].toLongLong() * 60 + parts[2].toLongLong();
        if (start < last)
            __builtin_trap();
        last = start;
    }
    return 0;
}
