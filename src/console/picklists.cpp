#include "picklists.h"

#include "boxlists.h"
#include "config/forms.h"
#include "config/mainform.h"
#include "console/filesystem.h"
#include "ftp/ftpfile.h"

void UpdatePickLists(Forms &forms, const MacGruoup &registry, int windows, int code, const QString &argument)
{
    if ((windows & PickFtpFiles) && forms.form7)
        BoxLists::PickList(forms.form7->pickGroups(), forms.form7->pickBoxes(), registry, code, argument);
    if ((windows & PickMain) && forms.form1)
        BoxLists::PickList(forms.form1->pickGroups(), forms.form1->pickBoxes(), registry, code, argument);
    if ((windows & PickFileSystem) && forms.form10)
        BoxLists::PickList(forms.form10->pickGroups(), forms.form10->pickBoxes(), registry, code, argument);
}
