#include "app/platform/DesktopAppearance.h"
#include "app/platform/Theme.h"
#include "app/ui/ThemedLabel.h"

#include <QApplication>
#include <QDBusVariant>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>

// In light and dark: the three text emphases are one colour at falling opacity; light text on
// dark, dark text on light; every hue stands out from the window and differs between the two.
TEST(Theme, ColoursSuitTheBackgroundInLightAndDark) {
  const QPalette light = Theme::palette(false, Theme::defaultAccent());
  const QPalette dark = Theme::palette(true, Theme::defaultAccent());
  for (const QPalette* palette : {&light, &dark}) {
    const bool isDark = palette == &dark;
    SCOPED_TRACE(isDark ? "dark" : "light");
    EXPECT_EQ(Theme::isDark(*palette), isDark);
    const QColor primary = Theme::color(ThemeColor::primary, *palette);
    const QColor secondary = Theme::color(ThemeColor::secondary, *palette);
    const QColor tertiary = Theme::color(ThemeColor::tertiary, *palette);
    EXPECT_EQ(primary, palette->color(QPalette::WindowText));
    EXPECT_TRUE(secondary.rgb() == primary.rgb() && tertiary.rgb() == primary.rgb());
    EXPECT_TRUE(primary.alphaF() > secondary.alphaF() && secondary.alphaF() > tertiary.alphaF());
    EXPECT_EQ(Theme::color(ThemeColor::windowBackground, *palette),
              palette->color(QPalette::Window));
    const int window = palette->color(QPalette::Window).lightness();
    EXPECT_GT(std::abs(QColor(primary.rgb()).lightness() - window), 150);
    for (ThemeColor hue : {ThemeColor::blue, ThemeColor::orange, ThemeColor::red,
                           ThemeColor::purple, ThemeColor::green, ThemeColor::yellow}) {
      const int lightness = Theme::color(hue, *palette).lightness();
      EXPECT_TRUE(isDark ? lightness > window + 60 : lightness < window - 60) << int(hue);
      EXPECT_NE(Theme::color(hue, light), Theme::color(hue, dark)) << int(hue);
    }
  }
}

TEST(Theme, SharedThemeFollowsTheDesktopUnlessTheSettingSaysOtherwise) {
  Theme& theme = Theme::shared();
  struct Restore {
    ~Restore() {
      Theme::shared().setMode(AppThemeMode::system);
      Theme::shared().setSystemPrefersDark(false);
      Theme::shared().setDesktopAccent(QColor());
    }
  } restore;
  const QColor purple(0x91, 0x41, 0xac);
  theme.setDesktopAccent(purple);
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), purple);
  theme.setDesktopAccent(QColor());
  EXPECT_EQ(theme.accent(), Theme::defaultAccent());

  theme.setMode(AppThemeMode::system);
  theme.setSystemPrefersDark(false);
  QSignalSpy changed(&theme, &Theme::changed);
  theme.setSystemPrefersDark(true);
  EXPECT_TRUE(Theme::isDark(QApplication::palette()));
  EXPECT_EQ(changed.count(), 1);
  theme.setMode(AppThemeMode::light);
  EXPECT_FALSE(theme.isDark());
  EXPECT_FALSE(Theme::isDark(QApplication::palette()));
  // The desktop changing its mind does not override the user's choice.
  theme.setSystemPrefersDark(false);
  theme.setSystemPrefersDark(true);
  EXPECT_FALSE(Theme::isDark(QApplication::palette()));
  EXPECT_EQ(changed.count(), 2);
  theme.setMode(AppThemeMode::dark);
  theme.setMode(AppThemeMode::dark);
  EXPECT_TRUE(Theme::isDark(QApplication::palette()));
  theme.setMode(AppThemeMode::system);  // the system still prefers dark: nothing to redo
  EXPECT_TRUE(theme.isDark());
  EXPECT_EQ(changed.count(), 3);
}

// A label whose role is not the plain text colour must pick the new palette's tone of it.
TEST(ThemedLabel, NamedColourFollowsAPaletteChangeOfItsParent) {
  const QPalette light = Theme::palette(false, Theme::defaultAccent());
  const QPalette dark = Theme::palette(true, Theme::defaultAccent());
  for (ThemeColor role : {ThemeColor::secondary, ThemeColor::red, ThemeColor::accent}) {
    QWidget parent;
    parent.setPalette(light);
    auto* label = new ThemedLabel(QStringLiteral("x"), role, &parent);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), Theme::color(role, light));
    parent.setPalette(dark);
    EXPECT_EQ(label->palette().color(QPalette::WindowText), Theme::color(role, dark)) << int(role);
  }
}

TEST(DesktopAppearance, ReadsThePortalsValues) {
  const std::pair<QVariant, std::optional<bool>> schemes[] = {
      {QVariant(1u), true},
      {QVariant(0u), false},
      {QVariant(2u), false},
      {QVariant(7u), std::nullopt},
      {QVariant(QStringLiteral("dark")), std::nullopt},
      // Read() answers with a variant inside a variant.
      {QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(1u))))), true}};
  for (const auto& [value, dark] : schemes) {
    EXPECT_EQ(DesktopAppearance::prefersDarkFrom(value), dark) << value.typeName();
  }
  EXPECT_EQ(DesktopAppearance::accentFrom(QVariantList{0.2, 0.4, 0.6}), QColor(51, 102, 153));
  // Out-of-range components are how the portal says "no accent".
  EXPECT_EQ(DesktopAppearance::accentFrom(QVariantList{-1.0, -1.0, -1.0}), std::nullopt);
  EXPECT_EQ(DesktopAppearance::accentFrom(QVariantList{0.2, 0.4}), std::nullopt);
}

// Scroll bars follow the theme: the groove a shade off the window, the handle plain against it.
TEST(Theme, ScrollBarsFollowTheLightOrDarkPalette) {
  Theme& theme = Theme::shared();
  const AppThemeMode before = theme.mode();
  for (const AppThemeMode mode : {AppThemeMode::light, AppThemeMode::dark}) {
    SCOPED_TRACE(displayText(mode).toStdString());
    theme.setMode(mode);
    QScrollBar bar(Qt::Vertical);
    bar.setRange(0, 100);
    bar.setPageStep(25);
    bar.resize(bar.sizeHint().width(), 300);
    const QImage image = bar.grab().toImage();
    QStyleOptionSlider option;
    option.initFrom(&bar);
    option.orientation = Qt::Vertical;
    option.minimum = 0;
    option.maximum = 100;
    option.pageStep = 25;
    option.rect = bar.rect();
    const QRect handle =
        bar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, &bar);
    ASSERT_FALSE(handle.isEmpty());
    const int window = QApplication::palette().color(QPalette::Window).lightness();
    const int groove = image.pixelColor(1, 240).lightness();
    const int thumb = image.pixelColor(handle.center()).lightness();
    EXPECT_LE(std::abs(groove - window), 16) << groove << " on " << window;
    EXPECT_GE(std::abs(thumb - groove), 40) << thumb << " on " << groove;
  }
  theme.setMode(before);
}
