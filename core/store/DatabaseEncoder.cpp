#include "core/store/DatabaseEncoder.h"

#include "core/store/ParallelRanges.h"

#include <QJsonDocument>

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

}  // namespace

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::append(QByteArrayList& pieces, const char* key,
                                                  const QList<Record>& records) {
  pieces.append(QByteArray(",\"") + key + "\":[");
  const bool sameElements = records.constData() == previous_.constData() &&
                            records.size() == previous_.size() &&
                            size_t(records.size()) == ends_.size();
  if (!sameElements) {
    rebuild(records);
  }
  pieces.append(joined_);
  pieces.append(QByteArrayLiteral("]"));
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
  const auto oldStart = [this](qsizetype j) { return j == 0 ? 0 : ends_[size_t(j - 1)] + 1; };

  // For each record its old position, or -1 - k for the k-th record to encode.
  std::vector<qsizetype> sources(static_cast<size_t>(records.size()));
  std::vector<qsizetype> stale;
  qsizetype reused = 0;
  for (qsizetype i = 0; i < records.size(); ++i) {
    const qsizetype j = oldPosition(i);
    if (j >= 0 && previous_.at(j) == records.at(i)) {
      sources[size_t(i)] = j;
      reused += ends_[size_t(j)] - oldStart(j) + 1;
    } else {
      sources[size_t(i)] = -1 - qsizetype(stale.size());
      stale.push_back(i);
    }
  }
  // Every record on the first save: worth several threads.
  std::vector<QByteArray> fresh(stale.size());
  forEachRangeInParallel(qsizetype(stale.size()), 1000, [&](qsizetype begin, qsizetype end) {
    for (qsizetype k = begin; k < end; ++k) {
      fresh[size_t(k)] = encodeRecord(records.at(stale[size_t(k)]));
    }
  });
  qsizetype size = reused;
  for (const QByteArray& text : fresh) {
    size += text.size() + 1;
  }

  QByteArray joined;
  joined.reserve(size);
  std::vector<qsizetype> ends(static_cast<size_t>(records.size()));
  // Records that follow each other in the old block are copied in one piece.
  qsizetype runFrom = -1;
  qsizetype runTo = -1;
  qsizetype lastOld = -2;
  const auto flush = [&] {
    if (runFrom >= 0) {
      joined.append(joined_.constData() + runFrom, runTo - runFrom);
      runFrom = -1;
    }
  };
  for (qsizetype i = 0; i < records.size(); ++i) {
    const qsizetype source = sources[size_t(i)];
    qsizetype length = 0;
    if (source >= 0 && source == lastOld + 1 && runFrom >= 0) {
      runTo = ends_[size_t(source)];
      length = ends_[size_t(source)] - oldStart(source);
    } else {
      flush();
      if (i > 0) {
        joined += ',';
      }
      if (source >= 0) {
        runFrom = oldStart(source);
        runTo = ends_[size_t(source)];
        length = runTo - runFrom;
      } else {
        const QByteArray& text = fresh[size_t(-1 - source)];
        joined += text;
        length = text.size();
      }
    }
    lastOld = source >= 0 ? source : -2;
    // Inside a run the comma comes from the old block.
    ends[size_t(i)] = (i == 0 ? 0 : ends[size_t(i - 1)] + 1) + length;
  }
  flush();
  joined_ = std::move(joined);
  ends_ = std::move(ends);
  previous_ = records;
}

DatabaseEncoder::~DatabaseEncoder() { finishWarmUp(); }

void DatabaseEncoder::warmUp(DashboardStorageContainer snapshot) {
  finishWarmUp();
  warmUp_ = std::thread([this, snapshot = std::move(snapshot)] {
    encodeNow(snapshot);
    releaseFreeMemory();
  });
}

void DatabaseEncoder::finishWarmUp() {
  if (warmUp_.joinable()) {
    warmUp_.join();
  }
}

void DatabaseEncoder::releaseFreeMemory() {
#ifdef __GLIBC__
  // Encoding and parsing free many small blocks; glibc keeps their pages until asked.
  malloc_trim(0);
#endif
}

QByteArrayList DatabaseEncoder::encodePieces(const DashboardStorageContainer& container) {
  finishWarmUp();
  return encodeNow(container);
}

QByteArrayList DatabaseEncoder::encodeNow(const DashboardStorageContainer& container) {
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
  QByteArrayList pieces{head};
  tasks_.append(pieces, "tasks", container.tasks);
  bills_.append(pieces, "bills", container.bills);
  waitingItems_.append(pieces, "waitingItems", container.waitingItems);
  manualEvents_.append(pieces, "manualEvents", container.manualEvents);
  focusSessions_.append(pieces, "focusSessions", container.focusSessions);
  emailSuggestions_.append(pieces, "emailSuggestions", container.emailSuggestions);
  pieces.append(QByteArrayLiteral(",\"processedEmailMessageIDs\":"));
  pieces.append(processedIDsJson_);
  pieces.append(QByteArrayLiteral("}"));
  return pieces;
}
