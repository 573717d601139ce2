#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a session ending, a terminal closing) into a Qt signal
// delivered on the event loop, so the app can shut down in order instead of dying mid-write.
// One instance at a time; the previous handlers come back when it goes.
class TerminationSignals : public QObject {
  Q_OBJECT

 public:
  explicit TerminationSignals(QObject* parent = nullptr);
  ~TerminationSignals() override;

  // False when the pipe or a handler could not be set up; the default handling then stays.
  bool isInstalled() const { return installed_; }

 Q_SIGNALS:
  void received(int signalNumber);

 private:
  void readPending();

  QSocketNotifier* notifier_ = nullptr;
  bool installed_ = false;
};
