#pragma once

#include <QString>

class MacGruoup;
struct Forms;

// The windows that carry a box pick list.
enum PickWindow : int
{
    PickMain = 1,       // main window
    PickFtpFiles = 2,   // FTP files window
    PickFileSystem = 4, // box file-system window
    PickAll = PickMain | PickFtpFiles | PickFileSystem,
};

// One pick-list operation (BoxLists::PickCode) on the pick lists of the
// chosen windows that exist.
void UpdatePickLists(Forms &forms, const MacGruoup &registry, int windows, int code,
                     const QString &argument = QString());
