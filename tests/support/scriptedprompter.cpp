#include "scriptedprompter.h"

namespace {

template <typename T> std::optional<T> take(QQueue<std::optional<T>> &queue, int &unscripted)
{
    if (queue.isEmpty()) {
        ++unscripted;
        return std::nullopt;
    }
    return queue.dequeue();
}

} // namespace

Prompter::Button ScriptedPrompter::message(const QString &title, const QString &text, Buttons buttons, Icon)
{
    asked.append({QStringLiteral("message"), title, text, QString(), buttons});
    if (!m_messages.isEmpty())
        return m_messages.dequeue();
    return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Button::Yes : Button::Ok;
}

std::optional<QString> ScriptedPrompter::input(const QString &title, const QString &prompt, const QString &initial)
{
    asked.append({QStringLiteral("input"), title, prompt, initial});
    return take(m_inputs, unscripted);
}

std::optional<quint32> ScriptedPrompter::colour(const QString &title, quint32 initial)
{
    asked.append({QStringLiteral("colour"), title, QString(), QString::number(initial, 16)});
    return take(m_colours, unscripted);
}

std::optional<QString> ScriptedPrompter::openFile(const QString &title, const QString &folder, const QString &filter)
{
    asked.append({QStringLiteral("file"), title, filter, folder});
    return take(m_files, unscripted);
}

std::optional<QString> ScriptedPrompter::saveFile(const QString &title, const QString &proposal, const QString &filter)
{
    asked.append({QStringLiteral("save"), title, filter, proposal});
    return take(m_files, unscripted);
}

std::optional<QString> ScriptedPrompter::chooseFolder(const QString &title, const QString &start)
{
    asked.append({QStringLiteral("folder"), title, QString(), start});
    return take(m_folders, unscripted);
}

QList<ScriptedPrompter::Asked> ScriptedPrompter::askedOf(const QString &kind) const
{
    QList<Asked> result;
    for (const Asked &a : asked) {
        if (a.kind == kind)
            result.append(a);
    }
    return result;
}

qsizetype ScriptedPrompter::leftOver() const
{
    return m_messages.size() + m_inputs.size() + m_colours.size() + m_files.size() + m_folders.size();
}
