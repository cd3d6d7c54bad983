#pragma once

// What every decode must give, whatever the document: rows of exactly as
// many cells as the columns, within the bound on their text, and a refusal
// that changes no rows.
#include "boxfiles/filedecode.h"

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
