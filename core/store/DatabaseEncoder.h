#pragma once

#include "core/store/DatabaseReader.h"
#include "core/store/StorageFile.h"
#include "core/store/StorageSchema.h"

#include <QByteArray>
#include <QHash>

#include <memory>
#include <vector>

// Encodes the whole database as compact JSON for every save. The text of each record is kept
// and reused for as long as the record stays equal, so a save after one change encodes one
// record instead of tens of thousands. Once a file holding the text is known (the last one
// written, or the one loaded, whose records' spans the reader noted), the kept text is the
// file's: a save copies its unchanged ranges from there, checked against the checksums the
// file was kept with, and the encoder holds only where each record's text lies.
class DatabaseEncoder {
 public:
  DatabaseEncoder() = default;
  DatabaseEncoder(const DatabaseEncoder&) = delete;
  DatabaseEncoder& operator=(const DatabaseEncoder&) = delete;
  ~DatabaseEncoder();

  // The text in parts, to be written one after the other. It may refer to the file given to
  // textIsIn(), which the encoder keeps alive.
  FileContent encodeContent(const DashboardStorageContainer& container);
  QByteArray encode(const DashboardStorageContainer& container);

  // The content last returned was written whole to `file`: text is copied from there from
  // now on, and the encoder's own copies go.
  void textIsIn(std::shared_ptr<KeptFile> file);

  // `container` was just read from `file`, each record's text where `spans` say (a span of
  // length -1: not as the encoder writes it). The first save copies the others from there, so
  // it costs what any later save costs, with nothing encoded ahead.
  void adopt(const DashboardStorageContainer& container, const DatabaseSpans& spans,
             std::shared_ptr<KeptFile> file);

  // Forgets all text it keeps, for when its file no longer holds it: the next content is
  // encoded from the records.
  void forgetAll();

  // Hands freed heap pages back to the system, after a load or an encoding of everything.
  static void releaseFreeMemory();

 private:
  // Where a record's text lies: in the encoder's file, or in one of its own blocks. A length
  // of -1: nowhere yet.
  struct Place {
    qint64 offset = 0;
    qint32 length = 0;
    qint32 block = -1;  // -1: the file
  };

  // Adds a part to `content`, joining it to the last one when they are adjacent.
  class ContentBuilder {
   public:
    ContentBuilder(FileContent& content, const KeptFile* file) : content_(content), file_(file) {}
    void text(const QByteArray& bytes);
    // Adds a record's text, after a comma unless it is the first; returns where it starts.
    qint64 place(const Place& place, const std::vector<QByteArray>& blocks, bool afterComma);
    qint64 size() const { return size_; }
    void finish();

   private:
    FileContent& content_;
    const KeptFile* file_;
    QByteArray literal_;
    const QByteArray* runBlock_ = nullptr;
    qint64 runFrom_ = -1;
    qint64 runTo_ = -1;
    qint64 size_ = 0;
    void flushRun();
  };

  template <typename Record>
  class RecordCache {
   public:
    // Encodes the changed records and adds `,"key":[...]` to the content.
    void append(ContentBuilder& out, const char* key, const QList<Record>& records);
    void textIsIn();
    void adopt(const QList<Record>& records, const std::vector<TextSpan>& spans);
    void clear();

   private:
    void rebuild(const QList<Record>& records);

    // The list as last encoded. It shares its elements with the store's list until the store
    // changes that list, so the cache holds no copy of the records, and a list the store has
    // not touched since is known unchanged at once.
    QList<Record> previous_;
    std::vector<Place> places_;       // of previous_[i]
    std::vector<qint64> written_;     // where previous_[i] lies in the content last made
    std::vector<QByteArray> blocks_;  // texts not in the file, joined by commas
    bool complete_ = true;            // false while some place has no text
  };

  std::shared_ptr<KeptFile> file_;
  RecordCache<TaskItem> tasks_;
  RecordCache<BillItem> bills_;
  RecordCache<WaitingForItem> waitingItems_;
  RecordCache<CalendarEventItem> manualEvents_;
  RecordCache<FocusSession> focusSessions_;
  RecordCache<EmailExtractedSuggestion> emailSuggestions_;
  // Thousands of message identifiers that change only during a sync.
  QSet<QString> processedIDs_;
  QByteArray processedIDsJson_;
};
