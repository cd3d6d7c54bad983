#pragma once

#include <QString>

namespace BoxLists {

// A box heard (true) or gone silent (false) since the box lists were last
// refreshed; the lists apply these in order.
struct BoxChange
{
    QString mac;
    bool heard = false;
};

} // namespace BoxLists
