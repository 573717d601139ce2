#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/shortcuts/AppShortcut.h"

#include <QList>
#include <QWidget>

#include <memory>
#include <optional>

class AppLauncher;
class QPushButton;
class ThemedLabel;

// Opens common desktop applications: the six rows of app_shortcuts::all(), each launched
// through the first of its desktop entries that is installed. A row without any is shown
// disabled as "Not installed"; a launch that fails says so on the screen.
class ShortcutsView : public QWidget {
  Q_OBJECT

 public:
  explicit ShortcutsView(const ScreenEnvironment& environment, QWidget* parent = nullptr);
  ShortcutsView(const ScreenEnvironment& environment, std::shared_ptr<AppLauncher> launcher,
                QWidget* parent = nullptr);

  // One button per row, in display order.
  const QList<QPushButton*>& rowButtons() const { return rows_; }
  // The desktop entry each row launches, nothing for a row that is not installed.
  const QList<std::optional<QString>>& resolvedDesktopIds() const { return resolved_; }
  // The last launch failure, empty when there is none.
  QString message() const;

 private:
  void launch(int row);

  ScreenEnvironment environment_;
  std::shared_ptr<AppLauncher> launcher_;
  QList<QPushButton*> rows_;
  QList<std::optional<QString>> resolved_;
  ThemedLabel* message_ = nullptr;
};
