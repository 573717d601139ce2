#pragma once

#include "app/platform/Theme.h"

#include <QLabel>

// Plain text in a named colour taken from the surrounding palette, kept right when the
// palette changes (light and dark). Texts are shown as given, never as markup.
class ThemedLabel : public QLabel {
  Q_OBJECT

 public:
  ThemedLabel(const QString& text, ThemeColor role, QWidget* parent = nullptr);
  // The same, with the text's pixel size and weight set.
  ThemedLabel(const QString& text, ThemeColor role, int pixelSize,
              QFont::Weight weight = QFont::Normal, QWidget* parent = nullptr);

  // A wrapping line for a refusal or a status, hidden until it has something to say.
  static ThemedLabel* messageLine(ThemeColor role, QWidget* parent = nullptr);

  ThemeColor role() const { return role_; }
  void setRole(ThemeColor role);
  // Pixel size and weight of the text.
  void setTextStyle(int pixelSize, QFont::Weight weight = QFont::Normal);

 protected:
  bool event(QEvent* event) override;

 private:
  void applyColor();

  ThemeColor role_;
};
