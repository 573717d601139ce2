#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "core/model/QuickCaptureDraft.h"

#include <QDateTime>
#include <QWidget>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ThemedLabel;

// The quick-capture form: a task, a waiting-for item, a bill or the day's intention, saved
// through the store as its kind says. Shown as a sheet of the main window and as the content
// of a quick-capture window; it closes itself through the environment's dismiss action.
class QuickCaptureView : public QWidget {
  Q_OBJECT

 public:
  struct State {
    QuickCaptureDraft draft;
    bool showSavedBanner = false;
    bool hasDueDate = false;
    // Two hours after the form was created.
    QDateTime dueDate;
  };

  // After a save the banner shows this long before the form closes.
  static constexpr int kCloseDelayMs = 900;

  explicit QuickCaptureView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  void setCaptureType(CaptureType type);
  // Saves the form; false, with a message on the form, when it cannot be saved.
  bool save();

  QLineEdit* titleField() const { return title_; }
  QLineEdit* secondaryField() const { return secondary_; }
  QLineEdit* categoryField() const { return category_; }
  QComboBox* priorityPicker() const { return priority_; }
  QCheckBox* dueDateToggle() const { return hasDueDate_; }
  QDateTimeEdit* dueDateEdit() const { return dueDate_; }
  QPlainTextEdit* notesField() const { return notes_; }
  QPushButton* saveButton() const { return saveButton_; }
  QPushButton* cancelButton() const { return cancelButton_; }
  // The refusal or save failure, empty when there is none.
  QString message() const;
  bool isSavedBannerShown() const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void syncState();
  void layoutForType();

  ScreenEnvironment environment_;
  State state_;

  QButtonGroup* kinds_ = nullptr;
  QLineEdit* title_ = nullptr;
  QLabel* secondaryCaption_ = nullptr;
  QLineEdit* secondary_ = nullptr;
  QLabel* categoryCaption_ = nullptr;
  QLineEdit* category_ = nullptr;
  QLabel* priorityCaption_ = nullptr;
  QComboBox* priority_ = nullptr;
  QLabel* dueCaption_ = nullptr;
  QCheckBox* hasDueDate_ = nullptr;
  QDateTimeEdit* dueDate_ = nullptr;
  QLabel* notesCaption_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  ThemedLabel* message_ = nullptr;
  QWidget* banner_ = nullptr;
  QPushButton* saveButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
  // A save has scheduled the form to close.
  bool closing_ = false;
};
