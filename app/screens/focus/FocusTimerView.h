#pragma once

#include "app/screens/ScreenEnvironment.h"
#include "app/ui/PlainButton.h"
#include "core/model/FocusSession.h"

#include <QUuid>
#include <QWidget>

#include <optional>

class CircularProgressRing;
class QComboBox;
class QListView;
class QPushButton;
class QStandardItemModel;
class ThemedLabel;

// The focus timer: a ring and countdown read from the shared FocusTimerManager (which keeps
// time; this screen only redraws when it changes), start / pause / resume / reset, the
// session kind and the round towards the long break, an optional task to link to the next
// session, and the sessions finished today.
class FocusTimerView : public QWidget {
  Q_OBJECT

 public:
  struct State {
    std::optional<QUuid> selectedTaskID;
  };

  explicit FocusTimerView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  const State& state() const { return state_; }

  CircularProgressRing* ring() const { return ring_; }
  ThemedLabel* countdownLabel() const { return countdown_; }
  ThemedLabel* kindLabel() const { return kind_; }
  ThemedLabel* roundLabel() const { return round_; }
  QComboBox* taskPicker() const { return taskPicker_; }
  // Starts the suggested kind when the timer is idle or done, else pauses or resumes.
  QPushButton* primaryButton() const { return primary_; }
  // While idle or done: start one of the two other kinds instead.
  QAbstractButton* alternativeButton(int index) const { return alternatives_[index]; }
  QAbstractButton* resetButton() const { return reset_; }
  QStandardItemModel* sessionsModel() const { return sessionsModel_; }

 private Q_SLOTS:
  void refreshTimer();
  void refreshTasks();
  void refreshSessions();

 private:
  void primaryAction();
  void start(FocusSessionType type);
  void selectTask(int comboIndex);

  ScreenEnvironment environment_;
  State state_;

  CircularProgressRing* ring_ = nullptr;
  ThemedLabel* countdown_ = nullptr;
  ThemedLabel* kind_ = nullptr;
  ThemedLabel* status_ = nullptr;
  ThemedLabel* round_ = nullptr;
  QComboBox* taskPicker_ = nullptr;
  ThemedLabel* linkedTask_ = nullptr;
  QPushButton* primary_ = nullptr;
  PlainButton* alternatives_[2] = {};
  FocusSessionType alternativeTypes_[2] = {FocusSessionType::shortBreak, FocusSessionType::longBreak};
  PlainButton* reset_ = nullptr;
  ThemedLabel* sessionsCount_ = nullptr;
  ThemedLabel* noSessions_ = nullptr;
  QListView* sessionsList_ = nullptr;
  QStandardItemModel* sessionsModel_ = nullptr;
};
