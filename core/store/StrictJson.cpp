#include "core/store/StrictJson.h"

#include <simdjson.h>

#include <cstring>

static_assert(StrictJson::padding >= qsizetype(simdjson::SIMDJSON_PADDING));

namespace {

namespace od = simdjson::ondemand;
using simdjson::error_code;

QString describe(error_code error) {
  switch (error) {
    case simdjson::EMPTY:
      return QStringLiteral("it is empty");
    case simdjson::UTF8_ERROR:
      return QStringLiteral("it holds bytes that are not UTF-8 text");
    case simdjson::UNESCAPED_CHARS:
      return QStringLiteral(
          "a text in it holds a control character, such as a NUL, that JSON does not allow");
    case simdjson::UNCLOSED_STRING:
      return QStringLiteral("a text in it is never closed, so the file is cut short");
    case simdjson::STRING_ERROR:
      return QStringLiteral("a text in it has a broken escape sequence");
    case simdjson::NUMBER_ERROR:
    case simdjson::NUMBER_OUT_OF_RANGE:
      return QStringLiteral("it holds a number that is not written the way JSON allows");
    case simdjson::INCORRECT_TYPE:  // "tru", "nul": the first letter promised an atom
    case simdjson::T_ATOM_ERROR:
    case simdjson::F_ATOM_ERROR:
    case simdjson::N_ATOM_ERROR:
      return QStringLiteral("it holds a word that is not true, false or null");
    case simdjson::TRAILING_CONTENT:
      return QStringLiteral("it goes on after the end of its data");
    case simdjson::DEPTH_ERROR:
      return QStringLiteral("it is nested deeper than any Pelmora file");
    case simdjson::CAPACITY:
    case simdjson::MEMALLOC:
      return QStringLiteral("it is too large to be checked");
    default:
      // Brackets that do not match, a missing comma or colon, a trailing comma, a cut.
      return QStringLiteral("it is cut short, or its brackets, commas or quotes do not match");
  }
}

template <typename Value>
error_code walk(Value& value, qsizetype* elementCount = nullptr);

error_code walkObject(od::object object) {
  for (auto field : object) {
    std::string_view key;
    od::value value;
    if (const error_code error = field.unescaped_key().get(key)) {
      return error;
    }
    if (const error_code error = field.value().get(value)) {
      return error;
    }
    if (const error_code error = walk(value)) {
      return error;
    }
  }
  return simdjson::SUCCESS;
}

// Reads every value to its end: the reader only checks what is asked of it. `Value` is a
// document or a value inside one.
template <typename Value>
error_code walk(Value& value, qsizetype* elementCount) {
  od::json_type type;
  if (const error_code error = value.type().get(type)) {
    return error;
  }
  switch (type) {
    case od::json_type::object: {
      od::object object;
      if (const error_code error = value.get_object().get(object)) {
        return error;
      }
      return walkObject(object);
    }
    case od::json_type::array: {
      od::array array;
      if (const error_code error = value.get_array().get(array)) {
        return error;
      }
      for (auto element : array) {
        od::value inner;
        if (const error_code error = element.get(inner)) {
          return error;
        }
        if (const error_code error = walk(inner)) {
          return error;
        }
        if (elementCount) {
          ++*elementCount;
        }
      }
      return simdjson::SUCCESS;
    }
    case od::json_type::string:
      return value.get_string().error();
    case od::json_type::number: {
      // A whole number past 64 bits is still JSON; it reads as a double.
      const error_code error = value.get_number().error();
      if (error == simdjson::NUMBER_ERROR && value.get_double().error() == simdjson::SUCCESS) {
        return simdjson::SUCCESS;
      }
      return error;
    }
    case od::json_type::boolean:
      return value.get_bool().error();
    case od::json_type::null: {
      bool isNull = false;
      if (const error_code error = value.is_null().get(isNull)) {
        return error;
      }
      return isNull ? simdjson::SUCCESS : simdjson::N_ATOM_ERROR;
    }
  }
  return simdjson::TAPE_ERROR;
}

bool isBlank(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// The top level of an object, noting where each member's value lies.
error_code walkTop(od::document& document, StrictJson::Result& result) {
  od::object object;
  if (const error_code error = document.get_object().get(object)) {
    return error;
  }
  result.isObject = true;
  for (auto field : object) {
    std::string_view key;
    od::value value;
    const char* start = nullptr;
    od::json_type type;
    if (const error_code error = field.unescaped_key().get(key)) {
      return error;
    }
    if (const error_code error = field.value().get(value)) {
      return error;
    }
    const char* end = nullptr;
    qsizetype elementCount = -1;
    if (const error_code error = value.type().get(type)) {
      return error;
    }
    if (type == od::json_type::array) {
      elementCount = 0;
    }
    if (type == od::json_type::object || type == od::json_type::array) {
      if (const error_code error = value.current_location().get(start)) {
        return error;
      }
      if (const error_code error = walk(value, type == od::json_type::array ? &elementCount : nullptr)) {
        return error;
      }
      // Up to the comma or brace that follows.
      if (const error_code error = document.current_location().get(end)) {
        return error;
      }
    } else {
      std::string_view token = value.raw_json_token();
      start = token.data();
      end = start + token.size();
      if (const error_code error = walk(value)) {
        return error;
      }
    }
    while (end > start && isBlank(end[-1])) {
      --end;
    }
    result.members.append({QByteArray(key.data(), qsizetype(key.size())),
                           QByteArrayView(start, end - start), type == od::json_type::object,
                           elementCount});
  }
  return simdjson::SUCCESS;
}

}  // namespace

StrictJson::Result StrictJson::check(const QByteArray& bytes, QByteArrayView part) {
  Result result;
  if (part.isNull()) {
    part = bytes;
  }
  // What follows the part inside the buffer is its padding.
  const qsizetype offset = part.data() - bytes.constData();
  QByteArray padded;
  const char* data = part.data();
  qsizetype capacity = bytes.capacity() - offset;
  if (capacity - part.size() < padding) {
    padded = QByteArray(part.size() + padding, '\0');
    std::memcpy(padded.data(), part.data(), size_t(part.size()));
    data = padded.constData();
    capacity = padded.size();
  }
  od::parser parser;
  const simdjson::padded_string_view view(data, size_t(part.size()), size_t(capacity));
  od::document document;
  error_code error = parser.iterate(view).get(document);
  od::json_type type{};
  if (!error) {
    error = document.type().get(type);
  }
  if (!error) {
    error = type == od::json_type::object ? walkTop(document, result) : walk(document);
  }
  const char* after = nullptr;
  if (!error && document.current_location().get(after) != simdjson::OUT_OF_BOUNDS) {
    error = simdjson::TRAILING_CONTENT;
  }
  if (error) {
    result.problem = describe(error);
    result.members.clear();
  }
  // Spans into a copy would dangle.
  if (data != part.data()) {
    for (Member& member : result.members) {
      member.text = QByteArrayView(part.data() + (member.text.data() - data), member.text.size());
    }
  }
  return result;
}
