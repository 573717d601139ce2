#include "app/ui/ThemedLabel.h"

#include <QEvent>

ThemedLabel::ThemedLabel(const QString& text, ThemeColor role, QWidget* parent)
    : QLabel(text, parent), role_(role) {
  setTextFormat(Qt::PlainText);
  applyColor();
}

ThemedLabel::ThemedLabel(const QString& text, ThemeColor role, int pixelSize, QFont::Weight weight,
                         QWidget* parent)
    : ThemedLabel(text, role, parent) {
  setTextStyle(pixelSize, weight);
}

ThemedLabel* ThemedLabel::messageLine(ThemeColor role, QWidget* parent) {
  auto* line = new ThemedLabel(QString(), role, parent);
  line->setWordWrap(true);
  line->hide();
  return line;
}

void ThemedLabel::setRole(ThemeColor role) {
  role_ = role;
  applyColor();
}

void ThemedLabel::setTextStyle(int pixelSize, QFont::Weight weight) {
  setFont(Theme::font(font(), pixelSize, weight));
}

bool ThemedLabel::event(QEvent* event) {
  const bool handled = QLabel::event(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ParentChange) {
    applyColor();
  }
  return handled;
}

void ThemedLabel::applyColor() {
  // Our own palette overrides the text colour, so the named colour is resolved against the
  // palette we would inherit; setting an unchanged colour sends no further change event.
  const QPalette inherited = parentWidget() ? parentWidget()->palette() : QPalette();
  const QColor wanted = Theme::color(role_, parentWidget() ? inherited : palette());
  if (palette().color(QPalette::WindowText) == wanted) {
    return;
  }
  QPalette own = palette();
  own.setColor(QPalette::WindowText, wanted);
  setPalette(own);
}
