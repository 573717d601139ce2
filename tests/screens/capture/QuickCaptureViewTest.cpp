#include "screens/ScreenTestSupport.h"

#include "app/screens/capture/CaptureRecord.h"
#include "app/screens/capture/QuickCaptureView.h"
#include "app/ui/Sheet.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using screentest::ScreenTest;
using testsupport::utc;

// The form proposes a due date two hours ahead, shown in the user's calendar, and keeps it
// off until asked: at 23:00 in Berlin that is 01:00 the next day, and across the
// spring-forward night 01:30 CET + 2 h is 04:30 CEST.
TEST_F(ScreenTest, QuickCaptureProposesADueDateTwoHoursAhead) {
  const struct {
    QDateTime at;
    QDateTime shown;
  } cases[] = {{utc(2026, 3, 10, 9, 30), QDateTime(QDate(2026, 3, 10), QTime(12, 30))},
               {utc(2026, 3, 10, 22, 0), QDateTime(QDate(2026, 3, 11), QTime(1, 0))},
               {utc(2026, 3, 29, 0, 30), QDateTime(QDate(2026, 3, 29), QTime(4, 30))}};
  for (const auto& c : cases) {
    now = c.at;
    QuickCaptureView view(env);
    EXPECT_EQ(view.state().dueDate, c.at.addSecs(7200));
    EXPECT_EQ(QDateTime(view.dueDateEdit()->date(), view.dueDateEdit()->time()), c.shown);
    EXPECT_FALSE(view.dueDateEdit()->isEnabled());
  }
}

TEST(CaptureRecord, DraftsAreNormalisedOrRefused) {
  const QDateTime at = utc(2026, 3, 10, 9, 30);
  const QDateTime due = utc(2026, 3, 12, 17, 0);
  auto record = [&](CaptureType type, QString title, QString secondary, QString category = {},
                    std::optional<QDateTime> dueDate = std::nullopt) {
    QuickCaptureDraft d;
    d.type = type;
    d.title = std::move(title);
    d.secondaryField = std::move(secondary);
    d.category = std::move(category);
    d.dueDate = dueDate;
    d.notes = QStringLiteral("  note \n");
    return capture_record::fromDraft(d, at);
  };

  const TaskItem task = std::get<TaskItem>(record(CaptureType::task, "  Call Anna ", {}, "  "));
  EXPECT_EQ(task.title, QStringLiteral("Call Anna"));
  EXPECT_EQ(task.category, QStringLiteral("General"));
  EXPECT_EQ(task.notes, QStringLiteral("note"));
  EXPECT_EQ(std::get<TaskItem>(record(CaptureType::task, " ", {})).title, QStringLiteral("Untitled Task"));

  const auto waiting = std::get<WaitingForItem>(record(CaptureType::waitingFor, "Quote", " Acme Ltd ", {}, due));
  EXPECT_EQ(waiting.personOrOrg, QStringLiteral("Acme Ltd"));
  EXPECT_EQ(waiting.expectedResponseDate, due);

  const BillItem bill = std::get<BillItem>(record(CaptureType::bill, "", " $1,234.50 ", "", due));
  EXPECT_EQ(bill.name, QStringLiteral("Untitled Bill"));
  EXPECT_DOUBLE_EQ(bill.amount, 1234.5);
  EXPECT_EQ(bill.dueDate, due);

  EXPECT_EQ(std::get<capture_record::DailyIntention>(record(CaptureType::intention, " Ship it ", {})).text,
            QStringLiteral("Ship it"));

  // Refused, with what to do about it: amounts that are not money (the parser's own cases live
  // with it), a bill with no due date, an empty intention.
  const std::pair<capture_record::Record, const char*> refused[] = {
      {record(CaptureType::bill, "Rent", "12,50", {}, due),
       "\"12,50\" is not an amount. Enter a number such as 42.50."},
      {record(CaptureType::bill, "Rent", "", {}, due), "Enter the bill's amount, for example 42.50."},
      {record(CaptureType::bill, "Rent", "900", {}, std::nullopt), "Choose the bill's due date."},
      {record(CaptureType::intention, "   ", {}), "Type your intention for today first."},
  };
  for (const auto& [result, message] : refused) {
    ASSERT_TRUE(std::holds_alternative<capture_record::Refusal>(result)) << message;
    EXPECT_EQ(std::get<capture_record::Refusal>(result).message, QString::fromUtf8(message));
  }
}

// A task (with the proposed due date) and an intention reach the store; the banner shows and
// the form closes itself shortly after, and Return in between adds nothing.
TEST_F(ScreenTest, QuickCaptureSavesThroughTheStore) {
  for (const CaptureType type : {CaptureType::task, CaptureType::intention}) {
    const qsizetype tasks = store().tasks().size();
    int closed = 0;
    QuickCaptureView view(env.withDismiss([&] { ++closed; }));
    view.show();
    view.setCaptureType(type);
    QTest::keyClicks(view.titleField(), QStringLiteral("Finish the draft"));
    if (type == CaptureType::task) {
      view.dueDateToggle()->click();
    }
    QTest::mouseClick(view.saveButton(), Qt::LeftButton);

    EXPECT_TRUE(view.message().isEmpty()) << view.message().toStdString();
    EXPECT_TRUE(view.isSavedBannerShown());
    if (type == CaptureType::task) {
      EXPECT_EQ(store().tasks().last().title, QStringLiteral("Finish the draft"));
      EXPECT_EQ(store().tasks().last().dueDate, now.addSecs(7200));
    } else {
      EXPECT_EQ(store().dailyIntention(), QStringLiteral("Finish the draft"));
    }
    QTest::keyClick(view.titleField(), Qt::Key_Return);
    EXPECT_EQ(store().tasks().size(), tasks + (type == CaptureType::task ? 1 : 0));
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }, testsupport::kPatienceMs));
  }
}

// Typing the next item before the form closes keeps it open; a refused amount then keeps
// what was typed, says why and takes down the earlier item's banner.
TEST_F(ScreenTest, QuickCaptureStaysOpenForTheNextItemOrARefusal) {
  int closed = 0;
  QuickCaptureView view(env.withDismiss([&] { ++closed; }));
  view.show();
  QTest::keyClicks(view.titleField(), QStringLiteral("First"));
  QTest::keyClick(view.titleField(), Qt::Key_Return);
  QTest::keyClicks(view.titleField(), QStringLiteral("Sec"));
  ASSERT_TRUE(
      testsupport::runTimersDueWithin(std::chrono::milliseconds(QuickCaptureView::kCloseDelayMs)));
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(store().tasks().last().title, QStringLiteral("First"));

  const qsizetype bills = store().bills().size();
  view.setCaptureType(CaptureType::bill);
  QTest::keyClicks(view.secondaryField(), QStringLiteral("twelve"));
  QTest::keyClick(view.secondaryField(), Qt::Key_Return);
  EXPECT_EQ(store().bills().size(), bills);
  EXPECT_TRUE(view.message().contains(QStringLiteral("not an amount")));
  EXPECT_FALSE(view.isSavedBannerShown());
  EXPECT_EQ(view.titleField()->text(), QStringLiteral("Sec"));
  screentest::saveScreenshots(&view, QStringLiteral("quick-capture-bill-refused"), QSize(520, 460));
}

// In a sheet the form opens with the title focused, and Return reaches both the field and the
// sheet's default button: one record only.
TEST_F(ScreenTest, QuickCaptureInASheetTakesTheFocusSavesOnceAndCloses) {
  QWidget owner;
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner, testsupport::kPatienceMs));
  const qsizetype tasks = store().tasks().size();
  bool closed = false;
  QPointer<Sheet> sheet = Sheet::present(
      &owner, env, [](const ScreenEnvironment& e) { return new QuickCaptureView(e); },
      [&] { closed = true; });
  ASSERT_TRUE(sheet && QTest::qWaitForWindowActive(sheet, testsupport::kPatienceMs));
  auto* view = qobject_cast<QuickCaptureView*>(sheet->content());
  EXPECT_EQ(sheet->focusWidget(), view->titleField());
  QTest::keyClicks(view->titleField(), QStringLiteral("Renew passport"));
  QTest::keyClick(view->titleField(), Qt::Key_Return);
  ASSERT_EQ(store().tasks().size(), tasks + 1);
  EXPECT_EQ(store().tasks().last().title, QStringLiteral("Renew passport"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, testsupport::kPatienceMs));
}
