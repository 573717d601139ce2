#include "app/shell/WindowManager.h"

#include "core/email/CloudEmailIntelligenceProvider.h"
#include "core/email/EmailSyncCoordinator.h"
#include "core/email/GmailService.h"
#include "core/email/RuleBasedEmailIntelligenceProvider.h"
#include "core/services/NotificationService.h"
#include "core/store/DataStore.h"

namespace {
QPointer<WindowManager>& sharedInstance() {
  static QPointer<WindowManager> instance;
  return instance;
}
}  // namespace

WindowManager::WindowManager(DataStore* store, FocusTimerManager* focusTimer, QObject* parent)
    : QObject(parent), store_(store), focusTimer_(focusTimer) {
  notificationService_ = std::make_unique<NotificationService>();
  emailSyncCoordinator_ = std::make_unique<EmailSyncCoordinator>(
      store, GmailService::shared(), chooseProvider(*store), *notificationService_);
  sharedInstance() = this;
}

WindowManager::~WindowManager() = default;

WindowManager* WindowManager::shared() { return sharedInstance().data(); }

std::shared_ptr<EmailIntelligenceProvider> WindowManager::chooseProvider(const DataStore& store) {
  auto rules = std::make_shared<RuleBasedEmailIntelligenceProvider>();
  const AppSettings& settings = store.settings();
  if (settings.isCloudAIEnabled && settings.hasConsentedToCloudAI) {
    return std::make_shared<CloudEmailIntelligenceProvider>(settings.aiModelName, rules);
  }
  return rules;
}

void WindowManager::updateEmailProvider() {
  emailSyncCoordinator_->updateIntelligenceProvider(chooseProvider(*store_));
}

// The windows arrive with the tray and the floating panel.
void WindowManager::showMainWindow() {}
void WindowManager::showQuickCapture() {}
void WindowManager::toggleFloatingWidget() {}
void WindowManager::updateWidgetConfiguration() {}
