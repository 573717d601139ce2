#pragma once

#include <QString>

// User-perceived characters (grapheme clusters) by the full Unicode rules. Qt 6.4's own
// boundary finder splits a flag that follows another emoji, so counts and cuts go through ICU.
namespace grapheme_text {

qsizetype count(const QString& text);
// The first `count` characters of `text` (the whole text when shorter), so a cut never splits
// an emoji sequence or a letter from its combining marks.
QString leading(const QString& text, qsizetype count);

}  // namespace grapheme_text
