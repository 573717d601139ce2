#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/bills/BillFilters.h"
#include "app/screens/bills/BillRow.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class FilterBar;
class ListOrEmpty;
class ProminentButton;
#include <QMessageBox>
class RowListView;

// The bills tab: the bills of the chosen filter with their amounts and due dates, marked paid
// or unpaid in place, added and edited in a sheet, deleted after a confirmation.
class BillsView : public QWidget {
  Q_OBJECT

 public:
  using BillFilter = ::BillFilter;

  struct State {
    BillFilter filter = BillFilter::upcoming;
    bool isShowingAddSheet = false;
    // The bill the open edit sheet shows.
    std::optional<BillItem> editingBill;
  };

  explicit BillsView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  void setFilter(BillFilter filter);
  // Opens the sheet that adds a bill, or that edits `bill`.
  void showEditor(std::optional<BillItem> bill = std::nullopt);
  void togglePaid(const QUuid& billID);
  // Asks first; the bill goes when the user confirms.
  void requestDelete(const QUuid& billID);

  RowListView* list() const { return list_; }
  const BillListModel* model() const { return model_; }
  FilterBar* filterBar() const { return filters_; }
  ProminentButton* addButton() const { return addButton_; }
  QWidget* emptyState() const;
  QMessageBox* pendingConfirmation() const { return confirmation_; }

 private Q_SLOTS:
  void reload();

 private:
  void runAction(const QModelIndex& index, const QString& actionId);

  ScreenEnvironment environment_;
  State state_;
  BillListModel* model_;
  RowListView* list_;
  FilterBar* filters_;
  ProminentButton* addButton_;
  ListOrEmpty* body_;
  QPointer<QMessageBox> confirmation_;
};
