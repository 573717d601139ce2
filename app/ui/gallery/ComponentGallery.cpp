#include "app/ui/gallery/ComponentGallery.h"

#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/platform/VisualEffectView.h"
#include "app/platform/WindowDragHandle.h"
#include "app/ui/CardView.h"
#include "app/ui/CategoryTag.h"
#include "app/ui/CircularProgressRing.h"
#include "app/ui/EmptyStateView.h"
#include "app/ui/PriorityBadge.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "app/ui/WaitingStatusBadge.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {

QWidget* row(const QList<QWidget*>& items, int spacing = 8) {
  auto* box = new QWidget;
  auto* layout = new QHBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  for (QWidget* item : items) {
    layout->addWidget(item, 0, Qt::AlignVCenter);
  }
  layout->addStretch(1);
  return box;
}

QWidget* column(std::initializer_list<QWidget*> items, int spacing = 4,
                Qt::Alignment alignment = Qt::AlignLeft) {
  auto* box = new QWidget;
  auto* layout = new QVBoxLayout(box);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  for (QWidget* item : items) {
    layout->addWidget(item, 0, alignment);
  }
  return box;
}

// A labelled symbol: the symbol in a colour with its name under it.
QWidget* symbolTile(const QString& symbol, ThemeColor role) {
  auto* view = new SymbolView(symbol, 16, role);
  // Let long dotted names break after their dots.
  QString shown = symbol;
  shown.replace(u'.', QStringLiteral(".\u200B"));
  auto* name = new ThemedLabel(shown, ThemeColor::secondary, 9);
  name->setAlignment(Qt::AlignHCenter);
  name->setWordWrap(true);
  name->setFixedWidth(84);
  name->setMinimumHeight(name->heightForWidth(84));
  return column({view, name}, 4, Qt::AlignHCenter);
}

QString roleName(ThemeColor role) {
  switch (role) {
    case ThemeColor::primary:
      return QStringLiteral("primary");
    case ThemeColor::secondary:
      return QStringLiteral("secondary");
    case ThemeColor::tertiary:
      return QStringLiteral("tertiary");
    case ThemeColor::blue:
      return QStringLiteral("blue");
    case ThemeColor::orange:
      return QStringLiteral("orange");
    case ThemeColor::red:
      return QStringLiteral("red");
    case ThemeColor::purple:
      return QStringLiteral("purple");
    case ThemeColor::green:
      return QStringLiteral("green");
    case ThemeColor::yellow:
      return QStringLiteral("yellow");
    case ThemeColor::accent:
      return QStringLiteral("accent");
    case ThemeColor::windowBackground:
      return QStringLiteral("window");
  }
  return {};
}

// A round swatch of a named colour, drawn from the palette it sits in.
class Swatch : public QWidget {
 public:
  explicit Swatch(ThemeColor role) : role_(role) { setFixedSize(22, 22); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QColor outline = Theme::color(ThemeColor::primary, this);
    outline.setAlphaF(outline.alphaF() * 0.15f);
    p.setPen(QPen(outline, 1));
    p.setBrush(Theme::color(role_, this));
    p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
  }

 private:
  ThemeColor role_;
};

// Diagonal stripes, so a translucent background on top of it shows that it is translucent.
class Backdrop : public QWidget {
 public:
  Backdrop() { setFixedHeight(96); }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = Theme::isDark(palette());
    p.fillRect(rect(), dark ? QColor(0x1a, 0x5f, 0xb4) : QColor(0x99, 0xc1, 0xf1));
    p.setPen(QPen(dark ? QColor(0x26, 0xa2, 0x69) : QColor(0x8f, 0xf0, 0xa4), 10));
    for (int x = -height(); x < width(); x += 28) {
      p.drawLine(x, height(), x + height(), 0);
    }
  }
};

class Section : public QWidget {
 public:
  Section(const QString& title, QWidget* body) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(10);
    layout->addWidget(new ThemedLabel(title, ThemeColor::primary, 13, QFont::Bold));
    layout->addWidget(body);
  }
};

QWidget* cards() {
  auto* grid = new QWidget;
  auto* layout = new QGridLayout(grid);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);

  auto* when = new ThemedLabel(QStringLiteral("in 2h 5m"), ThemeColor::accent, 11, QFont::DemiBold);
  auto* eventBody = column(
      {new ThemedLabel(QStringLiteral("Design review"), ThemeColor::primary, 13, QFont::DemiBold),
       row({new SymbolView(QStringLiteral("clock"), 12, ThemeColor::secondary),
            new ThemedLabel(QStringLiteral("10:00 - 11:00"), ThemeColor::secondary, 11)},
           4)},
      3);
  layout->addWidget(
      new CardView(QStringLiteral("Next Event"), QStringLiteral("calendar"), when, eventBody), 0,
      0);

  auto* progress = row(
      {new CircularProgressRing(0.6, 5, ThemeColor::green, 36),
       column({new ThemedLabel(QStringLiteral("3 of 5"), ThemeColor::primary, 13, QFont::DemiBold),
               new ThemedLabel(QStringLiteral("tasks done today"), ThemeColor::secondary, 11)},
              1)},
      12);
  layout->addWidget(
      new CardView(QStringLiteral("Progress"), QStringLiteral("chart.bar"), nullptr, progress), 0,
      1);

  auto* accessoryOnly =
      new ThemedLabel(QStringLiteral("Only an accessory: the header is a spacer and the "
                                     "accessory at the right."),
                      ThemeColor::secondary, 11);
  accessoryOnly->setWordWrap(true);
  layout->addWidget(new CardView(std::nullopt, std::nullopt,
                                 new CategoryTag(QStringLiteral("Accessory")), accessoryOnly),
                    1, 0);
  auto* plain =
      new ThemedLabel(QStringLiteral("No header at all: the content sits right under the padding."),
                      ThemeColor::secondary, 11);
  plain->setWordWrap(true);
  layout->addWidget(new CardView(std::nullopt, std::nullopt, nullptr, plain), 1, 1);

  layout->addWidget(
      new CardView(QStringLiteral("100% of <b>%1</b> shown as typed"), std::nullopt, nullptr,
                   new ThemedLabel(QStringLiteral("A title without a symbol starts with the "
                                                  "title."),
                                   ThemeColor::secondary, 11)),
      2, 0, 1, 2);
  layout->setColumnStretch(0, 1);
  layout->setColumnStretch(1, 1);
  return grid;
}

QWidget* badges() {
  QList<QWidget*> priorityBadges;
  for (TaskPriority priority : allCases<TaskPriority>) {
    priorityBadges << new PriorityBadge(priority);
  }
  QList<QWidget*> statusBadges;
  for (WaitingStatus status : allCases<WaitingStatus>) {
    statusBadges << new WaitingStatusBadge(status);
  }
  auto* priorities = row(priorityBadges);
  auto* statuses = row(statusBadges);
  auto* tags =
      row({new CategoryTag(QStringLiteral("General")), new CategoryTag(QStringLiteral("Work")),
           new CategoryTag(QStringLiteral("Health & Fitness"))});
  return column({priorities, statuses, tags}, 8);
}

QWidget* rings() {
  struct Sample {
    double progress;
    ThemeColor color;
    QString caption;
  };
  const Sample samples[] = {
      {0.0, ThemeColor::accent, QStringLiteral("0")},
      {0.25, ThemeColor::accent, QStringLiteral("0.25")},
      {0.75, ThemeColor::green, QStringLiteral("0.75")},
      {1.7, ThemeColor::orange, QStringLiteral("1.7 → full")},
      {-0.2, ThemeColor::red, QStringLiteral("-0.2 → empty")},
      {std::numeric_limits<double>::quiet_NaN(), ThemeColor::purple, QStringLiteral("NaN → full")},
  };
  auto* line = new QWidget;
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(14);
  for (const Sample& s : samples) {
    auto* caption = new ThemedLabel(s.caption, ThemeColor::secondary, 10);
    layout->addWidget(column({new CircularProgressRing(s.progress, 6, s.color, 40), caption}, 6,
                             Qt::AlignHCenter),
                      0, Qt::AlignBottom);
  }
  layout->addWidget(column({new CircularProgressRing(0.4, 3, ThemeColor::accent, 18),
                            new ThemedLabel(QStringLiteral("small"), ThemeColor::secondary, 10)},
                           6, Qt::AlignHCenter),
                    0, Qt::AlignBottom);
  layout->addStretch(1);
  return line;
}

QWidget* framed(QWidget* inner) {
  auto* card = new CardView(std::nullopt, std::nullopt, nullptr, inner);
  card->setFixedHeight(240);
  return card;
}

QWidget* emptyStates() {
  auto* line = new QWidget;
  auto* layout = new QHBoxLayout(line);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(6);
  layout->addWidget(framed(new EmptyStateView(
      QStringLiteral("checklist"), QStringLiteral("No tasks found"),
      QStringLiteral("Stay on top of your day by adding your first action item."),
      QStringLiteral("Create Task"), [] {})));
  layout->addWidget(framed(new EmptyStateView(
      QStringLiteral("checklist"), QStringLiteral("No tasks found"),
      QStringLiteral("Completed tasks will appear here."), QStringLiteral("Create Task"))));
  return line;
}

QWidget* buttons() {
  auto* add = new ProminentButton(QStringLiteral("Add Task"));
  add->setIcon(SymbolImage::icon(QStringLiteral("plus")));
  auto* join = new ProminentButton(QStringLiteral("Join Video Call"));
  join->setIcon(SymbolImage::icon(QStringLiteral("video.fill")));
  auto* disabled = new ProminentButton(QStringLiteral("Disabled"));
  disabled->setEnabled(false);
  return row({new ProminentButton(QStringLiteral("Create Task")), add, join, disabled});
}

QWidget* symbols() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(4);
  grid->setVerticalSpacing(10);
  QStringList names = SymbolImage::knownSymbols();
  std::sort(names.begin(), names.end());
  names << QStringLiteral("not.a.symbol");
  constexpr int kColumns = 6;
  int index = 0;
  for (const QString& name : names) {
    grid->addWidget(symbolTile(name, ThemeColor::primary), index / kColumns, index % kColumns,
                    Qt::AlignTop | Qt::AlignHCenter);
    ++index;
  }
  const std::pair<QString, ThemeColor> tinted[] = {
      {QStringLiteral("plus.circle.fill"), ThemeColor::accent},
      {QStringLiteral("checkmark.circle.fill"), ThemeColor::green},
      {QStringLiteral("clock.badge.exclamationmark"), ThemeColor::orange},
      {QStringLiteral("power"), ThemeColor::red},
      {QStringLiteral("sparkles"), ThemeColor::yellow},
      {QStringLiteral("pin.slash"), ThemeColor::secondary},
  };
  int row = (index + kColumns - 1) / kColumns;
  int col = 0;
  for (const auto& [name, role] : tinted) {
    grid->addWidget(symbolTile(name, role), row, col++, Qt::AlignTop | Qt::AlignHCenter);
  }
  return box;
}

QWidget* namedColours() {
  auto* box = new QWidget;
  auto* grid = new QGridLayout(box);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(8);
  const ThemeColor roles[] = {ThemeColor::primary,
                              ThemeColor::secondary,
                              ThemeColor::tertiary,
                              ThemeColor::accent,
                              ThemeColor::blue,
                              ThemeColor::orange,
                              ThemeColor::red,
                              ThemeColor::purple,
                              ThemeColor::green,
                              ThemeColor::yellow,
                              ThemeColor::windowBackground};
  int index = 0;
  for (ThemeColor role : roles) {
    grid->addWidget(
        row({new Swatch(role), new ThemedLabel(roleName(role), ThemeColor::secondary, 11)}, 6),
        index / 4, index % 4);
    ++index;
  }
  return box;
}

QWidget* translucent() {
  auto* backdrop = new Backdrop;
  auto* layout = new QHBoxLayout(backdrop);
  layout->setContentsMargins(16, 14, 16, 14);
  auto* material = new VisualEffectView(VisualEffectView::Material::hudWindow,
                                        VisualEffectView::BlendingMode::withinWindow);
  layout->addWidget(material);
  auto* inside = new QHBoxLayout(material);
  inside->setContentsMargins(0, 0, 0, 0);
  auto* handle = new WindowDragHandle([] {});
  handle->setToolTip(QStringLiteral("Drag to move • Double-click to open full app"));
  inside->addWidget(handle);
  auto* clock = new QHBoxLayout(handle);
  clock->setContentsMargins(10, 3, 10, 3);
  clock->setSpacing(6);
  clock->addStretch(1);
  auto* grip = new SymbolView(QStringLiteral("line.3.horizontal"), 12, ThemeColor::secondary);
  clock->addWidget(grip);
  clock->addWidget(
      column({new ThemedLabel(QStringLiteral("09:41"), ThemeColor::primary, 13, QFont::Bold),
              new ThemedLabel(QStringLiteral("Drag to move • Double-click to open"),
                              ThemeColor::secondary, 9)},
             0, Qt::AlignHCenter));
  clock->addStretch(1);
  return backdrop;
}

}  // namespace

ComponentGallery::ComponentGallery(bool dark, const QColor& accent, QWidget* parent)
    : QWidget(parent), dark_(dark) {
  setPalette(Theme::palette(dark, accent));
  setAutoFillBackground(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 24);
  layout->setSpacing(22);
  layout->addWidget(column(
      {new ThemedLabel(QStringLiteral("Pelmora components"), ThemeColor::primary, 20, QFont::Bold),
       new ThemedLabel(dark ? QStringLiteral("Dark") : QStringLiteral("Light"),
                       ThemeColor::secondary, 12)},
      2));
  layout->addWidget(new Section(QStringLiteral("Cards"), cards()));
  layout->addWidget(new Section(QStringLiteral("Badges"), badges()));
  layout->addWidget(new Section(QStringLiteral("Progress rings"), rings()));
  layout->addWidget(new Section(QStringLiteral("Empty states"), emptyStates()));
  layout->addWidget(new Section(QStringLiteral("Buttons"), buttons()));
  layout->addWidget(
      new Section(QStringLiteral("Translucent background and drag handle"), translucent()));
  layout->addWidget(new Section(QStringLiteral("Named colours"), namedColours()));
  layout->addWidget(new Section(QStringLiteral("Symbols"), symbols()));
  layout->addStretch(1);
}
