#include "screens/ScreenTestSupport.h"

#include "app/screens/ListScreen.h"
#include "app/screens/bills/BillsView.h"
#include "app/screens/calendar/CalendarView.h"
#include "app/screens/review/EmailReviewInboxView.h"
#include "app/screens/tasks/TaskListModel.h"
#include "app/screens/tasks/TaskRow.h"
#include "app/screens/tasks/TasksView.h"
#include "app/screens/waiting/WaitingForView.h"

#include <QApplication>
#include <QHelpEvent>
#include <QListView>
#include <QToolTip>

using screentest::ScreenTest;

namespace {

// What the pointer resting at `pos` of a list shows.
QString tooltipAt(QAbstractItemView* list, const QPoint& pos) {
  QToolTip::hideText();
  QHelpEvent help(QEvent::ToolTip, pos, list->viewport()->mapToGlobal(pos));
  QApplication::sendEvent(list->viewport(), &help);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

// Over each symbol of the first row its own action's name, never the row's summary.
void expectActionTooltips(const char* screen, RowListView* list) {
  const QModelIndex row = list->model()->index(0, 0);
  ASSERT_TRUE(row.isValid()) << screen;
  const QRect rect = list->visualRect(row);
  const QList<RowAction> actions = list->rowDelegate()->actions(row);
  const QList<QRect> places = list->rowDelegate()->actionRects(rect, row);
  ASSERT_FALSE(actions.isEmpty()) << screen;
  QStringList shown;
  for (qsizetype i = 0; i < actions.size(); ++i) {
    shown.append(tooltipAt(list, places[i].center()));
    EXPECT_EQ(shown.last(), actions[i].title) << screen << " " << actions[i].id.toStdString();
  }
  EXPECT_FALSE(shown.contains(row.data(Qt::ToolTipRole).toString())) << screen;
  EXPECT_EQ(tooltipAt(list, rect.center()), row.data(Qt::ToolTipRole).toString())
      << screen << ": the row's own part still shows its summary";
}

}  // namespace

TEST_F(ScreenTest, EachRowSymbolsTooltipNamesItsOwnAction) {
  BillsView bills(env);
  WaitingForView waiting(env);
  CalendarView events(env);
  for (const auto& [name, screen, list] :
       {std::tuple<const char*, QWidget*, RowListView*>{"bills", &bills, bills.list()},
        {"waiting", &waiting, waiting.list()},
        {"calendar", &events, events.list()}}) {
    screen->resize(720, 480);
    screen->show();
    expectActionTooltips(name, list);
  }
  EXPECT_EQ(bills.list()->rowDelegate()->actions(bills.model()->index(0)).last().title,
            QStringLiteral("Delete Bill"));

  TasksView tasks(env);
  tasks.resize(720, 480);
  tasks.show();
  const QModelIndex first = tasks.model()->index(0);
  const TaskItem& task = tasks.model()->task(first.row());
  const TaskRow::Geometry parts = tasks.rowDelegate()->geometry(
      task, tasks.listView()->visualRect(first), tasks.listView()->font());
  EXPECT_EQ(tooltipAt(tasks.listView(), parts.checkbox.center()), QStringLiteral("Complete Task"));
  EXPECT_EQ(tooltipAt(tasks.listView(), parts.edit.center()), QStringLiteral("Edit Task"));
  EXPECT_EQ(tooltipAt(tasks.listView(), parts.remove.center()), QStringLiteral("Delete Task"));
}

TEST_F(ScreenTest, EachSuggestionButtonsTooltipNamesItsAction) {
  EmailExtractedSuggestion bill;
  bill.id = QUuid::createUuid();
  bill.title = QStringLiteral("Power bill");
  bill.category = EmailExtractedCategory::bill;
  bill.notes = QStringLiteral("Pay at https://citypower.example/pay");
  bill.sourceMessageID = QStringLiteral("msg-power");
  bill.receivedDate = bill.createdAt = now;
  bill.confidence = 0.9;
  bill.status = SuggestionStatus::pending;
  store().addEmailSuggestion(bill);
  EmailReviewInboxView view(env, nullptr);
  view.resize(620, 600);
  view.show();
  const QModelIndex row = view.model()->index(0);
  ASSERT_TRUE(row.isValid());
  const auto buttons = view.delegate()->buttonRects(view.listView()->visualRect(row),
                                                    *SuggestionListModel::at(row));
  using Action = SuggestionCardDelegate::Action;
  for (const auto& [place, action] :
       {std::pair{buttons.approve, Action::approve}, std::pair{buttons.edit, Action::edit},
        std::pair{buttons.dismiss, Action::dismiss}, std::pair{buttons.openLink, Action::openLink}}) {
    ASSERT_FALSE(place.isEmpty()) << int(action);
    EXPECT_EQ(tooltipAt(view.listView(), place.center()),
              SuggestionCardDelegate::actionTitle(action));
  }
}
