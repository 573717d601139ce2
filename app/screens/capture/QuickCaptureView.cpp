#include "app/screens/capture/QuickCaptureView.h"

QuickCaptureView::QuickCaptureView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  setWindowTitle(QStringLiteral("Quick Capture"));
}
