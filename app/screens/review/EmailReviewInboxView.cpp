#include "app/screens/review/EmailReviewInboxView.h"

#include "app/platform/Theme.h"
#include "app/screens/ScreenScaffold.h"
#include "app/screens/review/SuggestionCards.h"
#include "app/screens/review/SuggestionEditSheet.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/Sheet.h"
#include "app/ui/ThemedLabel.h"
#include "app/screens/settings/SettingsContext.h"
#include "core/email/CloudEmailIntelligenceProvider.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/model/SecurityValidator.h"
#include "core/store/DataStore.h"

#include <QCoroTask>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QListView>
#include <QVBoxLayout>

QCoro::Task<> runCoordinatorSync(QPointer<EmailReviewInboxView> view,
                                 QPointer<EmailSyncCoordinator> coordinator) {
  co_await coordinator->triggerSync();
  if (view) {
    view->setSyncing(false);
  }
}

EmailReviewInboxView::EmailReviewInboxView(const ScreenEnvironment& environment,
                                           QPointer<EmailSyncCoordinator> syncCoordinator,
                                           QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      syncCoordinator_(std::move(syncCoordinator)),
      urlOpener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(20, 20, 20, 20);
  layout->setSpacing(10);

  syncButton_ = new ProminentButton(QStringLiteral("Sync Now"), this);
  syncButton_->setAccessibleName(QStringLiteral("Sync Now"));
  const auto header =
      screen_scaffold::header(this, QStringLiteral("Email Review"), QString(), syncButton_);
  // The status gives way to the button, onto a second line when it says more than the sync.
  status_ = header.subtitle;
  status_->setWordWrap(true);
  status_->setMinimumWidth(1);
  layout->addWidget(header.widget);

  filterBar_ = new FilterBar(filterTitles<SuggestionFilter>(), 0, this);
  layout->addWidget(filterBar_);

  message_ = ThemedLabel::messageLine(ThemeColor::red, this);
  layout->addWidget(message_);

  model_ = new SuggestionListModel(cardSummary, this);
  delegate_ = new SuggestionCardDelegate([env = environment_] { return env.now(); },
                                         environment_.calendar, this);
  list_ = new QListView(this);
  list_->setModel(model_);
  list_->setItemDelegate(delegate_);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setUniformItemSizes(false);
  list_->setLayoutMode(QListView::Batched);  // thousands of cards lay out without a stall
  list_->setBatchSize(200);
  list_->setMouseTracking(true);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list_->setResizeMode(QListView::Adjust);
  list_->setSpacing(0);
  // Cards sit on the window's background, like the other screens' cards.
  list_->setBackgroundRole(QPalette::Window);
  list_->viewport()->setBackgroundRole(QPalette::Window);
  list_->setAccessibleName(QStringLiteral("Suggestions"));
  list_->setAccessibleDescription(
      QStringLiteral("Return approves the selected suggestion, E edits it, Delete dismisses it."));
  list_->installEventFilter(this);
  body_ = new ListOrEmpty(list_, this);
  layout->addWidget(body_, 1);

  connect(filterBar_, &FilterBar::selectedChanged, this,
          [this](int i) { setFilter(allCases<SuggestionFilter>[std::size_t(i)]); });
  connect(syncButton_, &QPushButton::clicked, this, &EmailReviewInboxView::syncNow);
  connect(delegate_, &SuggestionCardDelegate::actionTriggered, this,
          [this](const QUuid& id, SuggestionCardDelegate::Action action) {
            switch (action) {
              case SuggestionCardDelegate::Action::approve:
                approve(id);
                break;
              case SuggestionCardDelegate::Action::edit:
                edit(id);
                break;
              case SuggestionCardDelegate::Action::dismiss:
                dismiss(id);
                break;
              case SuggestionCardDelegate::Action::openLink:
                if (const EmailExtractedSuggestion* s = suggestion(id)) {
                  if (const auto link = reviewinbox::firstLink(*s)) {
                    openLink(*link);
                  }
                }
                break;
            }
          });
  if (DataStore* store = environment_.store) {
    connect(store, &DataStore::emailSuggestionsChanged, this, &EmailReviewInboxView::reload);
    connect(store, &DataStore::emailSyncStateChanged, this, &EmailReviewInboxView::refreshAccount);
    connect(store, &DataStore::settingsChanged, this, &EmailReviewInboxView::refreshStatus);
  }
  connected_ = environment_.app.isGmailConnected();
  reload();
  refreshStatus();
}

void EmailReviewInboxView::refreshAccount() {
  const bool connected = environment_.app.isGmailConnected();
  if (connected != connected_) {
    connected_ = connected;
    reload();
  }
  refreshStatus();
}

void EmailReviewInboxView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refreshAccount();
}

// Back from the settings, where an account may have been connected or disconnected.
void EmailReviewInboxView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    refreshAccount();
  }
}

EmptyStateView* EmailReviewInboxView::emptyState() const {
  return body_->showsList() ? nullptr : qobject_cast<EmptyStateView*>(body_->emptyState());
}

void EmailReviewInboxView::setFilter(SuggestionFilter filter) {
  if (state_.selectedFilter == filter) {
    return;
  }
  state_.selectedFilter = filter;
  const auto index =
      std::find(allCases<SuggestionFilter>.begin(), allCases<SuggestionFilter>.end(), filter) -
      allCases<SuggestionFilter>.begin();
  filterBar_->showSelected(int(index));
  message_->hide();
  reload();
}

void EmailReviewInboxView::reload() {
  const QUuid current = [this] {
    const EmailExtractedSuggestion* s = SuggestionListModel::at(list_->currentIndex());
    return s ? s->id : QUuid();
  }();
  const int currentRow = list_->currentIndex().row();
  QList<EmailExtractedSuggestion> shown;
  if (DataStore* store = environment_.store) {
    shown = reviewinbox::filtered(store->emailSuggestions(), state_.selectedFilter);
  }
  model_->setRecords(shown);

  body_->refresh([this] {
    if (!connected_) {
      const reviewinbox::EmptyText text = reviewinbox::noAccountText();
      std::function<void()> openSettings;
      if (environment_.app.showSettings) {
        openSettings = [show = environment_.app.showSettings] { show(SettingsTab::email); };
      }
      return new EmptyStateView(text.icon, text.title, text.message,
                                QStringLiteral("Open E-mail Settings"), openSettings);
    }
    const reviewinbox::EmptyText text = reviewinbox::emptyText(state_.selectedFilter);
    return new EmptyStateView(text.icon, text.title, text.message);
  });
  if (shown.isEmpty()) {
    return;
  }
  // Keep the keyboard on the same card, or on the one that took the place of a card that left.
  int row = -1;
  for (qsizetype i = 0; i < shown.size(); ++i) {
    if (shown.at(i).id == current) {
      row = int(i);
    }
  }
  if (row < 0 && currentRow >= 0) {
    row = std::min(currentRow, int(shown.size()) - 1);
  }
  if (row >= 0) {
    list_->setCurrentIndex(model_->index(row));
  }
}

void EmailReviewInboxView::refreshStatus() {
  const EmailSyncState state =
      environment_.store ? environment_.store->emailSyncState() : EmailSyncState{};
  QString status = connected_
                       ? reviewinbox::syncStatusText(state, state_.isSyncing, environment_.calendar)
                       : QStringLiteral("No Gmail account connected");
  if (environment_.store &&
      CloudEmailIntelligenceProvider::fallsBackForMissingKey(environment_.store->settings())) {
    status += QStringLiteral(" \u00b7 ") + reviewinbox::localRulesText();
  }
  status_->setText(status);
  status_->setToolTip(status);
  syncButton_->setEnabled(connected_ && !state_.isSyncing && !state.isSyncing);
}

void EmailReviewInboxView::setSyncing(bool syncing) {
  if (state_.isSyncing == syncing) {
    return;
  }
  state_.isSyncing = syncing;
  refreshStatus();
  Q_EMIT syncingChanged(syncing);
}

void EmailReviewInboxView::syncNow() {
  if (state_.isSyncing || !connected_) {
    return;
  }
  setSyncing(true);
  if (!syncCoordinator_) {
    setSyncing(false);
    return;
  }
  runCoordinatorSync(this, syncCoordinator_);
}

const EmailExtractedSuggestion* EmailReviewInboxView::suggestion(const QUuid& id) const {
  if (!environment_.store) {
    return nullptr;
  }
  for (const EmailExtractedSuggestion& s : environment_.store->emailSuggestions()) {
    if (s.id == id) {
      return &s;
    }
  }
  return nullptr;
}

void EmailReviewInboxView::approve(const QUuid& id) {
  if (environment_.store) {
    environment_.store->approveSuggestion(id);
  }
}

void EmailReviewInboxView::dismiss(const QUuid& id) {
  if (environment_.store) {
    environment_.store->dismissSuggestion(id);
  }
}

void EmailReviewInboxView::edit(const QUuid& id) {
  const EmailExtractedSuggestion* found = suggestion(id);
  if (!found || state_.isShowingEditSheet) {
    return;
  }
  state_.isShowingEditSheet = true;
  state_.editingSuggestion = *found;
  QPointer<EmailReviewInboxView> self(this);
  const EmailExtractedSuggestion editing = *found;
  Sheet::present(
      this, environment_,
      [self, editing](const ScreenEnvironment& env) -> QWidget* {
        return new SuggestionEditSheet(env, editing, [self](const EmailExtractedSuggestion& s) {
          if (!self || !self->environment_.store) {
            return;
          }
          self->environment_.store->updateEmailSuggestion(s);
          self->environment_.store->approveSuggestion(s.id);
        });
      },
      [self] {
        if (self) {
          self->state_.isShowingEditSheet = false;
          self->state_.editingSuggestion.reset();
          self->list_->setFocus();
        }
      });
}

bool EmailReviewInboxView::openLink(const QUrl& url) {
  if (!SecurityValidator::isSafeURL(url)) {
    showMessage(
        QStringLiteral("This link was not opened: only web and e-mail links are opened "
                       "from a suggestion."));
    return false;
  }
  if (!urlOpener_ || !urlOpener_(url)) {
    showMessage(QStringLiteral("The link could not be opened."));
    return false;
  }
  message_->hide();
  return true;
}

void EmailReviewInboxView::showMessage(const QString& text) {
  message_->setText(text);
  message_->show();
}

bool EmailReviewInboxView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == list_ && event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const EmailExtractedSuggestion* s = SuggestionListModel::at(list_->currentIndex());
    if (!s || key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
      return false;
    }
    const QUuid id = s->id;
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        approve(id);
        return true;
      case Qt::Key_Delete:
      case Qt::Key_Backspace:
        dismiss(id);
        return true;
      case Qt::Key_E:
        edit(id);
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}
