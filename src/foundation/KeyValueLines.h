#pragma once

// The key/value store's text rules for one line, shared by the store's line
// form (TZtHash::Assign) and by the reader of text from outside the program.

#include "ZtHash.h"

#include <QString>
#include <QStringList>

// Lines split at CR LF, LF or CR.
QStringList SplitKeyValueLines(const QString &Text);
// A trimmed line that is a comment: it starts with "#", "/" or ";".
bool IsKeyValueComment(const QString &Line);
// A trimmed line's key and value, both trimmed: cut at the first of the
// separators, taken in their order, that the line holds; a line without any
// is a bare key.
void SplitKeyValueLine(const QString &Line, const QString &Separators, QString &Key, QString &Value);

// The line form for text from outside the program, such as a device's
// answer: one entry a line by the rules above, comment lines skipped, but no
// blocks, sections, braces or includes, so that a value opening a brace
// cannot take the lines after it. A byte-order mark at the start is dropped.
// A later line of a key replaces the earlier value. Returns the number of
// entries read.
int AssignFlat(TZtHash &Into, const QString &Text, const QString &KeySeparators = QStringLiteral("=\t "));
