#include "app/screens/tasks/TaskRow.h"

#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/screens/tasks/TaskList.h"
#include "app/screens/tasks/TaskListModel.h"
#include "app/ui/CapsuleBadge.h"
#include "app/ui/PriorityBadge.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>
#include <QToolTip>

namespace {

constexpr int kInset = 12;  // inset list: room on both sides of a row
constexpr int kVerticalPadding = 4;
constexpr int kSpacing = 10;
constexpr int kCheckboxSize = 16;
constexpr int kCheckboxTop = 2;
constexpr int kDetailSpacing = 4;
constexpr int kMetaSpacing = 8;
constexpr int kLabelIconSpacing = 3;
constexpr int kActionSymbol = 11;
constexpr int kActionTarget = 20;  // a click target around the small symbol
constexpr int kActionSpacing = 4;
constexpr int kBadgeSpacing = 6;
constexpr int kNotesMaxLines = 2;

QRect contentRect(const QRect& rect) {
  return rect.adjusted(kInset, kVerticalPadding, -kInset, -kVerticalPadding);
}

}  // namespace

TaskRow::TaskRow(Action onToggle, Action onEdit, Action onDelete,
                 std::function<QDateTime()> clock, Calendar calendar, QObject* parent)
    : QStyledItemDelegate(parent),
      onToggle_(std::move(onToggle)),
      onEdit_(std::move(onEdit)),
      onDelete_(std::move(onDelete)),
      clock_(std::move(clock)),
      calendar_(std::move(calendar)) {}

const TaskRow::Metrics& TaskRow::metrics(const QFont& base) const {
  if (metricsFont_ && *metricsFont_ == base) {
    return metrics_;
  }
  metricsFont_ = base;
  Metrics& m = metrics_;
  m.title = Theme::font(base, 13, QFont::Medium);
  m.sample = Theme::font(base, 9, QFont::Bold);
  m.badge = Theme::font(base, 11, QFont::Medium);
  m.notes = Theme::font(base, 11);
  m.meta = Theme::font(base, 10);
  m.metaBold = Theme::font(base, 10, QFont::Bold);
  m.priorityBadges.clear();
  for (TaskPriority priority : allCases<TaskPriority>) {
    m.priorityBadges.append(CapsuleBadge::measure(::displayText(priority), m.badge, true, 6));
  }
  m.titleLine = std::max(QFontMetrics(m.title).height(), m.priorityBadges.first().height());
  m.notesLineSpacing = QFontMetrics(m.notes).lineSpacing();
  m.metaLine = std::max(CapsuleBadge::measure(QStringLiteral("M"), m.badge, false, 6).height(),
                        QFontMetrics(m.meta).height());
  const QFontMetrics sample(m.sample);
  m.sampleBadge = QSize(sample.horizontalAdvance(QStringLiteral("Sample")) + 8, sample.height() + 2);
  return m;
}

const TaskItem* TaskRow::taskAt(const QModelIndex& index) const {
  const auto* model = qobject_cast<const TaskListModel*>(index.model());
  if (model == nullptr || index.row() < 0 || index.row() >= model->rowCount()) {
    return nullptr;
  }
  return &model->task(index.row());
}

int TaskRow::notesLines(const QString& notes, int width, const QFont& font) const {
  if (notes.isEmpty()) {
    return 0;
  }
  if (notes.contains(QLatin1Char('\n'))) {
    return kNotesMaxLines;
  }
  auto cached = notesWidth_.constFind(notes);
  if (cached == notesWidth_.cend()) {
    if (notesWidth_.size() > 50000) {
      notesWidth_.clear();
    }
    cached = notesWidth_.insert(notes, QFontMetrics(font).horizontalAdvance(notes));
  }
  return *cached > width ? kNotesMaxLines : 1;
}

TaskRow::Geometry TaskRow::geometry(const TaskItem& task, const QRect& rect,
                                    const QFont& base) const {
  const Metrics& m = metrics(base);
  Geometry g;
  const QRect content = contentRect(rect);
  g.checkbox = QRect(content.left(), content.top() + kCheckboxTop, kCheckboxSize, kCheckboxSize);
  g.remove = QRect(content.right() - kActionTarget + 1, content.top(), kActionTarget, kActionTarget);
  g.edit = g.remove.translated(-(kActionTarget + kActionSpacing), 0);
  const int left = g.checkbox.right() + 1 + kSpacing;
  const int right = g.edit.left() - kSpacing;
  const int width = std::max(0, right - left);

  const QSize priority = m.priorityBadges[static_cast<int>(task.priority)];
  g.priorityBadge = QRect(right - priority.width(), content.top() + (m.titleLine - priority.height()) / 2,
                          priority.width(), priority.height());
  int titleRight = g.priorityBadge.left() - kBadgeSpacing;
  if (task.isSampleData) {
    const QSize sample = m.sampleBadge;
    const int titleWidth = QFontMetrics(m.title).horizontalAdvance(task.title) + 1;
    // The badge follows the title; a long title gives way to it.
    const int x = std::min(left + titleWidth + kBadgeSpacing, titleRight - sample.width());
    g.sampleBadge = QRect(x, content.top() + (m.titleLine - sample.height()) / 2, sample.width(),
                          sample.height());
    titleRight = x - kBadgeSpacing;
  }
  g.title = QRect(left, content.top(), std::max(0, titleRight - left), m.titleLine);

  int y = content.top() + m.titleLine + kDetailSpacing;
  if (const int lines = notesLines(task.notes, width, m.notes); lines > 0) {
    const int height = lines * m.notesLineSpacing;
    g.notes = QRect(left, y, width, height);
    y += height + kDetailSpacing;
  }
  g.meta = QRect(left, y, width, m.metaLine);
  return g;
}

QSize TaskRow::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const TaskItem* task = taskAt(index);
  if (task == nullptr) {
    return {};
  }
  const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
  const int width = view ? view->viewport()->width() : option.rect.width();
  const Metrics& m = metrics(view ? view->font() : option.font);
  // The same sums as geometry(), without placing anything.
  const int detailsWidth = width - 2 * kInset - kCheckboxSize - 2 * kSpacing - 2 * kActionTarget -
                           kActionSpacing;
  int details = m.titleLine + kDetailSpacing + m.metaLine;
  if (const int lines = notesLines(task->notes, std::max(0, detailsWidth), m.notes); lines > 0) {
    details += lines * m.notesLineSpacing + kDetailSpacing;
  }
  const int height = std::max({details, kCheckboxTop + kCheckboxSize, kActionTarget});
  // No width of its own: the list makes each row as wide as its viewport, whatever that is
  // now, so a row never outgrows the list when a scroll bar takes room.
  return QSize(0, height + 2 * kVerticalPadding);
}

QIcon TaskRow::symbol(const QString& name, const QColor& color) const {
  const QString key = name + QLatin1Char('|') + color.name(QColor::HexArgb);
  auto found = symbols_.constFind(key);
  if (found == symbols_.cend()) {
    found = symbols_.insert(key, SymbolImage::icon(name, color));
  }
  return *found;
}

void TaskRow::paint(QPainter* p, const QStyleOptionViewItem& option,
                    const QModelIndex& index) const {
  const TaskItem* task = taskAt(index);
  if (task == nullptr) {
    return;
  }
  const QWidget* widget = option.widget;
  const QFont base = widget ? widget->font() : option.font;
  const Geometry g = geometry(*task, option.rect, base);
  const Metrics& m = metrics(base);
  const QColor primary = Theme::color(ThemeColor::primary, option.palette);
  const QColor secondary = Theme::color(ThemeColor::secondary, option.palette);

  p->save();
  p->setRenderHint(QPainter::Antialiasing);
  p->setClipRect(option.rect);

  // The keyboard's row: Space, Return and Delete act on it.
  if (option.state.testFlag(QStyle::State_HasFocus) && widget && widget->hasFocus()) {
    QColor ring = Theme::color(ThemeColor::accent, option.palette);
    QColor fill = ring;
    fill.setAlphaF(0.08f);
    p->setPen(QPen(ring, 1.5));
    p->setBrush(fill);
    p->drawRoundedRect(QRectF(option.rect).adjusted(kInset / 2.0, 1, -kInset / 2.0, -1), 6, 6);
  }
  // A hairline between rows, as an inset list draws them.
  if (index.row() > 0) {
    QColor line = primary;
    line.setAlphaF(line.alphaF() * 0.08f);
    p->setPen(QPen(line, 1));
    p->drawLine(QPointF(g.title.left(), option.rect.top() + 0.5),
                QPointF(option.rect.right() - kInset, option.rect.top() + 0.5));
  }

  // 1: checkbox.
  const bool done = task->isCompleted;
  symbol(done ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"),
         done ? Theme::color(ThemeColor::green, option.palette) : secondary)
      .paint(p, g.checkbox);

  // 2a: title line.
  QFont title = m.title;
  title.setStrikeOut(done);
  p->setFont(title);
  p->setPen(done ? secondary : primary);
  p->drawText(g.title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
              QFontMetrics(title).elidedText(task->title, Qt::ElideRight, g.title.width()));
  if (!g.sampleBadge.isEmpty()) {
    const QColor blue = Theme::color(ThemeColor::blue, option.palette);
    QColor fill = blue;
    fill.setAlphaF(0.12f);
    QPainterPath capsule;
    capsule.addRoundedRect(g.sampleBadge, g.sampleBadge.height() / 2.0,
                           g.sampleBadge.height() / 2.0);
    p->fillPath(capsule, fill);
    p->setFont(m.sample);
    p->setPen(blue);
    p->drawText(g.sampleBadge, Qt::AlignCenter, QStringLiteral("Sample"));
  }
  const QColor priority = Theme::color(PriorityBadge::color(task->priority), option.palette);
  CapsuleBadge::paint(p, g.priorityBadge, ::displayText(task->priority), m.badge, priority,
                      priority, true);

  // 2b: notes, at most two lines, the last one elided.
  if (!g.notes.isEmpty()) {
    const QFont& notes = m.notes;
    const QFontMetrics metrics(notes);
    p->setFont(notes);
    p->setPen(secondary);
    QTextLayout layout(task->notes, notes);
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(wrap);
    layout.beginLayout();
    QStringList lines;
    for (int n = 0; n < kNotesMaxLines; ++n) {
      QTextLine line = layout.createLine();
      if (!line.isValid()) {
        break;
      }
      line.setLineWidth(g.notes.width());
      const bool last = n == kNotesMaxLines - 1;
      QString text = task->notes.mid(line.textStart(), last ? -1 : line.textLength());
      text.replace(QLatin1Char('\n'), QLatin1Char(' '));
      lines.append(last ? metrics.elidedText(text, Qt::ElideRight, g.notes.width())
                        : text.trimmed());
    }
    layout.endLayout();
    for (int n = 0; n < lines.size(); ++n) {
      p->drawText(QRect(g.notes.left(), g.notes.top() + n * metrics.lineSpacing(), g.notes.width(),
                        metrics.lineSpacing()),
                  Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, lines[n]);
    }
  }

  // 2c: category, due date, repeat.
  {
    int x = g.meta.left();
    const int limit = g.meta.right() + 1;
    const QFont& tagFont = m.badge;
    QSize tag = CapsuleBadge::measure(task->category, tagFont, false, 6);
    tag.setWidth(std::min(tag.width(), std::max(0, limit - x)));
    CapsuleBadge::paint(p, QRect(QPoint(x, g.meta.top() + (g.meta.height() - tag.height()) / 2), tag),
                        task->category, tagFont, secondary, secondary, false);
    x += tag.width() + kMetaSpacing;
    auto label = [&](const QString& icon, const QString& text, const QFont& font,
                     const QColor& color) {
      const QFontMetrics metrics(font);
      const int iconSize = metrics.height() - 2;
      if (x + iconSize + kLabelIconSpacing >= limit) {
        return;
      }
      symbol(icon, color).paint(p, QRect(x, g.meta.center().y() - iconSize / 2, iconSize, iconSize));
      x += iconSize + kLabelIconSpacing;
      const QString shown = metrics.elidedText(text, Qt::ElideRight, limit - x);
      p->setFont(font);
      p->setPen(color);
      p->drawText(QRect(x, g.meta.top(), limit - x, g.meta.height()),
                  Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
      x += metrics.horizontalAdvance(shown) + kMetaSpacing;
    };
    if (task->dueDate) {
      const bool overdue = task->isOverdue(clock_ ? clock_() : QDateTime::currentDateTimeUtc());
      label(QStringLiteral("calendar"), task_list::dueDateText(*task->dueDate, calendar_, QLocale()),
            overdue ? m.metaBold : m.meta, overdue ? Theme::color(ThemeColor::red, option.palette) : secondary);
    }
    if (!task->recurrence.isNone()) {
      label(QStringLiteral("repeat"), task->recurrence.title(), m.meta, secondary);
    }
  }

  // 4: edit and delete.
  const QSize action(kActionSymbol + 2, kActionSymbol + 2);
  for (const auto& [rect, name] : {std::pair{g.edit, QStringLiteral("pencil")},
                                   std::pair{g.remove, QStringLiteral("trash")}}) {
    symbol(name, secondary)
        .paint(p, QRect(rect.center() - QPoint(action.width() / 2, action.height() / 2), action));
  }
  p->restore();
}

TaskRow::Part TaskRow::partAt(const TaskItem& task, const QRect& rect, const QFont& base,
                              const QPoint& pos) const {
  const Geometry g = geometry(task, rect, base);
  // The checkbox answers a little beyond its glyph, which is small to hit.
  if (g.checkbox.adjusted(-4, -4, 4, 4).contains(pos)) {
    return Part::checkbox;
  }
  if (g.edit.contains(pos)) {
    return Part::edit;
  }
  if (g.remove.contains(pos)) {
    return Part::remove;
  }
  return Part::none;
}

void TaskRow::trigger(Part part, const TaskItem& task) const {
  const Action* action = nullptr;
  switch (part) {
    case Part::checkbox: action = &onToggle_; break;
    case Part::edit: action = &onEdit_; break;
    case Part::remove: action = &onDelete_; break;
    case Part::none: break;
  }
  if (action && *action) {
    // The action may change the list under this row: hand it a copy.
    const TaskItem copy = task;
    (*action)(copy);
  }
}

QString TaskRow::partTitle(Part part, const TaskItem& task) {
  switch (part) {
    case Part::checkbox:
      return task.isCompleted ? QStringLiteral("Reopen Task") : QStringLiteral("Complete Task");
    case Part::edit: return QStringLiteral("Edit Task");
    case Part::remove: return QStringLiteral("Delete Task");
    case Part::none: break;
  }
  return {};
}

bool TaskRow::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                        const QStyleOptionViewItem& option, const QModelIndex& index) {
  const TaskItem* task = taskAt(index);
  if (event->type() == QEvent::ToolTip && task != nullptr) {
    const QFont base = option.widget ? option.widget->font() : option.font;
    const QString title = partTitle(partAt(*task, option.rect, base, event->pos()), *task);
    if (!title.isEmpty()) {
      QToolTip::showText(event->globalPos(), title, view, option.rect);
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

bool TaskRow::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                          const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease &&
      event->type() != QEvent::MouseButtonDblClick) {
    return false;
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  const TaskItem* task = taskAt(index);
  if (task == nullptr || mouse->button() != Qt::LeftButton) {
    return false;
  }
  const QFont base = option.widget ? option.widget->font() : option.font;
  const Part part = partAt(*task, option.rect, base, mouse->position().toPoint());
  if (part == Part::none) {
    return false;
  }
  if (event->type() == QEvent::MouseButtonRelease) {
    trigger(part, *task);
  }
  return true;
}
