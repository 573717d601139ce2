#include "app/screens/waiting/WaitingForRow.h"

#include "app/platform/SymbolImage.h"
#include "app/screens/waiting/WaitingFilters.h"
#include "app/ui/WaitingStatusBadge.h"

#include <QPainter>

namespace {

constexpr int kRowHeight = 58;
constexpr int kGap = 8;

}  // namespace

WaitingForRowDelegate::WaitingForRowDelegate(ScreenEnvironment environment, QObject* parent)
    : RowDelegate(kRowHeight, parent), environment_(std::move(environment)) {}

QList<RowAction> WaitingForRowDelegate::trailingActions(const QModelIndex& index) const {
  const WaitingForItem* item = WaitingListModel::at(index);
  QList<RowAction> actions;
  if (item && waiting_lists::isActive(*item)) {
    actions = {{QStringLiteral("followUp"), QStringLiteral("arrowshape.turn.up.right"),
                QStringLiteral("Follow Up…"), ThemeColor::blue},
               {QStringLiteral("snooze"), QStringLiteral("clock"), QStringLiteral("Snooze…"),
                ThemeColor::secondary},
               {QStringLiteral("resolve"), QStringLiteral("checkmark.circle.fill"),
                QStringLiteral("Resolve"), ThemeColor::green}};
  }
  actions.append({QStringLiteral("edit"), QStringLiteral("pencil"), QStringLiteral("Edit Item"),
                  ThemeColor::secondary});
  actions.append({QStringLiteral("delete"), QStringLiteral("trash"), QStringLiteral("Delete Item"),
                  ThemeColor::secondary});
  return actions;
}

QString WaitingForRowDelegate::describe(const WaitingForItem& item, const QDateTime& now,
                                        const Calendar& calendar) {
  QStringList parts{item.title, ::displayText(item.status)};
  if (!item.personOrOrg.isEmpty()) {
    parts.append(item.personOrOrg);
  }
  parts.append(waiting_lists::waitingText(item, now, calendar));
  if (auto followUp = waiting_lists::followUpText(item, now, calendar)) {
    parts.append(*followUp);
  }
  return parts.join(QStringLiteral(", "));
}

void WaitingForRowDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                         const QRect& content, const QModelIndex& index) const {
  const WaitingForItem* item = WaitingListModel::at(index);
  if (item == nullptr) {
    return;
  }
  const QWidget* context = option.widget;
  const QDateTime now = environment_.now();
  const auto [titleFont, detailFont, firstLine, secondLine] = textLines(content, option.font);
  const int lineHeight = firstLine.height();

  const bool closed = !waiting_lists::isActive(*item);
  WaitingStatusBadge badge(item->status);
  const int badgeWidth = badge.sizeHint().width();
  const int titleRoom = std::max(0, content.width() - badgeWidth - kGap);
  const QFontMetrics titleMetrics(titleFont);
  const int titleWidth = titleMetrics.horizontalAdvance(
                             titleMetrics.elidedText(item->title, Qt::ElideRight, titleRoom)) +
                         2;
  drawText(painter, QRect(firstLine.left(), firstLine.top(), titleWidth, lineHeight), item->title,
           titleFont, Theme::color(closed ? ThemeColor::secondary : ThemeColor::primary, context));
  drawBadge(painter, &badge,
            QPoint(firstLine.left() + titleWidth + kGap,
                   firstLine.center().y() - badge.sizeHint().height() / 2 + 1),
            context);

  int x = secondLine.left();
  const auto put = [&](const QString& text, ThemeColor color) {
    const int width = std::min(QFontMetrics(detailFont).horizontalAdvance(text) + 2,
                               std::max(0, secondLine.right() - x));
    drawText(painter, QRect(x, secondLine.top(), width, secondLine.height()), text, detailFont,
             Theme::color(color, context));
    x += width;
  };
  const QString separator = QStringLiteral("  ·  ");
  if (!item->personOrOrg.isEmpty()) {
    put(item->personOrOrg + separator, ThemeColor::secondary);
  }
  put(waiting_lists::waitingText(*item, now, environment_.calendar), ThemeColor::secondary);
  if (auto followUp = waiting_lists::followUpText(*item, now, environment_.calendar)) {
    put(separator, ThemeColor::secondary);
    const bool overdue = item->isFollowUpOverdue(now);
    if (overdue && x + 20 < secondLine.right()) {
      const int symbol = 12;
      SymbolImage::icon(QStringLiteral("clock.badge.exclamationmark"),
                        Theme::color(ThemeColor::red, context))
          .paint(painter, QRect(x, secondLine.center().y() - symbol / 2, symbol, symbol));
      x += symbol + 4;
    }
    put(*followUp, overdue ? ThemeColor::red : ThemeColor::secondary);
  }
}
