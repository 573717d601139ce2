#include "app/platform/DesktopAppearance.h"
#include "app/platform/Theme.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

const ThemeColor kHues[] = {ThemeColor::blue,   ThemeColor::orange, ThemeColor::red,
                            ThemeColor::purple, ThemeColor::green,  ThemeColor::yellow};

// Puts the shared theme back as the other tests expect it.
struct ThemeGuard {
  ~ThemeGuard() {
    Theme& theme = Theme::shared();
    theme.setMode(AppThemeMode::system);
    theme.setSystemPrefersDark(false);
    theme.setDesktopAccent(QColor());
  }
};

}  // namespace

TEST(Theme, TextColoursFallInEmphasisAndHuesSuitTheBackground) {
  for (bool dark : {false, true}) {
    const QPalette palette = Theme::palette(dark, Theme::defaultAccent());
    EXPECT_EQ(Theme::isDark(palette), dark);
    const QColor primary = Theme::color(ThemeColor::primary, palette);
    const QColor secondary = Theme::color(ThemeColor::secondary, palette);
    const QColor tertiary = Theme::color(ThemeColor::tertiary, palette);
    EXPECT_EQ(primary, palette.color(QPalette::WindowText));
    EXPECT_EQ(secondary.rgb(), primary.rgb());
    EXPECT_EQ(tertiary.rgb(), primary.rgb());
    EXPECT_GT(primary.alphaF(), secondary.alphaF());
    EXPECT_GT(secondary.alphaF(), tertiary.alphaF());
    EXPECT_EQ(Theme::color(ThemeColor::windowBackground, palette), palette.color(QPalette::Window));

    // Light text on dark, dark text on light.
    const int window = palette.color(QPalette::Window).lightness();
    EXPECT_GT(std::abs(QColor(primary.rgb()).lightness() - window), 150);
    // Every hue stands out from the window: lighter tones in dark, darker ones in light.
    for (ThemeColor hue : kHues) {
      const int lightness = Theme::color(hue, palette).lightness();
      EXPECT_TRUE(dark ? lightness > window + 60 : lightness < window - 60)
          << static_cast<int>(hue) << (dark ? " dark" : " light");
    }
  }
  // The same name is a different tone in the two styles, and the GNOME blue in light.
  const QPalette light = Theme::palette(false, Theme::defaultAccent());
  const QPalette dark = Theme::palette(true, Theme::defaultAccent());
  for (ThemeColor hue : kHues) {
    EXPECT_NE(Theme::color(hue, light), Theme::color(hue, dark));
  }
  EXPECT_EQ(Theme::color(ThemeColor::blue, light), QColor(0x1c, 0x71, 0xd8));
}

TEST(Theme, AccentIsTheDesktopHighlight) {
  const QColor purple(0x91, 0x41, 0xac);
  EXPECT_EQ(Theme::color(ThemeColor::accent, Theme::palette(false, purple)), purple);
  EXPECT_EQ(Theme::color(ThemeColor::accent, Theme::palette(true, purple)), purple);
  EXPECT_EQ(Theme::color(ThemeColor::accent, Theme::palette(false, QColor())),
            Theme::defaultAccent());

  ThemeGuard guard;
  Theme& theme = Theme::shared();
  theme.setDesktopAccent(purple);
  EXPECT_EQ(theme.accent(), purple);
  EXPECT_EQ(QApplication::palette().color(QPalette::Highlight), purple);
  theme.setDesktopAccent(QColor());
  EXPECT_EQ(theme.accent(), Theme::defaultAccent());
}

TEST(Theme, FollowsTheSystemUnlessTheSettingSaysOtherwise) {
  ThemeGuard guard;
  Theme& theme = Theme::shared();
  theme.setMode(AppThemeMode::system);
  theme.setSystemPrefersDark(false);
  QSignalSpy changed(&theme, &Theme::changed);

  theme.setSystemPrefersDark(true);
  EXPECT_TRUE(theme.isDark());
  EXPECT_TRUE(Theme::isDark(QApplication::palette()));
  EXPECT_EQ(changed.count(), 1);

  theme.setMode(AppThemeMode::light);
  EXPECT_FALSE(theme.isDark());
  EXPECT_FALSE(Theme::isDark(QApplication::palette()));
  EXPECT_EQ(changed.count(), 2);

  // The desktop changing its mind does not override the user's choice.
  theme.setSystemPrefersDark(false);
  theme.setSystemPrefersDark(true);
  EXPECT_FALSE(Theme::isDark(QApplication::palette()));
  EXPECT_EQ(changed.count(), 2);

  theme.setMode(AppThemeMode::dark);
  EXPECT_TRUE(Theme::isDark(QApplication::palette()));
  theme.setMode(AppThemeMode::dark);
  EXPECT_EQ(changed.count(), 3);

  theme.setMode(AppThemeMode::system);  // the system still prefers dark: nothing to redo
  EXPECT_TRUE(theme.isDark());
  EXPECT_EQ(changed.count(), 3);
}

TEST(DesktopAppearance, ReadsThePortalsValues) {
  EXPECT_EQ(DesktopAppearance::prefersDarkFrom(QVariant(1u)), std::optional<bool>(true));
  EXPECT_EQ(DesktopAppearance::prefersDarkFrom(QVariant(0u)), std::optional<bool>(false));
  EXPECT_EQ(DesktopAppearance::prefersDarkFrom(QVariant(2u)), std::optional<bool>(false));
  EXPECT_EQ(DesktopAppearance::prefersDarkFrom(QVariant(7u)), std::nullopt);
  EXPECT_EQ(DesktopAppearance::prefersDarkFrom(QVariant(QStringLiteral("dark"))), std::nullopt);
  // Read() answers with a variant inside a variant.
  const QVariant nested =
      QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(1u)))));
  EXPECT_EQ(DesktopAppearance::prefersDarkFrom(nested), std::optional<bool>(true));

  const auto accent = DesktopAppearance::accentFrom(QVariantList{0.2, 0.4, 0.6});
  ASSERT_TRUE(accent);
  EXPECT_EQ(accent->red(), 51);
  EXPECT_EQ(accent->green(), 102);
  EXPECT_EQ(accent->blue(), 153);
  // Out-of-range components are how the portal says "no accent".
  EXPECT_EQ(DesktopAppearance::accentFrom(QVariantList{-1.0, -1.0, -1.0}), std::nullopt);
  EXPECT_EQ(DesktopAppearance::accentFrom(QVariantList{0.2, 0.4}), std::nullopt);
}

namespace {

// Stands in for the desktop's settings portal on the test session's bus.
class FakeSettingsPortal : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

 public:
  uint scheme = 1;
  double accent[3] = {0.5, 0.25, 1.0};

 public Q_SLOTS:
  QDBusVariant Read(const QString& group, const QString& key) {
    QVariant value;
    if (group == QStringLiteral("org.freedesktop.appearance") &&
        key == QStringLiteral("color-scheme")) {
      value = QVariant(scheme);
    } else if (group == QStringLiteral("org.freedesktop.appearance") &&
               key == QStringLiteral("accent-color")) {
      QDBusArgument rgb;
      rgb.beginStructure();
      rgb << accent[0] << accent[1] << accent[2];
      rgb.endStructure();
      value = QVariant::fromValue(rgb);
    }
    return QDBusVariant(QVariant::fromValue(QDBusVariant(value)));
  }
};

}  // namespace

TEST(DesktopAppearance, FollowsThePortalOnTheSessionBus) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    GTEST_SKIP() << "no session bus: run inside scripts/test-session.sh";
  }
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
  if (accents.isEmpty()) {
    ASSERT_TRUE(accents.wait(5000));
  }
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

#include "ThemeTest.moc"
