#include "core/platform/PercentEncoding.h"

#include <QChar>

namespace percentencoding {
namespace {

void appendEncoded(QByteArray& out, const QByteArray& utf8) {
  static constexpr char hex[] = "0123456789ABCDEF";
  for (const char byte : utf8) {
    const auto value = static_cast<unsigned char>(byte);
    out.append('%');
    out.append(hex[value >> 4]);
    out.append(hex[value & 0xF]);
  }
}

bool isAlphanumeric(char32_t codePoint) {
  switch (QChar::category(codePoint)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
      return true;
    default:
      return false;
  }
}

template <typename Keep>
QByteArray encode(const QString& text, Keep keep) {
  QByteArray out;
  out.reserve(text.size() * 3);
  for (qsizetype i = 0; i < text.size(); ++i) {
    qsizetype length = 1;
    char32_t codePoint = text.at(i).unicode();
    if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
      codePoint = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
      length = 2;
    }
    const QByteArray utf8 = QStringView(text).mid(i, length).toUtf8();
    if (keep(codePoint)) {
      out.append(utf8);
    } else {
      appendEncoded(out, utf8);
    }
    i += length - 1;
  }
  return out;
}

}  // namespace

QByteArray urlQueryAllowed(const QString& text) {
  static constexpr QStringView extra = u"!$&'()*+,-./:;=?@_~";
  return encode(text, [](char32_t c) {
    return (c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9') ||
           (c < 0x80 && extra.contains(QChar(static_cast<char16_t>(c))));
  });
}

QByteArray alphanumericsOnly(const QString& text) { return encode(text, isAlphanumeric); }

}  // namespace percentencoding
