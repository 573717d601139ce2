#include "app/screens/review/SuggestionCards.h"

#include "app/platform/Theme.h"
#include "app/screens/review/ReviewInbox.h"
#include "app/ui/Color.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kOuterV = 5;
constexpr int kOuterH = 2;
constexpr int kPad = 14;
constexpr int kRadius = 10;
constexpr int kBadgeHeight = 20;
constexpr int kButtonHeight = 26;
constexpr int kGap = 6;

QFont sized(const QFont& base, int px, QFont::Weight weight = QFont::Normal, bool italic = false) {
  QFont f = Theme::font(base, px, weight);
  f.setItalic(italic);
  return f;
}

bool actionable(const EmailExtractedSuggestion& s) {
  return s.status == SuggestionStatus::pending || s.status == SuggestionStatus::dismissed;
}

QString metaLine(const EmailExtractedSuggestion& s, const QDateTime& now, const Calendar& cal) {
  QStringList parts;
  if (const QString amount = reviewinbox::amountText(s.amount, s.currency); !amount.isEmpty()) {
    parts << amount;
  }
  if (const QString due = reviewinbox::dueText(s.dueDate, now, cal); !due.isEmpty()) {
    parts << due;
  }
  if (s.personOrOrg && !s.personOrOrg->isEmpty()) {
    parts << *s.personOrOrg;
  }
  if (s.location && !s.location->isEmpty()) {
    parts << *s.location;
  }
  return parts.join(QStringLiteral("  ·  "));
}

// The evidence in quotes, wrapped onto at most two lines.
QString quotedEvidence(const EmailExtractedSuggestion& s) {
  const QString evidence = s.evidenceSnippet.simplified();
  return evidence.isEmpty() ? QString() : QStringLiteral("“") + evidence + QStringLiteral("”");
}

int evidenceHeight(const QFontMetrics& fm, const QString& text, int width) {
  const int full = fm.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, text).height();
  return std::min(full, 2 * fm.lineSpacing());
}

int cardTextWidth(const QStyleOptionViewItem& option) {
  int width = option.rect.width();
  if (width <= 0) {
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget)) {
      width = view->viewport()->width();
    }
  }
  return std::max(width - 2 * kOuterH - 2 * kPad, 100);
}

int buttonWidth(const QFont& font, const QString& text) {
  return QFontMetrics(font).horizontalAdvance(text) + 24;
}

}  // namespace

QString cardSummary(const EmailExtractedSuggestion& suggestion) {
  return displayText(suggestion.category) + QStringLiteral(": ") + suggestion.title;
}

SuggestionCardDelegate::SuggestionCardDelegate(std::function<QDateTime()> now, Calendar calendar,
                                               QObject* parent)
    : QStyledItemDelegate(parent), now_(std::move(now)), calendar_(std::move(calendar)) {}

QSize SuggestionCardDelegate::sizeHint(const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const {
  const EmailExtractedSuggestion* s = SuggestionListModel::at(index);
  if (!s) {
    return {};
  }
  const QFont base = option.font;
  int h = kOuterV + kPad + kBadgeHeight + kGap;
  h += QFontMetrics(sized(base, 15, QFont::DemiBold)).height();
  if (!metaLine(*s, now_(), calendar_).isEmpty()) {
    h += 4 + QFontMetrics(sized(base, 12)).height();
  }
  if (const QString evidence = quotedEvidence(*s); !evidence.isEmpty()) {
    h += kGap + evidenceHeight(QFontMetrics(sized(base, 12, QFont::Normal, true)), evidence,
                               cardTextWidth(option));
  }
  h += 4 + QFontMetrics(sized(base, 11)).height();
  h += kGap + 4 + kButtonHeight + kPad + kOuterV;
  return QSize(200, h);  // the list gives every card its full width
}

SuggestionCardDelegate::Buttons SuggestionCardDelegate::buttonRects(
    const QRect& rect, const EmailExtractedSuggestion& s) const {
  Buttons b;
  const QRect card = rect.adjusted(kOuterH, kOuterV, -kOuterH, -kOuterV);
  const int y = card.bottom() - kPad - kButtonHeight + 1;
  const QFont font = sized(QApplication::font(), 12, QFont::Medium);
  int x = card.left() + kPad;
  if (actionable(s)) {
    b.approve = QRect(x, y, buttonWidth(font, QStringLiteral("Approve")), kButtonHeight);
    x = b.approve.right() + 1 + 8;
    b.edit = QRect(x, y, buttonWidth(font, QStringLiteral("Edit")), kButtonHeight);
    x = b.edit.right() + 1 + 8;
    if (s.status == SuggestionStatus::pending) {
      b.dismiss = QRect(x, y, buttonWidth(font, QStringLiteral("Dismiss")), kButtonHeight);
    }
  }
  if (reviewinbox::firstLink(s)) {
    const int w = buttonWidth(font, QStringLiteral("Open Link"));
    b.openLink = QRect(card.right() - kPad - w + 1, y, w, kButtonHeight);
  }
  return b;
}

void SuggestionCardDelegate::paint(QPainter* p, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  const EmailExtractedSuggestion* s = SuggestionListModel::at(index);
  if (!s) {
    return;
  }
  const QWidget* w = option.widget;
  const QPalette& pal = option.palette;
  const QFont base = option.font;
  p->save();
  p->setRenderHint(QPainter::Antialiasing);

  const QRect card = option.rect.adjusted(kOuterH, kOuterV, -kOuterH, -kOuterV);
  QPainterPath shape;
  shape.addRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
  p->fillPath(shape, pal.color(QPalette::Base));
  QColor outline = Theme::color(ThemeColor::tertiary, pal);
  outline.setAlphaF(0.35);
  const bool selected = option.state & QStyle::State_Selected;
  const bool focused = selected && (option.state & QStyle::State_HasFocus);
  p->setPen(QPen(focused ? Theme::color(ThemeColor::accent, pal) : outline, focused ? 2 : 1));
  p->drawPath(shape);

  const int left = card.left() + kPad;
  const int width = card.width() - 2 * kPad;
  int y = card.top() + kPad;

  // Category badge in the category's colour, the review state and the confidence.
  const QColor hue =
      Color::fromHex(reviewinbox::categoryColorHex(s->category)).value_or(QColor(0x77767B));
  const QFont badgeFont = sized(base, 11, QFont::Medium);
  const QString badgeText = ::displayText(s->category);
  const int badgeW = QFontMetrics(badgeFont).horizontalAdvance(badgeText) + 28;
  const QRectF badge(left, y, badgeW, kBadgeHeight);
  QColor fill = hue;
  fill.setAlphaF(Theme::isDark(pal) ? 0.25 : 0.14);
  p->setPen(Qt::NoPen);
  p->setBrush(fill);
  p->drawRoundedRect(badge, kBadgeHeight / 2.0, kBadgeHeight / 2.0);
  p->setBrush(hue);
  p->drawEllipse(QRectF(left + 9, y + (kBadgeHeight - 6) / 2.0, 6, 6));
  p->setFont(badgeFont);
  p->setPen(Theme::isDark(pal) ? hue.lighter(135) : hue.darker(125));
  p->drawText(badge.adjusted(19, 0, -6, 0), Qt::AlignVCenter | Qt::AlignLeft, badgeText);

  QString trailing = reviewinbox::confidenceText(s->confidence);
  if (s->status != SuggestionStatus::pending) {
    trailing = ::displayText(s->status) + QStringLiteral("  ·  ") + trailing;
  }
  p->setFont(sized(base, 11));
  p->setPen(Theme::color(ThemeColor::secondary, pal));
  p->drawText(QRect(int(badge.right()) + 8, y, left + width - int(badge.right()) - 8, kBadgeHeight),
              Qt::AlignVCenter | Qt::AlignRight, trailing);
  y += kBadgeHeight + kGap;

  const QFont titleFont = sized(base, 15, QFont::DemiBold);
  const QFontMetrics tm(titleFont);
  p->setFont(titleFont);
  p->setPen(Theme::color(ThemeColor::primary, pal));
  const QString title = s->title.isEmpty() ? s->subject : s->title;
  p->drawText(QRect(left, y, width, tm.height()), Qt::AlignLeft | Qt::AlignVCenter,
              tm.elidedText(title, Qt::ElideRight, width));
  y += tm.height();

  if (const QString meta = metaLine(*s, now_(), calendar_); !meta.isEmpty()) {
    const QFont f = sized(base, 12, QFont::Medium);
    const QFontMetrics fm(f);
    y += 4;
    p->setFont(f);
    p->setPen(Theme::color(ThemeColor::secondary, pal));
    p->drawText(QRect(left, y, width, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                fm.elidedText(meta, Qt::ElideRight, width));
    y += fm.height();
  }

  if (const QString quoted = quotedEvidence(*s); !quoted.isEmpty()) {
    const QFont f = sized(base, 12, QFont::Normal, true);
    const QFontMetrics fm(f);
    y += kGap;
    const QRect box(left, y, width, evidenceHeight(fm, quoted, width));
    QString shown = quoted;
    if (fm.boundingRect(QRect(0, 0, width, 10000), Qt::TextWordWrap, quoted).height() >
        box.height()) {
      // Cut so that the second line ends in an ellipsis instead of a clipped third line.
      shown = fm.elidedText(quoted, Qt::ElideRight, 2 * width - fm.averageCharWidth() * 12);
    }
    p->setFont(f);
    p->setPen(Theme::color(ThemeColor::secondary, pal));
    p->drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, shown);
    y += box.height();
  }

  {
    const QFont f = sized(base, 11);
    const QFontMetrics fm(f);
    y += 4;
    p->setFont(f);
    p->setPen(Theme::color(ThemeColor::tertiary, pal));
    p->drawText(QRect(left, y, width, fm.height()), Qt::AlignLeft | Qt::AlignVCenter,
                fm.elidedText(QStringLiteral("From ") + s->sender, Qt::ElideRight, width));
  }

  const Buttons buttons = buttonRects(option.rect, *s);
  const QFont buttonFont = sized(base, 12, QFont::Medium);
  p->setFont(buttonFont);
  const auto drawButton = [&](const QRect& r, const QString& text, bool prominent) {
    if (r.isEmpty()) {
      return;
    }
    const QRectF rf = QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5);
    if (prominent) {
      p->setPen(Qt::NoPen);
      p->setBrush(Theme::color(ThemeColor::accent, pal));
      p->drawRoundedRect(rf, 6, 6);
      p->setPen(pal.color(QPalette::HighlightedText));
    } else {
      QColor border = Theme::color(ThemeColor::tertiary, pal);
      border.setAlphaF(0.5);
      p->setPen(border);
      p->setBrush(Qt::NoBrush);
      p->drawRoundedRect(rf, 6, 6);
      p->setPen(Theme::color(ThemeColor::primary, pal));
    }
    p->drawText(r, Qt::AlignCenter, text);
  };
  drawButton(buttons.approve, QStringLiteral("Approve"), true);
  drawButton(buttons.edit, QStringLiteral("Edit"), false);
  drawButton(buttons.dismiss, QStringLiteral("Dismiss"), false);
  drawButton(buttons.openLink, QStringLiteral("Open Link"), false);
  Q_UNUSED(w);
  p->restore();
}

std::optional<SuggestionCardDelegate::Action> SuggestionCardDelegate::actionAt(
    const QRect& rect, const EmailExtractedSuggestion& suggestion, const QPoint& pos) const {
  const Buttons b = buttonRects(rect, suggestion);
  for (const auto& [area, action] : {std::pair{b.approve, Action::approve},
                                     std::pair{b.edit, Action::edit},
                                     std::pair{b.dismiss, Action::dismiss},
                                     std::pair{b.openLink, Action::openLink}}) {
    if (area.contains(pos)) {
      return action;
    }
  }
  return std::nullopt;
}

QString SuggestionCardDelegate::actionTitle(Action action) {
  switch (action) {
    case Action::approve: return QStringLiteral("Approve Suggestion");
    case Action::edit: return QStringLiteral("Edit, Then Approve");
    case Action::dismiss: return QStringLiteral("Dismiss Suggestion");
    case Action::openLink: return QStringLiteral("Open Link in Browser");
  }
  return {};
}

bool SuggestionCardDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                       const QStyleOptionViewItem& option,
                                       const QModelIndex& index) {
  const EmailExtractedSuggestion* s = SuggestionListModel::at(index);
  if (event->type() == QEvent::ToolTip && s != nullptr) {
    if (const auto action = actionAt(option.rect, *s, event->pos())) {
      QToolTip::showText(event->globalPos(), actionTitle(*action), view, option.rect);
      return true;
    }
  }
  return QStyledItemDelegate::helpEvent(event, view, option, index);
}

bool SuggestionCardDelegate::editorEvent(QEvent* event, QAbstractItemModel* model,
                                         const QStyleOptionViewItem& option,
                                         const QModelIndex& index) {
  if (event->type() != QEvent::MouseButtonRelease) {
    return QStyledItemDelegate::editorEvent(event, model, option, index);
  }
  const EmailExtractedSuggestion* s = SuggestionListModel::at(index);
  const auto* mouse = static_cast<QMouseEvent*>(event);
  if (!s || mouse->button() != Qt::LeftButton) {
    return false;
  }
  const QUuid id = s->id;  // the model may be reset by the action
  const auto action = actionAt(option.rect, *s, mouse->position().toPoint());
  if (!action) {
    return false;
  }
  Q_EMIT actionTriggered(id, *action);
  return true;
}
