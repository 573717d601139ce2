#include "app/screens/bills/BillsView.h"

#include "app/screens/ListScreen.h"
#include "app/screens/ScreenScaffold.h"
#include "app/screens/bills/BillEditorSheet.h"
#include "app/shell/Confirmation.h"
#include "app/shell/EmptyStateView.h"
#include "app/shell/ProminentButton.h"
#include "app/shell/Sheet.h"
#include "core/store/DataStore.h"

#include <QVBoxLayout>

namespace {

constexpr int kPadding = 20;

QStringList filterTitles() {
  QStringList titles;
  for (BillFilter filter : allCases<BillFilter>) {
    titles.append(displayText(filter));
  }
  return titles;
}

}  // namespace

BillsView::BillsView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  column->setSpacing(14);

  addButton_ = new ProminentButton(QStringLiteral("Add Bill"), this);
  addButton_->setAccessibleName(QStringLiteral("Add Bill"));
  connect(addButton_, &QPushButton::clicked, this, [this] { showEditor(); });
  column->addWidget(
      screen_scaffold::header(this, QStringLiteral("Bills"), std::nullopt, addButton_).widget);

  filters_ = new FilterBar(filterTitles(), static_cast<int>(state_.filter), this);
  connect(filters_, &FilterBar::selectedChanged, this,
          [this](int index) { setFilter(allCases<BillFilter>[static_cast<size_t>(index)]); });
  column->addWidget(filters_);

  const ScreenEnvironment env = environment_;
  model_ = new BillListModel(
      [env](const BillItem& bill) {
        return BillRowDelegate::describe(bill, env.now(), env.calendar);
      },
      this);
  list_ = new RowListView(new BillRowDelegate(environment_), this);
  list_->setModel(model_);
  list_->setAccessibleName(QStringLiteral("Bills"));
  connect(list_, &RowListView::actionTriggered, this, &BillsView::runAction);
  body_ = new ListOrEmpty(list_, this);
  column->addWidget(body_, 1);

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
  if (filters_->selected() != static_cast<int>(filter)) {
    filters_->button(static_cast<int>(filter))->setChecked(true);
  }
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
  if (confirmation_) {
    confirmation_->close();
  }
  confirmation_ =
      askToConfirm(this,
                   {QStringLiteral("Delete Bill?"),
                    QStringLiteral("\"%1\" will be removed. This cannot be undone.").arg(it->name),
                    QString(), QStringLiteral("Delete")},
                   [this, billID](bool confirmed) {
                     if (confirmed && environment_.store) {
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
