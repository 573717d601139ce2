#include "app/screens/onboarding/OnboardingView.h"

#include "app/platform/Theme.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "core/store/DataStore.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

// A step: a large symbol, a title, a short explanation and the step's own controls.
QWidget* makePage(const QString& symbol, const QString& title, const QString& text,
                  const QList<QWidget*>& controls) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(12);
  layout->addStretch(1);
  auto* icon = new SymbolView(symbol, 52, ThemeColor::accent, page);
  layout->addWidget(icon, 0, Qt::AlignHCenter);
  auto* heading = new ThemedLabel(title, ThemeColor::primary, page);
  heading->setTextStyle(22, QFont::Bold);
  heading->setAlignment(Qt::AlignHCenter);
  layout->addWidget(heading);
  auto* body = new ThemedLabel(text, ThemeColor::secondary, page);
  body->setTextStyle(13);
  body->setWordWrap(true);
  body->setAlignment(Qt::AlignHCenter);
  body->setMaximumWidth(420);  // short lines read better than the sheet's full width
  // Without an alignment the layout sizes the wrapped text for its width, centred in the
  // page; an aligned label keeps its one-line hint and loses the lines that do not fit.
  layout->addWidget(body);
  layout->addSpacing(8);
  for (QWidget* control : controls) {
    control->setParent(page);
    layout->addWidget(control, 0, Qt::AlignHCenter);
  }
  layout->addStretch(1);
  return page;
}

}  // namespace

OnboardingView::OnboardingView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  setWindowTitle(QStringLiteral("Welcome to Pelmora"));
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Window);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(32, 24, 32, 24);
  layout->setSpacing(12);

  stepLabel_ = new ThemedLabel(QString(), ThemeColor::tertiary, this);
  stepLabel_->setTextStyle(12, QFont::Medium);
  stepLabel_->setAlignment(Qt::AlignHCenter);
  layout->addWidget(stepLabel_);

  city_ = new QLineEdit(state_.weatherCity);
  city_->setPlaceholderText(QStringLiteral("City"));
  city_->setAccessibleName(QStringLiteral("Weather city"));
  city_->setMinimumWidth(260);
  city_->setClearButtonEnabled(true);
  auto* cityHint = new ThemedLabel(QStringLiteral("You can change the city later in Settings."),
                                   ThemeColor::tertiary);
  cityHint->setTextStyle(11);
  sampleData_ = new QCheckBox(QStringLiteral("Keep the sample data"));
  sampleData_->setChecked(state_.seedSampleData);
  floatingWidget_ = new QCheckBox(QStringLiteral("Show the floating widget"));
  floatingWidget_->setChecked(state_.enableFloatingWidget);

  pages_ = new QStackedWidget(this);
  pages_->addWidget(makePage(
      QStringLiteral("sparkles"), QStringLiteral("Welcome to Pelmora"),
      QStringLiteral("Your tasks, bills, follow-ups, calendar and focus timer in one calm "
                     "dashboard. Everything stays on this computer.\n\nWhich city should the "
                     "weather show?"),
      {city_, cityHint}));
  pages_->addWidget(makePage(
      QStringLiteral("checklist"), QStringLiteral("Start With Examples?"),
      QStringLiteral("A few sample tasks, bills, follow-ups and events show how everything "
                     "works. Sample items are marked, and you can remove them at any time in "
                     "Settings."),
      {sampleData_}));
  pages_->addWidget(makePage(
      QStringLiteral("pip"), QStringLiteral("Floating Widget"),
      QStringLiteral("A small panel that stays on top of your windows shows the weather, your "
                     "next event, the focus timer and today's progress while you work."),
      {floatingWidget_}));
  layout->addWidget(pages_, 1);

  error_ = ThemedLabel::messageLine(ThemeColor::red, this);
  layout->addWidget(error_);

  auto* buttons = new QHBoxLayout;
  back_ = new QPushButton(QStringLiteral("Back"), this);
  next_ = new ProminentButton(QStringLiteral("Continue"), this);
  next_->setDefault(true);
  buttons->addWidget(back_);
  buttons->addStretch(1);
  buttons->addWidget(next_);
  layout->addLayout(buttons);

  connect(city_, &QLineEdit::textChanged, this,
          [this](const QString& text) { state_.weatherCity = text; });
  // Return in the city field reaches keyPressEvent below: the field passes it on.
  connect(sampleData_, &QCheckBox::toggled, this, [this](bool on) { state_.seedSampleData = on; });
  connect(floatingWidget_, &QCheckBox::toggled, this,
          [this](bool on) { state_.enableFloatingWidget = on; });
  connect(next_, &QPushButton::clicked, this, &OnboardingView::next);
  connect(back_, &QPushButton::clicked, this, &OnboardingView::back);

  setMinimumSize(480, 420);
  showStep();
}

void OnboardingView::showStep() {
  pages_->setCurrentIndex(state_.step - 1);
  stepLabel_->setText(QStringLiteral("Step %1 of %2").arg(state_.step).arg(stepCount));
  back_->setVisible(state_.step > 1);
  next_->setText(state_.step == stepCount ? QStringLiteral("Get Started")
                                          : QStringLiteral("Continue"));
  QWidget* focus = state_.step == 1   ? static_cast<QWidget*>(city_)
                   : state_.step == 2 ? static_cast<QWidget*>(sampleData_)
                                      : static_cast<QWidget*>(floatingWidget_);
  focus->setFocus();
}

void OnboardingView::next() {
  if (state_.step < stepCount) {
    ++state_.step;
    showStep();
    return;
  }
  finish();
}

void OnboardingView::back() {
  if (state_.step > 1) {
    --state_.step;
    error_->hide();
    showStep();
  }
}

void OnboardingView::finish() {
  DataStore* store = environment_.store;
  if (!store) {
    return;
  }
  if (!state_.seedSampleData && store->hasSampleData()) {
    store->removeAllSampleData();
    if (store->hasSampleData()) {
      error_->setText(QStringLiteral("The sample data could not be removed: %1")
                          .arg(store->saveError().value_or(QStringLiteral("unknown error"))));
      error_->show();
      return;
    }
  }
  AppSettings settings = store->settings();
  const QString city = state_.weatherCity.simplified();
  if (!city.isEmpty()) {
    settings.weatherCity = city;
  }
  settings.isWidgetFloating = state_.enableFloatingWidget;
  settings.hasCompletedOnboarding = true;
  store->setSettings(settings);
  store->saveSettings();
  if (environment_.app.updateWidgetConfiguration) {
    environment_.app.updateWidgetConfiguration();
  }
  // A yes shows the widget at once, not at the next start.
  if (state_.enableFloatingWidget && environment_.app.showFloatingWidget) {
    environment_.app.showFloatingWidget();
  }
  environment_.close();
}

void OnboardingView::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      next();
      event->accept();
      return;
    case Qt::Key_Escape:
      // Kept from the sheet: closing here would drop what was chosen so far.
      back();
      event->accept();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}
