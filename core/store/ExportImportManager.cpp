#include "core/store/ExportImportManager.h"

#include "core/model/DiagnosticLogger.h"
#include "core/model/JsonCoding.h"
#include "core/model/SecurityValidator.h"
#include "core/store/DataMigrations.h"
#include "core/store/DataStore.h"
#include "core/store/StorageFile.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonParseError>

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

// The container of a backup package or a bare database file, through the stored layout's
// migrations.
DashboardStorageContainer decodeImport(const QByteArray& bytes) {
  using Kind = ExportImportError::Kind;
  QJsonParseError parseError;
  const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
  if (parseError.error != QJsonParseError::NoError) {
    throw ExportImportError(
        Kind::malformed,
        QStringLiteral("%1 at character %2").arg(parseError.errorString()).arg(parseError.offset));
  }
  if (!document.isObject()) {
    throw ExportImportError(Kind::notPelmoraFile);
  }
  const QJsonObject object = document.object();
  QByteArray database;
  if (object.value(QLatin1String("container")).isObject() &&
      object.value(QLatin1String("version")).isDouble()) {
    const int version = object.value(QLatin1String("version")).toInt();
    if (version > ExportImportManager::backupFormatVersion) {
      throw ExportImportError(Kind::newerVersion, {}, version);
    }
    database = QJsonDocument(object.value(QLatin1String("container")).toObject())
                   .toJson(QJsonDocument::Compact);
  } else if (object.contains(QLatin1String("schemaVersion"))) {
    database = bytes;
  } else {
    throw ExportImportError(Kind::notPelmoraFile);
  }

  try {
    DataMigrations::Result result = DataMigrations::decode(database);
    if (result.newerVersion) {
      throw ExportImportError(Kind::newerVersion, {}, result.newerVersion->schemaVersion());
    }
    // An import replaces everything, so a record it cannot read would be lost: refuse it.
    if (!result.unreadableRecords.isEmpty()) {
      throw ExportImportError(Kind::malformed, result.unreadableRecords.first().error);
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
    throw ExportImportError(Kind::malformed, error.errorDescription());
  }
}

void throwIfFailed(const std::optional<DataStore::ReplaceFailure>& failure) {
  if (!failure) {
    return;
  }
  using Stage = DataStore::ReplaceFailure::Stage;
  using Kind = ExportImportError::Kind;
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

void ExportImportManager::importBackup(const QString& path) {
  const StorageFile::ReadResult file = StorageFile::read(path);
  if (file.status == StorageFile::ReadStatus::missing) {
    throw ExportImportError(ExportImportError::Kind::readFailed,
                            QStringLiteral("%1 does not exist.").arg(path));
  }
  if (file.status == StorageFile::ReadStatus::failed) {
    throw ExportImportError(ExportImportError::Kind::readFailed, file.error);
  }
  DashboardStorageContainer container;
  try {
    container = decodeImport(file.bytes);
  } catch (const ExportImportError& error) {
    DiagnosticLogger::shared().log(QStringLiteral("Import refused: ") + error.errorDescription(),
                                   QStringLiteral("WARN"), kSubsystem);
    throw;
  }
  throwIfFailed(store_.replaceAllData(std::move(container)));
  DiagnosticLogger::shared().log(QStringLiteral("Backup imported."), QStringLiteral("INFO"),
                                 kSubsystem);
}

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
