#include "app/screens/waiting/WaitingForView.h"

#include "app/screens/ListScreen.h"
#include "app/screens/waiting/WaitingForSheets.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "core/store/DataStore.h"

#include <QMenu>

WaitingForView::WaitingForView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  const ScreenEnvironment env = environment_;
  model_ = new WaitingListModel(
      [env](const WaitingForItem& item) {
        return WaitingForRowDelegate::describe(item, env.now(), env.calendar);
      },
      this);
  const ListScreenFrame frame =
      buildListScreen(this,
                      {QStringLiteral("Waiting For"), QStringLiteral("Add Item"),
                       QStringLiteral("Add Waiting For Item"), QStringLiteral("Waiting for")},
                      filterTitles<WaitingFilter>(), static_cast<int>(state_.filter),
                      new WaitingForRowDelegate(environment_), model_);
  addButton_ = frame.addButton;
  filters_ = frame.filters;
  list_ = frame.list;
  body_ = frame.body;
  connect(addButton_, &QPushButton::clicked, this, &WaitingForView::showAddSheet);
  connect(filters_, &FilterBar::selectedChanged, this,
          [this](int index) { setFilter(allCases<WaitingFilter>[static_cast<size_t>(index)]); });
  connect(list_, &RowListView::actionTriggered, this, &WaitingForView::runAction);

  if (environment_.store) {
    connect(environment_.store, &DataStore::waitingItemsChanged, this, &WaitingForView::reload);
  }
  reload();
}

QWidget* WaitingForView::emptyState() const {
  return body_->showsList() ? nullptr : body_->emptyState();
}

void WaitingForView::setFilter(WaitingFilter filter) {
  state_.filter = filter;
  filters_->showSelected(static_cast<int>(filter));
  reload();
}

void WaitingForView::reload() {
  const QList<WaitingForItem> items =
      environment_.store ? environment_.store->waitingItems() : QList<WaitingForItem>();
  model_->setRecords(waiting_lists::filtered(items, state_.filter));
  body_->refresh([this]() -> QWidget* {
    switch (state_.filter) {
      case WaitingFilter::active:
        return new EmptyStateView(
            QStringLiteral("clock"), QStringLiteral("Nothing to Wait For"),
            QStringLiteral("Track replies, deliveries and favours others owe you."),
            QStringLiteral("Add Item"), [this] { showAddSheet(); });
      case WaitingFilter::resolved:
        return new EmptyStateView(QStringLiteral("checkmark.circle.fill"),
                                  QStringLiteral("Nothing Resolved Yet"),
                                  QStringLiteral("Items you resolve or cancel show up here."));
      case WaitingFilter::all:
        break;
    }
    return new EmptyStateView(
        QStringLiteral("clock"), QStringLiteral("No Items"),
        QStringLiteral("Add what you are waiting for to follow it up in time."),
        QStringLiteral("Add Item"), [this] { showAddSheet(); });
  });
}

bool WaitingForView::sheetOpen() const {
  return state_.isShowingAddSheet || state_.editingItem || state_.followUpItem;
}

std::optional<WaitingForItem> WaitingForView::stored(const QUuid& id) const {
  if (environment_.store) {
    for (const WaitingForItem& item : environment_.store->waitingItems()) {
      if (item.id == id) {
        return item;
      }
    }
  }
  return std::nullopt;
}

void WaitingForView::showAddSheet() {
  if (sheetOpen()) {
    return;
  }
  state_.isShowingAddSheet = true;
  QPointer<WaitingForView> self(this);
  Sheet::present(
      this, environment_,
      [](const ScreenEnvironment& env) -> QWidget* {
        return new WaitingForItemSheet(env, std::nullopt, [env](const WaitingForItem& item) {
          if (env.store) {
            env.store->addWaitingItem(item);
          }
        });
      },
      [self] {
        if (self) {
          self->state_.isShowingAddSheet = false;
        }
      });
}

void WaitingForView::showEditSheet(const WaitingForItem& item) {
  if (sheetOpen()) {
    return;
  }
  state_.editingItem = item;
  QPointer<WaitingForView> self(this);
  Sheet::present(
      this, environment_,
      [item](const ScreenEnvironment& env) -> QWidget* {
        return new WaitingForItemSheet(env, item, [env](const WaitingForItem& edited) {
          if (env.store) {
            env.store->updateWaitingItem(edited);
          }
        });
      },
      [self] {
        if (self) {
          self->state_.editingItem.reset();
        }
      });
}

void WaitingForView::showFollowUpSheet(const WaitingForItem& item) {
  if (sheetOpen()) {
    return;
  }
  state_.followUpItem = item;
  state_.followUpNotes.clear();
  QPointer<WaitingForView> self(this);
  const QUuid id = item.id;
  Sheet::present(
      this, environment_,
      [self, item, id](const ScreenEnvironment& env) -> QWidget* {
        return new FollowUpSheet(
            env, item,
            [self](const QString& notes) {
              if (self) {
                self->state_.followUpNotes = notes;
              }
            },
            [self, env, id](const QString& notes, std::optional<QDate> next) {
              if (!self || !env.store) {
                return;
              }
              // Applied to the item as it is now, not as it was when the sheet opened.
              if (const auto current = self->stored(id)) {
                env.store->updateWaitingItem(
                    waiting_lists::recordFollowUp(*current, notes, next, env.now(), env.calendar));
              }
            });
      },
      [self] {
        if (self) {
          self->state_.followUpItem.reset();
          self->state_.followUpNotes.clear();
        }
      });
}

void WaitingForView::snooze(const QUuid& id, int days) {
  if (environment_.store) {
    environment_.store->snoozeWaitingItem(id, days);
  }
}

void WaitingForView::resolve(const QUuid& id) {
  if (environment_.store) {
    environment_.store->resolveWaitingItem(id);
  }
}

void WaitingForView::requestDelete(const QUuid& id) {
  const std::optional<WaitingForItem> item = stored(id);
  if (!item) {
    return;
  }
  confirmDeletion(confirmation_, this, QStringLiteral("Delete Item?"), item->title, [this, id] {
    if (environment_.store) {
      environment_.store->deleteWaitingItem(id);
    }
  });
}

void WaitingForView::runAction(const QModelIndex& index, const QString& actionId) {
  const WaitingForItem* row = WaitingListModel::at(index);
  if (row == nullptr) {
    return;
  }
  const WaitingForItem item = *row;  // the model resets when the store changes
  if (actionId == QStringLiteral("followUp")) {
    showFollowUpSheet(item);
  } else if (actionId == QStringLiteral("snooze")) {
    if (snoozeMenu_) {
      snoozeMenu_->close();
    }
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (int days : kSnoozeDays) {
      menu->addAction(
          days == 1 ? QStringLiteral("Snooze 1 Day") : QStringLiteral("Snooze %1 Days").arg(days),
          this, [this, id = item.id, days] { snooze(id, days); });
    }
    snoozeMenu_ = menu;
    menu->popup(list_->viewport()->mapToGlobal(list_->visualRect(index).center()));
  } else if (actionId == QStringLiteral("resolve")) {
    resolve(item.id);
  } else if (actionId == QStringLiteral("edit")) {
    showEditSheet(item);
  } else if (actionId == QStringLiteral("delete")) {
    requestDelete(item.id);
  }
}
