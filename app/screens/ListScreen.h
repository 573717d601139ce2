#pragma once

#include "app/platform/Theme.h"
#include "core/model/EnumText.h"

#include <QAbstractListModel>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractButton;
class QButtonGroup;
class ProminentButton;
class QStackedWidget;
class ThemedLabel;

// The pieces the record-list screens (bills, waiting-for, calendar) share: a filter bar, and a list
// whose rows a delegate paints with clickable action symbols.

// One thing a row offers: drawn as a symbol, named by its title in the context menu and in the
// symbol's tooltip ("Delete Bill").
struct RowAction {
  QString id;
  QString symbol;
  QString title;
  ThemeColor color = ThemeColor::secondary;
};

// The records of a list, as last handed over; rows are painted from them.
template <typename Record>
class RecordListModel : public QAbstractListModel {
 public:
  using Describe = std::function<QString(const Record&)>;

  RecordListModel(Describe describe, QObject* parent)
      : QAbstractListModel(parent), describe_(std::move(describe)) {}

  void setRecords(QList<Record> records) {
    beginResetModel();
    records_ = std::move(records);
    endResetModel();
  }
  const QList<Record>& records() const { return records_; }
  const Record& record(int row) const { return records_.at(row); }

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(records_.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid() || index.row() >= records_.size()) {
      return {};
    }
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole || role == Qt::ToolTipRole) {
      return describe_(records_.at(index.row()));
    }
    return {};
  }

  // The record behind an index of a list showing this model.
  static const Record* at(const QModelIndex& index) {
    const auto* model = dynamic_cast<const RecordListModel*>(index.model());
    if (model == nullptr || !index.isValid() || index.row() >= model->records_.size()) {
      return nullptr;
    }
    return &model->records_.at(index.row());
  }

 private:
  Describe describe_;
  QList<Record> records_;
};

// Paints a row as a rounded panel: an optional leading action (a check circle), the
// subclass's content, then the trailing action symbols. Clicks on a symbol report its action.
class RowDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit RowDelegate(int rowHeight, QObject* parent = nullptr);

  virtual std::optional<RowAction> leadingAction(const QModelIndex& index) const;
  virtual QList<RowAction> trailingActions(const QModelIndex& index) const;
  // The action Return runs.
  virtual QString defaultActionId() const { return QStringLiteral("edit"); }
  // Room kept for this many trailing symbols on every row, so the content of rows with fewer
  // actions lines up with the others.
  virtual int trailingSlots() const { return 0; }

  // Every action of a row, leading first.
  QList<RowAction> actions(const QModelIndex& index) const;
  // Where each symbol of a row at `rect` is drawn, in the order of actions().
  QList<QRect> actionRects(const QRect& rect, const QModelIndex& index) const;
  // The action whose symbol (with a little slack: it is small) lies under `pos`.
  std::optional<RowAction> actionAt(const QRect& rect, const QModelIndex& index,
                                    const QPoint& pos) const;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

 Q_SIGNALS:
  void actionTriggered(const QModelIndex& index, const QString& actionId);

 protected:
  // Paints the row's own content into `content` (the panel minus the action symbols).
  virtual void paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                            const QRect& content, const QModelIndex& index) const = 0;
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  // Over a symbol the tooltip names its action; elsewhere it is the row's summary.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

  // The panel of a row at `rect`, inside the gap between rows.
  static QRect panelRect(const QRect& rect);
  // A row's two lines of text, centred in `area`: the title (13 px demibold) over the
  // details (11 px).
  struct TextLines {
    QFont titleFont;
    QFont detailFont;
    QRect first;
    QRect second;
  };
  static TextLines textLines(const QRect& area, const QFont& base);
  // Draws `text` elided to `rect`, in a named colour and font.
  static void drawText(QPainter* painter, const QRect& rect, const QString& text, const QFont& font,
                       const QColor& color,
                       Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
  // Draws a shared badge widget (a category or status capsule) at `topLeft`; returns its width.
  static int drawBadge(QPainter* painter, QWidget* badge, const QPoint& topLeft,
                       const QWidget* context);

 private:
  int rowHeight_;
};

// The list itself: Tab reaches it, arrows move, Return runs the row's default action, Delete
// its "delete" action, Space its leading action, and the context menu lists every action.
class RowListView : public QListView {
  Q_OBJECT

 public:
  RowListView(RowDelegate* delegate, QWidget* parent = nullptr);

  RowDelegate* rowDelegate() const { return delegate_; }
  // Runs an action of a row as a click on its symbol would.
  void trigger(const QModelIndex& index, const QString& actionId);

 Q_SIGNALS:
  void actionTriggered(const QModelIndex& index, const QString& actionId);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  RowDelegate* delegate_;
};

// Exclusive choice among a screen's filters, as a row of toggle buttons.
class FilterBar : public QWidget {
  Q_OBJECT

 public:
  FilterBar(const QStringList& titles, int selected, QWidget* parent = nullptr);

  int selected() const;
  // Chooses a filter as a click would, announcing the change.
  void setSelected(int index);
  // Marks a filter chosen without announcing it, for a choice made elsewhere.
  void showSelected(int index);
  QAbstractButton* button(int index) const;

 Q_SIGNALS:
  void selectedChanged(int index);

 private:
  QButtonGroup* group_;
};

// The titles of every case of a filter, in order, for a FilterBar.
template <typename Filter>
QStringList filterTitles() {
  QStringList titles;
  for (Filter filter : allCases<Filter>) {
    titles.append(displayText(filter));
  }
  return titles;
}

// Shows a list, or the empty state of the current filter when it has no rows.
class ListOrEmpty : public QWidget {
  Q_OBJECT

 public:
  ListOrEmpty(QListView* list, QWidget* parent = nullptr);

  // Shows the list when it has rows; otherwise replaces the empty state by `makeEmpty()`.
  void refresh(const std::function<QWidget*()>& makeEmpty);
  QWidget* emptyState() const { return empty_; }
  bool showsList() const;

 private:
  QStackedWidget* stack_;
  QListView* list_;
  QWidget* empty_ = nullptr;
};

// Asks "<title>" before a record of a list goes ("\"<name>\" will be removed. This cannot be
// undone."); `remove` runs on Delete, and on Return when `returnConfirms`. An earlier question
// of the screen in `pending` closes first, so one question stands for one deletion.
void confirmDeletion(QPointer<QMessageBox>& pending, QWidget* screen, const QString& title,
                     const QString& name, std::function<void()> remove,
                     bool returnConfirms = false);

// The frame of a record-list screen, laid into `screen` (which has no layout yet): 20 px of
// padding, the title with the add button, any `notices`, the filter bar, then the list of
// `model` painted by `delegate`, or the filter's empty state, taking the rest.
struct ListScreenTexts {
  QString title;
  QString addTitle;
  QString addAccessibleName;
  QString listAccessibleName;
};
struct ListScreenFrame {
  ProminentButton* addButton = nullptr;
  FilterBar* filters = nullptr;
  RowListView* list = nullptr;
  ListOrEmpty* body = nullptr;
};
ListScreenFrame buildListScreen(QWidget* screen, const ListScreenTexts& texts,
                                const QStringList& filterTitles, int selectedFilter,
                                RowDelegate* delegate, QAbstractItemModel* model,
                                const QList<QWidget*>& notices = {});
