#pragma once

#include <QString>
#include <QStringList>

// The words the history and the fleet status keep for commands and replies
// stay as boxes, the database and older copies know them ("Set Lanuage",
// "Get Fie"); an operator reads them in the interface's language. The
// Chinese interface shows them as kept. A word followed by ": " and the
// box's own text has the word made readable and the text kept.
QString ReadableWord(const QString &kept);

// Of the kept words, those whose readable form holds text (case aside) and
// which do not hold it themselves: a search for what the operator reads
// finds rows by the kept word too.
QStringList KeptWordsReadAs(const QString &text, const QStringList &keptWords);
