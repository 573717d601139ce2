#include "core/email/StrictJson.h"

#include <cctype>

namespace {

class Checker {
 public:
  explicit Checker(QByteArrayView text) : text_(text) {}

  bool document() {
    skipSpace();
    if (!value(0)) {
      return false;
    }
    skipSpace();
    return at_ == text_.size();
  }

 private:
  // Deeper nesting than any real reply is refused rather than recursed into.
  static constexpr int maximumDepth = 256;

  char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
  bool atEnd() const { return at_ >= text_.size(); }
  bool take(char c) {
    if (!atEnd() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool literal(QByteArrayView word) {
    if (text_.sliced(at_).startsWith(word)) {
      at_ += word.size();
      return true;
    }
    return false;
  }
  void skipSpace() {
    while (!atEnd() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) {
      ++at_;
    }
  }
  static bool isDigit(char c) { return c >= '0' && c <= '9'; }
  bool digits() {
    const qsizetype start = at_;
    while (!atEnd() && isDigit(peek())) {
      ++at_;
    }
    return at_ > start;
  }

  bool value(int depth) {
    if (depth > maximumDepth || atEnd()) {
      return false;
    }
    switch (peek()) {
      case '{': return object(depth);
      case '[': return array(depth);
      case '"': return string();
      case 't': return literal("true");
      case 'f': return literal("false");
      case 'n': return literal("null");
      default: return number();
    }
  }

  bool object(int depth) {
    take('{');
    skipSpace();
    if (take('}')) {
      return true;
    }
    do {
      skipSpace();
      if (peek() != '"' || !string()) {
        return false;
      }
      skipSpace();
      if (!take(':')) {
        return false;
      }
      skipSpace();
      if (!value(depth + 1)) {
        return false;
      }
      skipSpace();
    } while (take(','));
    return take('}');
  }

  bool array(int depth) {
    take('[');
    skipSpace();
    if (take(']')) {
      return true;
    }
    do {
      skipSpace();
      if (!value(depth + 1)) {
        return false;
      }
      skipSpace();
    } while (take(','));
    return take(']');
  }

  bool string() {
    take('"');
    while (!atEnd()) {
      const auto c = static_cast<unsigned char>(text_[at_++]);
      if (c == '"') {
        return true;
      }
      if (c < 0x20) {
        return false;
      }
      if (c == '\\') {
        if (atEnd()) {
          return false;
        }
        const char escape = text_[at_++];
        if (escape == 'u') {
          for (int i = 0; i < 4; ++i) {
            if (atEnd() || !std::isxdigit(static_cast<unsigned char>(text_[at_++]))) {
              return false;
            }
          }
        } else if (QByteArrayView("\"\\/bfnrt").indexOf(escape) < 0) {
          return false;
        }
      }
    }
    return false;
  }

  bool number() {
    take('-');
    if (take('0')) {
      // no further integer digits after a leading zero
    } else if (atEnd() || peek() < '1' || peek() > '9' || !digits()) {
      return false;
    }
    if (take('.') && !digits()) {
      return false;
    }
    if (take('e') || take('E')) {
      if (!take('+')) {
        take('-');
      }
      if (!digits()) {
        return false;
      }
    }
    return true;
  }

  QByteArrayView text_;
  qsizetype at_ = 0;
};

}  // namespace

bool isStrictJson(QByteArrayView text) { return Checker(text).document(); }
