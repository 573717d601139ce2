#include "app/shell/FloatingWidgetPanel.h"

#include "app/platform/DesktopWindowHints.h"

#include <QCloseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>
#include <qdrawutil.h>

#include <vector>

namespace {

// One pass of a box blur over the rows (or columns) of an alpha image; three passes come close
// to a Gaussian.
void boxBlur(QImage& alpha, int radius, bool horizontal) {
  const int lines = horizontal ? alpha.height() : alpha.width();
  const int length = horizontal ? alpha.width() : alpha.height();
  std::vector<int> line(static_cast<size_t>(length));
  for (int l = 0; l < lines; ++l) {
    auto at = [&](int i) -> uchar& {
      return horizontal ? alpha.scanLine(l)[i] : alpha.scanLine(i)[l];
    };
    for (int i = 0; i < length; ++i) {
      line[static_cast<size_t>(i)] = at(i);
    }
    int sum = 0;
    for (int i = -radius; i <= radius; ++i) {
      sum += (i >= 0 && i < length) ? line[static_cast<size_t>(i)] : 0;
    }
    for (int i = 0; i < length; ++i) {
      at(i) = static_cast<uchar>(sum / (2 * radius + 1));
      const int leaving = i - radius;
      const int entering = i + radius + 1;
      sum -= leaving >= 0 ? line[static_cast<size_t>(leaving)] : 0;
      sum += entering < length ? line[static_cast<size_t>(entering)] : 0;
    }
  }
}

// The shadow of a rounded card as nine parts: corners as drawn, edges and middle stretched.
QPixmap shadowTile() {
  constexpr int r = FloatingWidgetPanel::shadowRadius;
  constexpr int c = int(FloatingWidgetPanel::cardCornerRadius);
  constexpr int side = 2 * (r + c) + 1;
  QImage alpha(side, side, QImage::Format_Alpha8);
  alpha.fill(0);
  {
    QPainter painter(&alpha);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, int(255 * FloatingWidgetPanel::shadowOpacity)));
    painter.drawRoundedRect(QRectF(r, r, side - 2 * r, side - 2 * r), c, c);
  }
  for (int pass = 0; pass < 3; ++pass) {
    boxBlur(alpha, r / 3, true);
    boxBlur(alpha, r / 3, false);
  }
  return QPixmap::fromImage(alpha.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

}  // namespace

FloatingWidgetPanel::FloatingWidgetPanel(QWidget* content, std::function<void()> onClose)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint),
      content_(content),
      onClose_(std::move(onClose)) {
  setObjectName(QStringLiteral("PelmoraFloatingWidget"));
  setWindowTitle(QStringLiteral("Pelmora Widget"));
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_ShowWithoutActivating);
  resize(contentSize);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  // The window grows and shrinks with the card (the reminders open and close).
  layout->setSizeConstraint(QLayout::SetFixedSize);
  layout->addWidget(content);
}

void FloatingWidgetPanel::setFloating(bool floating) {
  if (floating == isFloating()) {
    return;
  }
  // Changing the flags re-creates the native window, which hides it.
  const bool shown = isVisible();
  const QRect frame = geometry();
  setWindowFlag(Qt::WindowStaysOnTopHint, floating);
  setGeometry(frame);
  if (shown) {
    show();
  }
}

bool FloatingWidgetPanel::isFloating() const {
  return windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void FloatingWidgetPanel::setComposited(bool composited) {
  if (composited == composited_) {
    return;
  }
  composited_ = composited;
  if (composited_ && shadowTile_.isNull()) {
    shadowTile_ = shadowTile();
  }
  const QMargins margins = composited_ ? shadowMargins : QMargins();
  const QPoint card = pos() + content_->pos();
  layout()->setContentsMargins(margins);
  move(card - QPoint(margins.left(), margins.top()));
  updateBlurRegion();
  update();
  Q_EMIT compositedChanged(composited_);
}

QRect FloatingWidgetPanel::cardGeometry() const {
  const QMargins margins = composited_ ? shadowMargins : QMargins();
  return QRect(QPoint(margins.left(), margins.top()), content_->sizeHint());
}

void FloatingWidgetPanel::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (onClose_) {
    onClose_();
  } else {
    hide();
  }
}

void FloatingWidgetPanel::showEvent(QShowEvent* event) {
  // The native window exists but is not mapped yet; a change of level re-creates it.
  DesktopWindowHints::setSkipTaskbar(this);
  updateBlurRegion();
  QWidget::showEvent(event);
}

void FloatingWidgetPanel::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (isVisible()) {
    updateBlurRegion();
  }
}

void FloatingWidgetPanel::updateBlurRegion() {
  if (!testAttribute(Qt::WA_WState_Created)) {
    return;
  }
  QRegion area;
  if (composited_) {
    QPainterPath card;
    card.addRoundedRect(QRectF(cardGeometry()), cardCornerRadius, cardCornerRadius);
    area = QRegion(card.toFillPolygon().toPolygon());
  }
  DesktopWindowHints::setBlurBehind(this, area);
}

void FloatingWidgetPanel::paintEvent(QPaintEvent*) {
  if (!composited_) {
    return;
  }
  QPainter painter(this);
  // Only around the card: under its translucent fill the shadow would darken it.
  QPainterPath outside;
  outside.addRect(rect());
  QPainterPath card;
  card.addRoundedRect(QRectF(cardGeometry()), cardCornerRadius, cardCornerRadius);
  painter.setClipPath(outside.subtracted(card));
  constexpr int r = shadowRadius;
  constexpr int c = int(cardCornerRadius);
  const QRect target = cardGeometry().translated(shadowOffset).adjusted(-r, -r, r, r);
  const QMargins parts(r + c, r + c, r + c, r + c);
  qDrawBorderPixmap(&painter, target, parts, shadowTile_, shadowTile_.rect(), parts);
}
