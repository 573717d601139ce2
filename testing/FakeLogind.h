#pragma once

#include <QDBusConnection>
#include <QString>

// A stand-in for logind in tests: claims org.freedesktop.login1 on its own connection to the
// session bus (the private bus of scripts/test-session.sh) and announces sleep and wake the
// way logind does, with PrepareForSleep on its manager object.
class FakeLogind {
 public:
  FakeLogind();
  ~FakeLogind();
  FakeLogind(const FakeLogind&) = delete;
  FakeLogind& operator=(const FakeLogind&) = delete;

  // False when the name is taken or there is no session bus.
  bool start();

  // PrepareForSleep(true) before the machine sleeps, PrepareForSleep(false) after it woke.
  bool announceSleep(bool starting);

 private:
  QString connectionName_;
  QDBusConnection connection_;
  bool running_ = false;
};
