#include "app/screens/ScreenScaffold.h"

#include "app/ui/ThemedLabel.h"

#include <QFocusEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>

namespace screen_scaffold {

namespace {

constexpr int kPadding = 18;
constexpr int kSpacing = 18;

// A ring laid over a scroll area's visible part while the area has the keyboard.
class FocusRing : public QWidget {
 public:
  explicit FocusRing(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::color(ThemeColor::accent, this), 2));
    painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 6, 6);
  }
};

// Tab stops on the screen itself so the arrows and Page keys scroll it; a ring round the
// visible part shows that Tab brought the keyboard there.
class ScreenScrollArea : public QScrollArea {
 public:
  explicit ScreenScrollArea(QWidget* parent) : QScrollArea(parent), ring_(new FocusRing(this)) {}

 protected:
  void focusInEvent(QFocusEvent* event) override {
    QScrollArea::focusInEvent(event);
    // Only the keyboard's arrival is ringed: a click on the screen needs no sign.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
      ring_->setGeometry(viewport()->geometry());
      ring_->raise();
      ring_->show();
    }
  }
  void focusOutEvent(QFocusEvent* event) override {
    QScrollArea::focusOutEvent(event);
    ring_->hide();
  }
  void resizeEvent(QResizeEvent* event) override {
    QScrollArea::resizeEvent(event);
    ring_->setGeometry(viewport()->geometry());
  }

 private:
  FocusRing* ring_;
};

}  // namespace

Parts build(QWidget* screen, const QString& title, const QString& subtitle) {
  Parts parts;
  screen->setAutoFillBackground(true);
  screen->setBackgroundRole(QPalette::Window);
  auto* outer = new QVBoxLayout(screen);
  outer->setContentsMargins(0, 0, 0, 0);
  parts.scroll = new ScreenScrollArea(screen);
  parts.scroll->setWidgetResizable(true);
  parts.scroll->setFrameShape(QFrame::NoFrame);
  parts.scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  parts.scroll->viewport()->setAutoFillBackground(false);
  outer->addWidget(parts.scroll);

  auto* content = new QWidget(parts.scroll);
  content->setAutoFillBackground(false);
  parts.column = new QVBoxLayout(content);
  parts.column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  parts.column->setSpacing(kSpacing);

  const Header top = header(content, title, subtitle);
  parts.title = top.title;
  parts.subtitle = top.subtitle;
  parts.column->addWidget(top.widget);

  parts.scroll->setWidget(content);
  return parts;
}

Header header(QWidget* parent, const QString& title, std::optional<QString> subtitle,
              QWidget* trailing) {
  Header result;
  result.widget = new QWidget(parent);
  auto* row = new QHBoxLayout(result.widget);
  row->setContentsMargins(0, 0, 0, 0);
  auto* titles = new QVBoxLayout;
  titles->setSpacing(2);
  result.title = new ThemedLabel(title, ThemeColor::primary, result.widget);
  result.title->setTextStyle(22, QFont::Bold);
  result.title->setAccessibleName(title);
  titles->addWidget(result.title);
  if (subtitle) {
    result.subtitle = new ThemedLabel(*subtitle, ThemeColor::secondary, result.widget);
    result.subtitle->setTextStyle(12);
    result.subtitle->setWordWrap(true);
    titles->addWidget(result.subtitle);
  }
  row->addLayout(titles, 1);
  if (trailing != nullptr) {
    // Level with the title line when a subtitle hangs under it.
    row->addWidget(trailing, 0, result.subtitle ? Qt::AlignTop : Qt::AlignVCenter);
  }
  return result;
}

}  // namespace screen_scaffold
