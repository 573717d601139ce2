#include "core/store/DatabaseReader.h"

#include "core/store/ParallelRanges.h"
#include "core/store/StorageFile.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <simdjson.h>

#include <atomic>
#include <cmath>
#include <cstring>

namespace ondemand = simdjson::ondemand;

namespace {

static_assert(StorageFile::readPadding >= simdjson::SIMDJSON_PADDING);

// Thrown inside the reader when the text is not what it handles; read() answers nothing then.
struct NotPlain {};

void check(simdjson::error_code error) {
  if (error != simdjson::SUCCESS) {
    throw NotPlain{};
  }
}

template <typename T>
T take(simdjson::simdjson_result<T> result) {
  T value;
  check(std::move(result).get(value));
  return value;
}

QString fromUtf8(std::string_view text) {
  return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Nothing but blanks may follow the top-level value.
void checkAtEnd(ondemand::document& document) {
  const char* next = nullptr;
  if (document.current_location().get(next) == simdjson::SUCCESS) {
    throw NotPlain{};
  }
}

// Whether a number's text is the one Qt writes for its value.
bool isWrittenNumber(std::string_view token, double value) {
  const bool plainInteger =
      !token.empty() && token.size() <= 15 &&
      std::all_of(token.begin() + (token.front() == '-' ? 1 : 0), token.end(),
                  [](char c) { return c >= '0' && c <= '9'; }) &&
      token != "-" && token != "-0" &&
      !(token.size() > 1 && token[token.front() == '-' ? 1 : 0] == '0');
  if (plainInteger) {
    return true;
  }
  const QByteArray written = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
  return written.size() == qsizetype(token.size()) + 2 &&
         std::memcmp(written.constData() + 1, token.data(), token.size()) == 0;
}

// Whether a record's text is laid out as Qt writes it: no blank outside strings, and only the
// escapes Qt writes inside them.
bool isCompactAsWritten(std::string_view text) {
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!inString) {
      if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        return false;
      }
      inString = c == '"';
      continue;
    }
    if (c == '"') {
      inString = false;
    } else if (c < 0x20) {
      return false;
    } else if (c == '\\') {
      if (i + 1 >= text.size()) {
        return false;
      }
      const char e = text[++i];
      if (e == 'u') {
        // Qt writes \u00xx, in lower case, only for control characters without a short form.
        if (i + 4 >= text.size() || text[i + 1] != '0' || text[i + 2] != '0') {
          return false;
        }
        const auto hex = [](char h) {
          return h >= '0' && h <= '9' ? h - '0' : h >= 'a' && h <= 'f' ? h - 'a' + 10 : -1;
        };
        const int high = hex(text[i + 3]);
        const int low = hex(text[i + 4]);
        const int code = high * 16 + low;
        if (high < 0 || low < 0 || code >= 0x20 || code == '\b' || code == '\f' ||
            code == '\n' || code == '\r' || code == '\t') {
          return false;
        }
        i += 4;
      } else if (e != '"' && e != '\\' && e != 'b' && e != 'f' && e != 'n' && e != 'r' &&
                 e != 't') {
        return false;
      }
    }
  }
  return !inString;
}

// The value as QJsonDocument would have parsed it. `written` is cleared when a number or the
// order of keys is not what Qt writes.
QJsonValue toJsonValue(ondemand::value value, bool& written);

QJsonObject toJsonObject(ondemand::object object, bool& written) {
  QJsonObject result;
  std::string_view previous;
  bool first = true;
  for (auto field : object) {
    const std::string_view key = take(field.unescaped_key());
    if (!first && !(previous < key)) {
      written = false;  // Qt writes keys once each, in order
    }
    QJsonValue value = toJsonValue(take(field.value()), written);
    const bool ascii = std::all_of(key.begin(), key.end(), [](char c) { return c > 0; });
    if (ascii) {
      result.insert(QLatin1String(key.data(), qsizetype(key.size())), value);
    } else {
      result.insert(fromUtf8(key), value);
    }
    previous = key;
    first = false;
  }
  return result;
}

QJsonValue toJsonValue(ondemand::value value, bool& written) {
  switch (take(value.type())) {
    case ondemand::json_type::object:
      return toJsonObject(take(value.get_object()), written);
    case ondemand::json_type::array: {
      QJsonArray array;
      for (auto element : take(value.get_array())) {
        array.append(toJsonValue(take(std::move(element)), written));
      }
      return array;
    }
    case ondemand::json_type::string:
      return fromUtf8(take(value.get_string()));
    case ondemand::json_type::number: {
      std::string_view token = value.raw_json_token();
      while (!token.empty() && (token.back() == ' ' || token.back() == '\t' ||
                                token.back() == '\n' || token.back() == '\r')) {
        token.remove_suffix(1);
      }
      const double number = take(value.get_double());
      if (written && !isWrittenNumber(token, number)) {
        written = false;
      }
      return number;
    }
    case ondemand::json_type::boolean:
      return take(value.get_bool());
    case ondemand::json_type::null:
      check(value.is_null() ? simdjson::SUCCESS : simdjson::INCORRECT_TYPE);
      return QJsonValue::Null;
  }
  throw NotPlain{};
}

// One list's records, on several threads, each with a parser of its own over its records' text.
template <typename Record>
void decodeList(const char* data, qint64 size, const char* key, std::vector<TextSpan>& spans,
                QList<Record>& records, UnreadableRecords& unreadable) {
  records.resize(qsizetype(spans.size()));
  Record* out = records.data();  // detached here, before the threads write to their own items
  std::vector<std::optional<UnreadableRecord>> failures(spans.size());
  std::atomic<bool> notPlain = false;
  forEachRangeInParallel(qsizetype(spans.size()), 250, [&](qsizetype begin, qsizetype end) {
    ondemand::parser parser;
    for (qsizetype i = begin; i < end && !notPlain; ++i) {
      TextSpan& span = spans[size_t(i)];
      const char* text = data + span.offset;
      auto path = [&] { return QStringLiteral("%1[%2]").arg(QLatin1String(key)).arg(i); };
      try {
        ondemand::document document =
            take(parser.iterate(text, size_t(span.length),
                                size_t(size - span.offset + StorageFile::readPadding)));
        bool written = true;
        QJsonValue value;
        const bool isObject = take(document.type()) == ondemand::json_type::object;
        if (isObject) {
          value = toJsonObject(take(document.get_object()), written);
          checkAtEnd(document);
        } else {
          // Rare enough to go the long way: kept as it is, in the general reader's form.
          const QByteArray wrapped = '[' + QByteArray(text, span.length) + ']';
          const QJsonDocument parsed = QJsonDocument::fromJson(wrapped);
          if (!parsed.isArray()) {
            throw NotPlain{};
          }
          value = parsed.array().at(0);
        }
        try {
          if (!isObject) {
            throw DecodingError(DecodingError::Kind::typeMismatch, path(),
                                QStringLiteral("is not an object"));
          }
          try {
            out[i] = Record::fromJson(value.toObject());
          } catch (const DecodingError& error) {
            throw error.nestedIn(path());
          }
          // Its text is taken as it is only when it is laid out as the store writes it. (Whether
          // each field is spelled as the store would spell it is not checked: re-encoding every
          // record to know is what the load must not cost. The spelling it has still reads back
          // as the same record, so nothing is lost by keeping it.)
          written = written && isCompactAsWritten(std::string_view(text, size_t(span.length)));
          if (!written) {
            span.length = -1;
          }
        } catch (const DecodingError& error) {
          failures[size_t(i)] = UnreadableRecord{QLatin1String(key), value, error.errorDescription()};
        }
      } catch (const NotPlain&) {
        notPlain = true;
      }
    }
  });
  if (notPlain) {
    throw NotPlain{};
  }
  // Those that did not decode leave the list, their spans with them.
  qsizetype kept = 0;
  for (size_t i = 0; i < failures.size(); ++i) {
    if (failures[i]) {
      unreadable.append(std::move(*failures[i]));
      continue;
    }
    if (qsizetype(i) != kept) {
      out[kept] = std::move(out[i]);
      spans[size_t(kept)] = spans[i];
    }
    ++kept;
  }
  records.resize(kept);
  spans.resize(size_t(kept));
}

}  // namespace

std::optional<DatabaseReader::Result> DatabaseReader::read(const QByteArray& input) {
  // The parser reads a little past the end; a copy with room when the bytes have none.
  QByteArray padded;
  const QByteArray* bytes = &input;
  if (input.capacity() - input.size() < StorageFile::readPadding) {
    padded.reserve(input.size() + qsizetype(StorageFile::readPadding));
    padded.append(input);
    bytes = &padded;
  }
  const char* data = bytes->constData();
  const qint64 size = bytes->size();

  struct ListField {
    const char* key;
    std::vector<TextSpan> DatabaseSpans::*spans;
    bool seen = false;
  };
  ListField lists[] = {{"tasks", &DatabaseSpans::tasks},
                       {"bills", &DatabaseSpans::bills},
                       {"waitingItems", &DatabaseSpans::waitingItems},
                       {"manualEvents", &DatabaseSpans::manualEvents},
                       {"focusSessions", &DatabaseSpans::focusSessions},
                       {"emailSuggestions", &DatabaseSpans::emailSuggestions}};
  Result result;
  QJsonObject rest;  // every field but the record lists
  try {
    {
      // The whole text once, for where each record lies; its index is freed before the
      // records are made.
      ondemand::parser parser;
      ondemand::document document =
          take(parser.iterate(data, size_t(size), size_t(size) + StorageFile::readPadding));
      for (auto field : take(document.get_object())) {
        const std::string_view key = take(field.unescaped_key());
        ListField* list = std::find_if(std::begin(lists), std::end(lists),
                                       [&](const ListField& l) { return key == l.key; });
        if (list == std::end(lists)) {
          const QString name = fromUtf8(key);
          bool ignored = true;
          if (rest.contains(name)) {
            throw NotPlain{};  // which of the two counts is the general reader's to say
          }
          rest.insert(name, toJsonValue(take(field.value()), ignored));
          continue;
        }
        if (list->seen) {
          throw NotPlain{};
        }
        list->seen = true;
        std::vector<TextSpan>& spans = result.spans.*(list->spans);
        for (auto element : take(take(field.value()).get_array())) {
          ondemand::value value = take(std::move(element));
          std::string_view text;
          switch (take(value.type())) {
            case ondemand::json_type::object:
              text = take(take(value.get_object()).raw_json());
              break;
            case ondemand::json_type::array:
              text = take(take(value.get_array()).raw_json());
              break;
            default:
              text = value.raw_json_token();
              break;
          }
          while (!text.empty() && (text.back() == ' ' || text.back() == '\t' ||
                                   text.back() == '\n' || text.back() == '\r')) {
            text.remove_suffix(1);
          }
          spans.push_back({qint64(text.data() - data), qint32(text.size())});
        }
      }
      checkAtEnd(document);
    }
    if (!std::all_of(std::begin(lists), std::end(lists), [](const ListField& l) { return l.seen; })) {
      throw NotPlain{};
    }
    const QJsonValue version = rest.value(QLatin1String("schemaVersion"));
    if (!version.isDouble() || version.toDouble() != StorageSchema::currentVersion) {
      throw NotPlain{};
    }
    DashboardStorageContainer& c = result.container;
    UnreadableRecords& unreadable = result.unreadableRecords;
    DatabaseSpans& spans = result.spans;
    decodeList(data, size, "tasks", spans.tasks, c.tasks, unreadable);
    decodeList(data, size, "bills", spans.bills, c.bills, unreadable);
    decodeList(data, size, "waitingItems", spans.waitingItems, c.waitingItems, unreadable);
    decodeList(data, size, "manualEvents", spans.manualEvents, c.manualEvents, unreadable);
    decodeList(data, size, "focusSessions", spans.focusSessions, c.focusSessions, unreadable);
    decodeList(data, size, "emailSuggestions", spans.emailSuggestions, c.emailSuggestions,
               unreadable);
    DashboardStorageContainer::readFieldsBesidesLists(rest, c);
  } catch (const NotPlain&) {
    return std::nullopt;
  } catch (const DecodingError&) {
    return std::nullopt;
  }
  return result;  // the spans are offsets, the same in the copy and the input
}
