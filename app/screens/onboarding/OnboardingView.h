#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QString>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class ThemedLabel;

// The first run: the weather city, whether to keep the sample data, whether to show the
// floating widget; then the settings are saved and the view closes itself. Return moves on;
// Escape goes back a step and never closes with the choices unsaved.
class OnboardingView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int stepCount = 3;

  struct State {
    int step = 1;
    QString weatherCity = QStringLiteral("London");
    bool seedSampleData = true;
    bool enableFloatingWidget = true;
  };

  explicit OnboardingView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  // The next step, or on the last one the end of the onboarding.
  void next();
  void back();
  // Saves the choices and closes; stays open with the reason shown when the sample data could
  // not be removed.
  void finish();

  QLineEdit* cityEdit() const { return city_; }
  QCheckBox* sampleDataCheck() const { return sampleData_; }
  QCheckBox* floatingWidgetCheck() const { return floatingWidget_; }
  QPushButton* nextButton() const { return next_; }
  QPushButton* backButton() const { return back_; }
  ThemedLabel* errorLabel() const { return error_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void showStep();

  ScreenEnvironment environment_;
  State state_;
  QStackedWidget* pages_ = nullptr;
  ThemedLabel* stepLabel_ = nullptr;
  QLineEdit* city_ = nullptr;
  QCheckBox* sampleData_ = nullptr;
  QCheckBox* floatingWidget_ = nullptr;
  ThemedLabel* error_ = nullptr;
  QPushButton* back_ = nullptr;
  QPushButton* next_ = nullptr;
};
