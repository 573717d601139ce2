#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QCoroTask>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class ThemedLabel;
class WeatherServiceProtocol;

// The weather for the chosen city: the cached conditions at once (so it works offline), a
// city search that becomes the saved city, a refresh through the weather service, and the
// forecast days, in the unit the settings choose.
class WeatherView : public QWidget {
  Q_OBJECT

 public:
  struct State {
    QString cityInput;
    bool isRefreshing = false;
    std::optional<QString> errorMessage;
  };

  WeatherView(const ScreenEnvironment& environment,
              std::shared_ptr<WeatherServiceProtocol> weatherService, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  QLineEdit* cityField() const { return cityField_; }
  QPushButton* searchButton() const { return searchButton_; }
  QToolButton* refreshButton() const { return refreshButton_; }
  ThemedLabel* errorLabel() const { return errorLabel_; }
  // The cards or the empty state, rebuilt on every redraw.
  QWidget* content() const { return content_; }

  // Looks the typed city up; when the service knows it, it becomes the saved city.
  void search();
  // Fetches the saved city's weather again.
  void refresh();

 private Q_SLOTS:
  void redraw();

 private:
  QCoro::Task<> fetch(QString city, bool isSearch);
  void refreshControls();

  ScreenEnvironment environment_;
  std::shared_ptr<WeatherServiceProtocol> weatherService_;
  State state_;

  QLineEdit* cityField_ = nullptr;
  QPushButton* searchButton_ = nullptr;
  QToolButton* refreshButton_ = nullptr;
  ThemedLabel* busyLabel_ = nullptr;
  QWidget* errorRow_ = nullptr;
  ThemedLabel* errorLabel_ = nullptr;
  QVBoxLayout* contentSlot_ = nullptr;
  QWidget* content_ = nullptr;
};
