#include "core/store/ExportImportManager.h"

#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/model/SecurityValidator.h"
#include "core/store/DataMigrations.h"
#include "core/store/DataStore.h"
#include "core/store/RegularFile.h"
#include "core/store/StorageFile.h"
#include "core/store/StrictJson.h"

#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace {

const QString kSubsystem = QStringLiteral("Storage");

QString stamp(const QDateTime& now, const Calendar& calendar) {
  return now.toTimeZone(calendar.timeZone()).toString(QStringLiteral("yyyy-MM-dd_HHmm"));
}

QString dateCell(const std::optional<QDateTime>& date) {
  return date ? jsoncoding::dateText(*date) : QString();
}

QString yesNo(bool value) { return value ? QStringLiteral("Yes") : QStringLiteral("No"); }

// One field: neutralised first, then quoted when it holds a separator, a quote or a line break.
QString csvField(const QString& cell) {
  const QString safe = SecurityValidator::neutralizeCSVCell(cell);
  if (!safe.contains(QLatin1Char(',')) && !safe.contains(QLatin1Char('"')) &&
      !safe.contains(QLatin1Char('\n')) && !safe.contains(QLatin1Char('\r'))) {
    return safe;
  }
  QString quoted = safe;
  quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
  return QLatin1Char('"') + quoted + QLatin1Char('"');
}

void appendRow(QString& out, const QStringList& cells) {
  for (qsizetype i = 0; i < cells.size(); ++i) {
    if (i > 0) {
      out += QLatin1Char(',');
    }
    out += csvField(cells.at(i));
  }
  out += QLatin1String("\r\n");
}

QString tasksCsv(const DataStore& store) {
  QString out;
  appendRow(out, {QStringLiteral("Title"), QStringLiteral("Notes"), QStringLiteral("Due Date"),
                  QStringLiteral("Priority"), QStringLiteral("Category"),
                  QStringLiteral("Completed"), QStringLiteral("Completed At"),
                  QStringLiteral("Recurrence"), QStringLiteral("Created At")});
  for (const TaskItem& t : store.tasks()) {
    appendRow(out, {t.title, t.notes, dateCell(t.dueDate), displayText(t.priority), t.category,
                    yesNo(t.isCompleted), dateCell(t.completedAt), t.recurrence.title(),
                    jsoncoding::dateText(t.createdAt)});
  }
  return out;
}

QString waitingCsv(const DataStore& store) {
  QString out;
  appendRow(out, {QStringLiteral("Title"), QStringLiteral("Person or Organization"),
                  QStringLiteral("Status"), QStringLiteral("Notes"), QStringLiteral("Created"),
                  QStringLiteral("Expected Response"), QStringLiteral("Last Follow-Up"),
                  QStringLiteral("Next Follow-Up")});
  for (const WaitingForItem& w : store.waitingItems()) {
    appendRow(out, {w.title, w.personOrOrg, displayText(w.status), w.notes,
                    jsoncoding::dateText(w.createdAt), dateCell(w.expectedResponseDate),
                    dateCell(w.lastFollowUpDate), dateCell(w.nextFollowUpDate)});
  }
  return out;
}

QString billsCsv(const DataStore& store) {
  QString out;
  appendRow(out, {QStringLiteral("Name"), QStringLiteral("Amount"), QStringLiteral("Currency"),
                  QStringLiteral("Due Date"), QStringLiteral("Category"), QStringLiteral("Paid"),
                  QStringLiteral("Paid At"), QStringLiteral("Recurrence"),
                  QStringLiteral("Reminder Days Before"), QStringLiteral("Notes")});
  for (const BillItem& b : store.bills()) {
    appendRow(out,
              {b.name, QString::number(b.amount, 'f', 2), b.currency,
               jsoncoding::dateText(b.dueDate), b.category, yesNo(b.isPaid), dateCell(b.paidAt),
               b.recurrence.title(), QString::number(b.reminderDaysBefore), b.notes});
  }
  return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  // The folder is the user's choice and may not support a folder sync; the rename is enough.
  if (const auto failure = StorageFile::writeAtomically(path, bytes, false)) {
    DiagnosticLogger::shared().log(*failure, QStringLiteral("ERROR"), kSubsystem);
    throw ExportImportError(ExportImportError::Kind::writeFailed, *failure);
  }
}

using Kind = ExportImportError::Kind;

// What an entry of a record list is called in a sentence; nothing for other lists.
QString recordName(const QString& list) {
  static const QHash<QString, QString> names{
      {QStringLiteral("tasks"), QStringLiteral("task")},
      {QStringLiteral("bills"), QStringLiteral("bill")},
      {QStringLiteral("waitingItems"), QStringLiteral("waiting-for item")},
      {QStringLiteral("manualEvents"), QStringLiteral("event")},
      {QStringLiteral("focusSessions"), QStringLiteral("focus session")},
      {QStringLiteral("emailSuggestions"), QStringLiteral("e-mail suggestion")}};
  return names.value(list);
}

// "task 4 has no “title”" for `keyNotFound: "tasks[3].title"`.
QString describe(const DecodingError& error) {
  static const QRegularExpression entry(QStringLiteral("^(\\w+)\\[(\\d+)\\](?:\\.(.+))?$"));
  const QRegularExpressionMatch match = entry.match(error.field());
  QString subject;  // "task 4", or nothing for the file itself
  QString field = error.field();
  if (match.hasMatch()) {
    const QString name = recordName(match.captured(1));
    const QString number = QString::number(match.captured(2).toLongLong() + 1);
    subject = name.isEmpty() ? QStringLiteral("entry %1 of “%2”").arg(number, match.captured(1))
                             : name + QLatin1Char(' ') + number;
    field = match.captured(3);
  }
  if (error.kind() == DecodingError::Kind::keyNotFound) {
    return QStringLiteral("%1 has no “%2”")
        .arg(subject.isEmpty() ? QStringLiteral("it") : subject, field);
  }
  const QString& detail = error.detail();
  if (field.isEmpty()) {
    return QStringLiteral("%1 %2").arg(subject.isEmpty() ? QStringLiteral("it") : subject, detail);
  }
  if (subject.isEmpty()) {
    return QStringLiteral("its “%1” %2").arg(field, detail);
  }
  return QStringLiteral("the “%1” of %2 %3").arg(field, subject, detail);
}

QString idText(const QUuid& id) { return jsoncoding::uuidText(id); }
QString idText(const QString& id) { return id; }

// Two records of one list with the same identifier would make every later change to the
// second act on the first.
template <typename T>
void refuseRepeatedIds(const QList<T>& records, const char* list) {
  QSet<decltype(T::id)> seen;
  seen.reserve(records.size());
  for (const T& record : records) {
    if (seen.contains(record.id)) {
      throw ExportImportError(Kind::duplicateRecord,
                              QStringLiteral("it holds two %1s with the same identifier (%2)")
                                  .arg(recordName(QLatin1String(list)), idText(record.id)));
    }
    seen.insert(record.id);
  }
}

void refuseRepeatedIds(const DashboardStorageContainer& c) {
  refuseRepeatedIds(c.tasks, "tasks");
  refuseRepeatedIds(c.bills, "bills");
  refuseRepeatedIds(c.waitingItems, "waitingItems");
  refuseRepeatedIds(c.manualEvents, "manualEvents");
  refuseRepeatedIds(c.focusSessions, "focusSessions");
  refuseRepeatedIds(c.emailSuggestions, "emailSuggestions");
}

// A database through the stored layout's migrations; nothing of it may be left out, since an
// import replaces everything.
DashboardStorageContainer decodeDatabase(const QByteArray& database) {
  try {
    DataMigrations::Result result = DataMigrations::decode(database, true);
    if (result.newerVersion) {
      throw ExportImportError(Kind::newerVersion, {}, result.newerVersion->schemaVersion());
    }
    return std::move(result.container);
  } catch (const MigrationError& error) {
    switch (error.kind()) {
      case MigrationError::Kind::unsupportedVersion:
        throw ExportImportError(Kind::unsupportedVersion, {}, error.schemaVersion());
      case MigrationError::Kind::newerVersion:
        throw ExportImportError(Kind::newerVersion, {}, error.schemaVersion());
      case MigrationError::Kind::unreadable:
        break;
    }
    if (error.cause() && error.cause()->field() == QLatin1String("schemaVersion")) {
      throw ExportImportError(Kind::notPelmoraFile,
                              error.cause()->kind() == DecodingError::Kind::keyNotFound
                                  ? QStringLiteral("it has no schema version")
                                  : QStringLiteral("its schema version is not a whole number"));
    }
    throw ExportImportError(Kind::malformed, error.cause() ? describe(*error.cause())
                                                           : error.errorDescription());
  }
}

const StrictJson::Member* memberNamed(const StrictJson::Result& json, const char* key) {
  for (const StrictJson::Member& member : json.members) {
    if (member.key == key) {
      return &member;
    }
  }
  return nullptr;
}

// The decoder makes room for every entry of a list before it reads them, a record taking about
// its own size in memory; a list of entries far smaller than any record of its kind ("[0,0,0…]")
// would make it ask for many times the file's size. No record is written in under a third of
// that size, so such a list is refused first.
template <typename T>
void refuseUndersizedEntries(const StrictJson::Result& database, const char* list) {
  const StrictJson::Member* member = memberNamed(database, list);
  constexpr qsizetype leastBytes = qsizetype(sizeof(T)) / 3;
  if (member && member->elementCount > 0 && member->text.size() / member->elementCount < leastBytes) {
    throw ExportImportError(Kind::malformed,
                            QStringLiteral("its list of %1s holds %2 entries too small to be %1s")
                                .arg(recordName(QLatin1String(list)))
                                .arg(member->elementCount));
  }
}

// The container of a backup package ("version", "container") or a bare database file.
DashboardStorageContainer decodeImport(const QByteArray& bytes) {
  // Both are JSON objects: anything else is refused before it is parsed.
  const auto first = std::find_if_not(bytes.begin(), bytes.end(), [](char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
  });
  if (first != bytes.end() && *first != '{') {
    throw ExportImportError(Kind::notPelmoraFile);
  }
  StrictJson::Result json = StrictJson::check(bytes);
  if (json.problem) {
    throw ExportImportError(Kind::malformed, *json.problem);
  }
  const StrictJson::Member* version = memberNamed(json, "version");
  const StrictJson::Member* container = memberNamed(json, "container");
  bool isNumber = false;
  const double packageVersion = version ? version->text.toByteArray().toDouble(&isNumber) : 0;
  QByteArrayView database = bytes;
  if (container && container->isObject && isNumber) {
    if (packageVersion > ExportImportManager::backupFormatVersion) {
      throw ExportImportError(Kind::newerVersion, {}, int(std::min(packageVersion, 1e9)));
    }
    database = container->text;
    json = StrictJson::check(bytes, database);
  }
  if (!memberNamed(json, "schemaVersion")) {
    throw ExportImportError(Kind::notPelmoraFile, QStringLiteral("it has no schema version"));
  }
  refuseUndersizedEntries<TaskItem>(json, "tasks");
  refuseUndersizedEntries<BillItem>(json, "bills");
  refuseUndersizedEntries<WaitingForItem>(json, "waitingItems");
  refuseUndersizedEntries<CalendarEventItem>(json, "manualEvents");
  refuseUndersizedEntries<FocusSession>(json, "focusSessions");
  refuseUndersizedEntries<EmailExtractedSuggestion>(json, "emailSuggestions");
  // Decoded where it lies in the file, without a copy.
  return decodeDatabase(QByteArray::fromRawData(database.data(), database.size()));
}

void throwIfFailed(const std::optional<DataStore::ReplaceFailure>& failure) {
  if (!failure) {
    return;
  }
  using Stage = DataStore::ReplaceFailure::Stage;
  const Kind kind = failure->stage == Stage::readOnly   ? Kind::readOnly
                    : failure->stage == Stage::snapshot ? Kind::snapshotFailed
                                                        : Kind::saveFailed;
  const ExportImportError error(kind, failure->message);
  DiagnosticLogger::shared().log(error.errorDescription(), QStringLiteral("ERROR"), kSubsystem);
  throw error;
}

}  // namespace

ExportImportManager::ExportImportManager(DataStore& store) : store_(store) {}

QString ExportImportManager::backupFileName(const QDateTime& now, const Calendar& calendar) {
  return QStringLiteral("Pelmora_Backup_") + stamp(now, calendar) + QStringLiteral(".json");
}

QString ExportImportManager::csvFileName(CsvKind kind, const QDateTime& now,
                                         const Calendar& calendar) {
  QString prefix;
  switch (kind) {
    case CsvKind::tasks:
      prefix = QStringLiteral("Tasks_");
      break;
    case CsvKind::waitingFor:
      prefix = QStringLiteral("WaitingFor_");
      break;
    case CsvKind::bills:
      prefix = QStringLiteral("Bills_");
      break;
  }
  return prefix + stamp(now, calendar) + QStringLiteral(".csv");
}

void ExportImportManager::exportBackup(const QString& path, const QDateTime& now) const {
  QJsonObject package;
  package.insert(QLatin1String("version"), backupFormatVersion);
  package.insert(QLatin1String("exportDate"), jsoncoding::dateText(now));
  package.insert(QLatin1String("container"), store_.container().toJson());
  writeFile(path, QJsonDocument(package).toJson(QJsonDocument::Indented));
  DiagnosticLogger::shared().log(QStringLiteral("Backup exported."), QStringLiteral("INFO"),
                                 kSubsystem);
}

DashboardStorageContainer ExportImportManager::readBackup(const QString& path) {
  try {
    RegularFile::Content file =
        RegularFile::read(path, StorageFile::maximumReadSize, StrictJson::padding);
    if (file.problem) {
      throw ExportImportError(Kind::readFailed, *file.problem);
    }
    DashboardStorageContainer container = decodeImport(file.bytes);
    refuseRepeatedIds(container);
    return container;
  } catch (const ExportImportError& error) {
    DiagnosticLogger::shared().log(QStringLiteral("Import refused: ") + error.errorDescription(),
                                   QStringLiteral("WARN"), kSubsystem);
    throw;
  }
}

void ExportImportManager::importContainer(DashboardStorageContainer container) {
  throwIfFailed(store_.replaceAllData(std::move(container)));
  DiagnosticLogger::shared().log(QStringLiteral("Backup imported."), QStringLiteral("INFO"),
                                 kSubsystem);
}

void ExportImportManager::importBackup(const QString& path) { importContainer(readBackup(path)); }

void ExportImportManager::exportCSV(CsvKind kind, const QString& path) const {
  QString text;
  switch (kind) {
    case CsvKind::tasks:
      text = tasksCsv(store_);
      break;
    case CsvKind::waitingFor:
      text = waitingCsv(store_);
      break;
    case CsvKind::bills:
      text = billsCsv(store_);
      break;
  }
  writeFile(path, text.toUtf8());
}

void ExportImportManager::resetAllData() {
  throwIfFailed(store_.replaceAllData(DashboardStorageContainer{}));
  DiagnosticLogger::shared().log(QStringLiteral("All data was reset."), QStringLiteral("INFO"),
                                 kSubsystem);
}
