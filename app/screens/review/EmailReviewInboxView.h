#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/screens/review/ReviewInbox.h"
#include "app/screens/review/SuggestionCards.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/model/EmailIntelligenceModels.h"

#include <QCoroTask>
#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <optional>

class EmptyStateView;
class FilterBar;
class QListView;
class QPushButton;
class ThemedLabel;

// The review inbox of e-mail suggestions: a filter, one card per suggestion with approve,
// edit-then-approve and dismiss, and "Sync Now". On the list, Return approves the current
// card, Delete dismisses it and E edits it. With no Gmail account there is nothing to sync:
// the button is off and an empty list sends the user to the e-mail settings.
class EmailReviewInboxView : public QWidget {
  Q_OBJECT

 public:
  using SuggestionFilter = ::SuggestionFilter;

  struct State {
    SuggestionFilter selectedFilter = SuggestionFilter::pending;
    bool isShowingEditSheet = false;
    std::optional<EmailExtractedSuggestion> editingSuggestion;
    bool isSyncing = false;
  };

  // Opens a link; tests put a recorder here.
  using UrlOpener = std::function<bool(const QUrl&)>;

  EmailReviewInboxView(const ScreenEnvironment& environment,
                       QPointer<EmailSyncCoordinator> syncCoordinator, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  void setFilter(SuggestionFilter filter);
  void approve(const QUuid& id);
  void dismiss(const QUuid& id);
  void edit(const QUuid& id);
  // With a coordinator, one sync pass; without one the flag is set and cleared at once.
  void syncNow();
  // Opens the link only when it is a web or mail link; says so where the user looks otherwise.
  bool openLink(const QUrl& url);
  void setUrlOpener(UrlOpener opener) { urlOpener_ = std::move(opener); }

  FilterBar* filterBar() const { return filterBar_; }
  QListView* listView() const { return list_; }
  SuggestionListModel* model() const { return model_; }
  SuggestionCardDelegate* delegate() const { return delegate_; }
  QPushButton* syncButton() const { return syncButton_; }
  ThemedLabel* statusLabel() const { return status_; }
  ThemedLabel* messageLabel() const { return message_; }
  // The empty state of the current filter, or null while there are cards.
  EmptyStateView* emptyState() const;

 Q_SIGNALS:
  void syncingChanged(bool syncing);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void reload();
  void refreshStatus();
  // Asks again whether an account is connected (it may have been connected in the settings).
  void refreshAccount();
  void setSyncing(bool syncing);
  void showMessage(const QString& text);
  const EmailExtractedSuggestion* suggestion(const QUuid& id) const;
  friend QCoro::Task<> runCoordinatorSync(QPointer<EmailReviewInboxView> view,
                                          QPointer<EmailSyncCoordinator> coordinator);

  ScreenEnvironment environment_;
  QPointer<EmailSyncCoordinator> syncCoordinator_;
  State state_;
  UrlOpener urlOpener_;

  bool connected_ = true;
  FilterBar* filterBar_ = nullptr;
  QPushButton* syncButton_ = nullptr;
  ThemedLabel* status_ = nullptr;
  ThemedLabel* message_ = nullptr;
  ListOrEmpty* body_ = nullptr;
  QListView* list_ = nullptr;
  SuggestionListModel* model_ = nullptr;
  SuggestionCardDelegate* delegate_ = nullptr;
};
