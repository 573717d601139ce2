#include "core/email/GraphemeText.h"

#include <QTextBoundaryFinder>

QString leadingGraphemes(const QString& text, qsizetype count) {
  // Fewer code units than the limit means fewer graphemes too: nothing to cut.
  if (text.size() <= count) {
    return text;
  }
  if (count <= 0) {
    return {};
  }
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype seen = 0;
  while (finder.toNextBoundary() != -1) {
    if (++seen == count) {
      return text.left(finder.position());
    }
  }
  return text;
}
