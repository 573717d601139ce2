#include "core/model/GraphemeText.h"

#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>

namespace grapheme_text {

namespace {

// Walks the character boundaries of `text`; `visit` gets each boundary's offset in UTF-16
// units and returns false to stop.
template <typename Visit>
void forEachBoundary(const QString& text, Visit visit) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> iterator(
      icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status) || !iterator) {
    return;
  }
  const icu::UnicodeString alias(false, reinterpret_cast<const char16_t*>(text.utf16()),
                                 static_cast<int32_t>(text.size()));
  iterator->setText(alias);
  iterator->first();
  for (int32_t at = iterator->next(); at != icu::BreakIterator::DONE; at = iterator->next()) {
    if (!visit(static_cast<qsizetype>(at))) {
      return;
    }
  }
}

}  // namespace

qsizetype count(const QString& text) {
  qsizetype seen = 0;
  forEachBoundary(text, [&seen](qsizetype) {
    ++seen;
    return true;
  });
  return seen;
}

QString leading(const QString& text, qsizetype count) {
  // Fewer code units than the limit means fewer characters too: nothing to cut.
  if (text.size() <= count) {
    return text;
  }
  if (count <= 0) {
    return {};
  }
  qsizetype seen = 0;
  qsizetype end = text.size();
  forEachBoundary(text, [&](qsizetype at) {
    if (++seen == count) {
      end = at;
      return false;
    }
    return true;
  });
  return text.left(end);
}

}  // namespace grapheme_text
