#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/waiting/WaitingFilters.h"
#include "app/screens/waiting/WaitingForRow.h"

#include <QPointer>
#include <QWidget>

#include <optional>

class FilterBar;
class ListOrEmpty;
class ProminentButton;
#include <QMenu>
#include <QMessageBox>
class RowListView;

// The waiting-for tab: what others owe the user, how long it has been, and when to follow up;
// items are added and edited in a sheet, followed up with notes, snoozed, resolved, deleted.
class WaitingForView : public QWidget {
  Q_OBJECT

 public:
  using WaitingFilter = ::WaitingFilter;

  struct State {
    WaitingFilter filter = WaitingFilter::active;
    bool isShowingAddSheet = false;
    std::optional<WaitingForItem> editingItem;
    std::optional<WaitingForItem> followUpItem;
    QString followUpNotes;
  };

  // Snooze lengths offered, in days.
  static constexpr std::array kSnoozeDays{1, 3, 7};

  explicit WaitingForView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  void setFilter(WaitingFilter filter);
  void showAddSheet();
  void showEditSheet(const WaitingForItem& item);
  void showFollowUpSheet(const WaitingForItem& item);
  void snooze(const QUuid& id, int days);
  void resolve(const QUuid& id);
  void requestDelete(const QUuid& id);

  RowListView* list() const { return list_; }
  const WaitingListModel* model() const { return model_; }
  FilterBar* filterBar() const { return filters_; }
  ProminentButton* addButton() const { return addButton_; }
  QWidget* emptyState() const;
  QMessageBox* pendingConfirmation() const { return confirmation_; }
  QMenu* snoozeMenu() const { return snoozeMenu_; }

 private Q_SLOTS:
  void reload();

 private:
  bool sheetOpen() const;
  void runAction(const QModelIndex& index, const QString& actionId);
  std::optional<WaitingForItem> stored(const QUuid& id) const;

  ScreenEnvironment environment_;
  State state_;
  WaitingListModel* model_;
  RowListView* list_;
  FilterBar* filters_;
  ProminentButton* addButton_;
  ListOrEmpty* body_;
  QPointer<QMessageBox> confirmation_;
  QPointer<QMenu> snoozeMenu_;
};
