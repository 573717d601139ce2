#include "app/screens/calendar/CalendarFilters.h"
#include "app/screens/calendar/CalendarView.h"
#include "app/screens/calendar/EventEditorSheet.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"
#include "tests/screens/ScreenTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using namespace screentest;

static const Calendar& kBerlin = screentest::berlinCalendar();

namespace {

CalendarEventItem event(const QString& title, const QDateTime& start, int minutes = 30) {
  CalendarEventItem e;
  e.id = title;
  e.title = title;
  e.startDate = start;
  e.endDate = start.addSecs(minutes * 60);
  return e;
}

QStringList titles(const EventListModel* model) {
  return testsupport::texts(model->records(), &CalendarEventItem::title);
}

CalendarEventItem mirrored(const QString& title, const QDateTime& start, const QString& link) {
  CalendarEventItem e = event(title, start);
  e.id = QStringLiteral("ics-") + title;
  e.meetingLink = link;
  e.calendarName = QStringLiteral("Work");
  e.sourceType = CalendarSourceType::apple;
  return e;
}

}  // namespace

// Today ends at the next midnight; the week is seven calendar days, so the one that loses an
// hour to the clock change still ends at midnight, not an hour into the eighth day.
TEST(CalendarFilters, TodayAndWeekEndAtMidnight) {
  struct Case {
    const char* name;
    QDateTime now;
    CalendarEventItem event;
    bool today;
    bool week;
  };
  const QDateTime morning = berlin(2026, 3, 10, 10, 30);
  const QDateTime monday = berlin(2026, 3, 23, 10, 0);
  const Case cases[] = {
      {"today at 23:59", morning, event(QStringLiteral("late"), berlin(2026, 3, 10, 23, 59)), true,
       true},
      {"tomorrow at 00:00", morning, event(QStringLiteral("next"), berlin(2026, 3, 11, 0, 0)),
       false, true},
      {"began yesterday, still running", morning,
       event(QStringLiteral("long"), berlin(2026, 3, 9, 22, 0), 13 * 60), true, true},
      {"last evening of a clock-change week", monday,
       event(QStringLiteral("sun"), berlin(2026, 3, 29, 23, 30)), false, true},
      {"eighth day, 00:00", monday, event(QStringLiteral("mon0"), berlin(2026, 3, 30, 0, 0)), false,
       false},
      {"eighth day, 00:30", monday, event(QStringLiteral("mon1"), berlin(2026, 3, 30, 0, 30)),
       false, false},
  };
  for (const Case& c : cases) {
    const QList<CalendarEventItem> upcoming{c.event};
    EXPECT_EQ(calendar_lists::filtered(upcoming, CalendarFilter::today, c.now, kBerlin).size(),
              c.today ? 1 : 0)
        << c.name;
    EXPECT_EQ(calendar_lists::filtered(upcoming, CalendarFilter::thisWeek, c.now, kBerlin).size(),
              c.week ? 1 : 0)
        << c.name;
    EXPECT_EQ(
        calendar_lists::filtered(upcoming, CalendarFilter::allUpcoming, c.now, kBerlin).size(), 1);
  }
}

TEST(CalendarFilters, EventFormRefusesBadTimesAndLinksAndFillsDefaults) {
  const QDateTime start = berlin(2026, 3, 10, 14, 0);
  struct Case {
    QDateTime end;
    QString link;
    bool accepted;
  };
  const Case cases[] = {
      {start.addSecs(3600), QStringLiteral("https://meet.example.com/abc"), true},
      {start.addSecs(3600), QStringLiteral("  "), true},
      {start.addSecs(3600), QStringLiteral("mailto:team@example.com"), true},
      {start, QString(), false},
      {start.addSecs(-60), QString(), false},
      {start.addSecs(3600), QStringLiteral("javascript:alert(1)"), false},
      {start.addSecs(3600), QStringLiteral("file:///etc/passwd"), false},
      {start.addSecs(3600), QStringLiteral("meet.example.com/abc"), false},
  };
  for (const Case& c : cases) {
    const auto result = calendar_lists::fromForm(
        {QStringLiteral("  "), start, c.end, false, QStringLiteral(" "), c.link, QString()},
        kBerlin);
    ASSERT_EQ(std::holds_alternative<CalendarEventItem>(result), c.accepted)
        << c.link.toStdString();
    if (const auto* e = std::get_if<CalendarEventItem>(&result)) {
      EXPECT_EQ(e->title, QStringLiteral("Untitled Event"));
      EXPECT_FALSE(e->location);
      EXPECT_EQ(e->meetingLink.has_value(), !c.link.trimmed().isEmpty());
      EXPECT_EQ(e->sourceType, CalendarSourceType::manual);
      EXPECT_FALSE(e->id.isEmpty());
    }
  }
  // A whole day runs midnight to midnight, 23 hours on the day the clocks go forward.
  calendar_lists::EventForm trip;
  trip.start = trip.end = berlin(2026, 3, 29, 15, 0);
  trip.isAllDay = true;
  const auto allDay = std::get<CalendarEventItem>(calendar_lists::fromForm(trip, kBerlin));
  EXPECT_EQ(allDay.startDate, berlin(2026, 3, 29, 0, 0));
  EXPECT_EQ(allDay.startDate.secsTo(allDay.endDate), 23 * 3600);
}

// Mirrored events sit among the manual ones, read-only; a link opens only when it is safe.
TEST_F(ScreenTest, CalendarOpensOnlySafeLinksAndNeverDeletesMirroredEvents) {
  calendarService.calendars = {
      {QStringLiteral("work"), QStringLiteral("Work"), QStringLiteral("#FF3B30")}};
  calendarService.events = {mirrored(QStringLiteral("Phishy call"), now.addSecs(600),
                                     QStringLiteral("javascript:alert(1)")),
                            mirrored(QStringLiteral("Local file"), now.addSecs(900),
                                     QStringLiteral("file:///etc/passwd"))};
  store().refreshCalendarEvents();
  CalendarView view(env);
  view.show();
  QList<QUrl> opened;
  view.setUrlOpener([&](const QUrl& url) {
    opened.append(url);
    return true;
  });
  ASSERT_EQ(titles(view.model()),
            (QStringList{"Phishy call", "Local file", "Team standup", "Lunch with Alex", "Project review"}));
  const auto ids = [&](int row) {
    return testsupport::texts(view.list()->rowDelegate()->actions(view.model()->index(row)),
                              &RowAction::id);
  };
  EXPECT_EQ(ids(0), QStringList{QStringLiteral("join")}) << "mirrored: no delete";

  for (int row : {0, 1}) {
    view.list()->setFocus();
    view.list()->setCurrentIndex(view.model()->index(row));
    QTest::keyClick(view.list(), Qt::Key_Return);
    EXPECT_TRUE(view.linkMessage()->isVisible()) << row;
  }
  EXPECT_TRUE(opened.isEmpty()) << "unsafe links never reach the opener";
  view.list()->trigger(view.model()->index(2), QStringLiteral("join"));
  EXPECT_EQ(opened, QList<QUrl>{QUrl(QStringLiteral("https://meet.example.com/standup"))});
  EXPECT_FALSE(view.linkMessage()->isVisible());

  const qsizetype manual = store().manualEvents().size();
  view.requestDelete(QStringLiteral("ics-Phishy call"));
  EXPECT_EQ(view.pendingConfirmation(), nullptr);
  view.list()->trigger(view.model()->index(2), QStringLiteral("delete"));
  ASSERT_TRUE(answer(view.pendingConfirmation(), QStringLiteral("Delete")));
  EXPECT_EQ(store().manualEvents().size(), manual - 1);
  EXPECT_FALSE(titles(view.model()).contains(QStringLiteral("Team standup")));
  saveScreenshots(&view, QStringLiteral("calendar"), QSize(720, 460));
}

TEST_F(ScreenTest, CalendarSheetRefusesAnEndBeforeTheStartThenAddsTheEvent) {
  CalendarView view(env);
  view.show();
  QTest::mouseClick(view.addButton(), Qt::LeftButton);
  auto* sheet = openSheet<EventEditorSheet>(&view);
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->startField()->dateTime().time(), QTime(11, 0)) << "the next full hour";
  QTest::keyClicks(sheet->titleField(), QStringLiteral("Dentist"));
  sheet->setEnd(berlin(2026, 3, 10, 10, 0));
  EXPECT_FALSE(sheet->save());
  EXPECT_TRUE(sheet->error()->isVisible());

  sheet->setStart(berlin(2026, 3, 12, 15, 0));
  sheet->setEnd(berlin(2026, 3, 12, 15, 45));
  QTest::keyClick(sheet->titleField(), Qt::Key_Return);
  settle();
  EXPECT_EQ(openSheet<EventEditorSheet>(&view), nullptr);
  const CalendarEventItem& added = store().manualEvents().last();
  EXPECT_EQ(added.title, QStringLiteral("Dentist"));
  EXPECT_EQ(added.startDate, berlin(2026, 3, 12, 15, 0));
  EXPECT_TRUE(titles(view.model()).contains(QStringLiteral("Dentist")));
}

// Return adds the event from every one-line field of the editor, also after Tab went round
// the buttons.
TEST_F(ScreenTest, CalendarSheetAddsTheEventOnReturnFromAnyField) {
  CalendarView view(env);
  view.show();
  using Field = QWidget* (*)(EventEditorSheet*);
  const std::pair<const char*, Field> fields[]{
      {"title", [](EventEditorSheet* s) -> QWidget* { return s->titleField(); }},
      {"start", [](EventEditorSheet* s) -> QWidget* { return s->startField(); }},
      {"end", [](EventEditorSheet* s) -> QWidget* { return s->endField(); }},
      {"all day", [](EventEditorSheet* s) -> QWidget* { return s->allDayField(); }},
      {"location", [](EventEditorSheet* s) -> QWidget* { return s->locationField(); }},
      {"link", [](EventEditorSheet* s) -> QWidget* { return s->linkField(); }},
  };
  for (const auto& [name, field] : fields) {
    QTest::mouseClick(view.addButton(), Qt::LeftButton);
    auto* sheet = openSheet<EventEditorSheet>(&view);
    ASSERT_NE(sheet, nullptr) << name;
    sheet->titleField()->setText(QString::fromLatin1(name));
    QApplication::setActiveWindow(sheet->window());
    sheet->saveButton()->setFocus(Qt::TabFocusReason);
    QWidget* target = field(sheet);
    target->setFocus(Qt::TabFocusReason);
    QTest::keyClick(target, Qt::Key_Return);
    settle();
    EXPECT_EQ(openSheet<EventEditorSheet>(&view), nullptr) << name;
    EXPECT_EQ(store().manualEvents().last().title, QString::fromLatin1(name));
  }
}

// A refusal that wraps onto two lines gets its room: nothing of it lies under the Notes box.
TEST_F(ScreenTest, CalendarSheetRefusalTakesItsOwnRoom) {
  CalendarView view(env);
  view.show();
  QTest::mouseClick(view.addButton(), Qt::LeftButton);
  auto* sheet = openSheet<EventEditorSheet>(&view);
  ASSERT_NE(sheet, nullptr);
  sheet->linkField()->setText(QStringLiteral("javascript:alert(1)"));
  EXPECT_FALSE(sheet->save());
  settle();
  QLabel* error = sheet->error();
  ASSERT_TRUE(error->isVisible());
  EXPECT_GE(error->height(), 2 * error->fontMetrics().lineSpacing()) << "both lines shown";
  const QRect errorArea(error->mapTo(sheet, QPoint()), error->size());
  const QRect notesArea(sheet->notesField()->mapTo(sheet, QPoint()), sheet->notesField()->size());
  EXPECT_FALSE(errorArea.intersects(notesArea));
  EXPECT_LE(errorArea.bottom(), sheet->saveButton()->mapTo(sheet, QPoint()).y());
  saveScreenshots(sheet->window(), QStringLiteral("calendar-event-refused"));
}
