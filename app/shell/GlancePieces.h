#pragma once

#include "app/platform/Theme.h"

#include "app/screens/ScreenEnvironment.h"
#include "app/ui/Divider.h"
#include "core/model/TaskItem.h"
#include "core/model/WeatherData.h"

#include <QColor>
#include <QMargins>

#include <QWidget>

#include <optional>

class PlainButton;
class SymbolView;
class ThemedLabel;

// Small drawing pieces of the tray popup and the floating widget.

// A faint rounded panel of the text colour behind its children; a capsule without a radius.
class RoundedPanel : public QWidget {
  Q_OBJECT

 public:
  RoundedPanel(qreal fillOpacity, std::optional<qreal> radius, QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  qreal fillOpacity_;
  std::optional<qreal> radius_;
};

// The cached weather as a capsule: the condition's symbol and the temperature; hidden without
// weather. The popup and the widget differ only in size.
class WeatherPill : public RoundedPanel {
  Q_OBJECT

 public:
  struct Metrics {
    int symbolSize;
    int textSize;
    QMargins padding;
    int spacing;
  };
  explicit WeatherPill(const Metrics& metrics, QWidget* parent = nullptr);

  void setWeather(const std::optional<WeatherData>& weather, TemperatureUnit unit);

 private:
  SymbolView* symbol_;
  ThemedLabel* temperature_;
};

// The open circle in front of a task of the day; a click completes the task in the store.
PlainButton* completeTaskButton(const TaskItem& task, int symbolSize,
                                const ScreenEnvironment& environment, QObject* context);

// A filled circle, e.g. a calendar's colour.
class ColorDot : public QWidget {
  Q_OBJECT

 public:
  ColorDot(int diameter, QWidget* parent = nullptr);

  QColor color() const { return color_; }
  void setColor(const QColor& color);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor color_;
};

// One line of text that ends in "…" when it does not fit; never wraps, never markup.
class ElidedLabel : public QWidget {
  Q_OBJECT

 public:
  ElidedLabel(const QString& text, ThemeColor role, int pixelSize,
              QFont::Weight weight = QFont::Normal, QWidget* parent = nullptr);

  QString text() const { return text_; }
  void setText(const QString& text);
  void setRole(ThemeColor role);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString text_;
  ThemeColor role_;
};
