#pragma once

#include <QWidget>

// A one-pixel horizontal rule in the text colour at low emphasis, so it suits light and dark.
class Divider : public QWidget {
  Q_OBJECT

 public:
  explicit Divider(QWidget* parent = nullptr);

 protected:
  void paintEvent(QPaintEvent* event) override;
};
