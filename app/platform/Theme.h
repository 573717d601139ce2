#pragma once

#include "core/model/AppSettings.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPalette>

class QWidget;

// The named colours the views draw with. Text colours are the palette's text at falling
// emphasis; the hues come from the GNOME palette, one tone for light and one for dark.
enum class ThemeColor {
  primary,
  secondary,
  tertiary,
  blue,
  orange,
  red,
  purple,
  green,
  yellow,
  accent,
  windowBackground,
};

// The application's palette, light or dark. The named colours are resolved from a palette,
// so a widget subtree that carries its own palette (a preview, the gallery's dark column)
// draws with its own colours; the shared instance installs the application palette, and a
// style whose scroll bars follow it.
class Theme : public QObject {
  Q_OBJECT
  Q_PROPERTY(bool dark READ isDark NOTIFY changed)

 public:
  static Theme& shared();

  static QColor color(ThemeColor role, const QPalette& palette);
  static QColor color(ThemeColor role, const QWidget* widget);
  static bool isDark(const QPalette& palette);
  static QPalette palette(bool dark, const QColor& accent);
  // GNOME blue, used when the desktop names no highlight.
  static QColor defaultAccent();
  // The base face at a pixel size and weight: the one way the views size their text.
  static QFont font(const QFont& base, int pixelSize, QFont::Weight weight = QFont::Normal);

  // Light or dark as the user's setting says, the desktop's wish for `system`.
  AppThemeMode mode() const { return mode_; }
  void setMode(AppThemeMode mode);
  bool isDark() const;
  QColor accent() const;
  QPalette palette() const;

  // What the desktop asks for; fed by DesktopAppearance, or directly by tests.
  bool systemPrefersDark() const { return systemPrefersDark_; }
  void setSystemPrefersDark(bool dark);
  QColor desktopAccent() const { return desktopAccent_; }
  void setDesktopAccent(const QColor& accent);

  // Starts following the desktop's colour scheme and accent.
  void followDesktop();

 Q_SIGNALS:
  void changed();

 private:
  Theme();
  void apply();

  AppThemeMode mode_ = AppThemeMode::system;
  bool systemPrefersDark_ = false;
  QColor desktopAccent_;
  bool following_ = false;
  bool applied_ = false;
  QPalette appliedPalette_;
};
