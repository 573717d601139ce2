#pragma once

#include "app/screens/ListScreen.h"
#include "app/screens/ScreenEnvironment.h"
#include "core/model/CalendarEventItem.h"

using EventListModel = RecordListModel<CalendarEventItem>;

// An event's row: its calendar's colour, title, day, time and place, the countdown, the
// calendar and where the event comes from, then join (with a link) and delete (not mirrored).
class CalendarEventRowDelegate : public RowDelegate {
  Q_OBJECT

 public:
  explicit CalendarEventRowDelegate(ScreenEnvironment environment, QObject* parent = nullptr);

  QList<RowAction> trailingActions(const QModelIndex& index) const override;
  int trailingSlots() const override { return 2; }
  QString defaultActionId() const override { return QStringLiteral("join"); }

  static QString describe(const CalendarEventItem& event, const QDateTime& now,
                          const Calendar& calendar);
  // "Sample · Work" style line: the calendar's name and the event's source.
  static QString sourceText(const CalendarEventItem& event);

 protected:
  void paintContent(QPainter* painter, const QStyleOptionViewItem& option, const QRect& content,
                    const QModelIndex& index) const override;

 private:
  ScreenEnvironment environment_;
};
