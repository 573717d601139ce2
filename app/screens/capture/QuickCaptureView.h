#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QWidget>

// The quick-capture form. Placeholder until the form is built.
class QuickCaptureView : public QWidget {
  Q_OBJECT

 public:
  explicit QuickCaptureView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

 private:
  ScreenEnvironment environment_;
};
