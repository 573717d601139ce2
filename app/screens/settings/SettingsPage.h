#pragma once

#include "app/platform/Theme.h"
#include "app/screens/settings/SettingsContext.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>

class QCheckBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

// One page of the settings screen: a title and one form whose labels line up across its
// sections. Controls bound to a settings field follow the store; a change saves the settings
// and then runs the page's own follow-up (telling the service concerned).
class SettingsPage : public QWidget {
  Q_OBJECT

 public:
  SettingsPage(std::shared_ptr<SettingsContext> context, SettingsTab tab,
               QWidget* parent = nullptr);

  SettingsTab tab() const { return tab_; }
  // Re-reads every bound control, then runs refresh().
  void redraw();

 protected:
  SettingsContext& context() const { return *context_; }
  std::shared_ptr<SettingsContext> sharedContext() const { return context_; }
  QFormLayout* form() const { return form_; }

  // Redraws what the bound controls do not cover; called after every settings or state change.
  virtual void refresh() {}

  void addSection(const QString& title);
  // Wrapped secondary text across both columns.
  QLabel* addNote(const QString& text);
  // A line for a status or an error, hidden while empty.
  QLabel* addMessageLine();
  static void showMessage(QLabel* label, const std::optional<QString>& text,
                          ThemeColor role = ThemeColor::secondary);
  void addRow(const QString& label, QWidget* field);
  void addRow(const QString& label, QLayout* field);
  // Buttons side by side, left-aligned.
  static QHBoxLayout* buttonRow(std::initializer_list<QWidget*> buttons);
  // What a failed action tells the user: an AppError's own description, else the message.
  static QString failureText(const std::exception& error);

  QCheckBox* addSwitch(const QString& text, bool AppSettings::*field,
                       std::function<void(bool)> after = {}, const QString& label = {});
  QSpinBox* addNumber(const QString& label, int AppSettings::*field, int minimum, int maximum,
                      const QString& suffix, std::function<void(int)> after = {});
  // Saved when editing finishes; `normalise` may refuse the text (nullopt: keep the old value).
  QLineEdit* addText(const QString& label, QString AppSettings::*field,
                     std::function<std::optional<QString>(const QString&)> normalise = {},
                     std::function<void()> after = {});

 private:
  std::shared_ptr<SettingsContext> context_;
  SettingsTab tab_;
  QFormLayout* form_;
  std::vector<std::function<void(const AppSettings&)>> binders_;
};
