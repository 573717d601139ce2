#include "core/platform/Workspace.h"
#include "testing/FakeLogind.h"

#include "PlatformSupport.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList systemWarnings() {
  QStringList lines;
  for (const DiagnosticLogger::Entry& entry :
       logged(QStringLiteral("WARN"), QString(), QStringLiteral("System"))) {
    lines.append(entry.message);
  }
  return lines;
}

}  // namespace

TEST(WorkspaceTest, LogindsPrepareForSleepBecomesWillSleepAndDidWake) {
  FakeLogind logind;
  ASSERT_TRUE(logind.start()) << "the test session has no session bus";
  Workspace workspace;
  ASSERT_TRUE(workspace.watchSleep(QDBusConnection::sessionBus()));
  QSignalSpy sleeping(&workspace, &Workspace::willSleep);
  QSignalSpy waking(&workspace, &Workspace::didWake);

  ASSERT_TRUE(logind.announceSleep(true));
  ASSERT_TRUE(sleeping.wait(testsupport::kPatienceMs));
  EXPECT_EQ(waking.count(), 0);

  ASSERT_TRUE(logind.announceSleep(false));
  ASSERT_TRUE(waking.wait(testsupport::kPatienceMs));
  EXPECT_EQ(sleeping.count(), 1);
  EXPECT_EQ(waking.count(), 1);
}

TEST(WorkspaceTest, WithoutLogindOrWithoutABusNothingIsFollowedAndTheReasonIsLogged) {
  DiagnosticLogger::shared().clear();
  Workspace withoutLogind;
  EXPECT_FALSE(withoutLogind.watchSleep(QDBusConnection::sessionBus()));
  EXPECT_EQ(systemWarnings(), QStringList{QStringLiteral("logind is not running: sleep and wake "
                                                         "are not observed; timers run on.")});

  DiagnosticLogger::shared().clear();
  Workspace withoutBus;
  EXPECT_FALSE(withoutBus.watchSleep(QDBusConnection(QStringLiteral("pelmora-no-such-bus"))));
  EXPECT_EQ(systemWarnings(), QStringList{QStringLiteral("No system bus: sleep and wake are not "
                                                         "observed; timers run on.")});
}
