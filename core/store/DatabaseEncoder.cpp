#include "core/store/DatabaseEncoder.h"

#include "core/store/ParallelRanges.h"

#include <QJsonDocument>

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
qsizetype DatabaseEncoder::RecordCache<Record>::prepare(const QList<Record>& records) {
  ++pass_;
  texts_.assign(static_cast<size_t>(records.size()), nullptr);
  duplicates_.clear();
  std::vector<std::pair<qsizetype, Entry*>> stale;
  for (qsizetype i = 0; i < records.size(); ++i) {
    const Record& record = records.at(i);
    auto [it, inserted] = entries_.try_emplace(record.id);
    Entry& entry = it->second;
    if (entry.pass == pass_) {
      texts_[static_cast<size_t>(i)] = &duplicates_.emplace_back(encodeRecord(record));
      continue;
    }
    if (inserted || !(entry.record == record)) {
      stale.emplace_back(i, &entry);
    }
    entry.pass = pass_;
    texts_[static_cast<size_t>(i)] = &entry.json;
  }
  // Every record on the first save: worth several threads.
  forEachRangeInParallel(qsizetype(stale.size()), 1000, [&](qsizetype begin, qsizetype end) {
    for (qsizetype k = begin; k < end; ++k) {
      const auto& [i, entry] = stale[static_cast<size_t>(k)];
      entry->record = records.at(i);
      entry->json = encodeRecord(entry->record);
      // The writer's buffer grows by doubling; kept for long, only the text should stay.
      entry->json.squeeze();
    }
  });
  // Forget the records that are gone.
  if (entries_.size() > size_t(records.size())) {
    std::erase_if(entries_, [this](const auto& item) { return item.second.pass != pass_; });
  }
  qsizetype size = 0;
  for (const QByteArray* text : texts_) {
    size += text->size() + 1;
  }
  return size + 64;  // the key, brackets and commas
}

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::append(QByteArray& out, const char* key) {
  out += ",\"";
  out += key;
  out += "\":[";
  for (size_t i = 0; i < texts_.size(); ++i) {
    if (i > 0) {
      out += ',';
    }
    out += *texts_[i];
  }
  out += ']';
  texts_.clear();
  duplicates_.clear();
}

DatabaseEncoder::~DatabaseEncoder() { finishWarmUp(); }

void DatabaseEncoder::warmUp(DashboardStorageContainer snapshot) {
  finishWarmUp();
  warmUp_ = std::thread([this, snapshot = std::move(snapshot)]() mutable {
    encodeNow(snapshot);
    // The snapshot shares the store's lists; letting go here spares the store a copy of
    // every list on its first edit.
    snapshot = DashboardStorageContainer();
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

const QByteArray& DatabaseEncoder::encode(const DashboardStorageContainer& container) {
  finishWarmUp();
  return encodeNow(container);
}

const QByteArray& DatabaseEncoder::encodeNow(const DashboardStorageContainer& container) {
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
  const qsizetype size = head.size() + tasks_.prepare(container.tasks) +
                         bills_.prepare(container.bills) +
                         waitingItems_.prepare(container.waitingItems) +
                         manualEvents_.prepare(container.manualEvents) +
                         focusSessions_.prepare(container.focusSessions) +
                         emailSuggestions_.prepare(container.emailSuggestions) +
                         processedIDsJson_.size() + 64;
  QByteArray& out = out_;
  out.resize(0);  // keeps the capacity
  // Grown once to what is needed, with room for some growth, never doubled.
  if (out.capacity() < size) {
    out.reserve(size + size / 16);
  }
  out += head;
  tasks_.append(out, "tasks");
  bills_.append(out, "bills");
  waitingItems_.append(out, "waitingItems");
  manualEvents_.append(out, "manualEvents");
  focusSessions_.append(out, "focusSessions");
  emailSuggestions_.append(out, "emailSuggestions");
  out += ",\"processedEmailMessageIDs\":";
  out += processedIDsJson_;
  out += '}';
  return out;
}
