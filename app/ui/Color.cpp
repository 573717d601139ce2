#include "app/ui/Color.h"

#include "core/model/GraphemeText.h"

namespace {

int hexDigitValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= u'0' && u <= u'9') return u - u'0';
  if (u >= u'a' && u <= u'f') return u - u'a' + 10;
  if (u >= u'A' && u <= u'F') return u - u'A' + 10;
  return -1;
}

}  // namespace

namespace Color {

std::optional<QColor> fromHex(const QString& text) {
  QString digits = text.trimmed();
  if (digits.startsWith(u'#')) {
    digits.remove(0, 1);
  }
  // Length is judged in user-perceived characters, so "e" plus a combining accent is one
  // character that then fails as a digit rather than shifting the count.
  if (grapheme_text::count(digits) != 6) {
    return std::nullopt;
  }
  // Six clusters that are all ASCII hex digits are exactly six code units; a sign, a space or
  // any non-ASCII digit is refused here.
  if (digits.size() != 6) {
    return std::nullopt;
  }
  quint32 value = 0;
  for (const QChar c : digits) {
    const int digit = hexDigitValue(c);
    if (digit < 0) {
      return std::nullopt;
    }
    value = value * 16 + static_cast<quint32>(digit);
  }
  return QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
}

}  // namespace Color
