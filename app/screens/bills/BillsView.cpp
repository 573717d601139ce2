#include "app/screens/bills/BillsView.h"

#include "app/screens/ListScreen.h"
#include "app/screens/bills/BillEditorSheet.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "core/store/DataStore.h"

BillsView::BillsView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  const ScreenEnvironment env = environment_;
  model_ = new BillListModel(
      [env](const BillItem& bill) {
        return BillRowDelegate::describe(bill, env.now(), env.calendar);
      },
      this);
  const ListScreenFrame frame =
      buildListScreen(this,
                      {QStringLiteral("Bills"), QStringLiteral("Add Bill"),
                       QStringLiteral("Add Bill"), QStringLiteral("Bills")},
                      filterTitles<BillFilter>(), static_cast<int>(state_.filter),
                      new BillRowDelegate(environment_), model_);
  addButton_ = frame.addButton;
  filters_ = frame.filters;
  list_ = frame.list;
  body_ = frame.body;
  connect(addButton_, &QPushButton::clicked, this, [this] { showEditor(); });
  connect(filters_, &FilterBar::selectedChanged, this,
          [this](int index) { setFilter(allCases<BillFilter>[static_cast<size_t>(index)]); });
  connect(list_, &RowListView::actionTriggered, this, &BillsView::runAction);

  if (environment_.store) {
    connect(environment_.store, &DataStore::billsChanged, this, &BillsView::reload);
  }
  reload();
}

QWidget* BillsView::emptyState() const {
  return body_->showsList() ? nullptr : body_->emptyState();
}

void BillsView::setFilter(BillFilter filter) {
  state_.filter = filter;
  filters_->showSelected(static_cast<int>(filter));
  reload();
}

void BillsView::reload() {
  const QList<BillItem> bills =
      environment_.store ? environment_.store->bills() : QList<BillItem>();
  model_->setRecords(
      bill_lists::filtered(bills, state_.filter, environment_.now(), environment_.calendar));
  body_->refresh([this]() -> QWidget* {
    const auto add = [this] { showEditor(); };
    switch (state_.filter) {
      case BillFilter::upcoming:
        return new EmptyStateView(QStringLiteral("creditcard"), QStringLiteral("No Upcoming Bills"),
                                  QStringLiteral("Unpaid bills that are not yet due show up here."),
                                  QStringLiteral("Add Bill"), add);
      case BillFilter::overdue:
        return new EmptyStateView(
            QStringLiteral("checkmark.circle.fill"), QStringLiteral("Nothing Overdue"),
            QStringLiteral("Every unpaid bill is still ahead of its due date."));
      case BillFilter::paid:
        return new EmptyStateView(QStringLiteral("creditcard"), QStringLiteral("No Paid Bills"),
                                  QStringLiteral("Bills you mark as paid show up here."));
      case BillFilter::all:
        break;
    }
    return new EmptyStateView(QStringLiteral("creditcard"), QStringLiteral("No Bills"),
                              QStringLiteral("Add a bill to keep track of what is due and when."),
                              QStringLiteral("Add Bill"), add);
  });
}

void BillsView::showEditor(std::optional<BillItem> bill) {
  if (state_.isShowingAddSheet || state_.editingBill) {
    return;  // one sheet at a time
  }
  state_.isShowingAddSheet = !bill;
  state_.editingBill = bill;
  QPointer<BillsView> self(this);
  Sheet::present(
      this, environment_,
      [bill](const ScreenEnvironment& env) -> QWidget* {
        return new BillEditorSheet(env, bill,
                                   [env, editing = bill.has_value()](const BillItem& saved) {
                                     if (!env.store) {
                                       return;
                                     }
                                     if (editing) {
                                       env.store->updateBill(saved);
                                     } else {
                                       env.store->addBill(saved);
                                     }
                                   });
      },
      [self] {
        if (self) {
          self->state_.isShowingAddSheet = false;
          self->state_.editingBill.reset();
        }
      });
}

void BillsView::togglePaid(const QUuid& billID) {
  if (environment_.store) {
    environment_.store->toggleBillPaid(billID, environment_.now());
  }
}

void BillsView::requestDelete(const QUuid& billID) {
  const auto& bills = environment_.store ? environment_.store->bills() : QList<BillItem>();
  const auto it =
      std::find_if(bills.begin(), bills.end(), [&](const BillItem& b) { return b.id == billID; });
  if (it == bills.end()) {
    return;
  }
  confirmDeletion(confirmation_, this, QStringLiteral("Delete Bill?"), it->name, [this, billID] {
    if (environment_.store) {
      environment_.store->deleteBill(billID);
    }
  });
}

void BillsView::runAction(const QModelIndex& index, const QString& actionId) {
  const BillItem* bill = BillListModel::at(index);
  if (bill == nullptr) {
    return;
  }
  const BillItem chosen = *bill;  // the model resets when the store changes
  if (actionId == QStringLiteral("togglePaid")) {
    togglePaid(chosen.id);
  } else if (actionId == QStringLiteral("edit")) {
    showEditor(chosen);
  } else if (actionId == QStringLiteral("delete")) {
    requestDelete(chosen.id);
  }
}
