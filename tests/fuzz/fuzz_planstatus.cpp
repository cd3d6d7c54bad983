// A box's plan and progress text: the first line is the progress, the rest the document.
#include "rowchecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const TimeBound bound(size);
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype newline = bytes.indexOf('\n');
    const QString progress = QString::fromLatin1(newline < 0 ? QByteArray() : bytes.left(newline));
    const DecodedTable table = CFileDecode::DecodePlanStatus(bytes.mid(newline + 1), progress);
    checkTable(table, 0);
    // The first 64 files have a progress cell, the others none.
    for (qsizetype k = 0; k < table.rows.size(); ++k) {
        const QStringList &row = table.rows[k];
        if (row.size() != (k < 64 ? 2 : 1))
            __builtin_trap();
        if (k < 64 && row[1] != QLatin1String("Finished") && row[1] != QLatin1String("Downloading"))
            __builtin_trap();
    }
    for (int k = -1; k < 70; ++k)
        CFileDecode::FileFinished(progress, k);
    return 0;
}
