#include "../ScreenTestSupport.h"

#include "app/screens/capture/CaptureRecord.h"
#include "app/screens/capture/QuickCaptureView.h"
#include "app/shell/Sheet.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

using screentest::ScreenTest;
using testsupport::utc;

// The form proposes a due date two hours ahead, shown in the user's calendar, and keeps it
// off until asked: at 23:00 in Berlin that is 01:00 the next day.
TEST_F(ScreenTest, QuickCaptureStartsEmptyWithADueDateTwoHoursAhead) {
  struct Case {
    QDateTime at;
    QDate shownDate;
    QTime shownTime;
  };
  const QList<Case> cases{
      {utc(2026, 3, 10, 9, 30), QDate(2026, 3, 10), QTime(12, 30)},
      {utc(2026, 3, 10, 22, 0), QDate(2026, 3, 11), QTime(1, 0)},
      // Two hours across the spring-forward night: 01:30 CET + 2 h is 04:30 CEST.
      {utc(2026, 3, 29, 0, 30), QDate(2026, 3, 29), QTime(4, 30)},
  };
  for (const Case& c : cases) {
    now = c.at;
    QuickCaptureView view(env);
    EXPECT_EQ(view.state().draft, QuickCaptureDraft{});
    EXPECT_FALSE(view.state().hasDueDate);
    EXPECT_FALSE(view.state().showSavedBanner);
    EXPECT_EQ(view.state().dueDate, c.at.addSecs(7200));
    EXPECT_EQ(view.dueDateEdit()->date(), c.shownDate);
    EXPECT_EQ(view.dueDateEdit()->time(), c.shownTime);
    EXPECT_FALSE(view.dueDateEdit()->isEnabled());
    if (c.at == cases.first().at) {
      screentest::saveScreenshots(&view, QStringLiteral("quick-capture-task"), QSize(520, 460));
    }
  }
}

TEST(CaptureRecord, DraftsAreNormalisedOrRefused) {
  const QDateTime at = utc(2026, 3, 10, 9, 30);
  const QDateTime due = utc(2026, 3, 12, 17, 0);
  auto draft = [&](CaptureType type, QString title, QString secondary, QString category = {},
                   std::optional<QDateTime> dueDate = std::nullopt) {
    QuickCaptureDraft d;
    d.type = type;
    d.title = std::move(title);
    d.secondaryField = std::move(secondary);
    d.category = std::move(category);
    d.dueDate = dueDate;
    d.notes = QStringLiteral("  note \n");
    return d;
  };

  const auto task = capture_record::fromDraft(draft(CaptureType::task, "  Call Anna ", {}, "  "), at);
  ASSERT_TRUE(std::holds_alternative<TaskItem>(task));
  EXPECT_EQ(std::get<TaskItem>(task).title, QStringLiteral("Call Anna"));
  EXPECT_EQ(std::get<TaskItem>(task).category, QStringLiteral("General"));
  EXPECT_EQ(std::get<TaskItem>(task).notes, QStringLiteral("note"));
  EXPECT_EQ(std::get<TaskItem>(task).createdAt, at);
  EXPECT_EQ(std::get<TaskItem>(capture_record::fromDraft(draft(CaptureType::task, " ", {}), at)).title,
            QStringLiteral("Untitled Task"));

  const auto waiting =
      capture_record::fromDraft(draft(CaptureType::waitingFor, "Quote", " Acme Ltd ", {}, due), at);
  ASSERT_TRUE(std::holds_alternative<WaitingForItem>(waiting));
  EXPECT_EQ(std::get<WaitingForItem>(waiting).personOrOrg, QStringLiteral("Acme Ltd"));
  EXPECT_EQ(std::get<WaitingForItem>(waiting).expectedResponseDate, due);
  EXPECT_EQ(std::get<WaitingForItem>(waiting).status, WaitingStatus::waiting);

  const auto bill = capture_record::fromDraft(draft(CaptureType::bill, "", " $1,234.50 ", "", due), at);
  ASSERT_TRUE(std::holds_alternative<BillItem>(bill));
  EXPECT_EQ(std::get<BillItem>(bill).name, QStringLiteral("Untitled Bill"));
  EXPECT_DOUBLE_EQ(std::get<BillItem>(bill).amount, 1234.5);
  EXPECT_EQ(std::get<BillItem>(bill).currency, QStringLiteral("USD"));
  EXPECT_EQ(std::get<BillItem>(bill).category, QStringLiteral("Utilities"));
  EXPECT_EQ(std::get<BillItem>(bill).dueDate, due);

  const auto intention = capture_record::fromDraft(draft(CaptureType::intention, " Ship it ", {}), at);
  ASSERT_TRUE(std::holds_alternative<capture_record::DailyIntention>(intention));
  EXPECT_EQ(std::get<capture_record::DailyIntention>(intention).text, QStringLiteral("Ship it"));

  // Refused, with what to do about it: amounts that are not money (the parser's own cases live
  // with it), a bill with no due date, an empty intention.
  const std::pair<QuickCaptureDraft, const char*> refused[] = {
      {draft(CaptureType::bill, "Rent", "12,50", {}, due),
       "\"12,50\" is not an amount. Enter a number such as 42.50."},
      {draft(CaptureType::bill, "Rent", "", {}, due),
       "Enter the bill's amount, for example 42.50."},
      {draft(CaptureType::bill, "Rent", "900", {}, std::nullopt), "Choose the bill's due date."},
      {draft(CaptureType::intention, "   ", {}), "Type your intention for today first."},
  };
  for (const auto& [d, message] : refused) {
    const auto record = capture_record::fromDraft(d, at);
    ASSERT_TRUE(std::holds_alternative<capture_record::Refusal>(record)) << message;
    EXPECT_EQ(std::get<capture_record::Refusal>(record).message, QString::fromUtf8(message));
  }
}

// Each kind reaches the store; the banner shows and the form closes itself shortly after.
TEST_F(ScreenTest, QuickCaptureSavesEachKindThroughTheStore) {
  struct Case {
    CaptureType type;
    QString title;
    QString secondary;
    bool setDueDate;
  };
  const QList<Case> cases{
      {CaptureType::task, QStringLiteral("Book dentist"), {}, true},
      {CaptureType::waitingFor, QStringLiteral("Signed lease"), QStringLiteral("Landlord"), false},
      {CaptureType::bill, QStringLiteral("Water"), QStringLiteral("45.10"), false},
      {CaptureType::intention, QStringLiteral("Finish the draft"), {}, false},
  };
  for (const Case& c : cases) {
    const qsizetype tasks = store().tasks().size();
    const qsizetype waiting = store().waitingItems().size();
    const qsizetype bills = store().bills().size();
    int closed = 0;
    QuickCaptureView view(env.withDismiss([&] { ++closed; }));
    view.show();
    view.setCaptureType(c.type);
    QTest::keyClicks(view.titleField(), c.title);
    QTest::keyClicks(view.secondaryField(), c.secondary);
    if (c.setDueDate) {
      view.dueDateToggle()->click();
    }
    QTest::mouseClick(view.saveButton(), Qt::LeftButton);

    EXPECT_TRUE(view.message().isEmpty()) << view.message().toStdString();
    EXPECT_TRUE(view.state().showSavedBanner);
    EXPECT_TRUE(view.isSavedBannerShown());
    switch (c.type) {
      case CaptureType::task:
        ASSERT_EQ(store().tasks().size(), tasks + 1);
        EXPECT_EQ(store().tasks().last().title, c.title);
        EXPECT_EQ(store().tasks().last().dueDate, now.addSecs(7200));
        break;
      case CaptureType::waitingFor:
        ASSERT_EQ(store().waitingItems().size(), waiting + 1);
        EXPECT_EQ(store().waitingItems().last().personOrOrg, c.secondary);
        EXPECT_EQ(store().waitingItems().last().expectedResponseDate, std::nullopt);
        break;
      case CaptureType::bill:
        ASSERT_EQ(store().bills().size(), bills + 1);
        EXPECT_DOUBLE_EQ(store().bills().last().amount, 45.10);
        EXPECT_EQ(store().bills().last().dueDate, now.addSecs(7200));
        break;
      case CaptureType::intention:
        EXPECT_EQ(store().dailyIntention(), c.title);
        break;
    }
    // Return again before the form closes adds nothing.
    QTest::keyClick(view.titleField(), Qt::Key_Return);
    EXPECT_EQ(store().tasks().size() + store().waitingItems().size() + store().bills().size(),
              tasks + waiting + bills + (c.type == CaptureType::intention ? 0 : 1));
    EXPECT_EQ(closed, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return closed == 1; }, QuickCaptureView::kCloseDelayMs * 3));
  }
}

// Typing the next item before the form closes keeps it open.
TEST_F(ScreenTest, QuickCaptureStaysOpenForTheNextItem) {
  int closed = 0;
  QuickCaptureView view(env.withDismiss([&] { ++closed; }));
  view.show();
  QTest::keyClicks(view.titleField(), QStringLiteral("First"));
  QTest::keyClick(view.titleField(), Qt::Key_Return);
  QTest::keyClicks(view.titleField(), QStringLiteral("Sec"));
  QTest::qWait(QuickCaptureView::kCloseDelayMs * 2);
  EXPECT_EQ(closed, 0);
  EXPECT_EQ(view.titleField()->text(), QStringLiteral("Sec"));
  EXPECT_EQ(store().tasks().last().title, QStringLiteral("First"));
}

TEST_F(ScreenTest, QuickCaptureRefusesABillAmountWithAMessageAndKeepsTheForm) {
  const qsizetype bills = store().bills().size();
  int closed = 0;
  QuickCaptureView view(env.withDismiss([&] { ++closed; }));
  view.show();
  view.setCaptureType(CaptureType::bill);
  QTest::keyClicks(view.titleField(), QStringLiteral("Gym"));
  QTest::keyClicks(view.secondaryField(), QStringLiteral("twelve"));
  QTest::keyClick(view.secondaryField(), Qt::Key_Return);

  EXPECT_EQ(store().bills().size(), bills);
  EXPECT_TRUE(view.message().contains(QStringLiteral("not an amount")));
  EXPECT_FALSE(view.isSavedBannerShown());
  EXPECT_EQ(view.titleField()->text(), QStringLiteral("Gym"));

  QTest::mouseClick(view.cancelButton(), Qt::LeftButton);
  EXPECT_EQ(closed, 1);
  screentest::saveScreenshots(&view, QStringLiteral("quick-capture-bill-refused"), QSize(520, 460));
}

// In a sheet, Return reaches both the field and the sheet's default button: one record only.
TEST_F(ScreenTest, QuickCaptureInASheetSavesOnceAndCloses) {
  QWidget window;
  window.show();
  const qsizetype tasks = store().tasks().size();
  bool closed = false;
  QPointer<Sheet> sheet = Sheet::present(
      &window, env, [](const ScreenEnvironment& e) { return new QuickCaptureView(e); },
      [&] { closed = true; });
  ASSERT_TRUE(sheet);
  auto* view = qobject_cast<QuickCaptureView*>(sheet->content());
  ASSERT_NE(view, nullptr);
  QTest::keyClicks(view->titleField(), QStringLiteral("Renew passport"));
  QTest::keyClick(view->titleField(), Qt::Key_Return);
  ASSERT_EQ(store().tasks().size(), tasks + 1);
  EXPECT_EQ(store().tasks().last().title, QStringLiteral("Renew passport"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return closed; }, QuickCaptureView::kCloseDelayMs * 3));
}

// Built first and then placed in its window or sheet, the form opens with the title focused,
// so a person can type the moment it appears.
TEST_F(ScreenTest, QuickCaptureOpensWithTheTitleFocused) {
  QWidget owner;
  owner.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&owner));
  QPointer<Sheet> sheet = Sheet::present(
      &owner, env, [](const ScreenEnvironment& e) { return new QuickCaptureView(e); });
  ASSERT_TRUE(sheet);
  ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
  EXPECT_EQ(sheet->focusWidget(), qobject_cast<QuickCaptureView*>(sheet->content())->titleField());
  sheet->close();

  QWidget window(nullptr, Qt::Window);
  auto* layout = new QVBoxLayout(&window);
  auto* view = new QuickCaptureView(env);
  layout->addWidget(view);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  EXPECT_EQ(window.focusWidget(), view->titleField());
}
