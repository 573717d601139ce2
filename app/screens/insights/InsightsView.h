#pragma once

#include "app/screens/ScreenEnvironment.h"

#include <QMap>
#include <QString>
#include <QWidget>

class QVBoxLayout;

// The day's and the week's figures, read from the store on every redraw, as cards: tasks
// done and due, bills due and paid, focus minutes, overdue tasks and follow-ups.
class InsightsView : public QWidget {
  Q_OBJECT

 public:
  explicit InsightsView(const ScreenEnvironment& environment, QWidget* parent = nullptr);

  // The value shown under each figure's caption ("Today/Focus minutes" -> "50"), as drawn now.
  const QMap<QString, QString>& shownFigures() const { return shown_; }

 private Q_SLOTS:
  void redraw();

 private:
  ScreenEnvironment environment_;
  QVBoxLayout* slot_ = nullptr;
  QWidget* content_ = nullptr;
  QMap<QString, QString> shown_;
};
