#include "app/screens/shortcuts/AppLauncher.h"

#include <gio/gdesktopappinfo.h>

namespace {

// Owns one GObject reference.
template <typename T>
struct GObjectRef {
  T* object = nullptr;
  explicit GObjectRef(T* o) : object(o) {}
  ~GObjectRef() {
    if (object != nullptr) {
      g_object_unref(object);
    }
  }
  GObjectRef(const GObjectRef&) = delete;
  GObjectRef& operator=(const GObjectRef&) = delete;
};

class GioAppLauncher : public AppLauncher {
 public:
  std::optional<QString> installedName(const QString& desktopId) const override {
    const GObjectRef<GDesktopAppInfo> info(g_desktop_app_info_new(desktopId.toUtf8().constData()));
    if (info.object == nullptr) {
      return std::nullopt;
    }
    return QString::fromUtf8(g_app_info_get_display_name(G_APP_INFO(info.object)));
  }

  std::optional<QString> launch(const QString& desktopId) override {
    const GObjectRef<GDesktopAppInfo> info(g_desktop_app_info_new(desktopId.toUtf8().constData()));
    if (info.object == nullptr) {
      return QStringLiteral("it is no longer installed");
    }
    const GObjectRef<GAppLaunchContext> context(g_app_launch_context_new());
    GError* error = nullptr;
    if (g_app_info_launch(G_APP_INFO(info.object), nullptr, context.object, &error)) {
      return std::nullopt;
    }
    QString message = error != nullptr ? QString::fromUtf8(error->message)
                                        : QStringLiteral("the desktop gave no reason");
    g_clear_error(&error);
    return message;
  }
};

}  // namespace

std::shared_ptr<AppLauncher> AppLauncher::system() { return std::make_shared<GioAppLauncher>(); }
