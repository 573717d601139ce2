#include "app/platform/PlatformChoice.h"
#include "app/platform/TerminationSignals.h"

#include <QMap>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <csignal>

namespace {

TEST(PlatformChoiceTest, WaylandSessionsRunOnXWaylandUnlessTheUserChose) {
  using Env = QMap<QByteArray, QByteArray>;
  const struct {
    Env environment;
    std::optional<QByteArray> expected;
  } rows[] = {
      {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}}, "xcb"},
      {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":1"}}, "xcb"},
      {{{"WAYLAND_DISPLAY", "wayland-0"}}, std::nullopt},  // no XWayland
      {{{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
       std::nullopt},
      {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}}, std::nullopt},
  };
  for (const auto& row : rows) {
    const auto lookup = [&row](const char* name) { return row.environment.value(name); };
    EXPECT_EQ(preferredPlatform(lookup), row.expected) << row.environment.keys().join(' ').data();
  }
}

TEST(TerminationSignalsTest, TerminationArrivesOnTheEventLoopAndTheOldHandlerReturns) {
  {
    TerminationSignals signals;
    ASSERT_TRUE(signals.isInstalled());
    QSignalSpy received(&signals, &TerminationSignals::received);
    std::raise(SIGTERM);
    std::raise(SIGINT);
    ASSERT_TRUE(received.wait(2000));
    if (received.size() < 2) {
      ASSERT_TRUE(received.wait(2000));
    }
    EXPECT_EQ(received.at(0).at(0).toInt(), SIGTERM);
    EXPECT_EQ(received.at(1).at(0).toInt(), SIGINT);
  }
  struct sigaction current = {};
  sigaction(SIGTERM, nullptr, &current);
  EXPECT_EQ(current.sa_handler, SIG_DFL);
}

}  // namespace
