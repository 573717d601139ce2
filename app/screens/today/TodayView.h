#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/ui/DashboardTab.h"

#include <QDate>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <memory>

class CardView;
class CircularProgressRing;
class QBoxLayout;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class ProminentButton;
class SymbolView;
class ThemedLabel;
class WeatherServiceProtocol;

// The Today tab: greeting and weather, the daily intention, pending e-mail suggestions, the
// next event, a compact focus timer, today's tasks and the overdue follow-ups. It reads the
// store and the timer, changes them only through their operations, and moves to other tabs
// through the binding its host gives it.
class TodayView : public QWidget {
  Q_OBJECT

 public:
  struct State {
    bool isEditingIntention = false;
    QString editedIntention;
  };

  TodayView(const ScreenEnvironment& environment, TabBinding activeTab,
            std::shared_ptr<WeatherServiceProtocol> weatherService, QWidget* parent = nullptr);
  ~TodayView() override;

  const State& state() const { return state_; }

  void beginEditingIntention();
  void saveIntention();
  // Asks, saying how many records go, before the sample data is removed.
  void confirmRemovingSampleData();
  // The question on show, or none.
  QMessageBox* pendingConfirmation() const { return confirmation_; }

  // The pieces tests and the window drive.
  ThemedLabel* greetingLabel() const { return greeting_; }
  ThemedLabel* dateLabel() const { return date_; }
  QWidget* weatherChip() const { return weatherChip_; }
  QWidget* statusBanner() const { return statusBanner_; }
  ThemedLabel* statusLabel() const { return statusText_; }
  QWidget* sampleBanner() const { return sampleBanner_; }
  QPushButton* removeSampleDataButton() const { return removeSample_; }
  ThemedLabel* intentionLabel() const { return intentionText_; }
  QLineEdit* intentionField() const { return intentionField_; }
  QToolButton* editIntentionButton() const { return editIntention_; }
  ProminentButton* saveIntentionButton() const { return saveIntention_; }
  QWidget* emailPrompt() const { return emailPrompt_; }
  ThemedLabel* emailPromptLabel() const { return emailText_; }
  ProminentButton* reviewNowButton() const { return reviewNow_; }
  QPushButton* addEventButton() const { return addEvent_; }
  QWidget* nextEventDetails() const { return eventDetails_; }
  ThemedLabel* eventCountdownLabel() const { return eventCountdown_; }
  ThemedLabel* focusRemainingLabel() const { return focusRemaining_; }
  QPushButton* pauseButton() const { return pause_; }
  ProminentButton* resumeButton() const { return resume_; }
  ProminentButton* startFocusButton() const { return start_; }
  QPushButton* resetButton() const { return reset_; }
  QPushButton* viewAllButton() const { return viewAll_; }
  ThemedLabel* tasksFinishedLabel() const { return finished_; }
  ThemedLabel* overdueLabel() const { return overdue_; }
  CircularProgressRing* progressRing() const { return ring_; }
  // One checkbox per listed task of today, in order.
  QList<QToolButton*> todayTaskButtons() const;
  // The follow-ups card, or none while nothing is overdue.
  CardView* followUpsCard() const;
  QList<QPushButton*> snoozeButtons() const;
  QList<QPushButton*> resolveButtons() const;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  QWidget* buildHeader();
  QWidget* buildIntentionCard();
  QWidget* buildEventCard();
  QWidget* buildFocusCard();
  QWidget* buildTasksCard();
  void refresh();
  // At each turn of the minute: the greeting, the date and the event's countdown, or all of
  // the screen once the day has changed.
  void refreshTime();
  void showTime(const QDateTime& now);
  void refreshFocus();
  void refreshEvent();
  void refreshTasks();
  void refreshFollowUps();
  void moveTo(DashboardTab tab);

  ScreenEnvironment environment_;
  TabBinding activeTab_;
  // Kept for the host; the chip shows the store's cached weather and fetches nothing.
  std::shared_ptr<WeatherServiceProtocol> weatherService_;
  State state_;
  QDate shownDay_;
  QPointer<QMessageBox> confirmation_;

  ThemedLabel* greeting_ = nullptr;
  ThemedLabel* date_ = nullptr;
  QWidget* weatherChip_ = nullptr;
  SymbolView* weatherSymbol_ = nullptr;
  ThemedLabel* weatherTemp_ = nullptr;
  ThemedLabel* weatherPlace_ = nullptr;
  QWidget* statusBanner_ = nullptr;
  ThemedLabel* statusText_ = nullptr;
  QWidget* sampleBanner_ = nullptr;
  QPushButton* removeSample_ = nullptr;
  ThemedLabel* intentionText_ = nullptr;
  QWidget* intentionEditor_ = nullptr;
  QLineEdit* intentionField_ = nullptr;
  ProminentButton* saveIntention_ = nullptr;
  QToolButton* editIntention_ = nullptr;
  QWidget* emailPrompt_ = nullptr;
  ThemedLabel* emailText_ = nullptr;
  ProminentButton* reviewNow_ = nullptr;
  QBoxLayout* grid_ = nullptr;
  QWidget* eventDetails_ = nullptr;
  QWidget* eventDot_ = nullptr;
  ThemedLabel* eventTitle_ = nullptr;
  ThemedLabel* eventCountdown_ = nullptr;
  ThemedLabel* eventTime_ = nullptr;
  QWidget* eventLocationRow_ = nullptr;
  ThemedLabel* eventLocation_ = nullptr;
  ProminentButton* joinCall_ = nullptr;
  QWidget* noEvent_ = nullptr;
  QPushButton* addEvent_ = nullptr;
  ThemedLabel* focusDone_ = nullptr;
  ThemedLabel* focusType_ = nullptr;
  ThemedLabel* focusRemaining_ = nullptr;
  QProgressBar* focusProgress_ = nullptr;
  QPushButton* pause_ = nullptr;
  ProminentButton* resume_ = nullptr;
  ProminentButton* start_ = nullptr;
  QPushButton* reset_ = nullptr;
  QPushButton* viewAll_ = nullptr;
  CircularProgressRing* ring_ = nullptr;
  ThemedLabel* finished_ = nullptr;
  ThemedLabel* overdue_ = nullptr;
  ThemedLabel* noTasks_ = nullptr;
  QWidget* taskRows_ = nullptr;
  QVBoxLayout* taskRowsLayout_ = nullptr;
  CardView* followUps_ = nullptr;
  QWidget* followUpRows_ = nullptr;
  QVBoxLayout* followUpRowsLayout_ = nullptr;
};
