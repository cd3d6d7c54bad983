#pragma once

#include "prompter.h"

#include <cstdio>

// For programs that run without an operator (benchmarks, the screenshot
// tool): a message box gets its first button and is written to stderr; every
// other question is cancelled.
class QuietPrompter : public Prompter
{
public:
    Button message(const QString &title, const QString &text, Buttons buttons, Icon) override
    {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Button::Yes : Button::Ok;
    }
    std::optional<QString> input(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<quint32> colour(const QString &, quint32) override { return {}; }
    std::optional<QString> openFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> saveFile(const QString &, const QString &, const QString &) override { return {}; }
    std::optional<QString> chooseFolder(const QString &, const QString &) override { return {}; }
};
