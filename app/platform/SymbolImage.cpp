#include "app/platform/SymbolImage.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmapCache>
#include <QPointer>
#include <QStandardPaths>
#include <QWidget>

#include <functional>

namespace {

// How a symbol is put together from its theme icon.
enum class Shape {
  plain,       // the theme icon as it is
  circleFill,  // a filled disc with the theme icon cut out of it (".circle.fill")
  slashed,     // the theme icon struck through (".slash")
  ring,        // a drawn circle outline; the theme's own is too faint for a checkbox
};

struct Symbol {
  QStringList themeNames;
  Shape shape = Shape::plain;
};

const QHash<QString, Symbol>& table() {
  // clang-format off
  static const QHash<QString, Symbol> symbols = {
      // Status item, sidebar header and the tabs.
      {QStringLiteral("gauge.with.needle"), {{QStringLiteral("power-profile-balanced-symbolic")}}},
      {QStringLiteral("gauge.with.needle.fill"), {{QStringLiteral("power-profile-balanced-symbolic")}}},
      {QStringLiteral("sun.max"), {{QStringLiteral("weather-clear-symbolic")}}},
      {QStringLiteral("envelope.badge"), {{QStringLiteral("mail-unread-symbolic")}}},
      {QStringLiteral("envelope.badge.fill"), {{QStringLiteral("mail-unread-symbolic")}}},
      {QStringLiteral("calendar"), {{QStringLiteral("x-office-calendar-symbolic")}}},
      {QStringLiteral("checklist"), {{QStringLiteral("view-list-symbolic"), QStringLiteral("view-list-bullet-symbolic")}}},
      {QStringLiteral("clock.arrow.circlepath"), {{QStringLiteral("document-open-recent-symbolic")}}},
      {QStringLiteral("creditcard"), {{QStringLiteral("wallet-symbolic"), QStringLiteral("auth-smartcard-symbolic")}}},
      {QStringLiteral("timer"), {{QStringLiteral("alarm-symbolic")}}},
      {QStringLiteral("cloud.sun"), {{QStringLiteral("weather-few-clouds-symbolic")}}},
      {QStringLiteral("chart.bar"), {{QStringLiteral("utilities-system-monitor-symbolic"), QStringLiteral("network-cellular-signal-excellent-symbolic")}}},
      {QStringLiteral("command"), {{QStringLiteral("view-app-grid-symbolic"), QStringLiteral("applications-utilities-symbolic")}}},
      // Popover, floating widget and the screens.
      {QStringLiteral("macwindow"), {{QStringLiteral("sidebar-show-symbolic")}}},
      {QStringLiteral("pip"), {{QStringLiteral("focus-windows-symbolic")}}},
      {QStringLiteral("gearshape"), {{QStringLiteral("emblem-system-symbolic")}}},
      {QStringLiteral("gear"), {{QStringLiteral("emblem-system-symbolic")}}},
      {QStringLiteral("power"), {{QStringLiteral("system-shutdown-symbolic")}}},
      {QStringLiteral("plus"), {{QStringLiteral("list-add-symbolic")}}},
      {QStringLiteral("plus.circle.fill"), {{QStringLiteral("list-add-symbolic")}, Shape::circleFill}},
      {QStringLiteral("checkmark.circle.fill"), {{QStringLiteral("emblem-default-symbolic")}}},
      {QStringLiteral("xmark.circle.fill"), {{QStringLiteral("process-stop-symbolic"), QStringLiteral("window-close-symbolic")}, Shape::circleFill}},
      {QStringLiteral("info.circle.fill"), {{QStringLiteral("help-about-symbolic")}}},
      {QStringLiteral("circle"), {{}, Shape::ring}},
      {QStringLiteral("pin.fill"), {{QStringLiteral("view-pin-symbolic")}}},
      {QStringLiteral("pin.slash"), {{QStringLiteral("view-pin-symbolic")}, Shape::slashed}},
      {QStringLiteral("play.fill"), {{QStringLiteral("media-playback-start-symbolic")}}},
      {QStringLiteral("pause.fill"), {{QStringLiteral("media-playback-pause-symbolic")}}},
      {QStringLiteral("video.fill"), {{QStringLiteral("camera-video-symbolic")}}},
      {QStringLiteral("clock.badge.exclamationmark"), {{QStringLiteral("appointment-soon-symbolic")}}},
      {QStringLiteral("clock"), {{QStringLiteral("preferences-system-time-symbolic")}}},
      {QStringLiteral("line.3.horizontal"), {{QStringLiteral("open-menu-symbolic")}}},
      {QStringLiteral("arrow.up.left.and.arrow.down.right"), {{QStringLiteral("view-fullscreen-symbolic")}}},
      {QStringLiteral("chevron.up"), {{QStringLiteral("go-up-symbolic")}}},
      {QStringLiteral("chevron.down"), {{QStringLiteral("go-down-symbolic")}}},
      {QStringLiteral("sparkles"), {{QStringLiteral("starred-symbolic")}}},
      {QStringLiteral("pencil"), {{QStringLiteral("document-edit-symbolic")}}},
      {QStringLiteral("trash"), {{QStringLiteral("user-trash-symbolic")}}},
      {QStringLiteral("repeat"), {{QStringLiteral("media-playlist-repeat-symbolic")}}},
      {QStringLiteral("arrowshape.turn.up.right"), {{QStringLiteral("mail-reply-sender-symbolic"), QStringLiteral("mail-forward-symbolic")}}},
      {QStringLiteral("mappin"), {{QStringLiteral("mark-location-symbolic")}}},
      {QStringLiteral("magnifyingglass"), {{QStringLiteral("system-search-symbolic"), QStringLiteral("edit-find-symbolic")}}},
      // Weather conditions.
      {QStringLiteral("cloud"), {{QStringLiteral("weather-overcast-symbolic")}}},
      {QStringLiteral("cloud.fog"), {{QStringLiteral("weather-fog-symbolic")}}},
      {QStringLiteral("cloud.drizzle"), {{QStringLiteral("weather-showers-scattered-symbolic")}}},
      {QStringLiteral("cloud.rain"), {{QStringLiteral("weather-showers-symbolic")}}},
      {QStringLiteral("cloud.snow"), {{QStringLiteral("weather-snow-symbolic")}}},
      {QStringLiteral("cloud.bolt.rain"), {{QStringLiteral("weather-storm-symbolic")}}},
      {QStringLiteral("arrow.clockwise"), {{QStringLiteral("view-refresh-symbolic")}}},
      {QStringLiteral("exclamationmark.triangle"), {{QStringLiteral("dialog-warning-symbolic")}}},
      {QStringLiteral("humidity"), {{QStringLiteral("weather-showers-scattered-symbolic")}}},
      {QStringLiteral("wind"), {{QStringLiteral("weather-windy-symbolic")}}},
      // The application shortcuts.
      {QStringLiteral("list.bullet"), {{QStringLiteral("view-list-bullet-symbolic")}}},
      {QStringLiteral("note.text"), {{QStringLiteral("accessories-text-editor-symbolic"), QStringLiteral("text-x-generic-symbolic")}}},
      {QStringLiteral("number"), {{QStringLiteral("accessories-calculator-symbolic")}}},
      {QStringLiteral("chart.bar.xaxis"), {{QStringLiteral("utilities-system-monitor-symbolic"), QStringLiteral("network-cellular-signal-excellent-symbolic")}}},
      // Settings pages.
      {QStringLiteral("envelope"), {{QStringLiteral("mail-unread-symbolic")}}},
      {QStringLiteral("rectangle.grid.2x2"), {{QStringLiteral("view-grid-symbolic")}}},
      {QStringLiteral("bell"), {{QStringLiteral("preferences-system-notifications-symbolic")}}},
      {QStringLiteral("externaldrive"), {{QStringLiteral("drive-harddisk-symbolic")}}},
      {QStringLiteral("lock.shield"), {{QStringLiteral("security-high-symbolic")}}},
      {QStringLiteral("stethoscope"), {{QStringLiteral("utilities-terminal-symbolic"), QStringLiteral("dialog-information-symbolic")}}},
  };
  // clang-format on
  return symbols;
}

// Desktops without a platform theme (bare window managers, the offscreen test platform) give
// Qt no icon theme and no search path: use Adwaita from the XDG data dirs.
void ensureIconTheme() {
  static const bool done = [] {
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString& dir :
         QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation)) {
      const QString icons = dir + QStringLiteral("/icons");
      if (!paths.contains(icons)) {
        paths.append(icons);
      }
    }
    if (!paths.contains(QStringLiteral("/usr/share/icons"))) {
      paths.append(QStringLiteral("/usr/share/icons"));
    }
    QIcon::setThemeSearchPaths(paths);
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor")) {
      QIcon::setThemeName(QStringLiteral("Adwaita"));
    }
    return true;
  }();
  Q_UNUSED(done);
}

QIcon themeIcon(const Symbol& symbol) {
  ensureIconTheme();
  for (const QString& name : symbol.themeNames) {
    if (QIcon::hasThemeIcon(name)) {
      return QIcon::fromTheme(name);
    }
  }
  return {};
}

// Symbolic icons draw their shape in a neutral grey and keep real colours for meaning (the
// orange of a warning badge). Like the desktop toolkit, recolour only the neutral part.
void recolour(QImage& image, const QColor& color) {
  const int r = color.red(), g = color.green(), b = color.blue();
  // A few theme icons are drawn wholly faint (fog); a symbol is as strong as its colour says.
  int strongest = 0;
  for (int y = 0; y < image.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      strongest = std::max(strongest, qAlpha(line[x]));
    }
  }
  const double boost = strongest > 0 && strongest < 200 ? 255.0 / strongest : 1.0;
  const double alpha = color.alphaF() * boost;
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb px = qUnpremultiply(line[x]);
      const int a = qAlpha(px);
      if (a == 0) {
        continue;
      }
      const int hi = std::max({qRed(px), qGreen(px), qBlue(px)});
      const int lo = std::min({qRed(px), qGreen(px), qBlue(px)});
      if (hi - lo > 40) {
        continue;
      }
      line[x] = qPremultiply(qRgba(r, g, b, std::min(255, qRound(a * alpha))));
    }
  }
}

class SymbolIconEngine : public QIconEngine {
 public:
  using ColorSource = std::function<QColor(QIcon::Mode)>;

  SymbolIconEngine(QString symbol, ColorSource color)
      : symbol_(std::move(symbol)), color_(std::move(color)) {
    const auto it = table().constFind(symbol_);
    if (it != table().constEnd()) {
      shape_ = it->shape;
      source_ = themeIcon(*it);
    }
  }

  QIconEngine* clone() const override { return new SymbolIconEngine(*this); }
  QString key() const override { return QStringLiteral("PelmoraSymbol"); }
  QString iconName() override { return symbol_; }
  QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
  QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override {
    return {QSize(16, 16), QSize(24, 24), QSize(32, 32), QSize(48, 48), QSize(64, 64)};
  }

  void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    painter->drawPixmap(rect, scaledPixmap(rect.size(), mode, state, scale));
  }

  QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
    return scaledPixmap(size, mode, state, 1.0);
  }

  QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
    const QSize pixels = (QSizeF(size) * scale).toSize();
    if (pixels.isEmpty()) {
      return {};
    }
    QColor color = color_(mode);
    if (mode == QIcon::Disabled) {
      color.setAlphaF(color.alphaF() * 0.45f);
    }
    const QString cacheKey = QStringLiteral("pelmora-symbol|%1|%2x%3|%4")
                                 .arg(symbol_)
                                 .arg(pixels.width())
                                 .arg(pixels.height())
                                 .arg(color.rgba(), 8, 16);
    QPixmap result;
    if (!QPixmapCache::find(cacheKey, &result)) {
      result = QPixmap::fromImage(render(pixels, color));
      QPixmapCache::insert(cacheKey, result);
    }
    result.setDevicePixelRatio(scale);
    return result;
  }

 private:
  QImage render(const QSize& pixels, const QColor& color) const {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const int side = std::min(pixels.width(), pixels.height());
    const QRect square((pixels.width() - side) / 2, (pixels.height() - side) / 2, side, side);

    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (shape_ == Shape::ring) {
      const qreal pen = std::max(1.0, side / 11.0);
      p.setPen(QPen(color, pen));
      p.drawEllipse(QRectF(square).adjusted(pen / 2 + side * 0.06, pen / 2 + side * 0.06,
                                            -pen / 2 - side * 0.06, -pen / 2 - side * 0.06));
      return image;
    }
    if (source_.isNull()) {
      drawStandIn(p, square, color);
      return image;
    }
    if (shape_ == Shape::circleFill) {
      p.setPen(Qt::NoPen);
      p.setBrush(color);
      p.drawEllipse(QRectF(square).adjusted(side * 0.03, side * 0.03, -side * 0.03, -side * 0.03));
      const int inner = qRound(side * 0.56);
      const QRect glyph(square.x() + (side - inner) / 2, square.y() + (side - inner) / 2, inner,
                        inner);
      p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
      p.drawImage(glyph, glyphImage(glyph.size(), Qt::black));
      return image;
    }
    p.drawImage(square, glyphImage(square.size(), color));
    if (shape_ == Shape::slashed) {
      const QLineF slash(square.left() + side * 0.12, square.top() + side * 0.12,
                         square.right() - side * 0.12, square.bottom() - side * 0.12);
      const qreal width = std::max(1.0, side / 12.0);
      p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
      p.setPen(QPen(Qt::black, width * 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(slash);
      p.setCompositionMode(QPainter::CompositionMode_SourceOver);
      p.setPen(QPen(color, width, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(slash);
    }
    return image;
  }

  QImage glyphImage(const QSize& pixels, const QColor& color) const {
    QImage glyph =
        source_.pixmap(pixels, 1.0).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (glyph.size() != pixels) {
      glyph = glyph.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    recolour(glyph, color);
    return glyph;
  }

  // A symbol neither the table nor the themes know: a rounded outline with its initial.
  void drawStandIn(QPainter& p, const QRect& square, const QColor& color) const {
    const qreal side = square.width();
    const qreal pen = std::max(1.0, side / 14.0);
    p.setPen(QPen(color, pen));
    p.setBrush(Qt::NoBrush);
    const QRectF box = QRectF(square).adjusted(side * 0.1, side * 0.1, -side * 0.1, -side * 0.1);
    p.drawRoundedRect(box, side * 0.18, side * 0.18);
    QFont font;
    font.setPixelSize(std::max(1, qRound(side * 0.5)));
    font.setBold(true);
    p.setFont(font);
    const QString initial = symbol_.isEmpty() ? QStringLiteral("?") : symbol_.left(1).toUpper();
    p.drawText(box, Qt::AlignCenter, initial);
  }

  QString symbol_;
  ColorSource color_;
  Shape shape_ = Shape::plain;
  QIcon source_;
};

QColor paletteText(const QPalette& palette, QIcon::Mode mode) {
  return palette.color(mode == QIcon::Selected ? QPalette::HighlightedText : QPalette::WindowText);
}

}  // namespace

QStringList SymbolImage::themeNames(const QString& symbol) {
  return table().value(symbol).themeNames;
}

QStringList SymbolImage::knownSymbols() { return table().keys(); }

bool SymbolImage::resolves(const QString& symbol) {
  const auto it = table().constFind(symbol);
  if (it == table().constEnd()) {
    return false;
  }
  return it->shape == Shape::ring || !themeIcon(*it).isNull();
}

QIcon SymbolImage::icon(const QString& symbol) {
  return QIcon(new SymbolIconEngine(
      symbol, [](QIcon::Mode mode) { return paletteText(QGuiApplication::palette(), mode); }));
}

QIcon SymbolImage::icon(const QString& symbol, const QColor& color) {
  return QIcon(new SymbolIconEngine(symbol, [color](QIcon::Mode) { return color; }));
}

QIcon SymbolImage::icon(const QString& symbol, ThemeColor role, const QWidget* context) {
  QPointer<const QWidget> widget(context);
  return QIcon(new SymbolIconEngine(symbol, [widget, role](QIcon::Mode mode) {
    const QPalette palette = widget ? widget->palette() : QGuiApplication::palette();
    if (mode == QIcon::Selected) {
      return paletteText(palette, mode);
    }
    return Theme::color(role, palette);
  }));
}
