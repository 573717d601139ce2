#include "app/platform/Theme.h"

#include "app/platform/DesktopAppearance.h"
#include "app/platform/PaletteScrollBarStyle.h"

#include <QApplication>
#include <QWidget>

namespace {

// Emphasis of secondary and tertiary text relative to the primary text colour.
constexpr double kSecondaryAlpha = 0.55;
constexpr double kTertiaryAlpha = 0.3;

struct Hues {
  QColor blue, orange, red, purple, green, yellow;
};

// GNOME palette tones: darker ones stay legible on light backgrounds, lighter ones on dark.
const Hues& hues(bool dark) {
  static const Hues light{QColor(0x1c71d8),         QColor(0xe6, 0x61, 0x00),
                          QColor(0xe0, 0x1b, 0x24), QColor(0x91, 0x41, 0xac),
                          QColor(0x26, 0xa2, 0x69), QColor(0xe5, 0xa5, 0x0a)};
  static const Hues night{QColor(0x62, 0xa0, 0xea), QColor(0xff, 0xa3, 0x48),
                          QColor(0xf6, 0x61, 0x51), QColor(0xc0, 0x61, 0xcb),
                          QColor(0x57, 0xe3, 0x89), QColor(0xf6, 0xd3, 0x2d)};
  return dark ? night : light;
}

QColor scaledAlpha(QColor color, double factor) {
  color.setAlphaF(color.alphaF() * factor);
  return color;
}

// The highlight Qt falls back to when no platform theme supplies one.
bool isStockHighlight(const QColor& color) { return color == QColor(0x30, 0x8c, 0xc6); }

}  // namespace

Theme& Theme::shared() {
  static Theme theme;
  return theme;
}

Theme::Theme() {
  // Before our own palette goes in, the application palette is the platform's: the best
  // guess of the desktop's wishes until the desktop answers for itself.
  const QPalette platform = QGuiApplication::palette();
  systemPrefersDark_ = isDark(platform);
  const QColor highlight = platform.color(QPalette::Active, QPalette::Highlight);
  if (!isStockHighlight(highlight)) {
    desktopAccent_ = highlight;
  }
  apply();
}

QColor Theme::defaultAccent() { return QColor(0x35, 0x84, 0xe4); }

QFont Theme::font(const QFont& base, int pixelSize, QFont::Weight weight) {
  QFont font = base;
  font.setPixelSize(pixelSize);
  font.setWeight(weight);
  return font;
}

bool Theme::isDark(const QPalette& palette) {
  return palette.color(QPalette::Active, QPalette::Window).lightness() < 128;
}

QColor Theme::color(ThemeColor role, const QPalette& palette) {
  const QColor text = palette.color(QPalette::WindowText);
  switch (role) {
    case ThemeColor::primary:
      return text;
    case ThemeColor::secondary:
      return scaledAlpha(text, kSecondaryAlpha);
    case ThemeColor::tertiary:
      return scaledAlpha(text, kTertiaryAlpha);
    case ThemeColor::accent:
      return palette.color(QPalette::Highlight);
    case ThemeColor::windowBackground:
      return palette.color(QPalette::Window);
    case ThemeColor::blue:
      return hues(isDark(palette)).blue;
    case ThemeColor::orange:
      return hues(isDark(palette)).orange;
    case ThemeColor::red:
      return hues(isDark(palette)).red;
    case ThemeColor::purple:
      return hues(isDark(palette)).purple;
    case ThemeColor::green:
      return hues(isDark(palette)).green;
    case ThemeColor::yellow:
      return hues(isDark(palette)).yellow;
  }
  return text;
}

QColor Theme::color(ThemeColor role, const QWidget* widget) {
  return color(role, widget ? widget->palette() : QGuiApplication::palette());
}

QPalette Theme::palette(bool dark, const QColor& accent) {
  // Window and view colours of GNOME's light and dark styles. Fields and check boxes are drawn
  // on the view colour with an outline darker than the window, so in dark the view is lighter
  // than the window (as GNOME's dark entries are), or they vanish into it.
  const QColor window = dark ? QColor(0x24, 0x24, 0x24) : QColor(0xfa, 0xfa, 0xfa);
  const QColor view = dark ? QColor(0x30, 0x30, 0x30) : QColor(0xff, 0xff, 0xff);
  const QColor text = dark ? QColor(0xff, 0xff, 0xff) : QColor(0, 0, 0, 204);
  const QColor button = dark ? QColor(0x3a, 0x3a, 0x3a) : QColor(0xf0, 0xf0, 0xf0);
  const QColor link = accent.isValid() ? accent : defaultAccent();

  QPalette p;
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, view);
  p.setColor(QPalette::AlternateBase, dark ? QColor(0x2a, 0x2a, 0x2a) : QColor(0xf6, 0xf5, 0xf4));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::PlaceholderText, scaledAlpha(text, 0.5));
  p.setColor(QPalette::Button, button);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::white);
  p.setColor(QPalette::Light, dark ? QColor(0x4a, 0x4a, 0x4a) : QColor(0xff, 0xff, 0xff));
  p.setColor(QPalette::Midlight, dark ? QColor(0x40, 0x40, 0x40) : QColor(0xe8, 0xe8, 0xe7));
  p.setColor(QPalette::Mid, dark ? QColor(0x30, 0x30, 0x30) : QColor(0xc0, 0xbf, 0xbc));
  p.setColor(QPalette::Dark, dark ? QColor(0x1a, 0x1a, 0x1a) : QColor(0x9a, 0x99, 0x96));
  p.setColor(QPalette::Shadow, QColor(0, 0, 0, dark ? 160 : 80));
  p.setColor(QPalette::Highlight, link);
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::Link, link);
  p.setColor(QPalette::LinkVisited, link.darker(120));
  p.setColor(QPalette::ToolTipBase, QColor(0x30, 0x30, 0x30));
  p.setColor(QPalette::ToolTipText, Qt::white);
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    p.setColor(QPalette::Disabled, role, scaledAlpha(text, 0.5));
  }
  p.setColor(QPalette::Disabled, QPalette::Highlight, scaledAlpha(link, 0.5));
  return p;
}

bool Theme::isDark() const {
  switch (mode_) {
    case AppThemeMode::light:
      return false;
    case AppThemeMode::dark:
      return true;
    case AppThemeMode::system:
      break;
  }
  return systemPrefersDark_;
}

void Theme::setMode(AppThemeMode mode) {
  if (mode == mode_) {
    return;
  }
  mode_ = mode;
  apply();
}

QColor Theme::accent() const { return desktopAccent_.isValid() ? desktopAccent_ : defaultAccent(); }

QPalette Theme::palette() const { return palette(isDark(), accent()); }

void Theme::setSystemPrefersDark(bool dark) {
  if (dark == systemPrefersDark_) {
    return;
  }
  systemPrefersDark_ = dark;
  apply();
}

void Theme::setDesktopAccent(const QColor& accent) {
  if (accent == desktopAccent_) {
    return;
  }
  desktopAccent_ = accent;
  apply();
}

void Theme::followDesktop() {
  if (following_) {
    return;
  }
  following_ = true;
  auto* appearance = new DesktopAppearance(this);
  connect(appearance, &DesktopAppearance::colorSchemeChanged, this, &Theme::setSystemPrefersDark);
  connect(appearance, &DesktopAppearance::accentChanged, this, &Theme::setDesktopAccent);
  appearance->start();
}

void Theme::apply() {
  const QPalette next = palette();
  if (applied_ && next == appliedPalette_) {
    return;
  }
  applied_ = true;
  appliedPalette_ = next;
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
    // Scroll bars drawn from the palette, so they turn dark with it.
    if (qobject_cast<PaletteScrollBarStyle*>(QApplication::style()) == nullptr) {
      QApplication::setStyle(new PaletteScrollBarStyle);
    }
    QApplication::setPalette(next);
  }
  Q_EMIT changed();
}
