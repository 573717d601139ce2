#pragma once

#include "core/store/StorageSchema.h"

#include <QByteArray>
#include <QHash>

#include <deque>
#include <thread>
#include <unordered_map>
#include <vector>

// Encodes the whole database as compact JSON for every save. The text of each record is kept
// and reused for as long as the record stays equal, so a save after one change encodes one
// record instead of tens of thousands. The result is exactly what encoding the container's
// toJson() gives.
class DatabaseEncoder {
 public:
  DatabaseEncoder() = default;
  DatabaseEncoder(const DatabaseEncoder&) = delete;
  DatabaseEncoder& operator=(const DatabaseEncoder&) = delete;
  ~DatabaseEncoder();

  // The text stays valid until the next call; its buffer is reused so that a save does not
  // allocate and fault in megabytes of fresh memory every time.
  const QByteArray& encode(const DashboardStorageContainer& container);

  // Encodes every record of `snapshot` on a thread of its own, so that the first save after
  // loading costs what any later save costs. encode() waits for it when it comes sooner.
  void warmUp(DashboardStorageContainer snapshot);

  // Hands freed heap pages back to the system, after a load or an encoding of everything.
  static void releaseFreeMemory();

 private:
  void finishWarmUp();
  const QByteArray& encodeNow(const DashboardStorageContainer& container);

  template <typename Record>
  class RecordCache {
   public:
    // Encodes the changed records and returns the size `"key":[...]` will take.
    qsizetype prepare(const QList<Record>& records);
    // Appends `"key":[...]` for the records given to prepare().
    void append(QByteArray& out, const char* key);

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
    // Between prepare() and append(): the text of each record in list order.
    std::vector<const QByteArray*> texts_;
    std::deque<QByteArray> duplicates_;  // the same id twice: encoded apart, never cached
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
  std::thread warmUp_;
};
