#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QDialog>

#include <functional>

// A window-modal sheet over a window, hosting one screen built anew for it. It never blocks
// (no exec()): Escape or the screen's dismiss action closes it, and it deletes itself.
class Sheet : public QDialog {
  Q_OBJECT

 public:
  using Builder = std::function<QWidget*(const ScreenEnvironment&)>;

  // Builds the screen with an environment whose dismiss closes the sheet, shows the sheet
  // over `parent`'s window, and runs `onClosed` once when it closes by any means.
  static Sheet* present(QWidget* parent, const ScreenEnvironment& environment,
                        const Builder& build, std::function<void()> onClosed = {});

  QWidget* content() const { return content_; }

 private:
  explicit Sheet(QWidget* parent);

  QWidget* content_ = nullptr;
};
