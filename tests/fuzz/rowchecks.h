#pragma once

// What every decode must give, whatever the document: rows of exactly as
// many cells as the columns, within the bound on their text, and a refusal
// that changes no rows.
#include "boxfiles/filedecode.h"

#include <cstddef>
#include <cstdint>
#include <ctime>

// A decode's time grows with its input, never faster: made before the decode,
// it traps when the decode used more of this thread's CPU than a fixed
// allowance plus a few microseconds per input byte (generous for a sanitized
// build; a quadratic scan of a large element takes seconds). CPU time, not
// the wall clock, so a busy machine makes no finding.
class TimeBound
{
public:
    explicit TimeBound(std::size_t bytes) : m_allowedNs(100'000'000 + 2'000 * std::int64_t(bytes)), m_start(cpuNs()) {}
    ~TimeBound()
    {
        if (cpuNs() - m_start > m_allowedNs)
            __builtin_trap();
    }
    TimeBound(const TimeBound &) = delete;
    TimeBound &operator=(const TimeBound &) = delete;

private:
    static std::int64_t cpuNs()
    {
        timespec now = {};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
        return std::int64_t(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    }
    std::int64_t m_allowedNs;
    std::int64_t m_start;
};

inline void checkTable(const DecodedTable &table, int cellsPerRow)
{
    if (table.result == DECODE_UNREADABLE) {
        if (!table.rows.isEmpty() || table.replacesRows || table.error.isEmpty())
            __builtin_trap();
        return;
    }
    qint64 text = 0;
    for (const QStringList &row : table.rows) {
        if (cellsPerRow > 0 && row.size() != cellsPerRow)
            __builtin_trap();
        for (const QString &cell : row)
            text += cell.size();
    }
    if (text > CFileDecode::kMaxRowChars)
        __builtin_trap();
    if (!table.rows.isEmpty() && !table.replacesRows)
        __builtin_trap();
}
