#pragma once

// What every decode must give, whatever the document: rows of exactly as
// many cells as the columns, within the bound on their text, and a refusal
// that changes no rows.
#include "boxfiles/filedecode.h"

#include <chrono>
#include <cstddef>

// A decode's time grows with its input, never faster: made before the decode,
// it traps when it ends later than a fixed allowance plus a few microseconds
// per input byte (generous for a sanitized build; a quadratic scan of a
// large element takes seconds).
class TimeBound
{
public:
    explicit TimeBound(std::size_t bytes)
        : m_deadline(std::chrono::steady_clock::now() + std::chrono::milliseconds(100) +
                     std::chrono::microseconds(2) * bytes)
    {
    }
    ~TimeBound()
    {
        if (std::chrono::steady_clock::now() > m_deadline)
            __builtin_trap();
    }
    TimeBound(const TimeBound &) = delete;
    TimeBound &operator=(const TimeBound &) = delete;

private:
    std::chrono::steady_clock::time_point m_deadline;
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
