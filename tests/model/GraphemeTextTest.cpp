#include "core/model/GraphemeText.h"

#include <gtest/gtest.h>

// A flag right after another emoji is one character (Qt 6.4's finder splits it), as are a
// letter with its combining accent and a joined family.
TEST(GraphemeText, CountsAndCutsWholeCharacters) {
  const QString smileFlag = QString::fromUtf8("\xF0\x9F\x98\x80\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7");
  const QString accent = "e\u0301";
  const QString family =
      QString::fromUtf8("\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7");
  const struct {
    QString text;
    qsizetype count;
    qsizetype cut;
    QString leading;
  } cases[] = {{smileFlag + smileFlag, 4, 2, smileFlag},
               {smileFlag + smileFlag, 4, 3, smileFlag + smileFlag.left(2)},
               {accent + accent + "x", 3, 1, accent},
               {family + "ab", 3, 1, family},
               {"abc", 3, 5, "abc"},
               {"abc", 3, 0, QString()},
               {QString(), 0, 0, QString()}};
  for (const auto& c : cases) {
    EXPECT_EQ(grapheme_text::count(c.text), c.count) << c.text.toStdString();
    EXPECT_EQ(grapheme_text::leading(c.text, c.cut), c.leading) << c.text.toStdString();
  }
}
