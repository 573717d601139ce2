#pragma once

#include "core/store/StorageSchema.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>

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

  // The text in pieces, to be written one after the other: the records' texts are kept
  // joined per list, so a save writes them as they are instead of copying megabytes into one
  // buffer first.
  QByteArrayList encodePieces(const DashboardStorageContainer& container);
  QByteArray encode(const DashboardStorageContainer& container) {
    return encodePieces(container).join();
  }

  // Encodes every record of `snapshot` on a thread of its own, so that the first save after
  // loading costs what any later save costs. encode() waits for it when it comes sooner.
  void warmUp(DashboardStorageContainer snapshot);

  // Hands freed heap pages back to the system, after a load or an encoding of everything.
  static void releaseFreeMemory();

 private:
  void finishWarmUp();
  QByteArrayList encodeNow(const DashboardStorageContainer& container);

  template <typename Record>
  class RecordCache {
   public:
    // Encodes the changed records and appends `,"key":[...]` to `pieces`.
    void append(QByteArrayList& pieces, const char* key, const QList<Record>& records);

   private:
    void rebuild(const QList<Record>& records);

    // The list as last encoded. It shares its elements with the store's list until the store
    // changes that list, so the cache holds no copy of the records, and a list the store has
    // not touched since is known unchanged at once.
    QList<Record> previous_;
    // The texts of previous_ joined by commas, in one block: small texts kept apart would pin
    // the pages of the encoder's freed scratch memory, and one block is copied out at once.
    QByteArray joined_;
    std::vector<qsizetype> ends_;  // where the text of previous_[i] ends in joined_
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
  std::thread warmUp_;
};
