#pragma once

#include <QColor>
#include <QWidget>

// Every shared view piece in each of its states on one sheet, light or dark, so the look can
// be checked by eye (pelmora-gallery) and in screenshots.
class ComponentGallery : public QWidget {
  Q_OBJECT

 public:
  explicit ComponentGallery(bool dark, const QColor& accent, QWidget* parent = nullptr);

  bool isDark() const { return dark_; }

 private:
  bool dark_;
};
