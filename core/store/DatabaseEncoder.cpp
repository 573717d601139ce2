#include "core/store/DatabaseEncoder.h"

#include "core/store/ParallelRanges.h"

#include <QJsonDocument>

#include <cstring>
#include <functional>
#include <unordered_map>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

template <typename Record>
QByteArray encodeRecord(const Record& record) {
  return QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact);
}

// A record the store has not touched is a copy made when its list was detached: its strings,
// dates and lists point at the same shared data as the old one's, so the two are equal
// without reading any of it. Bits that differ prove nothing; then the fields are compared.
template <typename Record>
bool sameRecord(const Record& a, const Record& b) {
  return std::memcmp(static_cast<const void*>(&a), static_cast<const void*>(&b), sizeof(Record)) ==
             0 ||
         a == b;
}

}  // namespace

void DatabaseEncoder::ContentBuilder::text(const QByteArray& bytes) {
  flushRun();
  literal_ += bytes;
  size_ += bytes.size();
}

qint64 DatabaseEncoder::ContentBuilder::place(const Place& place,
                                              const std::vector<QByteArray>& blocks,
                                              bool afterComma) {
  const QByteArray* block = place.block < 0 ? nullptr : &blocks[size_t(place.block)];
  // The comma between two records that lie side by side is copied with them.
  if (afterComma && runFrom_ >= 0 && block == runBlock_ && place.offset == runTo_ + 1) {
    runTo_ = place.offset + place.length;
    size_ += 1 + place.length;
    return size_ - place.length;
  }
  if (afterComma) {
    text(QByteArrayLiteral(","));
  }
  flushRun();
  runBlock_ = block;
  runFrom_ = place.offset;
  runTo_ = place.offset + place.length;
  size_ += place.length;
  return size_ - place.length;
}

void DatabaseEncoder::ContentBuilder::flushRun() {
  if (runFrom_ < 0) {
    return;
  }
  if (!literal_.isEmpty()) {
    content_.append(ContentPart(std::exchange(literal_, {})));
  }
  if (runBlock_) {
    content_.append(ContentPart(*runBlock_, runFrom_, runTo_ - runFrom_));
  } else {
    content_.append(ContentPart(file_, runFrom_, runTo_ - runFrom_));
  }
  runFrom_ = -1;
}

void DatabaseEncoder::ContentBuilder::finish() {
  flushRun();
  if (!literal_.isEmpty()) {
    content_.append(ContentPart(std::exchange(literal_, {})));
  }
}

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::append(ContentBuilder& out, const char* key,
                                                  const QList<Record>& records) {
  out.text(QByteArray(",\"") + key + "\":[");
  const bool sameElements = complete_ && records.constData() == previous_.constData() &&
                            records.size() == previous_.size() &&
                            size_t(records.size()) == places_.size();
  if (!sameElements) {
    rebuild(records);
  }
  written_.resize(places_.size());
  for (size_t i = 0; i < places_.size(); ++i) {
    written_[i] = out.place(places_[i], blocks_, i > 0);
  }
  out.text(QByteArrayLiteral("]"));
}

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::rebuild(const QList<Record>& records) {
  using Key = decltype(Record::id);
  // Built only when records moved: most saves change records in place or at the end.
  std::unordered_map<Key, qsizetype, std::function<size_t(const Key&)>> oldPositions(
      0, [](const Key& key) { return size_t(qHash(key)); });
  const auto oldPosition = [&](qsizetype i) -> qsizetype {
    const Key& id = records.at(i).id;
    if (i < previous_.size() && previous_.at(i).id == id) {
      return i;
    }
    if (oldPositions.empty()) {
      for (qsizetype j = previous_.size() - 1; j >= 0; --j) {
        oldPositions[previous_.at(j).id] = j;  // the first of twins wins
      }
    }
    const auto it = oldPositions.find(id);
    return it == oldPositions.end() ? -1 : it->second;
  };

  std::vector<Place> places(static_cast<size_t>(records.size()));
  std::vector<qsizetype> stale;
  std::vector<qint32> blockMap(blocks_.size(), -1);  // old block -> new block
  std::vector<QByteArray> blocks;
  for (qsizetype i = 0; i < records.size(); ++i) {
    const qsizetype j = oldPosition(i);
    if (j >= 0 && places_[size_t(j)].length >= 0 && sameRecord(previous_.at(j), records.at(i))) {
      Place place = places_[size_t(j)];
      if (place.block >= 0) {
        qint32& mapped = blockMap[size_t(place.block)];
        if (mapped < 0) {
          mapped = qint32(blocks.size());
          blocks.push_back(blocks_[size_t(place.block)]);
        }
        place.block = mapped;
      }
      places[size_t(i)] = place;
    } else {
      stale.push_back(i);
    }
  }
  if (!stale.empty()) {
    // Every record on the first save: worth several threads.
    std::vector<QByteArray> fresh(stale.size());
    forEachRangeInParallel(qsizetype(stale.size()), 1000, [&](qsizetype begin, qsizetype end) {
      for (qsizetype k = begin; k < end; ++k) {
        fresh[size_t(k)] = encodeRecord(records.at(stale[size_t(k)]));
      }
    });
    qsizetype size = 0;
    for (const QByteArray& text : fresh) {
      size += text.size() + 1;
    }
    // Side by side with commas between, so that neighbours are written as one part.
    QByteArray block;
    block.reserve(size);
    const qint32 index = qint32(blocks.size());
    for (size_t k = 0; k < fresh.size(); ++k) {
      places[size_t(stale[k])] = Place{block.size(), qint32(fresh[k].size()), index};
      block += fresh[k];
      block += ',';
      fresh[k] = QByteArray();
    }
    blocks.push_back(std::move(block));
  }
  places_ = std::move(places);
  blocks_ = std::move(blocks);
  previous_ = records;
  complete_ = true;
}

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::adopt(const QList<Record>& records,
                                                 const std::vector<TextSpan>& spans) {
  clear();
  if (size_t(records.size()) != spans.size()) {
    return;  // not this list's spans: everything is encoded at the first save
  }
  previous_ = records;
  places_.resize(spans.size());
  for (size_t i = 0; i < spans.size(); ++i) {
    places_[i] = Place{spans[i].offset, spans[i].length, -1};
    complete_ = complete_ && spans[i].length >= 0;
  }
}

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::textIsIn() {
  for (size_t i = 0; i < places_.size(); ++i) {
    places_[i] = Place{written_[i], places_[i].length, -1};
  }
  blocks_.clear();
}

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::clear() {
  previous_.clear();
  places_.clear();
  written_.clear();
  blocks_.clear();
  complete_ = true;
}

DatabaseEncoder::~DatabaseEncoder() = default;

void DatabaseEncoder::adopt(const DashboardStorageContainer& container, const DatabaseSpans& spans,
                            std::shared_ptr<KeptFile> file) {
  forgetAll();
  if (!file) {
    return;
  }
  tasks_.adopt(container.tasks, spans.tasks);
  bills_.adopt(container.bills, spans.bills);
  waitingItems_.adopt(container.waitingItems, spans.waitingItems);
  manualEvents_.adopt(container.manualEvents, spans.manualEvents);
  focusSessions_.adopt(container.focusSessions, spans.focusSessions);
  emailSuggestions_.adopt(container.emailSuggestions, spans.emailSuggestions);
  file_ = std::move(file);
}

void DatabaseEncoder::releaseFreeMemory() {
#ifdef __GLIBC__
  // Encoding and parsing free many small blocks; glibc keeps their pages until asked.
  malloc_trim(0);
#endif
}

void DatabaseEncoder::textIsIn(std::shared_ptr<KeptFile> file) {
  if (!file) {
    return;
  }
  tasks_.textIsIn();
  bills_.textIsIn();
  waitingItems_.textIsIn();
  manualEvents_.textIsIn();
  focusSessions_.textIsIn();
  emailSuggestions_.textIsIn();
  file_ = std::move(file);
}

void DatabaseEncoder::forgetAll() {
  tasks_.clear();
  bills_.clear();
  waitingItems_.clear();
  manualEvents_.clear();
  focusSessions_.clear();
  emailSuggestions_.clear();
  file_.reset();
}


QByteArray DatabaseEncoder::encode(const DashboardStorageContainer& container) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const FileContent content = encodeContent(container);
    qint64 size = 0;
    for (const ContentPart& part : content) {
      size += part.length;
    }
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    char* at = bytes.data();
    bool complete = true;
    for (const ContentPart& part : content) {
      if (!part.file) {
        std::memcpy(at, part.bytes.constData() + part.offset, size_t(part.length));
      } else if (!part.file->read(part.offset, part.length, at)) {
        complete = false;
        break;
      }
      at += part.length;
    }
    if (complete && (!file_ || file_->isUnchanged())) {
      return bytes;
    }
    forgetAll();  // the file can no longer be read: everything from the records
  }
  return QByteArray();
}

FileContent DatabaseEncoder::encodeContent(const DashboardStorageContainer& container) {
  if (file_ && !file_->isUnchanged()) {
    forgetAll();  // something else wrote to it; its text is no longer known
  }
  // The small fields go through the JSON writer as they are; the lists are spliced in.
  DashboardStorageContainer rest;
  rest.schemaVersion = container.schemaVersion;
  rest.lastEmailSyncAt = container.lastEmailSyncAt;
  rest.emailSyncState = container.emailSyncState;
  rest.dailyIntention = container.dailyIntention;
  rest.dailyIntentionDate = container.dailyIntentionDate;
  rest.customGreeting = container.customGreeting;
  rest.cachedWeather = container.cachedWeather;
  QJsonObject small = rest.toJson();
  for (const char* list : {"tasks", "bills", "waitingItems", "manualEvents", "focusSessions",
                           "emailSuggestions", "processedEmailMessageIDs"}) {
    small.remove(QLatin1String(list));
  }
  QByteArray head = QJsonDocument(small).toJson(QJsonDocument::Compact);
  head.chop(1);  // the closing brace; the object always holds schemaVersion, so a comma follows
  if (processedIDsJson_.isEmpty() || processedIDs_ != container.processedEmailMessageIDs) {
    processedIDs_ = container.processedEmailMessageIDs;
    processedIDsJson_ =
        QJsonDocument(StorageSchema::stringSetToJson(processedIDs_)).toJson(QJsonDocument::Compact);
  }
  FileContent content;
  ContentBuilder out(content, file_.get());
  out.text(head);
  tasks_.append(out, "tasks", container.tasks);
  bills_.append(out, "bills", container.bills);
  waitingItems_.append(out, "waitingItems", container.waitingItems);
  manualEvents_.append(out, "manualEvents", container.manualEvents);
  focusSessions_.append(out, "focusSessions", container.focusSessions);
  emailSuggestions_.append(out, "emailSuggestions", container.emailSuggestions);
  out.text(QByteArrayLiteral(",\"processedEmailMessageIDs\":"));
  out.text(processedIDsJson_);
  out.text(QByteArrayLiteral("}"));
  out.finish();
  return content;
}
