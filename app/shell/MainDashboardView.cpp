#include "app/shell/MainDashboardView.h"

#include "app/platform/SymbolImage.h"
#include "app/platform/Theme.h"
#include "app/shell/HostedScreens.h"
#include "app/ui/DayLists.h"
#include "app/ui/Sheet.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "core/store/DataStore.h"

#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kSidebarMinimumWidth = 180;
constexpr int kSidebarIdealWidth = 200;
constexpr int kSidebarMaximumWidth = 240;
// What the window's least width (720) leaves beside the sidebar and the 1 px handle.
constexpr int kDetailMinimumWidth = 720 - kSidebarMinimumWidth - 1;
constexpr int kDetailMinimumHeight = 460;
constexpr int kBadgeRole = Qt::UserRole + 1;

ThemeColor badgeColor(DashboardTab tab) {
  switch (tab) {
    case DashboardTab::emailInbox: return ThemeColor::purple;
    case DashboardTab::tasks: return ThemeColor::blue;
    default: return ThemeColor::orange;
  }
}

// A tab row: its symbol and title, and at the right the count badge when there is one.
class TabDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.setHeight(qMax(size.height(), 28));
    return size;
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    // Painted here rather than by a style sheet, so light and dark switch while it runs.
    const QPalette& palette = option.widget ? option.widget->palette() : option.palette;
    const bool selected = option.state & QStyle::State_Selected;
    const QRect row = option.rect.adjusted(8, 1, -8, -1);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    const bool focused = (option.state & QStyle::State_HasFocus) && option.widget &&
                         option.widget->hasFocus();
    if (selected) {
      painter->setPen(Qt::NoPen);
      painter->setBrush(palette.color(QPalette::Highlight));
      painter->drawRoundedRect(row, 6, 6);
    }
    if (focused) {
      // The keyboard's row is the selected one: a ring in the selection's text colour inside
      // it, in the accent colour around a row that is not selected.
      QColor ring = palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
      ring.setAlphaF(0.85f);
      painter->setPen(QPen(ring, 1.5));
      painter->setBrush(Qt::NoBrush);
      painter->drawRoundedRect(QRectF(row).adjusted(2, 2, -2, -2), 4.5, 4.5);
    }
    const QColor text = selected ? palette.color(QPalette::HighlightedText)
                                 : Theme::color(ThemeColor::primary, palette);
    const auto tab = dashboard_tab::allCases[static_cast<size_t>(index.row())];
    const QRect iconRect(row.left() + 6, row.center().y() - 8, 16, 16);
    SymbolImage::icon(dashboard_tab::icon(tab), text).paint(painter, iconRect);
    painter->setPen(text);
    painter->setFont(option.font);
    const QRect textRect(iconRect.right() + 8, row.top(), row.right() - iconRect.right() - 8,
                         row.height());
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight,
                                                    textRect.width() - 30));
    const int count = index.data(kBadgeRole).toInt();
    if (count != 0) {
      const QFont font = Theme::font(option.font, 10, QFont::Bold);
      const QString number = QString::number(count);
      const QFontMetrics metrics(font);
      const int height = metrics.height() + 2;
      const int width = qMax(metrics.horizontalAdvance(number) + 10, height);
      const QRect badge(row.right() - 6 - width, row.center().y() - height / 2, width, height);
      painter->setPen(Qt::NoPen);
      painter->setBrush(Theme::color(badgeColor(tab), palette));
      painter->drawRoundedRect(badge, height / 2.0, height / 2.0);
      painter->setPen(Qt::white);
      painter->setFont(font);
      painter->drawText(badge, Qt::AlignCenter, number);
    }
    painter->restore();
  }
};

// The sidebar column: a shade apart from the detail, with a hairline at its right edge.
class SidebarColumn : public QWidget {
 public:
  using QWidget::QWidget;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QColor window = palette().color(QPalette::Window);
    painter.fillRect(rect(), Theme::isDark(palette()) ? window.lighter(118) : window.darker(104));
    painter.fillRect(QRect(width() - 1, 0, 1, height()),
                     Theme::isDark(palette()) ? window.lighter(150) : window.darker(115));
  }
};

// One of the plain rows under the tab list: symbol, title, and a trailing hint.
class ActionRow : public QPushButton {
 public:
  ActionRow(const QString& symbol, ThemeColor symbolColor, const QString& title,
            QFont::Weight weight, const QString& trailing, int verticalPadding, QWidget* parent)
      : QPushButton(parent) {
    setFlat(true);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
    setObjectName(title);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(12, verticalPadding, 12, verticalPadding);
    row->addWidget(new SymbolView(symbol, 14, symbolColor, this));
    auto* label = new ThemedLabel(title, ThemeColor::primary, this);
    label->setTextStyle(12, weight);
    row->addWidget(label);
    row->addStretch(1);
    if (!trailing.isEmpty()) {
      auto* hint = new ThemedLabel(trailing, ThemeColor::secondary, this);
      hint->setTextStyle(10);
      row->addWidget(hint);
    }
  }

  QSize sizeHint() const override { return layout()->sizeHint(); }
  QSize minimumSizeHint() const override { return layout()->minimumSize(); }

 protected:
  void paintEvent(QPaintEvent*) override {
    // The style rings a flat button only after a Tab, and faintly: a row reached by the
    // keyboard shows its own ring, in light and dark alike.
    QStylePainter style(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.state &= ~QStyle::State_HasFocus;
    style.drawControl(QStyle::CE_PushButton, option);
    if (hasFocus()) {
      style.setRenderHint(QPainter::Antialiasing);
      style.setPen(QPen(palette().color(QPalette::Highlight), 1.5));
      style.setBrush(Qt::NoBrush);
      style.drawRoundedRect(QRectF(rect()).adjusted(9, 1.5, -9, -1.5), 6, 6);
    }
  }
};

}  // namespace

int SidebarBadgeCounts::count(DashboardTab tab) const {
  switch (tab) {
    case DashboardTab::emailInbox: return emailInbox;
    case DashboardTab::tasks: return tasks;
    case DashboardTab::waitingFor: return waitingFor;
    default: return 0;
  }
}

SidebarBadgeCounts sidebarBadgeCounts(const DataStore& store, const QDateTime& now,
                                      const Calendar& calendar) {
  SidebarBadgeCounts counts;
  for (const EmailExtractedSuggestion& suggestion : store.emailSuggestions()) {
    counts.emailInbox += suggestion.status == SuggestionStatus::pending ? 1 : 0;
  }
  counts.tasks = static_cast<int>(
      day_lists::tasksDueToday(store.tasksDueToday(now, calendar), now, calendar,
                               day_lists::Completed::excluded)
          .size());
  counts.waitingFor =
      static_cast<int>(day_lists::followUpsOverdue(store.waitingItems(), now).size());
  return counts;
}

MainDashboardView::MainDashboardView(const ScreenEnvironment& environment,
                                     std::function<void()> onToggleFloatingWidget,
                                     QWidget* parent)
    : QWidget(parent), environment_(environment) {
  // A screen sends the user to a settings page through its environment.
  environment_.app.showSettings = [this](SettingsTab page) { showSettingsPage(page); };
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setChildrenCollapsible(false);
  split->setHandleWidth(1);
  split->addWidget(buildSidebar(std::move(onToggleFloatingWidget)));

  auto* detail = new QWidget(split);
  detail->setMinimumSize(kDetailMinimumWidth, kDetailMinimumHeight);
  detail_ = new QVBoxLayout(detail);
  detail_->setContentsMargins(0, 0, 0, 0);
  split->addWidget(detail);
  split->setStretchFactor(1, 1);
  split->setSizes({kSidebarIdealWidth, 1000});

  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(split);

  // Ctrl+1 is Today; Ctrl+2 to Ctrl+9 are the tabs after the e-mail tab, which has no number.
  QList<DashboardTab> numbered{DashboardTab::today};
  for (DashboardTab tab : dashboard_tab::allCases) {
    if (tab != DashboardTab::today && tab != DashboardTab::emailInbox) {
      numbered.append(tab);
    }
  }
  for (int i = 0; i < numbered.size(); ++i) {
    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + i)), this);
    connect(shortcut, &QShortcut::activated, this,
            [this, tab = numbered[i]] { setActiveTab(tab); });
  }
  auto* capture = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_N), this);
  connect(capture, &QShortcut::activated, this, &MainDashboardView::showQuickCapture);

  midnight_ = new QTimer(this);
  midnight_->setSingleShot(true);
  connect(midnight_, &QTimer::timeout, this, [this] {
    refreshCounts();
    scheduleMidnightRefresh();
  });
  if (DataStore* store = environment_.store) {
    for (auto signal : {&DataStore::tasksChanged, &DataStore::waitingItemsChanged,
                        &DataStore::emailSuggestionsChanged}) {
      connect(store, signal, this, &MainDashboardView::refreshCounts);
    }
  }
  refreshCounts();
  scheduleMidnightRefresh();
  showScreen();
}

QWidget* MainDashboardView::buildSidebar(std::function<void()> onToggleFloatingWidget) {
  auto* sidebar = new SidebarColumn(this);
  sidebar->setMinimumWidth(kSidebarMinimumWidth);
  sidebar->setMaximumWidth(kSidebarMaximumWidth);
  auto* column = new QVBoxLayout(sidebar);
  column->setContentsMargins(0, 0, 0, 10);
  column->setSpacing(0);

  auto* header = new QHBoxLayout;
  header->setContentsMargins(14, 14, 14, 8);
  header->setSpacing(8);
  header->addWidget(new SymbolView(QStringLiteral("gauge.with.needle.fill"), 16,
                                   ThemeColor::accent, sidebar));
  auto* name = new ThemedLabel(QStringLiteral("Pelmora"), ThemeColor::primary, sidebar);
  name->setTextStyle(14, QFont::Bold);
  header->addWidget(name);
  header->addStretch(1);
  column->addLayout(header);

  tabList_ = new QListWidget(sidebar);
  tabList_->setFrameShape(QFrame::NoFrame);
  tabList_->setIconSize(QSize(16, 16));
  tabList_->setItemDelegate(new TabDelegate(tabList_));
  tabList_->setAccessibleName(QStringLiteral("Tabs"));
  tabList_->viewport()->setAutoFillBackground(false);
  tabList_->setAutoFillBackground(false);
  tabList_->setFocusPolicy(Qt::StrongFocus);
  for (DashboardTab tab : dashboard_tab::allCases) {
    new QListWidgetItem(dashboard_tab::rawValue(tab), tabList_);
  }
  tabList_->setCurrentRow(0);
  connect(tabList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0 && row < static_cast<int>(dashboard_tab::allCases.size())) {
      setActiveTab(dashboard_tab::allCases[static_cast<size_t>(row)]);
    }
  });
  column->addWidget(tabList_, 1);

  auto* divider = new QFrame(sidebar);
  divider->setFrameShape(QFrame::HLine);
  divider->setFrameShadow(QFrame::Plain);
  divider->setForegroundRole(QPalette::Mid);
  column->addWidget(divider);

  auto* capture = new ActionRow(QStringLiteral("plus.circle.fill"), ThemeColor::accent,
                                QStringLiteral("Quick Capture"), QFont::DemiBold,
                                QStringLiteral("Ctrl+N"), 6, sidebar);
  connect(capture, &QPushButton::clicked, this, &MainDashboardView::showQuickCapture);
  auto* widget = new ActionRow(QStringLiteral("pip"), ThemeColor::secondary,
                               QStringLiteral("Toggle Widget"), QFont::Normal, QString(), 5,
                               sidebar);
  connect(widget, &QPushButton::clicked, this, [toggle = std::move(onToggleFloatingWidget)] {
    if (toggle) {
      toggle();
    }
  });
  auto* settings = new ActionRow(QStringLiteral("gearshape"), ThemeColor::secondary,
                                 QStringLiteral("Settings"), QFont::Normal,
                                 QStringLiteral("Ctrl+,"), 5, sidebar);
  connect(settings, &QPushButton::clicked, this, &MainDashboardView::showSettings);
  // The rows sit 4 apart, right under the divider; the column's margin leaves 10 below.
  column->addWidget(capture);
  column->addSpacing(4);
  column->addWidget(widget);
  column->addSpacing(4);
  column->addWidget(settings);
  return sidebar;
}

void MainDashboardView::setActiveTab(DashboardTab tab) {
  if (tab == state_.activeTab) {
    return;
  }
  state_.activeTab = tab;
  const auto row = std::find(dashboard_tab::allCases.begin(), dashboard_tab::allCases.end(), tab) -
                   dashboard_tab::allCases.begin();
  tabList_->setCurrentRow(static_cast<int>(row));
  showScreen();
  Q_EMIT activeTabChanged(tab);
}

void MainDashboardView::showScreen() {
  // A screen may switch tabs from inside one of its own handlers, so the old one goes later.
  if (screen_) {
    screen_->hide();
    screen_->deleteLater();
  }
  hosted_screens::TabContext context{
      environment_, [this] { return state_.activeTab; },
      [this](DashboardTab tab) { setActiveTab(tab); }};
  screen_ = hosted_screens::tabScreen(state_.activeTab, context);
  detail_->addWidget(screen_);
}

void MainDashboardView::refreshCounts() {
  if (!environment_.store) {
    return;
  }
  const SidebarBadgeCounts counts =
      sidebarBadgeCounts(*environment_.store, environment_.now(), environment_.calendar);
  if (counts == counts_) {
    return;
  }
  counts_ = counts;
  for (int row = 0; row < tabList_->count(); ++row) {
    tabList_->item(row)->setData(kBadgeRole,
                                 counts_.count(dashboard_tab::allCases[static_cast<size_t>(row)]));
  }
}

// "Due today" changes with the date even when nothing is stored.
void MainDashboardView::scheduleMidnightRefresh() {
  const QDateTime now = environment_.now();
  const QDateTime midnight = environment_.calendar.startOfDay(environment_.calendar.addDays(now, 1));
  midnight_->start(static_cast<int>(std::clamp<qint64>(now.msecsTo(midnight), 1000, 86400000)));
}

void MainDashboardView::showQuickCapture() {
  present(&State::isShowingQuickCapture, quickCaptureSheet_, &hosted_screens::quickCapture);
}

void MainDashboardView::showSettings() {
  present(&State::isShowingSettings, settingsSheet_, &hosted_screens::settings);
}

void MainDashboardView::showSettingsPage(SettingsTab page) {
  showSettings();
  if (settingsSheet_) {
    hosted_screens::showSettingsPage(settingsSheet_->content(), page);
  }
}

void MainDashboardView::showOnboarding() {
  present(&State::isShowingOnboarding, onboardingSheet_, &hosted_screens::onboarding);
}

void MainDashboardView::present(bool State::*flag, QPointer<Sheet>& slot,
                                QWidget* (*build)(const ScreenEnvironment&)) {
  if (slot) {
    slot->raise();
    slot->activateWindow();
    return;
  }
  state_.*flag = true;
  slot = Sheet::present(this, environment_, build, [this, flag] { state_.*flag = false; });
}

void MainDashboardView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refreshCounts();
  if (environment_.store && !environment_.store->settings().hasCompletedOnboarding) {
    // After the window is mapped, so the sheet has a window to sit on.
    QTimer::singleShot(0, this, [this] {
      if (isVisible() && environment_.store &&
          !environment_.store->settings().hasCompletedOnboarding) {
        showOnboarding();
      }
    });
  }
}

void MainDashboardView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
    refreshCounts();
  }
}
