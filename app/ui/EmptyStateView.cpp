#include "app/ui/EmptyStateView.h"

#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"

#include <QVBoxLayout>

namespace {

constexpr int kPadding = 24;
constexpr int kSpacing = 10;
constexpr int kMessageWidth = 240;
constexpr int kButtonTopPadding = 4;
constexpr int kIconSize = 32;

}  // namespace

EmptyStateView::EmptyStateView(const QString& icon, const QString& title, const QString& message,
                               std::optional<QString> actionTitle, std::function<void()> action,
                               QWidget* parent)
    : QWidget(parent) {
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);

  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  stack->setSpacing(kSpacing);
  stack->addStretch(1);

  iconView_ = new SymbolView(icon, kIconSize, ThemeColor::tertiary, this);
  stack->addWidget(iconView_, 0, Qt::AlignHCenter);

  titleLabel_ = new ThemedLabel(title, ThemeColor::primary, this);
  titleLabel_->setTextStyle(14, QFont::DemiBold);
  titleLabel_->setAlignment(Qt::AlignCenter);
  stack->addWidget(titleLabel_, 0, Qt::AlignHCenter);

  messageLabel_ = new ThemedLabel(message, ThemeColor::secondary, this);
  messageLabel_->setTextStyle(12);
  messageLabel_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  messageLabel_->setWordWrap(true);
  // Short messages keep their own width; longer ones wrap at the limit.
  const int natural = messageLabel_->fontMetrics().horizontalAdvance(message) + 2;
  const int messageWidth = std::min(natural, kMessageWidth);
  messageLabel_->setFixedWidth(messageWidth);
  // The column asks its labels for their height at its own width, not at this fixed one.
  messageLabel_->setMinimumHeight(messageLabel_->heightForWidth(messageWidth));
  stack->addWidget(messageLabel_, 0, Qt::AlignHCenter);

  if (actionTitle && action) {
    stack->addSpacing(kButtonTopPadding);
    actionButton_ = new ProminentButton(*actionTitle, this);
    connect(actionButton_, &QPushButton::clicked, this, [action = std::move(action)] { action(); });
    stack->addWidget(actionButton_, 0, Qt::AlignHCenter);
  }
  stack->addStretch(1);
}
