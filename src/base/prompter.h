#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Every question the program puts to the operator goes through one Prompter:
// message boxes, input boxes, colour, file and folder choosers. The windows
// get the real one; tests hand in a scripted one that answers from a list and
// records what was asked.
class Prompter
{
public:
    enum class Button
    {
        Ok,
        Cancel,
        Yes,
        No
    };
    enum class Buttons
    {
        Ok,
        YesNo,
        YesNoCancel,
        OkCancel
    };
    enum class Icon
    {
        None,
        Information,
        Warning,
        Error,
        Question
    };

    virtual ~Prompter() = default;

    // A modal message box; returns the button pressed (Cancel when closed).
    virtual Button message(const QString &title, const QString &text, Buttons buttons = Buttons::Ok,
                           Icon icon = Icon::None) = 0;

    // An input box; nothing when cancelled.
    virtual std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial) = 0;

    // A colour chooser, colours as 0xRRGGBB; nothing when cancelled.
    virtual std::optional<quint32> colour(const QString &title, quint32 initial) = 0;

    // A file-open dialog starting in folder; nothing when cancelled.
    virtual std::optional<QString> openFile(const QString &title, const QString &folder, const QString &filter) = 0;

    // A file-save dialog starting with the proposed path; nothing when cancelled.
    virtual std::optional<QString> saveFile(const QString &title, const QString &proposal, const QString &filter) = 0;

    // A folder chooser (the base folder of the content root); nothing when cancelled.
    virtual std::optional<QString> chooseFolder(const QString &title, const QString &start) = 0;

    // The system-modal error box with one OK button.
    void error(const QString &title, const QString &text) { message(title, text, Buttons::Ok, Icon::Error); }
};
