#include "app/screens/bills/BillRow.h"

#include "app/platform/SymbolImage.h"
#include "app/screens/bills/BillFilters.h"
#include "app/ui/CategoryTag.h"

#include <QLocale>
#include <QPainter>

namespace {

constexpr int kRowHeight = 58;
constexpr int kGap = 8;
// Bills this close to their due date are drawn in the warning colour.
constexpr int kSoonDays = 3;

QString dueDateText(const BillItem& bill, const Calendar& calendar) {
  return QLocale().toString(calendar.date(bill.dueDate), QStringLiteral("ddd, d MMM yyyy"));
}

}  // namespace

BillRowDelegate::BillRowDelegate(ScreenEnvironment environment, QObject* parent)
    : RowDelegate(kRowHeight, parent), environment_(std::move(environment)) {}

BillRowDelegate::~BillRowDelegate() = default;

std::optional<RowAction> BillRowDelegate::leadingAction(const QModelIndex& index) const {
  const BillItem* bill = BillListModel::at(index);
  if (bill == nullptr) {
    return std::nullopt;
  }
  return bill->isPaid
             ? RowAction{QStringLiteral("togglePaid"), QStringLiteral("checkmark.circle.fill"),
                         QStringLiteral("Mark as Unpaid"), ThemeColor::green}
             : RowAction{QStringLiteral("togglePaid"), QStringLiteral("circle"),
                         QStringLiteral("Mark as Paid"), ThemeColor::secondary};
}

QList<RowAction> BillRowDelegate::trailingActions(const QModelIndex&) const {
  return {{QStringLiteral("edit"), QStringLiteral("pencil"), QStringLiteral("Edit Bill"),
           ThemeColor::secondary},
          {QStringLiteral("delete"), QStringLiteral("trash"), QStringLiteral("Delete Bill"),
           ThemeColor::secondary}};
}

QString BillRowDelegate::describe(const BillItem& bill, const QDateTime& now,
                                  const Calendar& calendar) {
  QStringList parts{bill.name, bill_lists::formatAmount(bill.amount, bill.currency),
                    dueDateText(bill, calendar), bill_lists::countdown(bill, now, calendar),
                    bill.category};
  if (!(bill.recurrence == RecurrenceRule::none())) {
    parts.append(bill.recurrence.title());
  }
  return parts.join(QStringLiteral(", "));
}

void BillRowDelegate::paintContent(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QRect& content, const QModelIndex& index) const {
  const BillItem* bill = BillListModel::at(index);
  if (bill == nullptr) {
    return;
  }
  const QWidget* context = option.widget;
  const QDateTime now = environment_.now();
  const Calendar& calendar = environment_.calendar;
  const QFont base = option.font;

  const QFont amountFont = Theme::font(base, 14, QFont::DemiBold);
  const auto [titleFont, detailFont, firstLine, secondLine] = textLines(content, base);
  const int lineHeight = firstLine.height();

  // Amount on the right of both lines; the name gives way to it.
  const QString amount = bill_lists::formatAmount(bill->amount, bill->currency);
  const int amountWidth = QFontMetrics(amountFont).horizontalAdvance(amount) + 2;
  const QColor amountColor =
      Theme::color(bill->isPaid ? ThemeColor::secondary : ThemeColor::primary, context);
  drawText(painter,
           QRect(content.right() - amountWidth, content.top(), amountWidth, content.height()),
           amount, amountFont, amountColor, Qt::AlignRight | Qt::AlignVCenter);

  CategoryTag tag(bill->category);
  const int tagWidth = tag.sizeHint().width();
  const int nameRoom = std::max(0, content.width() - amountWidth - tagWidth - 3 * kGap);
  const QFontMetrics titleMetrics(titleFont);
  const int nameWidth = titleMetrics.horizontalAdvance(
                            titleMetrics.elidedText(bill->name, Qt::ElideRight, nameRoom)) +
                        2;
  drawText(painter, QRect(firstLine.left(), firstLine.top(), nameWidth, lineHeight), bill->name,
           titleFont, Theme::color(ThemeColor::primary, context));
  if (nameRoom > 0) {
    drawBadge(painter, &tag,
              QPoint(firstLine.left() + nameWidth + kGap,
                     firstLine.center().y() - tag.sizeHint().height() / 2 + 1),
              context);
  }

  // Due date, countdown and recurrence.
  const int days = calendar.daysBetween(now, bill->dueDate).value_or(0);
  const ThemeColor countdownColor = bill->isPaid        ? ThemeColor::green
                                    : days < 0          ? ThemeColor::red
                                    : days <= kSoonDays ? ThemeColor::orange
                                                        : ThemeColor::secondary;
  const int detailRoom = content.width() - amountWidth - kGap;
  int x = secondLine.left();
  const auto put = [&](const QString& text, ThemeColor color) {
    const int width = std::min(QFontMetrics(detailFont).horizontalAdvance(text) + 2,
                               std::max(0, secondLine.left() + detailRoom - x));
    drawText(painter, QRect(x, secondLine.top(), width, secondLine.height()), text, detailFont,
             Theme::color(color, context));
    x += width;
  };
  put(dueDateText(*bill, calendar) + QStringLiteral("  ·  "), ThemeColor::secondary);
  put(bill_lists::countdown(*bill, now, calendar), countdownColor);
  if (!(bill->recurrence == RecurrenceRule::none()) && x + 40 < secondLine.left() + detailRoom) {
    x += kGap + 4;
    const int symbol = 11;
    SymbolImage::icon(QStringLiteral("repeat"), Theme::color(ThemeColor::secondary, context))
        .paint(painter, QRect(x, secondLine.center().y() - symbol / 2, symbol, symbol));
    x += symbol + 4;
    put(bill->recurrence.title(), ThemeColor::secondary);
  }
}
