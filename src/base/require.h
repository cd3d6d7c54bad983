#pragma once

#include <QtGlobal>

// Preconditions of the stores: a broken one is a programming error, never an
// input error, so it stops the program naming the unit and the line.
#define BF_REQUIRE(cond, unit, text)                                                                                   \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            qFatal("%s(%d): %s", unit, __LINE__, text);                                                                \
    } while (false)
