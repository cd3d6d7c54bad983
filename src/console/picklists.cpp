#include "picklists.h"

#include "boxlists.h"
#include "config/forms.h"

void UpdatePickLists(Forms &forms, const MacGruoup &registry, int windows, int code, const QString &argument)
{
    for (const Forms::PickList &pick : std::as_const(forms.pickLists)) {
        if (windows & pick.window)
            BoxLists::PickList(pick.groups, pick.boxes, registry, code, argument);
    }
}
