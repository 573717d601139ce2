#pragma once

#include <QDBusConnection>
#include <QObject>

// The desktop session as the app sees it: the machine going to sleep and waking again, from
// logind's PrepareForSleep. Without logind nothing is ever emitted and timers simply run on.
class Workspace : public QObject {
  Q_OBJECT

 public:
  // The process's workspace, following logind on the system bus.
  static Workspace& shared();

  // Watches nothing until `watchSleep` is called; tests emit the signals themselves.
  explicit Workspace(QObject* parent = nullptr);

  // Follows PrepareForSleep of org.freedesktop.login1 on `bus`. Returns false, and logs why,
  // when the bus cannot be reached or logind is not on it.
  bool watchSleep(const QDBusConnection& bus);

 Q_SIGNALS:
  void willSleep();
  void didWake();

 private Q_SLOTS:
  void prepareForSleep(bool starting);
};
