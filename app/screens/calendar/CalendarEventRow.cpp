#include "app/screens/calendar/CalendarEventRow.h"

#include "app/screens/calendar/CalendarFilters.h"
#include "app/ui/Color.h"

#include <QPainter>

namespace {

constexpr int kRowHeight = 58;
constexpr int kBarWidth = 4;
constexpr int kGap = 10;

}  // namespace

CalendarEventRowDelegate::CalendarEventRowDelegate(ScreenEnvironment environment, QObject* parent)
    : RowDelegate(kRowHeight, parent), environment_(std::move(environment)) {}

QList<RowAction> CalendarEventRowDelegate::trailingActions(const QModelIndex& index) const {
  const CalendarEventItem* event = EventListModel::at(index);
  QList<RowAction> actions;
  if (event && event->meetingLink && !event->meetingLink->isEmpty()) {
    actions.append({QStringLiteral("join"), QStringLiteral("video.fill"),
                    QStringLiteral("Join Meeting"), ThemeColor::blue});
  }
  if (event && calendar_lists::isEditable(*event)) {
    actions.append({QStringLiteral("delete"), QStringLiteral("trash"), QStringLiteral("Delete Event"),
                    ThemeColor::secondary});
  }
  return actions;
}

QString CalendarEventRowDelegate::sourceText(const CalendarEventItem& event) {
  const QString source = ::displayText(event.sourceType);
  if (event.calendarName.isEmpty() || event.calendarName == source) {
    return source;
  }
  return event.calendarName + QStringLiteral(" · ") + source;
}

QString CalendarEventRowDelegate::describe(const CalendarEventItem& event, const QDateTime& now,
                                           const Calendar& calendar) {
  QStringList parts{event.title, calendar_lists::dayText(event, now, calendar),
                    calendar_lists::timeText(event, calendar)};
  if (event.location) {
    parts.append(*event.location);
  }
  parts.append(event.countdownString(now));
  parts.append(sourceText(event));
  return parts.join(QStringLiteral(", "));
}

void CalendarEventRowDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                            const QRect& content, const QModelIndex& index) const {
  const CalendarEventItem* event = EventListModel::at(index);
  if (event == nullptr) {
    return;
  }
  const QWidget* context = option.widget;
  const QDateTime now = environment_.now();
  const Calendar& calendar = environment_.calendar;
  const QColor tint =
      Color::fromHex(event->calendarColorHex).value_or(Theme::color(ThemeColor::accent, context));

  const QRect bar(content.left(), content.top() + 10, kBarWidth, content.height() - 20);
  painter->setPen(Qt::NoPen);
  painter->setBrush(tint);
  painter->drawRoundedRect(bar, kBarWidth / 2.0, kBarWidth / 2.0);

  const QRect text = content.adjusted(kBarWidth + kGap, 0, 0, 0);
  const auto [titleFont, detailFont, firstLine, secondLine] = textLines(text, option.font);
  const QFont countdownFont = Theme::font(option.font, 11, QFont::Medium);
  const int lineHeight = firstLine.height();

  // The right column: countdown above, calendar and source below.
  const QString countdown = event->countdownString(now);
  const QString source = sourceText(*event);
  const int columnWidth =
      std::min(text.width() / 3, std::max(QFontMetrics(countdownFont).horizontalAdvance(countdown),
                                          QFontMetrics(detailFont).horizontalAdvance(source)) +
                                     2);
  const bool now_ = countdown == QStringLiteral("Happening now");
  drawText(painter, QRect(text.right() - columnWidth, firstLine.top(), columnWidth, lineHeight),
           countdown, countdownFont,
           Theme::color(now_ ? ThemeColor::green : ThemeColor::blue, context),
           Qt::AlignRight | Qt::AlignVCenter);
  drawText(painter,
           QRect(text.right() - columnWidth, secondLine.top(), columnWidth, secondLine.height()),
           source, detailFont, Theme::color(ThemeColor::tertiary, context),
           Qt::AlignRight | Qt::AlignVCenter);

  const int room = text.width() - columnWidth - kGap;
  drawText(painter, QRect(firstLine.left(), firstLine.top(), room, lineHeight), event->title,
           titleFont, Theme::color(ThemeColor::primary, context));
  QString details = calendar_lists::dayText(*event, now, calendar) + QStringLiteral("  ·  ") +
                    calendar_lists::timeText(*event, calendar);
  if (event->location) {
    details += QStringLiteral("  ·  ") + *event->location;
  }
  drawText(painter, QRect(secondLine.left(), secondLine.top(), room, secondLine.height()), details,
           detailFont, Theme::color(ThemeColor::secondary, context));
}
