#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class ProminentButton;
class SymbolView;
class ThemedLabel;

// What a list shows when it has nothing: a large faint symbol, a title, a short message and,
// when both a button title and an action are given, one button. Centred in all the room the
// container offers.
class EmptyStateView : public QWidget {
  Q_OBJECT

 public:
  EmptyStateView(const QString& icon, const QString& title, const QString& message,
                 std::optional<QString> actionTitle = std::nullopt,
                 std::function<void()> action = {}, QWidget* parent = nullptr);

  SymbolView* iconView() const { return iconView_; }
  ThemedLabel* titleLabel() const { return titleLabel_; }
  ThemedLabel* messageLabel() const { return messageLabel_; }
  // None unless both the button title and the action were given.
  ProminentButton* actionButton() const { return actionButton_; }

 private:
  SymbolView* iconView_ = nullptr;
  ThemedLabel* titleLabel_ = nullptr;
  ThemedLabel* messageLabel_ = nullptr;
  ProminentButton* actionButton_ = nullptr;
};
