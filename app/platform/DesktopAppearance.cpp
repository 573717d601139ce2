#include "app/platform/DesktopAppearance.h"

#include "core/model/DiagnosticLogger.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");
const QString kAccent = QStringLiteral("accent-color");

// Read() wraps the value in one more variant than SettingChanged does; peel them all.
QVariant unwrapped(QVariant value) {
  while (value.metaType() == QMetaType::fromType<QDBusVariant>()) {
    value = value.value<QDBusVariant>().variant();
  }
  return value;
}

}  // namespace

DesktopAppearance::DesktopAppearance(QObject* parent) : QObject(parent) {}

void DesktopAppearance::start() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    return;
  }
  // QtDBus only matches the slot when QDBusVariant is a known meta type; at start-up
  // nothing may have registered it yet, and the connection would silently fail.
  qRegisterMetaType<QDBusVariant>();
  if (!bus.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                   SLOT(onSettingChanged(QString, QString, QDBusVariant)))) {
    DiagnosticLogger::shared().log(QStringLiteral("Cannot follow the desktop's appearance changes."),
                                   QStringLiteral("WARN"), QStringLiteral("System"));
  }
  read(kColorScheme);
  read(kAccent);
}

void DesktopAppearance::read(const QString& key) {
  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
  call << kGroup << key;
  auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this,
          [this, key](QDBusPendingCallWatcher* finished) {
            finished->deleteLater();
            const QDBusPendingReply<QDBusVariant> reply = *finished;
            if (!reply.isError()) {
              deliver(key, reply.argumentAt(0));
            }
          });
}

void DesktopAppearance::onSettingChanged(const QString& group, const QString& key,
                                         const QDBusVariant& value) {
  if (group == kGroup) {
    deliver(key, value.variant());
  }
}

void DesktopAppearance::deliver(const QString& key, const QVariant& value) {
  if (key == kColorScheme) {
    if (const auto dark = prefersDarkFrom(value)) {
      Q_EMIT colorSchemeChanged(*dark);
    }
  } else if (key == kAccent) {
    if (const auto accent = accentFrom(value)) {
      Q_EMIT accentChanged(*accent);
    }
  }
}

std::optional<bool> DesktopAppearance::prefersDarkFrom(const QVariant& value) {
  const QVariant v = unwrapped(value);
  bool ok = false;
  const uint scheme = v.toUInt(&ok);
  if (!ok || scheme > 2) {
    return std::nullopt;
  }
  return scheme == 1;
}

std::optional<QColor> DesktopAppearance::accentFrom(const QVariant& value) {
  const QVariant v = unwrapped(value);
  double rgb[3] = {-1, -1, -1};
  if (v.metaType() == QMetaType::fromType<QDBusArgument>()) {
    const QDBusArgument arg = v.value<QDBusArgument>();
    if (arg.currentType() != QDBusArgument::StructureType) {
      return std::nullopt;
    }
    arg.beginStructure();
    for (double& component : rgb) {
      if (arg.atEnd()) {
        return std::nullopt;
      }
      arg >> component;
    }
    arg.endStructure();
  } else {
    const QVariantList list = v.toList();
    if (list.size() != 3) {
      return std::nullopt;
    }
    for (int i = 0; i < 3; ++i) {
      rgb[i] = list[i].toDouble();
    }
  }
  for (double component : rgb) {
    // The portal sends components outside 0...1 when the user set no accent.
    if (!(component >= 0.0 && component <= 1.0)) {
      return std::nullopt;
    }
  }
  return QColor::fromRgbF(static_cast<float>(rgb[0]), static_cast<float>(rgb[1]),
                          static_cast<float>(rgb[2]));
}
