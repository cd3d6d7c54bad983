// A box's file as the decoder reads it: any bytes at all.
#include "rowchecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const TimeBound bound(size);
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedTable table = CFileDecode::DecodeDiskDir(document);
    checkTable(table, 4);
    // The full path is the folder's, '/' and the name the row shows.
    for (const QStringList &row : table.rows) {
        if (!row[3].endsWith(QLatin1Char('/') + row[0]))
            __builtin_trap();
    }
    return 0;
}
