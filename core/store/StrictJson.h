#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// Checks that bytes are one JSON document as RFC 8259 defines it: valid UTF-8, no raw control
// character (a NUL) inside a text, no trailing commas, nothing after the end. The store's
// readers look only at what they need, so they cannot promise that of a file from elsewhere.
class StrictJson {
 public:
  // The checker reads up to this many bytes past the document's end.
  static constexpr qsizetype padding = 64;

  struct Member {
    QByteArray key;
    QByteArrayView text;  // the value as written, inside the checked bytes
    bool isObject = false;
    qsizetype elementCount = -1;  // of an array
  };
  struct Result {
    // What is wrong, as the end of a sentence: "it is cut short".
    std::optional<QString> problem;
    bool isObject = false;
    QList<Member> members;  // of a top-level object, in file order
  };

  // Checks `part`, a view inside `bytes` (all of them when empty). Fastest when `bytes` has
  // `padding` spare bytes of capacity; otherwise they are copied.
  static Result check(const QByteArray& bytes, QByteArrayView part = {});
};
