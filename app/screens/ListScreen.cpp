#include "app/screens/ListScreen.h"

#include "app/platform/SymbolImage.h"
#include "app/screens/ScreenScaffold.h"
#include "app/ui/Confirmation.h"
#include "app/ui/FlowLayout.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/ThemedLabel.h"

#include <QButtonGroup>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QHelpEvent>
#include <QStackedWidget>
#include <QToolTip>
#include <QVBoxLayout>

namespace {

constexpr int kRowGap = 3;
constexpr int kPanelPadding = 12;
constexpr int kSymbolSize = 16;
constexpr int kLeadingSize = 20;
constexpr int kActionSpacing = 10;
constexpr qreal kRadius = 10;

}  // namespace

// ---- RowDelegate ----

RowDelegate::RowDelegate(int rowHeight, QObject* parent)
    : QStyledItemDelegate(parent), rowHeight_(rowHeight) {}

std::optional<RowAction> RowDelegate::leadingAction(const QModelIndex&) const {
  return std::nullopt;
}

QList<RowAction> RowDelegate::trailingActions(const QModelIndex&) const { return {}; }

QList<RowAction> RowDelegate::actions(const QModelIndex& index) const {
  QList<RowAction> all;
  if (auto leading = leadingAction(index)) {
    all.append(*leading);
  }
  all.append(trailingActions(index));
  return all;
}

RowDelegate::TextLines RowDelegate::textLines(const QRect& area, const QFont& base) {
  TextLines lines;
  lines.titleFont = Theme::font(base, 13, QFont::DemiBold);
  lines.detailFont = Theme::font(base, 11);
  const int lineHeight = QFontMetrics(lines.titleFont).height();
  const int top = area.center().y() - lineHeight - 1;
  lines.first = QRect(area.left(), top, area.width(), lineHeight);
  lines.second = QRect(area.left(), top + lineHeight + 3, area.width(),
                       QFontMetrics(lines.detailFont).height() + 2);
  return lines;
}

QRect RowDelegate::panelRect(const QRect& rect) { return rect.adjusted(0, kRowGap, 0, -kRowGap); }

QList<QRect> RowDelegate::actionRects(const QRect& rect, const QModelIndex& index) const {
  const QRect panel = panelRect(rect);
  QList<QRect> rects;
  if (leadingAction(index)) {
    rects.append(QRect(panel.left() + kPanelPadding, panel.center().y() - kLeadingSize / 2 + 1,
                       kLeadingSize, kLeadingSize));
  }
  const QList<RowAction> trailing = trailingActions(index);
  int x = panel.right() - kPanelPadding - static_cast<int>(trailing.size()) * kSymbolSize -
          static_cast<int>(std::max<qsizetype>(trailing.size() - 1, 0)) * kActionSpacing + 1;
  for (qsizetype i = 0; i < trailing.size(); ++i) {
    rects.append(QRect(x, panel.center().y() - kSymbolSize / 2 + 1, kSymbolSize, kSymbolSize));
    x += kSymbolSize + kActionSpacing;
  }
  return rects;
}

QSize RowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  return QSize(option.rect.width(), rowHeight_ + 2 * kRowGap);
}

void RowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
  const QWidget* context = option.widget;
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing);
  const QRectF panel = QRectF(panelRect(option.rect)).adjusted(0.5, 0.5, -0.5, -0.5);
  QColor fill = Theme::color(ThemeColor::windowBackground, context);
  QColor outline = Theme::color(ThemeColor::primary, context);
  outline.setAlphaF(outline.alphaF() * 0.08);
  const bool focused =
      (option.state & QStyle::State_HasFocus) && context != nullptr && context->hasFocus();
  if (option.state & QStyle::State_Selected) {
    fill = Theme::color(ThemeColor::accent, context);
    fill.setAlphaF(0.12);
    outline = Theme::color(ThemeColor::accent, context);
    outline.setAlphaF(focused ? 0.9 : 0.35);
  } else if (option.state & QStyle::State_MouseOver) {
    fill = Theme::color(ThemeColor::primary, context);
    fill.setAlphaF(0.04);
  }
  // The keyboard's row, selected or not, is outlined in the accent colour.
  if (focused) {
    outline = Theme::color(ThemeColor::accent, context);
    outline.setAlphaF(0.9);
  }
  QPainterPath shape;
  shape.addRoundedRect(panel, kRadius, kRadius);
  painter->fillPath(shape, fill);
  painter->setPen(QPen(outline, focused ? 1.5 : 1));
  painter->drawPath(shape);

  const QList<RowAction> all = actions(index);
  const QList<QRect> rects = actionRects(option.rect, index);
  for (qsizetype i = 0; i < all.size(); ++i) {
    const QColor color = Theme::color(all[i].color, context);
    SymbolImage::icon(all[i].symbol, color).paint(painter, rects[i]);
  }

  QRect content = panelRect(option.rect).adjusted(kPanelPadding, 0, -kPanelPadding, 0);
  if (leadingAction(index)) {
    content.setLeft(content.left() + kLeadingSize + kPanelPadding);
  }
  const int trailing =
      std::max(static_cast<int>(all.size()) - (leadingAction(index) ? 1 : 0), trailingSlots());
  if (trailing > 0) {
    content.setRight(content.right() - trailing * kSymbolSize - (trailing - 1) * kActionSpacing -
                     kPanelPadding);
  }
  paintContent(painter, option, content, index);
  painter->restore();
}

bool RowDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                              const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton) {
      if (const auto action = actionAt(option.rect, index, mouse->position().toPoint())) {
        Q_EMIT actionTriggered(index, action->id);
        return true;
      }
    }
  }
  return QStyledItemDelegate::editorEvent(event, model, option, index);
}

std::optional<RowAction> RowDelegate::actionAt(const QRect& rect, const QModelIndex& index,
                                               const QPoint& pos) const {
  const QList<RowAction> all = actions(index);
  const QList<QRect> rects = actionRects(rect, index);
  for (qsizetype i = 0; i < all.size(); ++i) {
    if (rects[i].adjusted(-4, -4, 4, 4).contains(pos)) {
      return all[i];
    }
  }
  return std::nullopt;
}

bool RowDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                            const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (event->type() == QEvent::ToolTip && index.isValid()) {
    if (const auto action = actionAt(option.rect, index, event->pos())) {
      QToolTip::showText(event->globalPos(), action->title, view, option.rect);
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void RowDelegate::drawText(QPainter* painter, const QRect& rect, const QString& text,
                           const QFont& font, const QColor& color, Qt::Alignment alignment) {
  painter->setFont(font);
  painter->setPen(color);
  const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, rect.width());
  painter->drawText(rect, static_cast<int>(alignment | Qt::TextSingleLine), shown);
}

int RowDelegate::drawBadge(QPainter* painter, QWidget* badge, const QPoint& topLeft,
                           const QWidget* context) {
  if (context) {
    badge->setPalette(context->palette());
  }
  badge->ensurePolished();
  badge->resize(badge->sizeHint());
  // A capsule has no background of its own, so its grab is transparent around the shape.
  painter->drawPixmap(topLeft, badge->grab());
  return badge->width();
}

// ---- RowListView ----

RowListView::RowListView(RowDelegate* delegate, QWidget* parent)
    : QListView(parent), delegate_(delegate) {
  delegate_->setParent(this);
  setItemDelegate(delegate_);
  setFrameShape(QFrame::NoFrame);
  setMouseTracking(true);
  setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setAutoFillBackground(false);
  setAutoFillBackground(false);
  connect(delegate_, &RowDelegate::actionTriggered, this, &RowListView::trigger);
}

void RowListView::trigger(const QModelIndex& index, const QString& actionId) {
  if (index.isValid()) {
    Q_EMIT actionTriggered(index, actionId);
  }
}

void RowListView::keyPressEvent(QKeyEvent* event) {
  const QModelIndex index = currentIndex();
  if (index.isValid()) {
    const QList<RowAction> all = delegate_->actions(index);
    const auto has = [&](const QString& id) {
      return std::any_of(all.begin(), all.end(), [&](const RowAction& a) { return a.id == id; });
    };
    QString id;
    switch (event->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        id = delegate_->defaultActionId();
        break;
      case Qt::Key_Delete:
      case Qt::Key_Backspace:
        id = QStringLiteral("delete");
        break;
      case Qt::Key_Space:
        if (auto leading = delegate_->leadingAction(index)) {
          id = leading->id;
        }
        break;
      default:
        break;
    }
    if (!id.isEmpty() && has(id)) {
      trigger(index, id);
      event->accept();
      return;
    }
  }
  QListView::keyPressEvent(event);
}

void RowListView::contextMenuEvent(QContextMenuEvent* event) {
  const QModelIndex index =
      event->reason() == QContextMenuEvent::Mouse ? indexAt(event->pos()) : currentIndex();
  if (!index.isValid()) {
    return;
  }
  setCurrentIndex(index);
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (const RowAction& action : delegate_->actions(index)) {
    menu->addAction(
        SymbolImage::icon(action.symbol), action.title, this,
        [this, index = QPersistentModelIndex(index), id = action.id] { trigger(index, id); });
  }
  const QPoint at = event->reason() == QContextMenuEvent::Mouse
                        ? event->globalPos()
                        : viewport()->mapToGlobal(visualRect(index).center());
  menu->popup(at);
}

// ---- FilterBar ----

namespace {

// One filter: a capsule filled with the accent colour while chosen, faint otherwise.
class FilterChip : public QPushButton {
 public:
  FilterChip(const QString& title, QWidget* parent) : QPushButton(title, parent) {
    setCheckable(true);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(font(), 12, QFont::Medium));
    setAttribute(Qt::WA_Hover);
  }

  QSize sizeHint() const override {
    const QFontMetrics metrics(font());
    return QSize(metrics.horizontalAdvance(text()) + 28, metrics.height() + 10);
  }
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF shape = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = shape.height() / 2;
    QColor fill = Theme::color(isChecked() ? ThemeColor::accent : ThemeColor::primary, this);
    if (!isChecked()) {
      fill.setAlphaF(underMouse() ? 0.1 : 0.06);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(shape, radius, radius);
    if (hasFocus()) {
      QColor ring = Theme::color(ThemeColor::accent, this);
      ring.setAlphaF(0.6);
      p.setPen(QPen(ring, 2));
      p.setBrush(Qt::NoBrush);
      p.drawRoundedRect(shape.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    }
    p.setPen(isChecked() ? palette().color(QPalette::HighlightedText)
                         : Theme::color(ThemeColor::primary, this));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, text());
  }
};

}  // namespace

FilterBar::FilterBar(const QStringList& titles, int selected, QWidget* parent)
    : QWidget(parent), group_(new QButtonGroup(this)) {
  // At a narrow width the filters take a second line rather than hide one off the edge.
  auto* row = new FlowLayout(this, 6, 6);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  group_->setExclusive(true);
  for (int i = 0; i < titles.size(); ++i) {
    auto* button = new FilterChip(titles[i], this);
    button->setChecked(i == selected);
    group_->addButton(button, i);
    row->addWidget(button);
  }
  connect(group_, &QButtonGroup::idClicked, this, &FilterBar::selectedChanged);
}

int FilterBar::selected() const { return group_->checkedId(); }

void FilterBar::setSelected(int index) {
  if (QAbstractButton* b = group_->button(index)) {
    b->click();
  }
}

void FilterBar::showSelected(int index) {
  if (QAbstractButton* b = group_->button(index)) {
    b->setChecked(true);
  }
}

QAbstractButton* FilterBar::button(int index) const { return group_->button(index); }

// ---- list-or-empty ----

ListOrEmpty::ListOrEmpty(QListView* list, QWidget* parent)
    : QWidget(parent), stack_(new QStackedWidget(this)), list_(list) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(stack_);
  stack_->addWidget(list_);
}

void ListOrEmpty::refresh(const std::function<QWidget*()>& makeEmpty) {
  const bool hasRows = list_->model() && list_->model()->rowCount() > 0;
  if (hasRows) {
    stack_->setCurrentWidget(list_);
    return;
  }
  if (empty_) {
    stack_->removeWidget(empty_);
    empty_->deleteLater();
  }
  empty_ = makeEmpty();
  stack_->addWidget(empty_);
  stack_->setCurrentWidget(empty_);
}

bool ListOrEmpty::showsList() const { return stack_->currentWidget() == list_; }

ListScreenFrame buildListScreen(QWidget* screen, const ListScreenTexts& texts,
                                const QStringList& filterTitles, int selectedFilter,
                                RowDelegate* delegate, QAbstractItemModel* model,
                                const QList<QWidget*>& notices) {
  constexpr int kPadding = 20;
  ListScreenFrame frame;
  auto* column = new QVBoxLayout(screen);
  column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  column->setSpacing(14);

  frame.addButton = new ProminentButton(texts.addTitle, screen);
  frame.addButton->setAccessibleName(texts.addAccessibleName);
  column->addWidget(
      screen_scaffold::header(screen, texts.title, std::nullopt, frame.addButton).widget);
  for (QWidget* notice : notices) {
    column->addWidget(notice);
  }
  frame.filters = new FilterBar(filterTitles, selectedFilter, screen);
  column->addWidget(frame.filters);

  frame.list = new RowListView(delegate, screen);
  frame.list->setModel(model);
  frame.list->setAccessibleName(texts.listAccessibleName);
  frame.body = new ListOrEmpty(frame.list, screen);
  column->addWidget(frame.body, 1);
  return frame;
}

void confirmDeletion(QPointer<QMessageBox>& pending, QWidget* screen, const QString& title,
                     const QString& name, std::function<void()> remove, bool returnConfirms) {
  if (pending) {
    pending->close();
  }
  pending = askToConfirm(
      screen,
      {title, QStringLiteral("\"%1\" will be removed. This cannot be undone.").arg(name), QString(),
       QStringLiteral("Delete"), returnConfirms},
      [remove = std::move(remove)](bool confirmed) {
        if (confirmed) {
          remove();
        }
      });
}
