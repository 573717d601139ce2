#include "tests/screens/ScreenTestSupport.h"
#include "tests/screens/TabOrder.h"

#include "app/screens/capture/QuickCaptureView.h"
#include "app/screens/ListScreen.h"
#include "app/screens/focus/FocusTimerView.h"
#include "app/screens/review/EmailReviewInboxView.h"
#include "app/screens/tasks/RecurrenceOption.h"
#include "app/screens/tasks/TaskEditorSheet.h"
#include "app/ui/ProminentButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QListView>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>

using screentest::ScreenTest;

namespace {

// Names a stop for the failure message: its type and what a person reads on it.
QStringList described(const QList<QWidget*>& widgets) {
  QStringList names;
  for (QWidget* w : widgets) {
    QString label = w->accessibleName();
    if (label.isEmpty()) {
      label = w->property("text").toString();
    }
    if (label.isEmpty()) {
      label = w->property("placeholderText").toString();
    }
    names << QStringLiteral("%1 '%2'").arg(QLatin1String(w->metaObject()->className()), label);
  }
  return names;
}

// What Tab should walk on one screen: from `start`, each of `stops` in turn.
struct Walk {
  QWidget* start = nullptr;
  QList<QWidget*> stops;
};

// Tab goes down each form and screen the way it reads, top to bottom and left to right, with
// every field shown (the due date switched on).
TEST_F(ScreenTest, TabWalksEachScreenInReadingOrder) {
  const struct {
    const char* screen;
    std::function<Walk(QWidget* window)> build;
  } screens[] = {
      {"quick capture (a task: no person field)",
       [&](QWidget* window) {
         auto* view = new QuickCaptureView(env, window);
         view->dueDateToggle()->setChecked(true);
         return Walk{
             view->titleField(),
             {view->categoryField(), view->priorityPicker(), view->dueDateToggle(),
              view->dueDateEdit(), view->notesField(), view->cancelButton(), view->saveButton()}};
       }},
      {"task editor",
       [&](QWidget* window) {
         auto* sheet = new TaskEditorSheet(
             env, std::nullopt, QStringLiteral("Work"), TaskPriority::medium,
             [](const TaskItem&) {}, window);
         sheet->dueDateToggle()->setChecked(true);
         return Walk{sheet->titleField(),
                     {sheet->notesField(), sheet->categoryField(), sheet->priorityPicker(),
                      sheet->dueDateToggle(), sheet->dueDatePicker(), sheet->recurrencePicker(),
                      sheet->cancelButton(), sheet->saveButton()}};
       }},
      {"focus (idle: nothing to reset)",
       [&](QWidget* window) {
         auto* view = new FocusTimerView(env, window);
         return Walk{
             view->taskPicker(),
             {view->primaryButton(), view->alternativeButton(0), view->alternativeButton(1)}};
       }},
      {"review",
       [&](QWidget* window) {
         EmailExtractedSuggestion pending;
         pending.id = QUuid::createUuid();
         pending.receivedDate = pending.createdAt = now;
         store().addEmailSuggestion(pending);
         auto* view = new EmailReviewInboxView(env, nullptr, window);
         // Each filter is a stop of its own, as on the other list screens.
         QList<QWidget*> stops;
         for (int i = 0; i < int(allCases<SuggestionFilter>.size()); ++i) {
           stops.append(view->filterBar()->button(i));
         }
         stops.append(view->listView());
         return Walk{view->syncButton(), stops};
       }},
  };
  for (const auto& s : screens) {
    SCOPED_TRACE(s.screen);
    QWidget window;
    window.resize(760, 620);
    const Walk walk = s.build(&window);
    window.show();
    QApplication::processEvents();
    for (QWidget* stop : walk.stops) {
      ASSERT_NE(stop, nullptr);
    }
    EXPECT_EQ(described(screentest::tabStops(&window, walk.start, walk.stops.size())),
              described(walk.stops));
  }
}

}  // namespace
