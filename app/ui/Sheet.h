#pragma once

#include <QDialog>

#include <functional>
#include <utility>

// A window-modal sheet over a window, hosting one screen built anew for it. It never blocks
// (no exec()): Escape or the screen's dismiss action closes it, and it deletes itself. It grows
// when its content needs more height for its width (a message wrapped onto a second line).
class Sheet : public QDialog {
  Q_OBJECT

 public:
  // Builds the content, given the action that closes the sheet.
  using Builder = std::function<QWidget*(std::function<void()> dismiss)>;

  // Builds the content, shows the sheet over `parent`'s window, and runs `onClosed` once when
  // it closes by any means.
  static Sheet* present(QWidget* parent, const Builder& build,
                        std::function<void()> onClosed = {});

  // The same for a screen: `build` gets `environment` with a dismiss that closes the sheet. Any
  // environment that hands out such a copy through withDismiss() will do, so this floor need
  // not know the screens' own.
  template <typename Environment, typename Build>
    requires requires(const Environment& environment) {
      environment.withDismiss(std::function<void()>());
    }
  static Sheet* present(QWidget* parent, const Environment& environment, const Build& build,
                        std::function<void()> onClosed = {}) {
    return present(
        parent,
        [&environment, &build](std::function<void()> dismiss) -> QWidget* {
          return build(environment.withDismiss(std::move(dismiss)));
        },
        std::move(onClosed));
  }

  QWidget* content() const { return content_; }

 protected:
  bool event(QEvent* event) override;

 private:
  explicit Sheet(QWidget* parent);

  QWidget* content_ = nullptr;
};
