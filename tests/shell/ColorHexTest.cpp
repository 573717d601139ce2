#include "app/shell/Color.h"

#include <gtest/gtest.h>

namespace {

void expectRgb(const QString& text, int r, int g, int b) {
  const auto color = Color::fromHex(text);
  ASSERT_TRUE(color.has_value()) << text.toStdString();
  EXPECT_EQ(color->red(), r) << text.toStdString();
  EXPECT_EQ(color->green(), g) << text.toStdString();
  EXPECT_EQ(color->blue(), b) << text.toStdString();
  EXPECT_EQ(color->alpha(), 255) << text.toStdString();
  EXPECT_EQ(color->spec(), QColor::Rgb);
}

void expectNone(const QString& text) {
  EXPECT_FALSE(Color::fromHex(text).has_value()) << text.toStdString();
}

}  // namespace

TEST(ColorFromHex, AcceptsSixDigitsWithOrWithoutHashInEitherCase) {
  for (const QString& text : {QStringLiteral("#FF9500"), QStringLiteral("FF9500"),
                              QStringLiteral("ff9500"), QStringLiteral("  #Ff9500\n")}) {
    expectRgb(text, 255, 149, 0);
  }
  const auto orange = Color::fromHex(QStringLiteral("#FF9500"));
  ASSERT_TRUE(orange);
  EXPECT_DOUBLE_EQ(orange->redF(), 1.0);
  EXPECT_NEAR(orange->greenF(), 149 / 255.0, 1e-6);
  EXPECT_DOUBLE_EQ(orange->blueF(), 0.0);
  expectRgb(QStringLiteral("#000000"), 0, 0, 0);
  expectRgb(QStringLiteral("#FFFFFF"), 255, 255, 255);
  expectRgb(QStringLiteral("#1a2B3c"), 0x1a, 0x2b, 0x3c);
}

TEST(ColorFromHex, TrimsAnyWhiteSpaceAndLineBreaksAtTheEndsOnly) {
  expectRgb(QStringLiteral("\t#00ff00 \r\n"), 0, 255, 0);
  // No-break space and the line separator count as white space too.
  expectRgb(QString(QChar(0x00A0)) + QStringLiteral("#0000FF") + QChar(0x2028), 0, 0, 255);
  expectNone(QStringLiteral("#FF 950"));
  expectNone(QStringLiteral("# FF9500"));
}

TEST(ColorFromHex, RefusesEveryOtherLength) {
  expectNone(QStringLiteral("#FFF"));
  expectNone(QStringLiteral("#FF95001"));
  expectNone(QStringLiteral("#FF950080"));
  expectNone(QString());
  expectNone(QStringLiteral("#"));
  expectNone(QStringLiteral("   "));
}

TEST(ColorFromHex, RefusesCharactersThatAreNotHexDigits) {
  expectNone(QStringLiteral("##FF950"));
  expectNone(QStringLiteral("GG9500"));
  expectNone(QStringLiteral("0xFF95"));
  // A sign in front of five digits is no colour either.
  expectNone(QStringLiteral("+F9500"));
  expectNone(QStringLiteral("-00000"));
}

TEST(ColorFromHex, CountsUserPerceivedCharacters) {
  // "e" with a combining acute accent is one character: six in all, then not a digit.
  expectNone(QStringLiteral("FF95e") + QChar(0x0301) + QStringLiteral("0"));
  // Six code units, but only five characters: the accent joins the "F" before it.
  expectNone(QStringLiteral("FF95F") + QChar(0x0301));
  // An emoji is one character made of two UTF-16 units.
  expectNone(QStringLiteral("FF95") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("0"));
  // A full-width digit is a digit, but not one of the sixteen.
  expectNone(QStringLiteral("FF950") + QChar(0xFF10));
  expectNone(QStringLiteral("FF950") + QChar(0x0660));  // Arabic-Indic zero
}
