#include "ScreenGrab.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

QImage grabScreen(const QByteArray& display) {
  int screenNumber = 0;
  std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
      xcb_connect(display.constData(), &screenNumber), &xcb_disconnect);
  if (xcb_connection_has_error(connection.get())) {
    return {};
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.get()));
  for (int i = 0; i < screenNumber && screens.rem > 0; ++i) {
    xcb_screen_next(&screens);
  }
  const xcb_screen_t* screen = screens.data;
  if (!screen) {
    return {};
  }
  const int width = screen->width_in_pixels;
  const int height = screen->height_in_pixels;
  const xcb_get_image_cookie_t cookie =
      xcb_get_image(connection.get(), XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, 0, 0,
                    static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u);
  std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(
      xcb_get_image_reply(connection.get(), cookie, nullptr), &std::free);
  // At depth 24 each pixel takes 32 bits, blue first: Qt's RGB32 on this byte order.
  if (!reply || reply->depth != 24 || xcb_get_image_data_length(reply.get()) < width * height * 4) {
    return {};
  }
  return QImage(xcb_get_image_data(reply.get()), width, height, width * 4, QImage::Format_RGB32)
      .copy();
}
