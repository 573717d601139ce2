#pragma once

#include "core/model/Calendar.h"
#include "core/store/ExportImportError.h"
#include "core/store/StorageSchema.h"

#include <QDateTime>
#include <QString>

class DataStore;

// Backups, imports, CSV files and the reset of the store. Every failure throws an
// ExportImportError whose text says why; a failed import or reset changes nothing.
class ExportImportManager {
 public:
  explicit ExportImportManager(DataStore& store);

  enum class CsvKind { tasks, waitingFor, bills };

  // The layout of the backup package ("version", "exportDate", "container").
  static constexpr int backupFormatVersion = 1;

  // "Pelmora_Backup_" + local "yyyy-MM-dd_HHmm" + ".json"; "Tasks_"/"WaitingFor_"/"Bills_" + the
  // same stamp + ".csv".
  static QString backupFileName(const QDateTime& now, const Calendar& calendar);
  static QString csvFileName(CsvKind kind, const QDateTime& now, const Calendar& calendar);

  void exportBackup(const QString& path, const QDateTime& now) const;
  // Reads a backup package or a bare database file and checks all of it (strict JSON, every
  // record readable, no identifier twice) without touching the store, so it may run on any
  // thread. Refuses anything but a regular file, and a file over the store's size limit
  // before reading it.
  static DashboardStorageContainer readBackup(const QString& path);
  // Replaces every record with `container`; a safety snapshot of the present data is written
  // first.
  void importContainer(DashboardStorageContainer container);
  // Both, one after the other.
  void importBackup(const QString& path);
  // RFC 4180, with cells a spreadsheet would run as formulas neutralised.
  void exportCSV(CsvKind kind, const QString& path) const;
  // Removes every record after a safety snapshot; the settings stay.
  void resetAllData();

 private:
  DataStore& store_;
};
