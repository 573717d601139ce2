#include "app/platform/DesktopAppearance.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QSignalSpy>

#include <gtest/gtest.h>

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

// The values at start come from the portal's Read; a later switch of the desktop's style arrives
// as the portal's SettingChanged signal and is passed on while the app runs.
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

  // The user switches to the light style, then to dark again.
  for (const uint scheme : {2u, 1u}) {
    QDBusMessage signal = QDBusMessage::createSignal(
        QStringLiteral("/org/freedesktop/portal/desktop"),
        QStringLiteral("org.freedesktop.portal.Settings"), QStringLiteral("SettingChanged"));
    signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
           << QVariant::fromValue(QDBusVariant(QVariant(scheme)));
    ASSERT_TRUE(portalBus.send(signal));
    ASSERT_TRUE(schemes.wait(5000)) << scheme;
    EXPECT_EQ(schemes.last().at(0).toBool(), scheme == 1u);
  }

  portalBus.unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
  portalBus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
  QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
}

}  // namespace

#include "DesktopPortalTest.moc"
