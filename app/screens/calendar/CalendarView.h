#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/calendar/CalendarEventRow.h"
#include "app/screens/calendar/CalendarFilters.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class FilterBar;
class ListOrEmpty;
class ProminentButton;
#include <QMessageBox>
class RowListView;
class ThemedLabel;

// The calendar tab: the upcoming mirrored and manual events of the chosen range with their
// calendar's colour and source; manual events are added in a sheet and can be deleted, and a
// meeting link opens only when it is a web or mail link.
class CalendarView : public QWidget {
  Q_OBJECT

 public:
  using CalendarFilter = ::CalendarFilter;
  using UrlOpener = std::function<bool(const QUrl&)>;

  struct State {
    bool isShowingAddEventSheet = false;
    CalendarFilter selectedFilter = CalendarFilter::allUpcoming;
  };

  explicit CalendarView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  void setFilter(CalendarFilter filter);
  void showAddEventSheet();
  // Asks first; mirrored events are never deleted.
  void requestDelete(const QString& eventID);
  // Opens the event's link through the opener when the link is safe; says so when it is not.
  bool openMeetingLink(const CalendarEventItem& event);
  // Tests replace the desktop's opener.
  void setUrlOpener(UrlOpener opener) { openUrl_ = std::move(opener); }

  RowListView* list() const { return list_; }
  const EventListModel* model() const { return model_; }
  FilterBar* filterBar() const { return filters_; }
  ProminentButton* addButton() const { return addButton_; }
  // Why mirrored events are missing (no access, no calendar); hidden when nothing is amiss.
  ThemedLabel* accessNotice() const { return accessNotice_; }
  // The last refusal of a link; hidden until there is one.
  ThemedLabel* linkMessage() const { return linkMessage_; }
  QWidget* emptyState() const;
  QMessageBox* pendingConfirmation() const { return confirmation_; }

 private Q_SLOTS:
  void reload();

 private:
  void runAction(const QModelIndex& index, const QString& actionId);

  ScreenEnvironment environment_;
  State state_;
  UrlOpener openUrl_;
  EventListModel* model_;
  RowListView* list_;
  FilterBar* filters_;
  ProminentButton* addButton_;
  ThemedLabel* accessNotice_;
  ThemedLabel* linkMessage_;
  ListOrEmpty* body_;
  QPointer<QMessageBox> confirmation_;
};
