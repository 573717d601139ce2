#include "core/platform/PercentEncoding.h"

#include <gtest/gtest.h>

TEST(PercentEncodingTest, QueryAllowedKeepsQueryCharactersAndEncodesTheRest) {
  EXPECT_EQ(percentencoding::urlQueryAllowed(
                QStringLiteral("(a OR \"b c\") after:12 x=1&y=2/3?#%[]^`{|}<>\\")),
            "(a%20OR%20%22b%20c%22)%20after:12%20x=1&y=2/3?%23%25%5B%5D%5E%60%7B%7C%7D%3C%3E%5C");
  EXPECT_EQ(percentencoding::urlQueryAllowed(QStringLiteral("!$'*+,-.;@_~")), "!$'*+,-.;@_~");
  // Outside ASCII nothing is allowed: é is two bytes, the emoji four.
  EXPECT_EQ(percentencoding::urlQueryAllowed(QStringLiteral("é😀")), "%C3%A9%F0%9F%98%80");
}

TEST(PercentEncodingTest, AlphanumericsOnlyKeepsUnicodeLettersMarksAndDigits) {
  EXPECT_EQ(percentencoding::alphanumericsOnly(QStringLiteral("aZ09-._~+/= ")),
            "aZ09%2D%2E%5F%7E%2B%2F%3D%20");
  // Letters, a combining mark and Arabic-Indic digits stay as UTF-8; symbols are encoded.
  EXPECT_EQ(percentencoding::alphanumericsOnly(QStringLiteral("éße\u0301٣€😀")),
            QStringLiteral("éße\u0301٣").toUtf8() + "%E2%82%AC%F0%9F%98%80");
  // A letter outside the basic plane stays whole.
  EXPECT_EQ(percentencoding::alphanumericsOnly(QStringLiteral("𝐀")), QStringLiteral("𝐀").toUtf8());
  EXPECT_EQ(percentencoding::alphanumericsOnly(QString()), QByteArray());
}
