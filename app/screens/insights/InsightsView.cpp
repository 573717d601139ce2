#include "app/screens/insights/InsightsView.h"

#include "app/screens/ScreenScaffold.h"
#include "app/screens/insights/InsightsFigures.h"
#include "app/ui/CardView.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WidgetRetirement.h"
#include "core/store/DataStore.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int kColumns = 3;

struct Figure {
  QString caption;
  QString value;
  QString detail;
  QString symbol;
  ThemeColor color;
};

QWidget* tile(const Figure& figure) {
  auto* box = new QWidget;
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(2);
  auto* head = new QHBoxLayout;
  head->setSpacing(5);
  head->addWidget(new SymbolView(figure.symbol, 13, figure.color, box));
  auto* caption = new ThemedLabel(figure.caption, ThemeColor::secondary, box);
  caption->setTextStyle(11, QFont::Medium);
  head->addWidget(caption, 1);
  column->addLayout(head);
  auto* value = new ThemedLabel(figure.value, ThemeColor::primary, box);
  value->setTextStyle(24, QFont::Bold);
  column->addWidget(value);
  auto* detail = new ThemedLabel(figure.detail, ThemeColor::tertiary, box);
  detail->setTextStyle(11);
  column->addWidget(detail);
  box->setAccessibleName(figure.caption + QStringLiteral(": ") + figure.value);
  return box;
}

QWidget* grid(const QList<Figure>& figures, QWidget* leading = nullptr) {
  auto* body = new QWidget;
  auto* row = new QHBoxLayout(body);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(18);
  if (leading != nullptr) {
    row->addWidget(leading, 0, Qt::AlignVCenter);
  }
  auto* layout = new QGridLayout;
  layout->setHorizontalSpacing(18);
  layout->setVerticalSpacing(14);
  for (int i = 0; i < figures.size(); ++i) {
    layout->addWidget(tile(figures[i]), i / kColumns, i % kColumns);
  }
  for (int c = 0; c < kColumns; ++c) {
    layout->setColumnStretch(c, 1);
  }
  row->addLayout(layout, 1);
  return body;
}

QString plural(int count, const QString& one, const QString& many) {
  return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? one : many);
}

}  // namespace

InsightsView::InsightsView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  const auto parts = screen_scaffold::build(this, QStringLiteral("Insights"),
                                            QStringLiteral("How today and this week are going."));
  slot_ = parts.column;
  if (DataStore* store = environment_.store) {
    for (auto signal : {&DataStore::tasksChanged, &DataStore::billsChanged,
                        &DataStore::waitingItemsChanged, &DataStore::focusSessionsChanged}) {
      connect(store, signal, this, &InsightsView::redraw);
    }
  }
  redraw();
}

void InsightsView::redraw() {
  if (content_ != nullptr) {
    retireWidget(content_, slot_);
  }
  content_ = new QWidget;
  auto* column = new QVBoxLayout(content_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(18);
  shown_.clear();

  DataStore* store = environment_.store;
  if (store == nullptr) {
    slot_->addWidget(content_, 1);
    return;
  }
  using namespace insights_figures;
  const QDateTime now = environment_.now();
  const Calendar& calendar = environment_.calendar;
  const DashboardSummary summary = store->todayMetrics(now, calendar);
  const PeriodFigures day = figures(store->tasks(), store->bills(), store->focusSessions(),
                                    dayContaining(now, calendar));
  const Period weekPeriod = weekContaining(now, calendar, QLocale().firstDayOfWeek());
  const PeriodFigures week =
      figures(store->tasks(), store->bills(), store->focusSessions(), weekPeriod);

  const QList<Figure> today{
      {QStringLiteral("Tasks done"), QString::number(summary.finishedTasksDueToday),
       QStringLiteral("of %1 due today").arg(summary.totalTasksDueToday),
       QStringLiteral("checkmark.circle.fill"), ThemeColor::green},
      {QStringLiteral("Overdue tasks"), QString::number(summary.tasksOverdue),
       summary.tasksOverdue == 0 ? QStringLiteral("All caught up") : QStringLiteral("Past their due date"),
       QStringLiteral("clock.badge.exclamationmark"),
       summary.tasksOverdue == 0 ? ThemeColor::secondary : ThemeColor::red},
      {QStringLiteral("Focus minutes"), QString::number(summary.focusMinutesToday),
       plural(summary.focusSessionsToday, QStringLiteral("session"), QStringLiteral("sessions")),
       QStringLiteral("timer"), ThemeColor::accent},
      {QStringLiteral("Bills due"), QString::number(day.billsDue),
       QStringLiteral("%1 paid today").arg(day.billsPaid), QStringLiteral("creditcard"),
       ThemeColor::orange},
      {QStringLiteral("Bills this week"), QString::number(summary.billsDueThisWeek),
       QStringLiteral("Unpaid, due in 7 days"), QStringLiteral("creditcard"), ThemeColor::orange},
      {QStringLiteral("Follow-ups overdue"), QString::number(summary.followUpsDue),
       QStringLiteral("Waiting-for items"), QStringLiteral("clock.arrow.circlepath"),
       summary.followUpsDue == 0 ? ThemeColor::secondary : ThemeColor::purple},
  };
  auto* ring = new CircularProgressRing(summary.taskCompletionRatio(), 8, ThemeColor::green, 64);
  auto* percent = new ThemedLabel(
      QStringLiteral("%1%").arg(int(std::lround(summary.taskCompletionRatio() * 100))),
      ThemeColor::primary, ring);
  percent->setTextStyle(14, QFont::Bold);
  percent->setAlignment(Qt::AlignCenter);
  (new QVBoxLayout(ring))->addWidget(percent);
  column->addWidget(new CardView(QStringLiteral("Today"), QStringLiteral("sun.max"), nullptr,
                                 grid(today, ring)));

  const QLocale locale;
  const QDate first = calendar.date(weekPeriod.start);
  const QDate last = first.addDays(6);
  auto* range = new ThemedLabel(QStringLiteral("%1 – %2").arg(locale.toString(first, QStringLiteral("d MMM")),
                                                              locale.toString(last, QStringLiteral("d MMM"))),
                                ThemeColor::secondary);
  range->setTextStyle(11, QFont::Medium);
  const QList<Figure> thisWeek{
      {QStringLiteral("Tasks done"), QString::number(week.tasksDone),
       QStringLiteral("Finished this week"), QStringLiteral("checkmark.circle.fill"), ThemeColor::green},
      {QStringLiteral("Tasks due"), QString::number(week.tasksDue), QStringLiteral("Due this week"),
       QStringLiteral("checklist"), ThemeColor::accent},
      {QStringLiteral("Focus minutes"), QString::number(week.focusMinutes),
       plural(week.focusSessions, QStringLiteral("session"), QStringLiteral("sessions")),
       QStringLiteral("timer"), ThemeColor::accent},
      {QStringLiteral("Bills due"), QString::number(week.billsDue), QStringLiteral("Due this week"),
       QStringLiteral("creditcard"), ThemeColor::orange},
      {QStringLiteral("Bills paid"), QString::number(week.billsPaid), QStringLiteral("Paid this week"),
       QStringLiteral("checkmark.circle.fill"), ThemeColor::green},
  };
  column->addWidget(new CardView(QStringLiteral("This Week"), QStringLiteral("chart.bar"), range,
                                 grid(thisWeek)));
  column->addStretch(1);

  for (const Figure& f : today) {
    shown_.insert(QStringLiteral("Today/") + f.caption, f.value);
  }
  for (const Figure& f : thisWeek) {
    shown_.insert(QStringLiteral("Week/") + f.caption, f.value);
  }
  slot_->addWidget(content_, 1);
}
