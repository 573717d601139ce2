#pragma once

#include "core/store/StorageSchema.h"

#include <QByteArray>

#include <optional>
#include <vector>

// Where a record's text lies in the file it was read from. A length of -1: the text is not
// exactly what the store would write for the record, so it is written anew.
struct TextSpan {
  qint64 offset = 0;
  qint32 length = -1;
};

// The spans of every record, list by list, in list order.
struct DatabaseSpans {
  std::vector<TextSpan> tasks;
  std::vector<TextSpan> bills;
  std::vector<TextSpan> waitingItems;
  std::vector<TextSpan> manualEvents;
  std::vector<TextSpan> focusSessions;
  std::vector<TextSpan> emailSuggestions;
};

// Reads a database of the current layout with simdjson's on-demand parser: no document tree,
// the records decoded on several threads straight from their text, and each record's byte span
// noted, so that a save can copy the text of a record that has not changed.
namespace DatabaseReader {

struct Result {
  DashboardStorageContainer container;
  UnreadableRecords unreadableRecords;
  DatabaseSpans spans;
};

// Nothing when the bytes are not a JSON object of the current layout in the shape the store
// writes (another version, invalid JSON, a list missing or of the wrong type, a field that
// does not decode): the general reader then says what is wrong. Records that do not decode
// are collected in the result instead. `bytes` is read up to StorageFile::readPadding bytes
// past its end when its capacity allows, and copied first when it does not.
std::optional<Result> read(const QByteArray& bytes);

}  // namespace DatabaseReader
