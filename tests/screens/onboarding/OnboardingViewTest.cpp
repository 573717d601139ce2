#include "screens/ScreenTestSupport.h"

#include "app/screens/onboarding/OnboardingView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

using screentest::ScreenTest;

namespace {

using Onboarding = ScreenTest;

// Return walks through the steps; the choices end up in the saved settings and the store.
TEST_F(Onboarding, ChoicesAreSavedAndTheViewClosesItself) {
  const struct {
    const char* city;
    bool keepSamples;
    bool floating;
    const char* savedCity;
  } cases[] = {
      {"  Porto ", true, true, "Porto"},
      {"", false, false, "Porto"},  // an empty city keeps the one set before
  };
  ASSERT_TRUE(store().hasSampleData()) << "a first start seeds the sample data";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.city);
    int closed = 0;
    OnboardingView view(env.withDismiss([&] { ++closed; }));
    view.show();
    screentest::saveScreenshots(&view, QStringLiteral("onboarding-step1"), QSize(520, 440));
    view.cityEdit()->setText(QString::fromUtf8(c.city));
    QTest::keyClick(view.cityEdit(), Qt::Key_Return);
    view.sampleDataCheck()->setChecked(c.keepSamples);
    QTest::keyClick(view.sampleDataCheck(), Qt::Key_Return);
    view.floatingWidgetCheck()->setChecked(c.floating);
    QTest::keyClick(view.floatingWidgetCheck(), Qt::Key_Return);

    EXPECT_EQ(closed, 1);
    const AppSettings saved = savedSettings();
    EXPECT_TRUE(saved.hasCompletedOnboarding);
    EXPECT_EQ(saved.weatherCity, QString::fromUtf8(c.savedCity));
    EXPECT_EQ(saved.isWidgetFloating, c.floating);
    EXPECT_EQ(store().hasSampleData(), c.keepSamples);
  }
  EXPECT_TRUE(store().tasks().isEmpty());
  EXPECT_TRUE(store().bills().isEmpty());
}

// The running app applies the widget choice once, after it is in the store; without a running
// app the onboarding still finishes.
TEST_F(Onboarding, FinishingHandsTheWidgetChoiceToTheRunningApp) {
  for (const bool floating : {false, true}) {
    QList<bool> applied;
    ScreenEnvironment running = env;
    running.app.updateWidgetConfiguration = [&] {
      applied.append(store().settings().isWidgetFloating);
    };
    OnboardingView view(running);
    view.floatingWidgetCheck()->setChecked(floating);
    view.finish();
    EXPECT_EQ(applied, QList<bool>{floating});
  }
  OnboardingView alone(env);
  alone.finish();
  EXPECT_TRUE(savedSettings().hasCompletedOnboarding);
}

}  // namespace
