#include "app/shell/Color.h"

#include <gtest/gtest.h>

TEST(ColorFromHex, SixHexDigitsWithOptionalHashAndSurroundingWhiteSpace) {
  const std::pair<QString, QRgb> accepted[] = {
      {QStringLiteral("#FF9500"), 0xFF9500},
      {QStringLiteral("FF9500"), 0xFF9500},
      {QStringLiteral("ff9500"), 0xFF9500},
      {QStringLiteral("  #Ff9500\n"), 0xFF9500},
      {QStringLiteral("#000000"), 0x000000},
      {QStringLiteral("#FFFFFF"), 0xFFFFFF},
      {QStringLiteral("#1a2B3c"), 0x1A2B3C},
      {QStringLiteral("\t#00ff00 \r\n"), 0x00FF00},
      // No-break space and the line separator count as white space too.
      {QChar(0x00A0) + QStringLiteral("#0000FF") + QChar(0x2028), 0x0000FF}};
  for (const auto& [text, rgb] : accepted) {
    SCOPED_TRACE(text.toStdString());
    const auto color = Color::fromHex(text);
    ASSERT_TRUE(color.has_value());
    EXPECT_EQ(color->rgba(), 0xFF000000 | rgb);
    EXPECT_EQ(color->spec(), QColor::Rgb);
  }
}

TEST(ColorFromHex, RefusesOtherLengthsCharactersAndCountsUserPerceivedCharacters) {
  const QString refused[] = {
      QStringLiteral("#FFF"), QStringLiteral("#FF950"), QStringLiteral("#FF95001"),
      QStringLiteral("#FF950080"), QString(), QStringLiteral("#"), QStringLiteral("   "),
      // White space inside, a doubled hash, non-digits, a sign in front of five digits.
      QStringLiteral("#FF 950"), QStringLiteral("# FF9500"), QStringLiteral("##FF950"),
      QStringLiteral("GG9500"), QStringLiteral("0xFF95"), QStringLiteral("+F9500"),
      QStringLiteral("-00000"),
      // "e" with a combining acute accent is one character: six in all, then not a digit.
      QStringLiteral("FF95e") + QChar(0x0301) + QStringLiteral("0"),
      // Six code units, but only five characters: the accent joins the "F" before it.
      QStringLiteral("FF95F") + QChar(0x0301),
      // An emoji is one character made of two UTF-16 units.
      QStringLiteral("FF95") + QString::fromUtf8("\xF0\x9F\x98\x80") + QStringLiteral("0"),
      // Full-width and Arabic-Indic zeros are digits, but not among the sixteen.
      QStringLiteral("FF950") + QChar(0xFF10), QStringLiteral("FF950") + QChar(0x0660)};
  for (const QString& text : refused) {
    EXPECT_FALSE(Color::fromHex(text).has_value()) << text.toStdString();
  }
}
