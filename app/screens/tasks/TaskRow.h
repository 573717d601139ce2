#pragma once

#include "core/model/Calendar.h"
#include "core/model/TaskItem.h"

#include <QHash>
#include <QIcon>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

class TaskListModel;

// One task of the list, painted: checkbox, title with its badges, notes cut to two lines, a
// line of category, due date and repeat, and the edit and delete buttons. A delegate, so ten
// thousand tasks cost no more widgets than ten. It changes nothing itself: each button calls
// the action the list gives it with the row's task.
class TaskRow : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using Action = std::function<void(const TaskItem&)>;

  TaskRow(Action onToggle, Action onEdit, Action onDelete, std::function<QDateTime()> clock,
          Calendar calendar, QObject* parent = nullptr);

  enum class Part { none, checkbox, edit, remove };

  // Where each piece of a row lies inside `rect`.
  struct Geometry {
    QRect checkbox;
    QRect title;
    QRect sampleBadge;  // empty unless the task is sample data
    QRect priorityBadge;
    QRect notes;  // empty without notes
    QRect meta;
    QRect edit;
    QRect remove;
  };
  Geometry geometry(const TaskItem& task, const QRect& rect, const QFont& base) const;
  Part partAt(const TaskItem& task, const QRect& rect, const QFont& base, const QPoint& pos) const;
  // Runs the action of a part for the task.
  void trigger(Part part, const TaskItem& task) const;
  // What a part's tooltip says it does ("Delete Task"); empty for none.
  static QString partTitle(Part part, const TaskItem& task);

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  // Over the check circle and the two symbols the tooltip names their action.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 private:
  // Fonts and line heights of one base font, worked out once: laying out ten thousand rows
  // must not build fonts ten thousand times.
  struct Metrics {
    QFont title, sample, badge, notes, meta, metaBold;
    int titleLine = 0;
    int notesLineSpacing = 0;
    int metaLine = 0;
    QSize sampleBadge;
    QList<QSize> priorityBadges;  // by priority
  };
  const Metrics& metrics(const QFont& base) const;
  const TaskItem* taskAt(const QModelIndex& index) const;
  int notesLines(const QString& notes, int width, const QFont& font) const;
  QIcon symbol(const QString& name, const QColor& color) const;

  Action onToggle_;
  Action onEdit_;
  Action onDelete_;
  std::function<QDateTime()> clock_;
  Calendar calendar_;
  // Text widths of notes, so laying out a long list measures each text once.
  mutable QHash<QString, int> notesWidth_;
  mutable QHash<QString, QIcon> symbols_;
  mutable std::optional<QFont> metricsFont_;
  mutable Metrics metrics_;
};
