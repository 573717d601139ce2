#pragma once

#include "app/screens/ListScreen.h"
#include "app/screens/ScreenEnvironment.h"
#include "core/model/BillItem.h"

using BillListModel = RecordListModel<BillItem>;

// A bill's row: the paid check, name and category, due date with its countdown and
// recurrence, the amount, and the edit and delete symbols.
class BillRowDelegate : public RowDelegate {
  Q_OBJECT

 public:
  explicit BillRowDelegate(ScreenEnvironment environment, QObject* parent = nullptr);
  ~BillRowDelegate() override;

  std::optional<RowAction> leadingAction(const QModelIndex& index) const override;
  QList<RowAction> trailingActions(const QModelIndex& index) const override;
  int trailingSlots() const override { return 2; }

  // The text a screen reader gives the row.
  static QString describe(const BillItem& bill, const QDateTime& now, const Calendar& calendar);

 protected:
  void paintContent(QPainter* painter, const QStyleOptionViewItem& option, const QRect& content,
                    const QModelIndex& index) const override;

 private:
  ScreenEnvironment environment_;
};
