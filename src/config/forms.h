#pragma once

#include <QList>

class QComboBox;
class QTreeWidget;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;

// The eleven windows, created once at start-up in this order; a window not
// yet created is null.
struct Forms
{
    TForm1 *form1 = nullptr;   // main window
    TForm2 *form2 = nullptr;   // group management
    TForm3 *form3 = nullptr;   // box management
    TForm4 *form4 = nullptr;   // schedule list
    TForm5 *form5 = nullptr;   // server setup
    TForm6 *form6 = nullptr;   // event history
    TForm7 *form7 = nullptr;   // FTP files
    TForm8 *form8 = nullptr;   // FTP fast-connect
    TForm9 *form9 = nullptr;   // FTP plans
    TForm10 *form10 = nullptr; // box file system
    TForm11 *form11 = nullptr; // download list

    // The box pick lists (a group chooser and its boxes) of the windows that
    // carry one, handed over as each window is made; window is a PickWindow.
    struct PickList
    {
        int window = 0;
        QComboBox *groups = nullptr;
        QTreeWidget *boxes = nullptr;
    };
    QList<PickList> pickLists;
};
