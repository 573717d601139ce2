#pragma once

#include <functional>

class EmailSyncCoordinator;
enum class SettingsTab;

// What a screen may ask of the running app around it: the windows and the background services
// that belong to no screen. The shell fills these in; where no app runs (a screen on its own, a
// test) they stay empty and the screen goes without.
struct RunningApp {
  // The floating panel's level and opacity from the settings.
  std::function<void()> updateWidgetConfiguration;
  // Shows the floating widget now and at later launches.
  std::function<void()> showFloatingWidget;
  // A newly chosen suggestion provider for the e-mail sync after the cloud settings changed.
  std::function<void()> updateEmailProvider;
  // The running e-mail sync coordinator, or null while there is none.
  std::function<EmailSyncCoordinator*()> emailSyncCoordinator;

  // Whether a Gmail account is connected; unknown (taken as connected) while empty.
  std::function<bool()> gmailConnected;
  // Opens the settings at one page.
  std::function<void(SettingsTab)> showSettings;

  EmailSyncCoordinator* emailSync() const {
    return emailSyncCoordinator ? emailSyncCoordinator() : nullptr;
  }
  bool isGmailConnected() const { return !gmailConnected || gmailConnected(); }
};
