#pragma once

#include "core/model/Calendar.h"
#include "core/model/EmailIntelligenceModels.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QStyledItemDelegate>

// The suggestions the inbox shows, one row each.
class SuggestionListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  using QAbstractListModel::QAbstractListModel;

  void setSuggestions(QList<EmailExtractedSuggestion> suggestions);
  const QList<EmailExtractedSuggestion>& suggestions() const { return suggestions_; }
  const EmailExtractedSuggestion* suggestion(const QModelIndex& index) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  QList<EmailExtractedSuggestion> suggestions_;
};

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

 Q_SIGNALS:
  void actionTriggered(const QUuid& id, SuggestionCardDelegate::Action action);

 protected:
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

 private:
  std::function<QDateTime()> now_;
  Calendar calendar_;
};
