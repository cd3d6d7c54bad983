// A box's picture play list as the decoders read it: any bytes at all.
#include "rowchecks.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const TimeBound bound(size);
    const QByteArray document(reinterpret_cast<const char *>(data), qsizetype(size));
    checkTable(CFileDecode::DecodePicList(document), 4);
    // The schedules come one per start, in rising order, and a refusal holds none.
    const DecodedSchedules read = CFileDecode::ReadSchedules(2, document);
    if (read.result == DECODE_UNREADABLE && (!read.schedules.isEmpty() || read.error.isEmpty()))
        __builtin_trap();
    for (qsizetype i = 1; i < read.schedules.size(); ++i) {
        if (read.schedules[i].startSec <= read.schedules[i - 1].startSec)
            __builtin_trap();
    }
    return 0;
}
