#include "app/screens/weather/WeatherView.h"

#include "app/platform/SymbolImage.h"
#include "app/screens/ScreenScaffold.h"
#include "app/ui/CardView.h"
#include "app/ui/DayLists.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WidgetRetirement.h"
#include "core/model/WeatherConditionHelper.h"
#include "core/services/WeatherError.h"
#include "core/services/WeatherServiceProtocol.h"
#include "core/store/DataStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kLocationWidth = 360;

// A figure beside a small symbol: "Humidity 64%".
QWidget* detail(const QString& symbol, const QString& text) {
  auto* box = new QWidget;
  auto* row = new QHBoxLayout(box);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(5);
  row->addWidget(new SymbolView(symbol, 13, ThemeColor::secondary, box));
  auto* l = new ThemedLabel(text, ThemeColor::secondary, 12);
  l->setParent(box);
  row->addWidget(l);
  return box;
}

QString dayTitle(const QDateTime& day, const QDateTime& now, const Calendar& calendar) {
  const std::optional<int> offset = calendar.daysBetween(now, day);
  if (offset == 0) {
    return QStringLiteral("Today");
  }
  if (offset == 1) {
    return QStringLiteral("Tomorrow");
  }
  return QLocale().toString(calendar.date(day), QStringLiteral("dddd"));
}

QString updatedText(const QDateTime& fetchedAt, const QDateTime& now, const Calendar& calendar) {
  if (!fetchedAt.isValid()) {
    return {};
  }
  const QDateTime local = fetchedAt.toTimeZone(calendar.timeZone());
  const QString time = day_lists::shortTime(local.time(), QLocale());
  if (calendar.isDateInSameDay(fetchedAt, now)) {
    return QStringLiteral("Updated %1").arg(time);
  }
  return QStringLiteral("Updated %1, %2")
      .arg(QLocale().toString(local.date(), QLocale::ShortFormat), time);
}

QWidget* currentCard(const WeatherData& weather, TemperatureUnit unit, const QDateTime& now,
                     const Calendar& calendar) {
  auto* body = new QWidget;
  auto* row = new QHBoxLayout(body);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(18);
  row->addWidget(new SymbolView(WeatherConditionHelper::symbol(weather.conditionCode), 64,
                                ThemeColor::accent, body),
                 0, Qt::AlignVCenter);

  auto* column = new QVBoxLayout;
  column->setSpacing(3);
  column->addWidget(
      new ThemedLabel(weather.formattedTemp(unit), ThemeColor::primary, 40, QFont::Bold));
  column->addWidget(new ThemedLabel(WeatherConditionHelper::description(weather.conditionCode),
                                    ThemeColor::primary, 14, QFont::Medium));
  if (weather.high && weather.low) {
    column->addWidget(new ThemedLabel(
        QStringLiteral("H: %1  L: %2")
            .arg(formatTemperature(*weather.high, unit), formatTemperature(*weather.low, unit)),
        ThemeColor::secondary, 12));
  }
  auto* details = new QHBoxLayout;
  details->setSpacing(14);
  if (weather.humidity && std::isfinite(*weather.humidity)) {
    details->addWidget(detail(QStringLiteral("humidity"),
                              QStringLiteral("Humidity %1%").arg(std::lround(*weather.humidity))));
  }
  if (weather.windSpeed && std::isfinite(*weather.windSpeed)) {
    details->addWidget(detail(QStringLiteral("wind"),
                              QStringLiteral("Wind %1 km/h").arg(std::lround(*weather.windSpeed))));
  }
  details->addStretch(1);
  column->addLayout(details);
  row->addLayout(column, 1);

  QStringList place{weather.locationName};
  if (weather.region && !weather.region->isEmpty() && *weather.region != weather.locationName) {
    place << *weather.region;
  }
  if (weather.country && !weather.country->isEmpty()) {
    place << *weather.country;
  }
  auto* updated =
      new ThemedLabel(updatedText(weather.fetchedAt, now, calendar), ThemeColor::tertiary, 11);
  auto* card = new CardView(place.join(QStringLiteral(", ")), QStringLiteral("mappin"), updated, body);
  if (card->titleLabel()) {
    card->titleLabel()->setText(card->titleLabel()->fontMetrics().elidedText(
        place.join(QStringLiteral(", ")), Qt::ElideRight, kLocationWidth));
  }
  return card;
}

QWidget* forecastCard(const WeatherData& weather, TemperatureUnit unit, const QDateTime& now,
                      const Calendar& calendar) {
  auto* body = new QWidget;
  auto* grid = new QGridLayout(body);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(14);
  grid->setVerticalSpacing(10);
  grid->setColumnStretch(2, 1);
  int row = 0;
  for (const ForecastDay& day : weather.forecast) {
    // An old cache still lists days that are over.
    if (calendar.daysBetween(now, day.date).value_or(0) < 0) {
      continue;
    }
    grid->addWidget(
        new ThemedLabel(dayTitle(day.date, now, calendar), ThemeColor::primary, 13, QFont::Medium),
        row, 0);
    grid->addWidget(new SymbolView(WeatherConditionHelper::symbol(day.conditionCode), 18,
                                   ThemeColor::accent, body),
                    row, 1);
    grid->addWidget(new ThemedLabel(WeatherConditionHelper::description(day.conditionCode),
                                    ThemeColor::secondary, 12),
                    row, 2);
    auto* range = new ThemedLabel(QStringLiteral("%1 / %2").arg(formatTemperature(day.high, unit),
                                                                formatTemperature(day.low, unit)),
                                  ThemeColor::primary, 12, QFont::DemiBold);
    range->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    grid->addWidget(range, row, 3);
    ++row;
  }
  return new CardView(QStringLiteral("Forecast"), QStringLiteral("calendar"), nullptr, body);
}

}  // namespace

WeatherView::WeatherView(const ScreenEnvironment& environment,
                         std::shared_ptr<WeatherServiceProtocol> weatherService, QWidget* parent)
    : QWidget(parent), environment_(environment), weatherService_(std::move(weatherService)) {
  const auto parts = screen_scaffold::build(
      this, QStringLiteral("Weather"), QStringLiteral("Current conditions and the days ahead."));

  auto* searchRow = new QHBoxLayout;
  searchRow->setSpacing(8);
  cityField_ = new QLineEdit;
  cityField_->setPlaceholderText(QStringLiteral("Search for a city"));
  cityField_->setAccessibleName(QStringLiteral("City"));
  cityField_->setClearButtonEnabled(true);
  searchRow->addWidget(cityField_, 1);
  searchButton_ = new QPushButton(SymbolImage::icon(QStringLiteral("magnifyingglass")),
                                  QStringLiteral("Search"));
  searchRow->addWidget(searchButton_);
  refreshButton_ = new QToolButton;
  refreshButton_->setIcon(SymbolImage::icon(QStringLiteral("arrow.clockwise")));
  refreshButton_->setAccessibleName(QStringLiteral("Refresh Weather"));
  refreshButton_->setToolTip(QStringLiteral("Refresh Weather"));
  searchRow->addWidget(refreshButton_);
  parts.column->addLayout(searchRow);

  busyLabel_ = new ThemedLabel(QStringLiteral("Updating the weather…"), ThemeColor::secondary, 12);
  busyLabel_->hide();
  parts.column->addWidget(busyLabel_);

  errorRow_ = new QWidget;
  auto* errorLayout = new QHBoxLayout(errorRow_);
  errorLayout->setContentsMargins(0, 0, 0, 0);
  errorLayout->setSpacing(8);
  errorLayout->addWidget(new SymbolView(QStringLiteral("exclamationmark.triangle"), 16,
                                        ThemeColor::orange, errorRow_),
                         0, Qt::AlignTop);
  errorLabel_ = new ThemedLabel(QString(), ThemeColor::primary, 12);
  errorLabel_->setWordWrap(true);
  errorLayout->addWidget(errorLabel_, 1);
  errorRow_->hide();
  parts.column->addWidget(errorRow_);

  contentSlot_ = new QVBoxLayout;
  contentSlot_->setSpacing(18);
  parts.column->addLayout(contentSlot_, 1);

  connect(cityField_, &QLineEdit::textChanged, this, [this](const QString& text) {
    state_.cityInput = text;
    refreshControls();
  });
  connect(cityField_, &QLineEdit::returnPressed, this, &WeatherView::search);
  connect(searchButton_, &QPushButton::clicked, this, &WeatherView::search);
  connect(refreshButton_, &QToolButton::clicked, this, &WeatherView::refresh);
  if (DataStore* store = environment_.store) {
    connect(store, &DataStore::cachedWeatherChanged, this, &WeatherView::redraw);
    connect(store, &DataStore::settingsChanged, this, &WeatherView::redraw);
  }
  redraw();
  refreshControls();
}

void WeatherView::search() {
  const QString city = state_.cityInput.trimmed();
  if (city.isEmpty() || state_.isRefreshing) {
    return;
  }
  fetch(city, true);
}

void WeatherView::refresh() {
  if (state_.isRefreshing || !environment_.store) {
    return;
  }
  fetch(environment_.store->settings().weatherCity, false);
}

QCoro::Task<> WeatherView::fetch(QString city, bool isSearch) {
  QPointer<WeatherView> self(this);
  // Held here, so the service outlives the request even when the screen goes first.
  const std::shared_ptr<WeatherServiceProtocol> service = weatherService_;
  if (!service) {
    state_.errorMessage = QStringLiteral("No weather service is available.");
    refreshControls();
    co_return;
  }
  state_.isRefreshing = true;
  state_.errorMessage.reset();
  refreshControls();

  std::optional<WeatherData> weather;
  std::optional<QString> failure;
  bool unknownCity = false;
  try {
    weather = co_await service->fetchWeather(city);
  } catch (const WeatherError& error) {
    failure = error.errorDescription();
    unknownCity = error.kind() == WeatherError::Kind::cityNotFound;
  } catch (const std::exception& error) {
    failure = QStringLiteral("The weather could not be loaded (%1).").arg(QString::fromUtf8(error.what()));
  }
  if (!self) {
    co_return;
  }
  state_.isRefreshing = false;
  state_.errorMessage = failure;
  DataStore* store = environment_.store;
  // A city the service does not know is not saved: the periodic refresh would only keep
  // failing. Any other failure (offline) keeps the user's choice.
  if (isSearch && store && !unknownCity) {
    AppSettings settings = store->settings();
    settings.weatherCity = city;
    store->setSettings(settings);
    store->saveSettings();
  }
  if (weather && store && store->setCachedWeather(*weather)) {
    store->save();
  }
  if (isSearch && weather) {
    cityField_->clear();
  }
  refreshControls();
}

void WeatherView::refreshControls() {
  const bool busy = state_.isRefreshing;
  searchButton_->setEnabled(!busy && !state_.cityInput.trimmed().isEmpty());
  refreshButton_->setEnabled(!busy && environment_.store);
  busyLabel_->setVisible(busy);
  errorRow_->setVisible(state_.errorMessage.has_value());
  errorLabel_->setText(state_.errorMessage.value_or(QString()));
}

void WeatherView::redraw() {
  if (content_ != nullptr) {
    retireWidget(content_, contentSlot_);
  }
  content_ = new QWidget;
  auto* column = new QVBoxLayout(content_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(18);
  DataStore* store = environment_.store;
  const std::optional<WeatherData> weather = store ? store->cachedWeather() : std::nullopt;
  if (weather) {
    const TemperatureUnit unit = store->settings().weatherUnit;
    const QDateTime now = environment_.now();
    column->addWidget(currentCard(*weather, unit, now, environment_.calendar));
    if (!weather->forecast.isEmpty()) {
      column->addWidget(forecastCard(*weather, unit, now, environment_.calendar));
    }
    column->addStretch(1);
  } else {
    const QString city = store ? store->settings().weatherCity.trimmed() : QString();
    column->addWidget(new EmptyStateView(
        QStringLiteral("cloud.sun"), QStringLiteral("No Weather Yet"),
        city.isEmpty() ? QStringLiteral("Search for a city to see its weather.")
                       : QStringLiteral("Search for a city, or refresh to load the weather for %1.")
                             .arg(city),
        QStringLiteral("Refresh"), [this] { refresh(); }));
  }
  contentSlot_->addWidget(content_, 1);
}
