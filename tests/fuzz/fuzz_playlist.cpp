// A box's file as the decoder reads it: any bytes at all.
#include "boxfiles/filedecode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    const DecodedTable table = CFileDecode::DecodePlayList(document);
    // Every row has a cell per column.
    for (const QStringList &row : table.rows) {
        if (row.size() > table.columns.size())
            __builtin_trap();
    }
    return 0;
}
