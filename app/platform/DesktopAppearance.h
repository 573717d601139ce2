#pragma once

#include <QColor>
#include <QObject>
#include <QString>

#include <optional>

class QDBusVariant;
class QVariant;

// The desktop's colour scheme and accent colour, read from the settings portal
// (org.freedesktop.appearance) and followed as the user changes them. Without a portal
// nothing is reported and the caller keeps its own guess.
class DesktopAppearance : public QObject {
  Q_OBJECT

 public:
  explicit DesktopAppearance(QObject* parent = nullptr);

  // Asks for the current values (without blocking) and subscribes to changes.
  void start();

  // Portal values: color-scheme 1 means dark, 0 (no preference) and 2 mean light;
  // accent-color is three sRGB components in 0...1, anything else means "none".
  static std::optional<bool> prefersDarkFrom(const QVariant& value);
  static std::optional<QColor> accentFrom(const QVariant& value);

 Q_SIGNALS:
  void colorSchemeChanged(bool prefersDark);
  void accentChanged(const QColor& accent);

 private Q_SLOTS:
  void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

 private:
  void read(const QString& key);
  void deliver(const QString& key, const QVariant& value);
};
