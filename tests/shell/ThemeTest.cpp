#include "app/platform/DesktopAppearance.h"
#include "app/platform/Theme.h"
#include "app/shell/ThemedLabel.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cstdlib>

// In light and dark: the three text emphases are one colour at falling opacity; light text on
// dark, dark text on light; every hue stands out from the window and differs between the two;
// a field or check box (view colour inside an outline a shade darker than the window) stands
// apart from both.
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
    const int view = palette->color(QPalette::Base).lightness();
    EXPECT_GE(std::abs(view - window), 5);
    EXPECT_GE(std::abs(view - palette->color(QPalette::Window).darker(140).lightness()), 20);
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
  EXPECT_EQ(Theme::color(ThemeColor::accent, Theme::palette(true, purple)), purple);
  EXPECT_EQ(Theme::color(ThemeColor::accent, Theme::palette(false, QColor())),
            Theme::defaultAccent());
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

namespace {

// Stands in for the desktop's settings portal on the test session's bus.
class FakeSettingsPortal : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

 public Q_SLOTS:
  QDBusVariant Read(const QString& group, const QString& key) {
    QVariant value;
    const bool appearance = group == QStringLiteral("org.freedesktop.appearance");
    if (appearance && key == QStringLiteral("color-scheme")) {
      value = QVariant(1u);
    } else if (appearance && key == QStringLiteral("accent-color")) {
      QDBusArgument rgb;
      rgb.beginStructure();
      rgb << 0.5 << 0.25 << 1.0;
      rgb.endStructure();
      value = QVariant::fromValue(rgb);
    }
    return QDBusVariant(QVariant::fromValue(QDBusVariant(value)));
  }
};

}  // namespace

// Kept before the tests that use QDBusVariant: at a first start nothing has registered it.
TEST(DesktopAppearance, FollowsThePortalOnTheSessionBus) {
  ASSERT_TRUE(QDBusConnection::sessionBus().isConnected())
      << "no session bus: run inside scripts/test-session.sh";
  // The portal lives on a connection of its own, as a real desktop portal would.
  QDBusConnection portalBus =
      QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal"));
  FakeSettingsPortal portal;
  ASSERT_TRUE(portalBus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                       QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(portalBus.registerService(QStringLiteral("org.freedesktop.portal.Desktop")));

  DesktopAppearance appearance;
  QSignalSpy schemes(&appearance, &DesktopAppearance::colorSchemeChanged);
  QSignalSpy accents(&appearance, &DesktopAppearance::accentChanged);
  appearance.start();
  ASSERT_TRUE(schemes.count() > 0 || schemes.wait(5000));
  ASSERT_TRUE(accents.count() > 0 || accents.wait(5000));
  EXPECT_TRUE(schemes.first().at(0).toBool());
  EXPECT_EQ(accents.first().at(0).value<QColor>(), QColor::fromRgbF(0.5f, 0.25f, 1.0f));

  // The user switches to the light style.
  QDBusMessage signal = QDBusMessage::createSignal(
      QStringLiteral("/org/freedesktop/portal/desktop"),
      QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"));
  signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
         << QVariant::fromValue(QDBusVariant(QVariant(2u)));
  ASSERT_TRUE(portalBus.send(signal));
  ASSERT_TRUE(schemes.wait(5000));
  EXPECT_FALSE(schemes.last().at(0).toBool());

  portalBus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
  portalBus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
  QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
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

#include "ThemeTest.moc"
