#pragma once

#include "core/store/StorageSchema.h"

#include <QByteArray>
#include <QHash>

#include <unordered_map>

// Encodes the whole database as compact JSON for every save. The text of each record is kept
// and reused for as long as the record stays equal, so a save after one change encodes one
// record instead of tens of thousands. The result is exactly what encoding the container's
// toJson() gives.
class DatabaseEncoder {
 public:
  // The text stays valid until the next call; its buffer is reused so that a save does not
  // allocate and fault in megabytes of fresh memory every time.
  const QByteArray& encode(const DashboardStorageContainer& container);

 private:
  template <typename Record>
  class RecordCache {
   public:
    // Appends `"key":[...]` to `out`.
    void append(QByteArray& out, const char* key, const QList<Record>& records);

   private:
    using Key = decltype(Record::id);
    struct Entry {
      Record record;
      QByteArray json;
      quint64 pass = 0;
    };
    struct KeyHash {
      size_t operator()(const Key& key) const { return qHash(key); }
    };
    // Entries keep their address while others are added, so texts can be referred to.
    std::unordered_map<Key, Entry, KeyHash> entries_;
    quint64 pass_ = 0;
  };

  RecordCache<TaskItem> tasks_;
  RecordCache<BillItem> bills_;
  RecordCache<WaitingForItem> waitingItems_;
  RecordCache<CalendarEventItem> manualEvents_;
  RecordCache<FocusSession> focusSessions_;
  RecordCache<EmailExtractedSuggestion> emailSuggestions_;
  // Thousands of message identifiers that change only during a sync.
  QSet<QString> processedIDs_;
  QByteArray processedIDsJson_;
  QByteArray out_;
};
