#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

// Where the tray popup opens: centred under the icon, or above it when the icon sits at the
// bottom of the screen, kept inside the screen's free area. A null `anchor` (the desktop did
// not say where its icon is) stands for a point at the cursor.
QPoint popupPosition(const QRect& anchor, const QPoint& cursor, const QSize& size,
                     const QRect& available);

// The frameless window the tray icon opens. A click anywhere else closes it.
class TrayPopup : public QWidget {
  Q_OBJECT

 public:
  static constexpr QSize contentSize{300, 420};

  // Takes ownership of `content`.
  explicit TrayPopup(QWidget* content);

  // Opens at the icon (or the cursor), or closes when open.
  void toggle(const QRect& iconGeometry);
  // True for a short moment after a click elsewhere closed it: that click may have been the
  // one on the tray icon, which must not open it again at once.
  bool justClosed() const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QElapsedTimer sinceClosed_;
};
