#pragma once

#include "app/screens/ListScreen.h"
#include "core/model/Calendar.h"
#include "core/model/EmailIntelligenceModels.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QStyledItemDelegate>

#include <optional>

// The suggestions the inbox shows, one row each.
using SuggestionListModel = RecordListModel<EmailExtractedSuggestion>;
// What a card says to a screen reader: "Bill / Invoice: City Power bill".
QString cardSummary(const EmailExtractedSuggestion& suggestion);

// Paints a suggestion as a card and turns clicks on its buttons into actions.
class SuggestionCardDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  enum class Action { approve, edit, dismiss, openLink };

  SuggestionCardDelegate(std::function<QDateTime()> now, Calendar calendar,
                         QObject* parent = nullptr);

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;

  // Where the card at `rect` draws each button it shows.
  struct Buttons {
    QRect approve, edit, dismiss, openLink;  // empty when the card does not offer it
  };
  Buttons buttonRects(const QRect& rect, const EmailExtractedSuggestion& suggestion) const;
  // The button of the card at `rect` under `pos`, if any, and what its tooltip says.
  std::optional<Action> actionAt(const QRect& rect, const EmailExtractedSuggestion& suggestion,
                                 const QPoint& pos) const;
  static QString actionTitle(Action action);

 Q_SIGNALS:
  void actionTriggered(const QUuid& id, SuggestionCardDelegate::Action action);

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;
  // Over a button the tooltip names its action; elsewhere it is the card's summary.
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

 private:
  std::function<QDateTime()> now_;
  Calendar calendar_;
};
