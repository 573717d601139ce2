#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "core/model/EmailIntelligenceModels.h"

#include <QWidget>

#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class ThemedLabel;

// Changes a suggestion before it is approved. "Approve" hands the edited suggestion over and
// closes; a refused amount keeps the sheet open with the reason shown.
class SuggestionEditSheet : public QWidget {
  Q_OBJECT

 public:
  SuggestionEditSheet(const ScreenEnvironment& environment, EmailExtractedSuggestion suggestion,
                      std::function<void(const EmailExtractedSuggestion&)> onApprove,
                      QWidget* parent = nullptr);

  // The suggestion as the form stands, or the reason it cannot be taken.
  struct Outcome {
    std::optional<EmailExtractedSuggestion> suggestion;
    QString error;
  };
  Outcome edited() const;
  void approve();

  QLineEdit* titleEdit() const { return title_; }
  QComboBox* categoryBox() const { return category_; }
  QLineEdit* amountEdit() const { return amount_; }
  QCheckBox* dueCheck() const { return hasDue_; }
  QPushButton* approveButton() const { return approveButton_; }
  ThemedLabel* errorLabel() const { return error_; }

 private:
  ScreenEnvironment environment_;
  EmailExtractedSuggestion original_;
  std::function<void(const EmailExtractedSuggestion&)> onApprove_;
  QLineEdit* title_ = nullptr;
  QComboBox* category_ = nullptr;
  QComboBox* priority_ = nullptr;
  QLineEdit* amount_ = nullptr;
  QLineEdit* currency_ = nullptr;
  QCheckBox* hasDue_ = nullptr;
  QDateTimeEdit* due_ = nullptr;
  QLineEdit* person_ = nullptr;
  QLineEdit* location_ = nullptr;
  QPlainTextEdit* notes_ = nullptr;
  ThemedLabel* error_ = nullptr;
  QPushButton* approveButton_ = nullptr;
};
