#pragma once

#include "base/prompter.h"

class QWidget;

// The prompter that shows real Qt dialogs to the operator.
class QtPrompter : public Prompter
{
public:
    Button message(const QString &title, const QString &text, Buttons buttons, Icon icon) override;
    std::optional<QString> input(const QString &title, const QString &prompt, const QString &initial) override;
    std::optional<quint32> colour(const QString &title, quint32 initial) override;
    std::optional<QString> openFile(const QString &title, const QString &folder, const QString &filter) override;
    std::optional<QString> saveFile(const QString &title, const QString &proposal, const QString &filter) override;
    std::optional<QString> chooseFolder(const QString &title, const QString &start) override;

private:
    static QWidget *parentWindow();
};
