#include "SettingsTestSupport.h"
#include "app/screens/settings/DataSettingsPage.h"
#include "app/ui/Sheet.h"
#include "core/model/DiagnosticLogger.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QSettings>
#include <QLineEdit>
#include <QSpinBox>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTest>

using namespace settingstest;

namespace {

// A change made on one page, what the services must have heard and what must be saved.
struct Change {
  const char* name;
  SettingsTab tab;
  std::function<void(AppSettings&)> before;
  std::function<void(QWidget* page)> act;
  QStringList calls;
  std::function<bool(const AppSettings&)> saved;
};

}  // namespace

TEST_F(SettingsTest, EachChangeIsSavedAndReachesItsService) {
  const auto check = [](const QString& text) {
    return [text](QWidget* page) { withText<QCheckBox>(page, text)->click(); };
  };
  const auto spin = [](const QString& label, int value) {
    return [label, value](QWidget* page) { fieldFor<QSpinBox>(page, label)->setValue(value); };
  };
  const QString assistant = QStringLiteral("Look for bills, tasks and appointments in Gmail");
  const std::vector<Change> changes = {
      {"assistant on", SettingsTab::email, {}, check(assistant), {"start"},
       [](const AppSettings& s) { return s.isEmailAssistantEnabled; }},
      {"assistant off", SettingsTab::email, [](AppSettings& s) { s.isEmailAssistantEnabled = true; },
       check(assistant), {"stop"}, [](const AppSettings& s) { return !s.isEmailAssistantEnabled; }},
      {"interval while on", SettingsTab::email,
       [](AppSettings& s) { s.isEmailAssistantEnabled = true; },
       spin(QStringLiteral("Check every:"), 45), {"restart 45"},
       [](const AppSettings& s) { return s.emailSyncIntervalMinutes == 45; }},
      {"cloud off", SettingsTab::email,
       [](AppSettings& s) { s.isCloudAIEnabled = s.hasConsentedToCloudAI = true; },
       check(QStringLiteral("Read new e-mail with Google Gemini")), {"provider"},
       [](const AppSettings& s) { return !s.isCloudAIEnabled && s.hasConsentedToCloudAI; }},
      {"floating", SettingsTab::widget, {},
       check(QStringLiteral("Keep the widget above other windows")), {"widget"},
       [](const AppSettings& s) { return s.isWidgetFloating; }},
      {"theme", SettingsTab::general, {},
       [](QWidget* page) {
         auto* theme = fieldFor<QComboBox>(page, QStringLiteral("Theme:"));
         theme->setCurrentIndex(theme->findText(QStringLiteral("Dark")));
       },
       {"theme Dark"}, [](const AppSettings& s) { return s.theme == AppThemeMode::dark; }},
      {"currency refused", SettingsTab::general, {},
       [](QWidget* page) {
         auto* currency = fieldFor<QLineEdit>(page, QStringLiteral("Default currency:"));
         currency->setText(QStringLiteral("E1"));
         Q_EMIT currency->editingFinished();
       },
       {}, [](const AppSettings& s) { return s.defaultCurrency == "USD"; }},
      {"consent withdrawn", SettingsTab::privacy,
       [](AppSettings& s) { s.isCloudAIEnabled = s.hasConsentedToCloudAI = true; },
       [](QWidget* page) { withText<QPushButton>(page, QStringLiteral("Withdraw Consent"))->click(); },
       {"provider"},
       [](const AppSettings& s) { return !s.isCloudAIEnabled && !s.hasConsentedToCloudAI; }},
      {"bill reminder", SettingsTab::notifications, {},
       spin(QStringLiteral("Bill reminder:"), 5), {},
       [](const AppSettings& s) { return s.billReminderDaysBefore == 5; }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.name);
    changeSettings([&](AppSettings& s) {
      s = AppSettings{};
      if (change.before) {
        change.before(s);
      }
    }, true);
    calls.clear();
    const auto view = makeView();
    view->selectTab(change.tab);
    change.act(view->page(change.tab));
    EXPECT_EQ(calls, change.calls);
    EXPECT_TRUE(change.saved(savedSettings()));
  }
}

TEST_F(SettingsTest, FocusDurationsReachTheTimer) {
  const auto view = makeView();
  QWidget* page = view->page(SettingsTab::focus);
  fieldFor<QSpinBox>(page, QStringLiteral("Focus:"))->setValue(50);
  fieldFor<QSpinBox>(page, QStringLiteral("Long break after:"))->setValue(3);
  EXPECT_EQ(timer().focusDurationMinutes(), 50);
  EXPECT_EQ(timer().sessionsBeforeLongBreak(), 3);
  EXPECT_EQ(savedSettings().focusDurationMinutes, 50);
}

TEST_F(SettingsTest, AFailedLaunchAtLoginIsShownAndTakenBack) {
  launchFailure = QStringLiteral("Could not write the autostart entry: disk full");
  const auto view = makeView();
  QWidget* page = view->page(SettingsTab::general);
  QCheckBox* box = withText<QCheckBox>(page, QStringLiteral("Launch Pelmora at login"));
  box->click();
  EXPECT_FALSE(box->isChecked());
  EXPECT_FALSE(savedSettings().launchAtLogin);
  QLabel* error = withText<QLabel>(page, *launchFailure);
  EXPECT_TRUE(error && error->isVisible());
}

TEST_F(SettingsTest, CloudAIWaitsForConsent) {
  for (const bool allow : {false, true}) {
    SCOPED_TRACE(allow ? "allowed" : "declined");
    changeSettings([](AppSettings& s) { s.isCloudAIEnabled = s.hasConsentedToCloudAI = false; }, true);
    calls.clear();
    const auto view = makeView();
    view->selectTab(SettingsTab::email);
    QCheckBox* cloud = withText<QCheckBox>(view.get(), QStringLiteral("Read new e-mail with Google Gemini"));
    cloud->click();
    QMessageBox* alert = openAlert(view.get());
    ASSERT_NE(alert, nullptr);
    EXPECT_FALSE(store().settings().isCloudAIEnabled);
    EXPECT_TRUE(calls.isEmpty());

    answer(alert, allow ? QStringLiteral("Allow") : QStringLiteral("Cancel"));
    EXPECT_EQ(cloud->isChecked(), allow);
    EXPECT_EQ(savedSettings().isCloudAIEnabled, allow);
    EXPECT_EQ(savedSettings().hasConsentedToCloudAI, allow);
    EXPECT_EQ(calls, allow ? QStringList{"provider"} : QStringList{});
  }
}

TEST_F(SettingsTest, PastedTokenConnectsGmailAndIsForgottenWithTheSheet) {
  const auto view = makeView();
  view->selectTab(SettingsTab::email);
  withText<QPushButton>(view.get(), QStringLiteral("Use Access Token\u2026"))->click();
  auto* sheet = view->findChild<Sheet*>();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->windowTitle(), QStringLiteral("Connect Gmail"));
  saveScreenshots(sheet, QStringLiteral("settings-gmail-sheet"));
  auto* token = fieldFor<QLineEdit>(sheet, QStringLiteral("Access token:"));
  auto* email = fieldFor<QLineEdit>(sheet, QStringLiteral("Gmail address:"));

  withText<QPushButton>(sheet, QStringLiteral("Connect"))->click();
  EXPECT_FALSE(gmail.isConnected());
  EXPECT_NE(withText<QLabel>(sheet, QStringLiteral("Paste an access token to connect.")), nullptr);

  QTest::keyClicks(token, QStringLiteral("ya29.pasted"));
  QTest::keyClicks(email, QStringLiteral("me@example.com"));
  QTest::keyClick(email, Qt::Key_Return);
  EXPECT_EQ(gmail.getAccountEmail(), QStringLiteral("me@example.com"));
  QTRY_VERIFY(!view->state().isShowingGmailSheet);
  EXPECT_TRUE(view->state().gmailTokenInput.isEmpty());

  withText<QPushButton>(view.get(), QStringLiteral("Disconnect"))->click();
  EXPECT_FALSE(gmail.isConnected());
}

// Deleting the e-mail data and resetting all data each ask first and act only when confirmed.
TEST_F(SettingsTest, DestructiveActionsNeedConfirmation) {
  const struct {
    SettingsTab tab;
    const char* button;
    const char* confirm;
    bool SettingsState::*showing;
  } actions[] = {{SettingsTab::privacy, "Delete E-mail Data\u2026", "Delete", &SettingsState::isShowingDeleteEmailDataAlert},
                 {SettingsTab::data, "Reset All Data\u2026", "Reset All Data", &SettingsState::isShowingResetConfirmation}};
  for (const auto& action : actions) {
    for (const bool confirm : {false, true}) {
      SCOPED_TRACE(std::string(action.button) + (confirm ? " confirmed" : " cancelled"));
      EmailExtractedSuggestion suggestion;
      suggestion.id = QUuid::createUuid();
      suggestion.createdAt = suggestion.receivedDate = now;
      store().addEmailSuggestion(suggestion);
      store().setProcessedEmailMessageIDs({QStringLiteral("m1")});
      store().addTask(TaskItem(QUuid::createUuid(), QStringLiteral("t"), {}, std::nullopt, TaskPriority::medium, {}, false,
                               std::nullopt, RecurrenceRule::none(), now, now, false, std::nullopt));
      store().save();
      gmail.stubbedConnected = true;
      const auto view = makeView();
      view->selectTab(action.tab);
      withText<QPushButton>(view.get(), QString::fromUtf8(action.button))->click();
      ASSERT_TRUE(answer(openAlert(view.get()), confirm ? QString::fromUtf8(action.confirm) : QStringLiteral("Cancel")));
      EXPECT_FALSE(view->state().*action.showing);

      DataStore reread(store().storageFolder(), nullptr, nullptr);
      if (action.tab == SettingsTab::privacy) {
        EXPECT_EQ(reread.emailSuggestions().isEmpty(), confirm);
        EXPECT_EQ(reread.processedEmailMessageIDs().isEmpty(), confirm);
        EXPECT_EQ(gmail.isConnected(), !confirm);
      } else {
        EXPECT_EQ(reread.tasks().isEmpty(), confirm);
      }
    }
  }
}

TEST_F(SettingsTest, DiagnosticsCopyAndExportTheLog) {
  const QString line = QStringLiteral("settings diagnostics marker %1").arg(QUuid::createUuid().toString());
  DiagnosticLogger::shared().log(line, QStringLiteral("WARN"), QStringLiteral("System"));
  QTemporaryDir dir;
  chosenPath = dir.filePath(QStringLiteral("log.txt"));
  const auto view = makeView();
  view->selectTab(SettingsTab::diagnostics);
  QWidget* page = view->page(SettingsTab::diagnostics);
  withText<QPushButton>(page, QStringLiteral("Copy to Clipboard"))->click();
  EXPECT_TRUE(QApplication::clipboard()->text().contains(line));

  withText<QPushButton>(page, QStringLiteral("Export Log\u2026"))->click();
  ASSERT_EQ(fileRequests.size(), 1);
  EXPECT_TRUE(fileRequests.at(0).suggestedName.startsWith(QStringLiteral("Pelmora_Diagnostics_2026-03-10_1030")));
  QFile file(chosenPath);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(QStringLiteral("[WARN] [System] ") + line));

  // A folder that is not there: the failure shows on the page.
  chosenPath = dir.filePath(QStringLiteral("missing/folder/log.txt"));
  withText<QPushButton>(page, QStringLiteral("Export Log\u2026"))->click();
  bool shown = false;
  for (QLabel* label : page->findChildren<QLabel*>()) {
    shown = shown || (label->isVisible() && label->text().startsWith("The log could not be saved"));
  }
  EXPECT_TRUE(shown);
}

// A calendar is listed under its own name, "&" and all, and ticking it selects that calendar.
TEST_F(SettingsTest, CalendarsAreListedByTheirNames) {
  calendarService.calendars = {
      {QStringLiteral("bday"), QStringLiteral("Birthdays & Anniversaries"), QStringLiteral("#f00")},
      {QStringLiteral("home"), QStringLiteral("Home"), QStringLiteral("#0f0")}};
  store().refreshCalendarEvents();
  const auto view = makeView();
  view->selectTab(SettingsTab::cards);
  QCheckBox* birthdays = nullptr;
  for (QCheckBox* box : view->page(SettingsTab::cards)->findChildren<QCheckBox*>()) {
    if (box->property("calendarID").toString() == QStringLiteral("bday")) {
      birthdays = box;
    }
  }
  ASSERT_NE(birthdays, nullptr);
  EXPECT_TRUE(birthdays->shortcut().isEmpty()) << "no Alt+A mnemonic from the name";
  birthdays->click();
  EXPECT_EQ(store().settings().selectedCalendarIDs, QSet<QString>{QStringLiteral("home")});
}

class DataSettingsTest : public SettingsTest {
 protected:
  DataSettingsPage* page(SettingsView& view) {
    return static_cast<DataSettingsPage*>(view.page(SettingsTab::data));
  }
  // Imports are read on a worker; the window's loop runs meanwhile.
  static void waitForImport(SettingsView& view) {
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !view.state().isImporting; }, testsupport::kPatienceMs));
  }
  QTemporaryDir dir;
};

// A backup and the spreadsheets go where the file dialog says, under names that say what they
// hold; the backup brings the tasks back.
TEST_F(DataSettingsTest, BackupRoundTripsAndSpreadsheetsNameTheirKind) {
  const auto view = makeView();
  const QList<TaskItem> tasks = store().tasks();
  ASSERT_FALSE(tasks.isEmpty());
  chosenPath = dir.filePath(QStringLiteral("backup.json"));
  page(*view)->exportBackup();
  ASSERT_EQ(fileRequests.size(), 1);
  EXPECT_EQ(fileRequests.at(0).suggestedName, QStringLiteral("Pelmora_Backup_2026-03-10_1030.json"));
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Backup saved as backup.json."));
  emptyStore();
  page(*view)->importBackup();
  EXPECT_FALSE(view->state().isShowingImportPicker);
  waitForImport(*view);
  EXPECT_EQ(store().tasks(), tasks);

  chosenPath = dir.filePath(QStringLiteral("out.csv"));
  page(*view)->exportTasks();
  page(*view)->exportWaitingFor();
  page(*view)->exportBills();
  ASSERT_EQ(fileRequests.size(), 5);
  EXPECT_TRUE(fileRequests.at(2).suggestedName.startsWith(QStringLiteral("Tasks_")));
  EXPECT_TRUE(fileRequests.at(3).suggestedName.startsWith(QStringLiteral("WaitingFor_")));
  EXPECT_TRUE(fileRequests.at(4).suggestedName.startsWith(QStringLiteral("Bills_")));
  EXPECT_TRUE(QFile::exists(chosenPath));
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Saved out.csv."));
}

TEST_F(DataSettingsTest, FailuresAndCancelsAreReportedAsSuch) {
  const struct {
    const char* name;
    QByteArray fileContents;  // empty: the dialog is cancelled
  } cases[] = {
      {"cancelled", {}},
      {"truncated", R"({"version":1,"container":{"tasks":[)"},
      {"foreign", R"({"name":"something else"})"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QList<TaskItem> before = store().tasks();
    chosenPath.clear();
    if (!c.fileContents.isEmpty()) {
      chosenPath = dir.filePath(QString::fromLatin1(c.name) + QStringLiteral(".json"));
      QFile file(chosenPath);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.fileContents);
    }
    const auto view = makeView();
    page(*view)->importBackup();
    EXPECT_FALSE(view->state().isShowingImportPicker);
    waitForImport(*view);
    EXPECT_EQ(store().tasks(), before);
    EXPECT_EQ(view->state().exportStatusMessage.has_value(), !c.fileContents.isEmpty());
    if (view->state().exportStatusMessage) {
      QLabel* line = withText<QLabel>(view.get(), *view->state().exportStatusMessage);
      ASSERT_NE(line, nullptr);
      EXPECT_EQ(line->palette().color(QPalette::WindowText), Theme::color(ThemeColor::red, line));
    }
  }
}

// The chosen backup is read and checked on a worker while the window goes on: with the workers
// held busy the page keeps saying an import runs and holds back what would act on the data,
// then shows the result in the same line once the read is done.
TEST_F(DataSettingsTest, ImportRunsWhileTheWindowGoesOn) {
  const auto view = makeView();
  chosenPath = dir.filePath(QStringLiteral("backup.json"));
  page(*view)->exportBackup();
  const QList<TaskItem> tasks = store().tasks();
  emptyStore();
  view->selectTab(SettingsTab::data);
  QThreadPool& pool = *QThreadPool::globalInstance();
  const int workers = pool.maxThreadCount();
  pool.waitForDone();
  pool.setMaxThreadCount(1);
  QSemaphore busy;
  pool.start([&busy] { busy.acquire(); });
  page(*view)->importBackup();
  EXPECT_TRUE(testsupport::runTimersDueWithin(std::chrono::milliseconds(200)));

  EXPECT_TRUE(view->state().isImporting);
  EXPECT_EQ(view->state().exportStatusMessage, QStringLiteral("Importing backup.json\u2026"));
  EXPECT_NE(withText<QLabel>(view.get(), QStringLiteral("Importing backup.json\u2026")), nullptr);
  for (const char* button : {"Import Backup\u2026", "Export Backup\u2026", "Reset All Data\u2026"}) {
    EXPECT_FALSE(withText<QPushButton>(view.get(), QString::fromUtf8(button))->isEnabled()) << button;
  }
  EXPECT_TRUE(store().tasks().isEmpty());
  saveScreenshots(view.get(), QStringLiteral("settings-data-importing"));

  busy.release();
  waitForImport(*view);
  pool.setMaxThreadCount(workers);
  EXPECT_EQ(store().tasks(), tasks);
  EXPECT_TRUE(view->state().exportStatusMessage->startsWith(QStringLiteral("Imported backup.json.")));
  EXPECT_TRUE(withText<QPushButton>(view.get(), QStringLiteral("Import Backup\u2026"))->isEnabled());
}

// The real file dialog opens in the documents folder, or home when there is none (never the
// working directory), and then where the last file was chosen.
TEST_F(DataSettingsTest, FileDialogsStartInDocumentsAndRememberTheLastFolder) {
  QCoreApplication::setOrganizationName(QStringLiteral("Pelmora"));
  QSettings().remove(QStringLiteral("PelmoraLastFileFolder"));
  const QString documents = QDir::home().filePath(QStringLiteral("Documents"));
  QDir(documents).removeRecursively();
  const QString elsewhere = dir.filePath(QStringLiteral("elsewhere"));
  ASSERT_TRUE(QDir().mkpath(elsewhere));
  const QString chosen = QDir(elsewhere).filePath(QStringLiteral("backup.json"));
  QFile(chosen).open(QIODevice::WriteOnly);

  QWidget parent;
  FileRequest request;
  request.forSaving = false;
  const auto startFolder = [&](const QString& choose) {
    QString answer;
    SettingsServices::system(RunningApp{}).chooseFile(&parent, request, [&](QString path) { answer = path; });
    auto* dialog = parent.findChild<QFileDialog*>();
    const QString folder = dialog ? dialog->directory().absolutePath() : QString();
    if (dialog && choose.isEmpty()) {
      dialog->reject();
    } else if (dialog) {
      dialog->selectFile(choose);
      static_cast<QDialog*>(dialog)->accept();  // the dialog's own checks run
      EXPECT_EQ(answer, choose);
    }
    delete dialog;
    return folder;
  };
  EXPECT_EQ(startFolder({}), QDir::homePath());
  ASSERT_TRUE(QDir().mkpath(documents));
  EXPECT_EQ(startFolder(chosen), documents);
  EXPECT_EQ(startFolder({}), elsewhere);
  QSettings().remove(QStringLiteral("PelmoraLastFileFolder"));
}

// A build without Google sign-in says so beside the disabled button, in plain words and with
// the way round it; a build with it offers the button and says nothing more.
TEST_F(SettingsTest, ConnectWithGoogleSaysWhenThisBuildHasNoSignIn) {
  for (const bool available : {false, true}) {
    SCOPED_TRACE(available ? "with sign-in" : "without sign-in");
    services.signInWithGoogle = nullptr;
    if (available) {
      services.signInWithGoogle = []() -> QCoro::Task<TokenExchangeResult> { co_return {}; };
    }
    const auto view = makeView();
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Settings \u2014 Pelmora"));
    view->selectTab(SettingsTab::email);
    auto* connect = withText<QPushButton>(view.get(), QStringLiteral("Connect with Google"));
    ASSERT_NE(connect, nullptr);
    EXPECT_EQ(connect->isEnabled(), available);
    EXPECT_TRUE(withText<QPushButton>(view.get(), QStringLiteral("Use Access Token\u2026"))->isEnabled());
    const QLabel* why = nullptr;
    for (const QLabel* label : view->page(SettingsTab::email)->findChildren<QLabel*>()) {
      if (label->isVisible() && label->text().contains(QStringLiteral("no Google sign-in"))) {
        why = label;
      }
    }
    EXPECT_EQ(why != nullptr, !available);
    if (why != nullptr) {
      EXPECT_TRUE(why->text().contains(QStringLiteral("access token")) &&
                  why->text().contains(QStringLiteral("README")));
      EXPECT_FALSE(why->text().contains(QStringLiteral("PELMORA_")));
      saveScreenshots(view.get(), QStringLiteral("settings-email-no-sign-in"));
    }
  }
}
