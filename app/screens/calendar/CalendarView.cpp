#include "app/screens/calendar/CalendarView.h"

#include "app/screens/ListScreen.h"
#include "app/screens/calendar/EventEditorSheet.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "app/ui/ThemedLabel.h"
#include "core/store/DataStore.h"

#include <QDesktopServices>

CalendarView::CalendarView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      openUrl_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  accessNotice_ = new ThemedLabel(QString(), ThemeColor::secondary, 12, QFont::Normal, this);
  accessNotice_->setWordWrap(true);
  linkMessage_ = ThemedLabel::messageLine(ThemeColor::red, this);
  linkMessage_->setTextStyle(12);

  const ScreenEnvironment env = environment_;
  model_ = new EventListModel(
      [env](const CalendarEventItem& event) {
        return CalendarEventRowDelegate::describe(event, env.now(), env.calendar);
      },
      this);
  const ListScreenFrame frame = buildListScreen(
      this,
      {QStringLiteral("Calendar"), QStringLiteral("Add Event"), QStringLiteral("Add Event"),
       QStringLiteral("Events")},
      filterTitles<CalendarFilter>(), static_cast<int>(state_.selectedFilter),
      new CalendarEventRowDelegate(environment_), model_, {accessNotice_, linkMessage_});
  addButton_ = frame.addButton;
  filters_ = frame.filters;
  list_ = frame.list;
  body_ = frame.body;
  connect(addButton_, &QPushButton::clicked, this, &CalendarView::showAddEventSheet);
  connect(filters_, &FilterBar::selectedChanged, this,
          [this](int index) { setFilter(allCases<CalendarFilter>[static_cast<size_t>(index)]); });
  connect(list_, &RowListView::actionTriggered, this, &CalendarView::runAction);

  if (DataStore* store = environment_.store) {
    for (auto signal :
         {&DataStore::manualEventsChanged, &DataStore::calendarEventsChanged,
          &DataStore::calendarPermissionStatusChanged, &DataStore::availableCalendarsChanged}) {
      connect(store, signal, this, &CalendarView::reload);
    }
  }
  reload();
}

QWidget* CalendarView::emptyState() const {
  return body_->showsList() ? nullptr : body_->emptyState();
}

void CalendarView::setFilter(CalendarFilter filter) {
  state_.selectedFilter = filter;
  filters_->showSelected(static_cast<int>(filter));
  reload();
}

void CalendarView::reload() {
  DataStore* store = environment_.store;
  const QList<CalendarEventItem> upcoming =
      store ? store->allUpcomingEvents() : QList<CalendarEventItem>();
  model_->setRecords(calendar_lists::filtered(upcoming, state_.selectedFilter, environment_.now(),
                                              environment_.calendar));

  QString notice;
  if (store && store->calendarPermissionStatus() != CalendarPermissionStatus::authorized) {
    notice = QStringLiteral(
        "Pelmora cannot read your calendars, so only the events you add here are shown.");
  } else if (store && store->availableCalendars().isEmpty()) {
    notice = QStringLiteral("No calendars were found, so only the events you add here are shown.");
  }
  accessNotice_->setText(notice);
  accessNotice_->setVisible(!notice.isEmpty());

  body_->refresh([this]() -> QWidget* {
    const auto add = [this] { showAddEventSheet(); };
    switch (state_.selectedFilter) {
      case CalendarFilter::today:
        return new EmptyStateView(QStringLiteral("calendar"), QStringLiteral("Nothing Today"),
                                  QStringLiteral("No more events today."),
                                  QStringLiteral("Add Event"), add);
      case CalendarFilter::thisWeek:
        return new EmptyStateView(QStringLiteral("calendar"), QStringLiteral("Nothing This Week"),
                                  QStringLiteral("No events in the next seven days."),
                                  QStringLiteral("Add Event"), add);
      case CalendarFilter::allUpcoming:
        break;
    }
    return new EmptyStateView(QStringLiteral("calendar"), QStringLiteral("No Upcoming Events"),
                              QStringLiteral("Events from your calendars and the ones you add "
                                             "here show up in this list."),
                              QStringLiteral("Add Event"), add);
  });
}

void CalendarView::showAddEventSheet() {
  if (state_.isShowingAddEventSheet) {
    return;
  }
  state_.isShowingAddEventSheet = true;
  QPointer<CalendarView> self(this);
  Sheet::present(
      this, environment_,
      [](const ScreenEnvironment& env) -> QWidget* {
        return new EventEditorSheet(env, [env](const CalendarEventItem& event) {
          if (env.store) {
            env.store->addManualEvent(event);
          }
        });
      },
      [self] {
        if (self) {
          self->state_.isShowingAddEventSheet = false;
        }
      });
}

bool CalendarView::openMeetingLink(const CalendarEventItem& event) {
  const std::optional<QUrl> url = event.safeMeetingLink();
  if (!url) {
    linkMessage_->setText(
        QStringLiteral("The link of \"%1\" was not opened: only web and mail links are opened.")
            .arg(event.title));
    linkMessage_->show();
    return false;
  }
  linkMessage_->hide();
  if (!openUrl_ || !openUrl_(*url)) {
    linkMessage_->setText(
        QStringLiteral("No application could open %1.").arg(event.meetingLink->trimmed()));
    linkMessage_->show();
    return false;
  }
  return true;
}

void CalendarView::requestDelete(const QString& eventID) {
  const QList<CalendarEventItem>& events =
      environment_.store ? environment_.store->manualEvents() : QList<CalendarEventItem>();
  const auto it = std::find_if(events.begin(), events.end(),
                               [&](const CalendarEventItem& e) { return e.id == eventID; });
  if (it == events.end() || !calendar_lists::isEditable(*it)) {
    return;
  }
  confirmDeletion(confirmation_, this, QStringLiteral("Delete Event?"), it->title, [this, eventID] {
    if (environment_.store) {
      environment_.store->deleteManualEvent(eventID);
    }
  });
}

void CalendarView::runAction(const QModelIndex& index, const QString& actionId) {
  const CalendarEventItem* row = EventListModel::at(index);
  if (row == nullptr) {
    return;
  }
  const CalendarEventItem event = *row;
  if (actionId == QStringLiteral("join")) {
    openMeetingLink(event);
  } else if (actionId == QStringLiteral("delete")) {
    requestDelete(event.id);
  }
}
