#include "core/store/DatabaseEncoder.h"

#include "core/store/ParallelRanges.h"

#include <QJsonDocument>

#include <deque>
#include <vector>

namespace {

template <typename Record>
QByteArray encodeRecord(const Record& record) {
  return QJsonDocument(record.toJson()).toJson(QJsonDocument::Compact);
}

}  // namespace

template <typename Record>
void DatabaseEncoder::RecordCache<Record>::append(QByteArray& out, const char* key,
                                                  const QList<Record>& records) {
  ++pass_;
  std::vector<const QByteArray*> texts(static_cast<size_t>(records.size()));
  std::vector<std::pair<qsizetype, Entry*>> stale;
  std::deque<QByteArray> duplicates;  // the same id twice: encoded apart, never cached
  for (qsizetype i = 0; i < records.size(); ++i) {
    const Record& record = records.at(i);
    auto [it, inserted] = entries_.try_emplace(record.id);
    Entry& entry = it->second;
    if (entry.pass == pass_) {
      texts[static_cast<size_t>(i)] = &duplicates.emplace_back(encodeRecord(record));
      continue;
    }
    if (inserted || !(entry.record == record)) {
      stale.emplace_back(i, &entry);
    }
    entry.pass = pass_;
    texts[static_cast<size_t>(i)] = &entry.json;
  }
  // Every record on the first save: worth several threads.
  forEachRangeInParallel(qsizetype(stale.size()), 1000, [&](qsizetype begin, qsizetype end) {
    for (qsizetype k = begin; k < end; ++k) {
      const auto& [i, entry] = stale[static_cast<size_t>(k)];
      entry->record = records.at(i);
      entry->json = encodeRecord(entry->record);
    }
  });
  out += ",\"";
  out += key;
  out += "\":[";
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) {
      out += ',';
    }
    out += *texts[i];
  }
  out += ']';
  // Forget the records that are gone.
  if (entries_.size() > size_t(records.size())) {
    std::erase_if(entries_, [this](const auto& item) { return item.second.pass != pass_; });
  }
}

const QByteArray& DatabaseEncoder::encode(const DashboardStorageContainer& container) {
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
  QByteArray& out = out_;
  out.resize(0);  // keeps the capacity
  out += QJsonDocument(small).toJson(QJsonDocument::Compact);
  out.chop(1);  // the closing brace; the object always holds schemaVersion, so a comma follows
  tasks_.append(out, "tasks", container.tasks);
  bills_.append(out, "bills", container.bills);
  waitingItems_.append(out, "waitingItems", container.waitingItems);
  manualEvents_.append(out, "manualEvents", container.manualEvents);
  focusSessions_.append(out, "focusSessions", container.focusSessions);
  emailSuggestions_.append(out, "emailSuggestions", container.emailSuggestions);
  if (processedIDsJson_.isEmpty() || processedIDs_ != container.processedEmailMessageIDs) {
    processedIDs_ = container.processedEmailMessageIDs;
    processedIDsJson_ =
        QJsonDocument(StorageSchema::stringSetToJson(processedIDs_)).toJson(QJsonDocument::Compact);
  }
  out += ",\"processedEmailMessageIDs\":";
  out += processedIDsJson_;
  out += '}';
  return out;
}
