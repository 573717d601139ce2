#include "screens/ScreenTestSupport.h"

#include "app/screens/ListScreen.h"
#include "app/screens/review/EmailReviewInboxView.h"
#include "app/screens/review/SuggestionEditSheet.h"
#include "app/screens/settings/SettingsContext.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "app/ui/ThemedLabel.h"
#include "core/email/CloudEmailIntelligenceProvider.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using screentest::ScreenTest;
using testsupport::utc;
using Category = EmailExtractedCategory;

namespace {

EmailExtractedSuggestion suggestion(Category category, const QString& title,
                                    SuggestionStatus status = SuggestionStatus::pending) {
  EmailExtractedSuggestion s;
  s.id = QUuid::createUuid();
  s.sourceMessageID = QStringLiteral("msg-") + title;
  s.sender = QStringLiteral("City Power <billing@citypower.example>");
  s.receivedDate = s.createdAt = utc(2026, 3, 9, 7);
  s.category = category;
  s.title = title;
  s.confidence = 0.87;
  s.status = status;
  if (category == Category::bill) {
    s.amount = 84.2;
    s.currency = QStringLiteral("USD");
    s.dueDate = utc(2026, 3, 14, 11);
  }
  return s;
}

class ReviewInbox : public ScreenTest {
 protected:
  ReviewInbox() { clear(); }

  void clear() { ASSERT_FALSE(store().replaceAllData({}).has_value()); }

  QUuid add(Category category, const QString& title,
            SuggestionStatus status = SuggestionStatus::pending) {
    const EmailExtractedSuggestion s = suggestion(category, title, status);
    store().addEmailSuggestion(s);
    return s.id;
  }

  static QStringList titles(const EmailReviewInboxView& view) {
    return testsupport::texts(view.model()->records(), &EmailExtractedSuggestion::title);
  }

  // Clicks the named button painted on the card in `row`.
  static void clickCard(EmailReviewInboxView& view, int row,
                        QRect SuggestionCardDelegate::Buttons::*button) {
    const QModelIndex index = view.model()->index(row);
    const QRect rect = view.listView()->visualRect(index);
    const QRect target =
        view.delegate()->buttonRects(rect, *SuggestionListModel::at(index)).*button;
    ASSERT_FALSE(target.isEmpty());
    QTest::mouseClick(view.listView()->viewport(), Qt::LeftButton, {}, target.center());
  }
};

TEST(ReviewInboxTexts, ConfidenceAmountAndDueDateOnACard) {
  const std::pair<double, const char*> confidences[] = {
      {0.874, "87% confident"}, {1.7, "100% confident"}, {-0.2, "0% confident"}};
  for (const auto& [value, text] : confidences) {
    EXPECT_EQ(reviewinbox::confidenceText(value), QString::fromLatin1(text)) << value;
  }
  EXPECT_EQ(reviewinbox::amountText(84.2, QStringLiteral(" EUR ")), QStringLiteral("EUR 84.20"));
  EXPECT_EQ(reviewinbox::amountText(84.2, QStringLiteral(" ")), QStringLiteral("$ 84.20"));
  EXPECT_EQ(reviewinbox::amountText(std::nullopt, QStringLiteral("USD")), QString());
  const Calendar berlin(QTimeZone(QByteArrayLiteral("Europe/Berlin")));
  const QDateTime now = utc(2026, 3, 10, 9);
  EXPECT_EQ(reviewinbox::dueText(utc(2026, 3, 14, 23, 30), now, berlin),
            QStringLiteral("Due Sun 15 Mar"));
  EXPECT_EQ(reviewinbox::dueText(utc(2027, 3, 14, 11), now, berlin),
            QStringLiteral("Due Sun 14 Mar 2027"));
}

// Category filters leave out dismissed suggestions, which only their own filter lists.
TEST(ReviewInboxTexts, EachFilterKeepsItsSuggestions) {
  const QList<EmailExtractedSuggestion> all = {
      suggestion(Category::bill, QStringLiteral("Power bill")),
      suggestion(Category::task, QStringLiteral("Sign form")),
      suggestion(Category::appointment, QStringLiteral("Dentist")),
      suggestion(Category::waitingFor, QStringLiteral("Refund")),
      suggestion(Category::importantNotice, QStringLiteral("Passport")),
      suggestion(Category::bill, QStringLiteral("Old bill"), SuggestionStatus::dismissed),
      suggestion(Category::task, QStringLiteral("Done task"), SuggestionStatus::approved)};
  const std::pair<SuggestionFilter, QStringList> cases[] = {
      {SuggestionFilter::pending, {"Power bill", "Sign form", "Dentist", "Refund", "Passport"}},
      {SuggestionFilter::bills, {"Power bill"}},
      {SuggestionFilter::tasks, {"Sign form", "Done task"}},
      {SuggestionFilter::appointments, {"Dentist"}},
      {SuggestionFilter::waitingFor, {"Refund"}},
      {SuggestionFilter::dismissed, {"Old bill"}},
  };
  for (const auto& [filter, expected] : cases) {
    EXPECT_EQ(testsupport::texts(reviewinbox::filtered(all, filter), &EmailExtractedSuggestion::title), expected)
        << displayText(filter).toStdString();
  }
  EXPECT_EQ(reviewinbox::filtered(all, SuggestionFilter::all).size(), all.size());
}

TEST_F(ReviewInbox, ApprovingCreatesTheRecordAndDismissingCreatesNone) {
  add(Category::bill, QStringLiteral("Power bill"));
  add(Category::task, QStringLiteral("Sign form"));
  add(Category::appointment, QStringLiteral("Dentist"));
  add(Category::waitingFor, QStringLiteral("Refund"));
  EmailReviewInboxView view(env, nullptr);
  view.resize(620, 900);
  view.show();
  screentest::saveScreenshots(&view, QStringLiteral("review-inbox"), QSize(620, 900));

  clickCard(view, 0, &SuggestionCardDelegate::Buttons::approve);
  ASSERT_EQ(store().bills().size(), 1);
  EXPECT_EQ(store().bills().first().name, QStringLiteral("Power bill"));
  EXPECT_DOUBLE_EQ(store().bills().first().amount, 84.2);

  // The keyboard acts on the card that took the approved one's place.
  view.listView()->setFocus();
  EXPECT_EQ(titles(view).first(), QStringLiteral("Sign form"));
  QTest::keyClick(view.listView(), Qt::Key_Return);
  ASSERT_EQ(store().tasks().size(), 1);
  EXPECT_EQ(store().tasks().first().title, QStringLiteral("Sign form"));

  QTest::keyClick(view.listView(), Qt::Key_Delete);               // the dentist
  clickCard(view, 0, &SuggestionCardDelegate::Buttons::approve);  // the refund
  EXPECT_TRUE(store().manualEvents().isEmpty());
  ASSERT_EQ(store().waitingItems().size(), 1);
  EXPECT_TRUE(store().pendingEmailSuggestions().isEmpty());
  view.setFilter(SuggestionFilter::dismissed);
  EXPECT_EQ(titles(view), QStringList{QStringLiteral("Dentist")});

  // A dismissed suggestion can still be approved, but offers no second dismiss.
  const auto buttons = view.delegate()->buttonRects(
      QRect(0, 0, 600, 200), *SuggestionListModel::at(view.model()->index(0)));
  EXPECT_TRUE(buttons.dismiss.isEmpty());
  EXPECT_FALSE(buttons.approve.isEmpty());
}

TEST_F(ReviewInbox, EditingBeforeApprovingStoresTheEditedRecord) {
  const QUuid id = add(Category::task, QStringLiteral("Pay something"));
  EmailReviewInboxView view(env, nullptr);
  view.show();
  view.edit(id);
  auto* sheet = view.findChild<Sheet*>();
  ASSERT_NE(sheet, nullptr);
  auto* form = qobject_cast<SuggestionEditSheet*>(sheet->content());
  ASSERT_NE(form, nullptr);

  form->titleEdit()->setText(QStringLiteral("Water bill"));
  form->categoryBox()->setCurrentText(displayText(Category::bill));
  form->amountEdit()->setText(QStringLiteral("12,50"));
  form->approveButton()->click();
  EXPECT_FALSE(form->errorLabel()->isHidden()) << "a refused amount keeps the sheet open";
  EXPECT_TRUE(store().bills().isEmpty());

  form->amountEdit()->setText(QStringLiteral("$1,234.50"));
  QTest::keyClick(form->titleEdit(), Qt::Key_Return);
  QApplication::processEvents();
  ASSERT_EQ(store().bills().size(), 1);
  EXPECT_EQ(store().bills().first().name, QStringLiteral("Water bill"));
  EXPECT_DOUBLE_EQ(store().bills().first().amount, 1234.5);
  EXPECT_TRUE(store().tasks().isEmpty());
  EXPECT_EQ(store().emailSuggestions().first().status, SuggestionStatus::approved);
}

TEST_F(ReviewInbox, OnlyWebAndMailLinksAreOpened) {
  const struct {
    const char* notes;
    const char* link;
    bool opened;
  } cases[] = {
      {"Pay at https://pay.example.com/inv/42.", "https://pay.example.com/inv/42", true},
      {"Write to mailto:help@example.com today", "mailto:help@example.com", true},
      {"Click javascript://example.com/%0Aalert(1)", "javascript://example.com/%0Aalert(1)", false},
      {"See file:///etc/passwd", "file:///etc/passwd", false},
  };
  EmailReviewInboxView view(env, nullptr);
  view.resize(620, 700);
  view.show();
  QList<QUrl> opened;
  view.setUrlOpener([&](const QUrl& url) {
    opened << url;
    return true;
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notes);
    opened.clear();
    clear();
    EmailExtractedSuggestion s = suggestion(Category::task, QStringLiteral("Linked"));
    s.notes = QString::fromUtf8(c.notes);
    store().addEmailSuggestion(s);
    ASSERT_EQ(reviewinbox::firstLink(s).value_or(QUrl()).toEncoded(), QByteArray(c.link));
    clickCard(view, 0, &SuggestionCardDelegate::Buttons::openLink);
    EXPECT_EQ(opened.size(), c.opened ? 1 : 0);
    EXPECT_EQ(view.messageLabel()->isHidden(), c.opened);
  }
}

}  // namespace

// With no Gmail account there is nothing to sync: the button is off, the status says so and
// the empty list's button opens the e-mail settings. Connecting turns it all back.
TEST_F(ReviewInbox, WithoutAnAccountSyncIsOffAndTheListLeadsToTheEmailSettings) {
  bool connected = false;
  QList<SettingsTab> opened;
  env.app.gmailConnected = [&connected] { return connected; };
  env.app.showSettings = [&opened](SettingsTab tab) { opened.append(tab); };
  EmailReviewInboxView view(env, nullptr);
  view.show();
  EXPECT_FALSE(view.syncButton()->isEnabled());
  EXPECT_EQ(view.statusLabel()->text(), QStringLiteral("No Gmail account connected"));
  for (const SuggestionFilter filter : {SuggestionFilter::pending, SuggestionFilter::dismissed}) {
    view.setFilter(filter);
    EmptyStateView* empty = view.emptyState();
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->titleLabel()->text(), reviewinbox::noAccountText().title);
    ASSERT_NE(empty->actionButton(), nullptr);
    empty->actionButton()->click();
  }
  EXPECT_EQ(opened, (QList<SettingsTab>{SettingsTab::email, SettingsTab::email}));
  screentest::saveScreenshots(&view, QStringLiteral("review-no-account"), QSize(539, 480));

  connected = true;  // connected in the settings, then back to this window
  view.setFilter(SuggestionFilter::pending);
  QApplication::setActiveWindow(nullptr);
  QApplication::setActiveWindow(&view);
  QApplication::processEvents();
  EXPECT_TRUE(view.syncButton()->isEnabled());
  EXPECT_EQ(view.emptyState()->titleLabel()->text(), QStringLiteral("All Caught Up"));
  EXPECT_EQ(view.emptyState()->actionButton(), nullptr);
}

// With the cloud chosen but no key saved, the status says the local rules are in use.
TEST_F(ReviewInbox, StatusNamesTheLocalRulesWhileTheCloudHasNoKey) {
  EmailReviewInboxView view(env, nullptr);
  const QString local = reviewinbox::localRulesText();
  EXPECT_FALSE(view.statusLabel()->text().contains(local));
  changeSettings([](AppSettings& s) { s.isCloudAIEnabled = s.hasConsentedToCloudAI = true; });
  ASSERT_FALSE(CloudEmailIntelligenceProvider::hasApiKey()) << "the test keyring has no key";
  EXPECT_TRUE(view.statusLabel()->text().endsWith(local)) << view.statusLabel()->text().toStdString();
  screentest::saveScreenshots(&view, QStringLiteral("review-local-rules"), QSize(539, 300));
  changeSettings([](AppSettings& s) { s.hasConsentedToCloudAI = false; });
  EXPECT_FALSE(view.statusLabel()->text().contains(local));
}

// At the window's least width every filter shows whole, on a second line if need be.
TEST_F(ReviewInbox, EveryFilterShowsWholeAtTheLeastWidth) {
  constexpr int kLeastWidth = 539;  // what a 720 px window leaves beside the sidebar
  EmailReviewInboxView view(env, nullptr);
  view.resize(kLeastWidth, 480);
  view.show();
  screentest::settle();
  EXPECT_LE(view.minimumSizeHint().width(), kLeastWidth);
  FilterBar* bar = view.filterBar();
  for (int i = 0; i < int(allCases<SuggestionFilter>.size()); ++i) {
    QAbstractButton* chip = bar->button(i);
    EXPECT_TRUE(chip->isVisibleTo(&view)) << i;
    EXPECT_TRUE(QRect(QPoint(), bar->size()).contains(chip->geometry()))
        << chip->text().toStdString() << " outside the bar";
    EXPECT_LE(chip->mapTo(&view, QPoint(chip->width(), 0)).x(), kLeastWidth);
  }
}
