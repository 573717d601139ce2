#pragma once

#include "app/screens/ListScreen.h"
#include "app/screens/ScreenEnvironment.h"
#include "core/model/WaitingForItem.h"

using WaitingListModel = RecordListModel<WaitingForItem>;

// A waiting-for row: title and status, who owes it, days waiting and the follow-up (marked
// when overdue), then follow up, snooze and resolve for open items, edit and delete for all.
class WaitingForRowDelegate : public RowDelegate {
  Q_OBJECT

 public:
  explicit WaitingForRowDelegate(ScreenEnvironment environment, QObject* parent = nullptr);

  QList<RowAction> trailingActions(const QModelIndex& index) const override;
  int trailingSlots() const override { return 5; }

  static QString describe(const WaitingForItem& item, const QDateTime& now,
                          const Calendar& calendar);

 protected:
  void paintContent(QPainter* painter, const QStyleOptionViewItem& option, const QRect& content,
                    const QModelIndex& index) const override;

 private:
  ScreenEnvironment environment_;
};
