#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "core/model/CalendarEventItem.h"

#include <QWidget>

#include <functional>

class QCheckBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ThemedLabel;

// Adds a manual event. An end before the start or a link that would never be opened is
// refused with a message; the sheet stays open with everything typed.
class EventEditorSheet : public QWidget {
  Q_OBJECT

 public:
  EventEditorSheet(const ScreenEnvironment& environment,
                   std::function<void(const CalendarEventItem&)> onSave, QWidget* parent = nullptr);

  bool save();

  QLineEdit* titleField() const { return title_; }
  QDateTimeEdit* startField() const { return start_; }
  QDateTimeEdit* endField() const { return end_; }
  QCheckBox* allDayField() const { return allDay_; }
  QLineEdit* locationField() const { return location_; }
  QLineEdit* linkField() const { return link_; }
  QPlainTextEdit* notesField() const { return notes_; }
  ThemedLabel* error() const { return error_; }
  QPushButton* saveButton() const { return saveButton_; }

  // Wall-clock times in the fields are the calendar's; the fields hold them as plain values.
  void setStart(const QDateTime& instant);
  void setEnd(const QDateTime& instant);

 private:
  QDateTime instant(const QDateTimeEdit* field) const;

  ScreenEnvironment environment_;
  std::function<void(const CalendarEventItem&)> onSave_;
  QLineEdit* title_;
  QDateTimeEdit* start_;
  QDateTimeEdit* end_;
  QCheckBox* allDay_;
  QLineEdit* location_;
  QLineEdit* link_;
  QPlainTextEdit* notes_;
  ThemedLabel* error_;
  QPushButton* saveButton_;
  QDateTime shownStart_;
};
