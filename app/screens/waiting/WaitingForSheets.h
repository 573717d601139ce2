#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "core/model/WaitingForItem.h"

#include <QWidget>

#include <functional>
#include <optional>

class OptionalDateField;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// Adds a waiting-for item, or edits one (then its status can be changed too).
class WaitingForItemSheet : public QWidget {
  Q_OBJECT

 public:
  WaitingForItemSheet(const ScreenEnvironment& environment, std::optional<WaitingForItem> existing,
                      std::function<void(const WaitingForItem&)> onSave, QWidget* parent = nullptr);

  void save();

  QLineEdit* titleField() const { return title_; }
  QLineEdit* personField() const { return person_; }
  OptionalDateField* expectedField() const { return expected_; }
  OptionalDateField* followUpField() const { return followUp_; }
  // Only while editing.
  QComboBox* statusField() const { return status_; }
  QPlainTextEdit* notesField() const { return notes_; }
  QPushButton* saveButton() const { return saveButton_; }

 private:
  ScreenEnvironment environment_;
  std::optional<WaitingForItem> existing_;
  std::function<void(const WaitingForItem&)> onSave_;
  QLineEdit* title_;
  QLineEdit* person_;
  OptionalDateField* expected_;
  OptionalDateField* followUp_;
  QComboBox* status_ = nullptr;
  QPlainTextEdit* notes_;
  QPushButton* saveButton_;
};

// Records a follow-up of an item: what was said, and when to follow up next. `onSave` gets
// the notes and the next day; the owner applies them to the item as stored then.
class FollowUpSheet : public QWidget {
  Q_OBJECT

 public:
  FollowUpSheet(const ScreenEnvironment& environment, WaitingForItem item,
                std::function<void(const QString&)> onNotesChanged,
                std::function<void(const QString&, std::optional<QDate>)> onSave,
                QWidget* parent = nullptr);

  void save();

  QPlainTextEdit* notesField() const { return notes_; }
  OptionalDateField* nextField() const { return next_; }
  QPushButton* saveButton() const { return saveButton_; }

 private:
  ScreenEnvironment environment_;
  std::function<void(const QString&, std::optional<QDate>)> onSave_;
  QPlainTextEdit* notes_;
  OptionalDateField* next_;
  QPushButton* saveButton_;
};
