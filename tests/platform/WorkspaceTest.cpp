#include "core/model/DiagnosticLogger.h"
#include "core/platform/Workspace.h"
#include "testing/FakeLogind.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QStringList systemWarnings() {
  QStringList lines;
  for (const DiagnosticLogger::Entry& entry : DiagnosticLogger::shared().entries()) {
    if (entry.subsystem == QStringLiteral("System") && entry.level == QStringLiteral("WARN")) {
      lines.append(entry.message);
    }
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
  ASSERT_TRUE(sleeping.wait());
  EXPECT_EQ(waking.count(), 0);

  ASSERT_TRUE(logind.announceSleep(false));
  ASSERT_TRUE(waking.wait());
  EXPECT_EQ(sleeping.count(), 1);
  EXPECT_EQ(waking.count(), 1);
}

TEST(WorkspaceTest, WithoutLogindOrWithoutABusNothingIsFollowedAndTheReasonIsLogged) {
  DiagnosticLogger::shared().clear();
  Workspace withoutLogind;
  EXPECT_FALSE(withoutLogind.watchSleep(QDBusConnection::sessionBus()));
  ASSERT_EQ(systemWarnings().size(), 1);
  EXPECT_TRUE(systemWarnings().first().startsWith(QStringLiteral("logind is not running")));

  DiagnosticLogger::shared().clear();
  Workspace withoutBus;
  EXPECT_FALSE(withoutBus.watchSleep(QDBusConnection(QStringLiteral("pelmora-no-such-bus"))));
  ASSERT_EQ(systemWarnings().size(), 1);
  EXPECT_TRUE(systemWarnings().first().startsWith(QStringLiteral("No system bus")));
}
