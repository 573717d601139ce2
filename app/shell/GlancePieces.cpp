#include "app/shell/GlancePieces.h"

#include "app/ui/PlainButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "core/model/WeatherConditionHelper.h"
#include "core/store/DataStore.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>

namespace {
constexpr int kElidedMinimumWidth = 24;
}  // namespace

RoundedPanel::RoundedPanel(qreal fillOpacity, std::optional<qreal> radius, QWidget* parent)
    : QWidget(parent), fillOpacity_(fillOpacity), radius_(radius) {}

void RoundedPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  QColor fill = Theme::color(ThemeColor::primary, this);
  fill.setAlphaF(float(fill.alphaF() * fillOpacity_));
  const qreal radius = radius_.value_or(height() / 2.0);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(rect()), radius, radius);
  p.fillPath(shape, fill);
}

WeatherPill::WeatherPill(const Metrics& metrics, QWidget* parent)
    : RoundedPanel(0.06, std::nullopt, parent),
      symbol_(new SymbolView(QStringLiteral("sun.max"), metrics.symbolSize, ThemeColor::primary)),
      temperature_(
          new ThemedLabel(QString(), ThemeColor::primary, metrics.textSize, QFont::DemiBold)) {
  setObjectName(QStringLiteral("weatherPill"));
  temperature_->setObjectName(QStringLiteral("temperature"));
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(metrics.padding);
  row->setSpacing(metrics.spacing);
  row->addWidget(symbol_, 0, Qt::AlignVCenter);
  row->addWidget(temperature_, 0, Qt::AlignVCenter);
}

void WeatherPill::setWeather(const std::optional<WeatherData>& weather, TemperatureUnit unit) {
  setVisible(weather.has_value());
  if (weather) {
    symbol_->setSymbol(WeatherConditionHelper::symbol(weather->conditionCode));
    temperature_->setText(weather->formattedTemp(unit));
  }
}

PlainButton* completeTaskButton(const TaskItem& task, int symbolSize,
                                const ScreenEnvironment& environment, QObject* context) {
  auto* button = new PlainButton(QStringLiteral("circle"), symbolSize, ThemeColor::secondary);
  button->setObjectName(QStringLiteral("complete"));
  button->setAccessibleName(QStringLiteral("Complete %1").arg(task.title));
  QObject::connect(button, &PlainButton::clicked, context, [environment, id = task.id] {
    if (environment.store) {
      environment.store->toggleTaskCompletion(id, environment.now());
    }
  });
  return button;
}

ColorDot::ColorDot(int diameter, QWidget* parent) : QWidget(parent) {
  setFixedSize(diameter, diameter);
}

void ColorDot::setColor(const QColor& color) {
  if (color == color_) {
    return;
  }
  color_ = color;
  update();
}

void ColorDot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(color_);
  p.drawEllipse(QRectF(rect()));
}

ElidedLabel::ElidedLabel(const QString& text, ThemeColor role, int pixelSize, QFont::Weight weight,
                         QWidget* parent)
    : QWidget(parent), text_(text), role_(role) {
  setFont(Theme::font(font(), pixelSize, weight));
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void ElidedLabel::setText(const QString& text) {
  if (text == text_) {
    return;
  }
  text_ = text;
  updateGeometry();
  update();
}

void ElidedLabel::setRole(ThemeColor role) {
  role_ = role;
  update();
}

QSize ElidedLabel::sizeHint() const {
  return QSize(fontMetrics().horizontalAdvance(text_), fontMetrics().height());
}

QSize ElidedLabel::minimumSizeHint() const {
  return QSize(std::min(kElidedMinimumWidth, sizeHint().width()), fontMetrics().height());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setPen(Theme::color(role_, this));
  // Elide only when the text really does not fit: eliding measures a little wider.
  const bool fits = fontMetrics().horizontalAdvance(text_) <= width();
  p.drawText(rect().adjusted(0, 0, fits ? 2 : 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
             fits ? text_ : fontMetrics().elidedText(text_, Qt::ElideRight, width()));
}
