#pragma once

#include "base/prompter.h"

#include <QList>
#include <QQueue>

// Answers the program's questions from a script and records every one asked.
// A message box nobody scripted is answered with its first button (OK or
// Yes); any other unscripted question is cancelled and counted.
class ScriptedPrompter : public Prompter
{
public:
    struct Asked
    {
        QString kind; // "message", "input", "colour", "file", "folder"
        QString title;
        QString text;
        QString initial;
        Buttons buttons = Buttons::Ok; // of a message
    };

    void answerMessage(Button button) { m_messages.enqueue(button); }
    void answerInput(const std::optional<QString> &text) { m_inputs.enqueue(text); }
    void answerColour(const std::optional<quint32> &colour) { m_colours.enqueue(colour); }
    void answerFile(const std::optional<QString> &file) { m_files.enqueue(file); }
    void answerFolder(const std::optional<QString> &folder) { m_folders.enqueue(folder); }

    Button message(const QString &title, const QString &text, Buttons buttons, Icon icon) override;
    std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial) override;
    std::optional<quint32> colour(const QString &title, quint32 initial) override;
    std::optional<QString> openFile(const QString &title, const QString &folder, const QString &filter) override;
    // Answered from the file answers too; asked as "save".
    std::optional<QString> saveFile(const QString &title, const QString &proposal, const QString &filter) override;
    std::optional<QString> chooseFolder(const QString &title, const QString &start) override;

    QList<Asked> asked;
    int unscripted = 0;

    // The asked questions of one kind.
    QList<Asked> askedOf(const QString &kind) const;
    // Scripted answers nobody asked for.
    qsizetype leftOver() const;

private:
    QQueue<Button> m_messages;
    QQueue<std::optional<QString>> m_inputs;
    QQueue<std::optional<quint32>> m_colours;
    QQueue<std::optional<QString>> m_files;
    QQueue<std::optional<QString>> m_folders;
};
