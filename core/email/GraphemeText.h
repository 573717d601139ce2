#pragma once

#include <QString>

// The first `count` user-perceived characters of `text` (the whole text when shorter), so a
// cut never splits an emoji sequence or a letter from its combining marks.
QString leadingGraphemes(const QString& text, qsizetype count);
