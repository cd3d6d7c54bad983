// A box's plan and progress text: the first line is the progress, the rest the document.
#include "boxfiles/filedecode.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = bytes.indexOf('\n');
    const QString progress = QString::fromLatin1(newline < 0 ? QByteArray() : bytes.left(newline));
    const DecodedTable table = CFileDecode::DecodePlanStatus(bytes.mid(newline + 1), progress);
    for (const QStringList &row : table.rows) {
        if (row.size() > 2)
            __builtin_trap();
    }
    for (int k = -1; k < 70; ++k)
        CFileDecode::FileFinished(progress, k);
    return 0;
}
