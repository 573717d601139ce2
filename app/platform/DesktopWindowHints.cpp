#include "app/platform/DesktopWindowHints.h"

#include <QByteArray>
#include <QGuiApplication>
#include <QHash>
#include <QRegion>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* connection() {
  if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
    return nullptr;
  }
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* c, const QByteArray& name) {
  static QHash<QByteArray, xcb_atom_t> known;
  if (const auto found = known.constFind(name); found != known.constEnd()) {
    return *found;
  }
  const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.constData()), nullptr));
  const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
  known.insert(name, value);
  return value;
}

QList<xcb_atom_t> windowStates(xcb_connection_t* c, xcb_window_t window) {
  const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
      c,
      xcb_get_property(c, 0, window, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 0, 1024),
      nullptr));
  QList<xcb_atom_t> states;
  if (reply && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
    const auto* values = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / int(sizeof(xcb_atom_t));
    states = QList<xcb_atom_t>(values, values + count);
  }
  return states;
}

}  // namespace

bool DesktopWindowHints::isCompositing() {
  const QString platform = QGuiApplication::platformName();
  if (platform != QStringLiteral("xcb")) {
    return platform.startsWith(QStringLiteral("wayland"));
  }
  xcb_connection_t* c = connection();
  if (c == nullptr) {
    return false;
  }
  // Screen 0: one X screen spanning every monitor is what desktops run today.
  const Reply<xcb_get_selection_owner_reply_t> reply(xcb_get_selection_owner_reply(
      c, xcb_get_selection_owner(c, atom(c, "_NET_WM_CM_S0")), nullptr));
  return reply && reply->owner != XCB_WINDOW_NONE;
}

void DesktopWindowHints::setSkipTaskbar(QWidget* window) {
  xcb_connection_t* c = connection();
  if (c == nullptr || window == nullptr) {
    return;
  }
  const auto id = static_cast<xcb_window_t>(window->winId());
  QList<xcb_atom_t> states = windowStates(c, id);
  for (const char* name : {"_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"}) {
    const xcb_atom_t state = atom(c, name);
    if (!states.contains(state)) {
      states.append(state);
    }
  }
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                      static_cast<uint32_t>(states.size()), states.constData());
  xcb_flush(c);
}

bool DesktopWindowHints::skipsTaskbar(const QWidget* window) {
  xcb_connection_t* c = connection();
  if (c == nullptr || window == nullptr || !window->testAttribute(Qt::WA_WState_Created)) {
    return false;
  }
  return windowStates(c, static_cast<xcb_window_t>(window->winId()))
      .contains(atom(c, "_NET_WM_STATE_SKIP_TASKBAR"));
}

void DesktopWindowHints::setBlurBehind(QWidget* window, const QRegion& area) {
  xcb_connection_t* c = connection();
  if (c == nullptr || window == nullptr) {
    return;
  }
  const auto id = static_cast<xcb_window_t>(window->winId());
  const xcb_atom_t property = atom(c, "_KDE_NET_WM_BLUR_BEHIND_REGION");
  if (area.isEmpty()) {
    xcb_delete_property(c, id, property);
  } else {
    // x, y, width and height of each rectangle, one after another.
    QList<uint32_t> values;
    for (const QRect& rect : area) {
      values << uint32_t(rect.x()) << uint32_t(rect.y()) << uint32_t(rect.width())
             << uint32_t(rect.height());
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, property, XCB_ATOM_CARDINAL, 32,
                        static_cast<uint32_t>(values.size()), values.constData());
  }
  xcb_flush(c);
}
