#pragma once

class QRegion;
class QWidget;

// What an X11 desktop reads from a window beyond what Qt sets: whether a compositor draws the
// screen, whether a window belongs in the taskbar, and where the compositor may blur behind it.
// On other platforms these answer as a composited desktop would and set nothing.
class DesktopWindowHints {
 public:
  // True when a compositor owns the screen (the _NET_WM_CM_S0 selection), so translucent pixels
  // show what lies behind; also true off X11 (Wayland composites always), false offscreen.
  static bool isCompositing();

  // Keeps a window out of the taskbar and the pager. Call before it is mapped: the hint is
  // merged into the state Qt writes when it maps the window.
  static void setSkipTaskbar(QWidget* window);
  // Whether the window asks to be kept out of the taskbar, as its state property says.
  static bool skipsTaskbar(const QWidget* window);

  // Asks the compositor to blur what lies behind `area` of the window (KWin reads this, also
  // under XWayland); an empty area withdraws the request. Other desktops ignore it.
  static void setBlurBehind(QWidget* window, const QRegion& area);
};
