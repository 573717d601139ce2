#pragma once

#include <QColor>
#include <QWidget>

// A translucent background: the window colour at the material's opacity with the material's
// tint. Behind-window blending replaces what the window had there, so on a translucent
// top-level the desktop shows through (on an opaque one it lies over the window's background);
// within-window blending lies over the window's own content. Nothing is blurred: the desktops
// offer no common way to ask for it.
class VisualEffectView : public QWidget {
  Q_OBJECT

 public:
  enum class Material { windowBackground, sidebar, popover, menu, hudWindow };
  enum class BlendingMode { behindWindow, withinWindow };

  VisualEffectView(Material material, BlendingMode blendingMode, QWidget* parent = nullptr);

  Material material() const { return material_; }
  void setMaterial(Material material);
  BlendingMode blendingMode() const { return blendingMode_; }
  void setBlendingMode(BlendingMode blendingMode);

  // The one colour the material paints with over the given palette.
  static QColor fillColor(Material material, const QPalette& palette);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Material material_;
  BlendingMode blendingMode_;
};
