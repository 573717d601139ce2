#include "app/screens/capture/QuickCaptureView.h"

#include "app/screens/capture/CaptureRecord.h"
#include "app/ui/ProminentButton.h"
#include "app/ui/SymbolView.h"
#include "app/ui/ThemedLabel.h"
#include "core/store/DataStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr int kPadding = 14;
constexpr qint64 kDefaultDueSeconds = 2 * 60 * 60;
constexpr int kNotesHeight = 44;

// The date editor shows the calendar's wall-clock time; it holds it as a zone-free value so
// what the user sees is what is saved, whatever the machine's own zone.
QDateTime wallClock(const QDateTime& instant, const Calendar& calendar) {
  const QDateTime local = instant.toTimeZone(calendar.timeZone());
  return QDateTime(local.date(), local.time(), Qt::UTC);
}

QDateTime instantOf(const QDateTime& wall, const Calendar& calendar) {
  return calendar.dateTime(wall.date(), wall.time());
}

QLabel* caption(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

QuickCaptureView::QuickCaptureView(const ScreenEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
  setWindowTitle(QStringLiteral("Quick Capture"));
  setAutoFillBackground(true);
  state_.dueDate = environment_.now().addSecs(kDefaultDueSeconds);

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(kPadding, kPadding, kPadding, kPadding);
  column->setSpacing(8);

  auto* heading = new ThemedLabel(QStringLiteral("Quick Capture"), ThemeColor::primary, this);
  heading->setTextStyle(15, QFont::Bold);
  column->addWidget(heading);

  // The four kinds as one row of exclusive buttons.
  auto* kindRow = new QHBoxLayout;
  kindRow->setSpacing(6);
  kinds_ = new QButtonGroup(this);
  kinds_->setExclusive(true);
  for (const CaptureType type : EnumCases<CaptureType>::values) {
    auto* button = new QPushButton(displayText(type), this);
    button->setCheckable(true);
    button->setAutoDefault(false);
    kinds_->addButton(button, int(type));
    kindRow->addWidget(button);
  }
  kindRow->addStretch(1);
  column->addLayout(kindRow);

  auto* form = new QFormLayout;
  form->setHorizontalSpacing(12);
  form->setVerticalSpacing(6);
  form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  title_ = new QLineEdit(this);
  title_->setAccessibleName(QStringLiteral("Title"));
  form->addRow(caption(QStringLiteral("Title"), this), title_);

  secondaryCaption_ = caption(QString(), this);
  secondary_ = new QLineEdit(this);
  form->addRow(secondaryCaption_, secondary_);

  categoryCaption_ = caption(QStringLiteral("Category"), this);
  category_ = new QLineEdit(state_.draft.category, this);
  category_->setAccessibleName(QStringLiteral("Category"));
  form->addRow(categoryCaption_, category_);

  priorityCaption_ = caption(QStringLiteral("Priority"), this);
  priority_ = new QComboBox(this);
  priority_->setAccessibleName(QStringLiteral("Priority"));
  for (const TaskPriority p : EnumCases<TaskPriority>::values) {
    priority_->addItem(displayText(p), int(p));
  }
  priority_->setCurrentIndex(priority_->findData(int(state_.draft.priority)));
  form->addRow(priorityCaption_, priority_);

  dueCaption_ = caption(QStringLiteral("Due"), this);
  auto* dueRow = new QHBoxLayout;
  dueRow->setSpacing(8);
  hasDueDate_ = new QCheckBox(this);
  hasDueDate_->setAccessibleName(QStringLiteral("Has due date"));
  hasDueDate_->setChecked(state_.hasDueDate);
  dueRow->addWidget(hasDueDate_);
  dueDate_ = new QDateTimeEdit(this);
  dueDate_->setTimeSpec(Qt::UTC);
  dueDate_->setCalendarPopup(true);
  dueDate_->setDisplayFormat(QStringLiteral("ddd d MMM yyyy  HH:mm"));
  dueDate_->setDateTime(wallClock(state_.dueDate, environment_.calendar));
  dueDate_->setAccessibleName(QStringLiteral("Due date"));
  dueRow->addWidget(dueDate_, 1);
  form->addRow(dueCaption_, dueRow);

  notesCaption_ = caption(QStringLiteral("Notes"), this);
  notes_ = new QPlainTextEdit(this);
  notes_->setTabChangesFocus(true);
  notes_->setFixedHeight(kNotesHeight);
  notes_->setAccessibleName(QStringLiteral("Notes"));
  form->addRow(notesCaption_, notes_);
  column->addLayout(form);

  message_ = ThemedLabel::messageLine(ThemeColor::red, this);
  message_->setTextStyle(12);
  column->addWidget(message_);
  column->addStretch(1);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(8);
  banner_ = new QWidget(this);
  auto* bannerRow = new QHBoxLayout(banner_);
  bannerRow->setContentsMargins(0, 0, 0, 0);
  bannerRow->setSpacing(6);
  bannerRow->addWidget(new SymbolView(QStringLiteral("checkmark.circle.fill"), 16,
                                      ThemeColor::green, banner_));
  auto* savedText = new ThemedLabel(QStringLiteral("Saved"), ThemeColor::green, banner_);
  savedText->setTextStyle(13, QFont::DemiBold);
  bannerRow->addWidget(savedText);
  banner_->hide();
  buttons->addWidget(banner_);
  buttons->addStretch(1);
  cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancelButton_->setAutoDefault(false);
  buttons->addWidget(cancelButton_);
  saveButton_ = new ProminentButton(QStringLiteral("Save"), this);
  saveButton_->setDefault(true);
  buttons->addWidget(saveButton_);
  column->addLayout(buttons);

  connect(kinds_, &QButtonGroup::idClicked, this,
          [this](int id) { setCaptureType(CaptureType(id)); });
  for (QLineEdit* field : {title_, secondary_, category_}) {
    connect(field, &QLineEdit::textChanged, this, &QuickCaptureView::syncState);
    connect(field, &QLineEdit::returnPressed, this, &QuickCaptureView::save);
  }
  connect(priority_, &QComboBox::currentIndexChanged, this, &QuickCaptureView::syncState);
  connect(hasDueDate_, &QCheckBox::toggled, this, &QuickCaptureView::syncState);
  connect(dueDate_, &QDateTimeEdit::dateTimeChanged, this, &QuickCaptureView::syncState);
  connect(notes_, &QPlainTextEdit::textChanged, this, &QuickCaptureView::syncState);
  connect(saveButton_, &QPushButton::clicked, this, &QuickCaptureView::save);
  connect(cancelButton_, &QPushButton::clicked, this, [this] { environment_.close(); });
  auto* saveShortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return), this);
  saveShortcut->setContext(Qt::WidgetWithChildrenShortcut);
  connect(saveShortcut, &QShortcut::activated, this, &QuickCaptureView::save);
  auto* cancelShortcut = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  cancelShortcut->setContext(Qt::WidgetWithChildrenShortcut);
  connect(cancelShortcut, &QShortcut::activated, this, [this] { environment_.close(); });

  setCaptureType(state_.draft.type);
  setTabOrder(title_, secondary_);
  setTabOrder(secondary_, category_);
  setTabOrder(category_, priority_);
  setTabOrder(priority_, hasDueDate_);
  setTabOrder(hasDueDate_, dueDate_);
  setTabOrder(dueDate_, notes_);
  setTabOrder(notes_, cancelButton_);
  setTabOrder(cancelButton_, saveButton_);
  title_->setFocus();
}

void QuickCaptureView::setCaptureType(CaptureType type) {
  // An untouched default category follows the kind: bills default to "Utilities".
  const QString general = QStringLiteral("General");
  const QString utilities = QStringLiteral("Utilities");
  const QString category = category_->text().trimmed();
  if (type == CaptureType::bill && category == general) {
    category_->setText(utilities);
  } else if (type == CaptureType::task && category == utilities) {
    category_->setText(general);
  }
  state_.draft.type = type;
  if (QAbstractButton* button = kinds_->button(int(type))) {
    button->setChecked(true);
  }
  // The chosen kind also reads in bold: the style's pressed look alone is faint.
  for (QAbstractButton* button : kinds_->buttons()) {
    QFont font = button->font();
    font.setBold(button->isChecked());
    button->setFont(font);
  }
  layoutForType();
  syncState();
}

void QuickCaptureView::layoutForType() {
  const CaptureType type = state_.draft.type;
  const bool task = type == CaptureType::task;
  const bool waiting = type == CaptureType::waitingFor;
  const bool bill = type == CaptureType::bill;
  const bool intention = type == CaptureType::intention;

  switch (type) {
    case CaptureType::task:
      title_->setPlaceholderText(QStringLiteral("What needs doing?"));
      break;
    case CaptureType::waitingFor:
      title_->setPlaceholderText(QStringLiteral("What are you waiting for?"));
      break;
    case CaptureType::bill:
      title_->setPlaceholderText(QStringLiteral("Bill name"));
      break;
    case CaptureType::intention:
      title_->setPlaceholderText(QStringLiteral("Today I will…"));
      break;
  }
  secondaryCaption_->setText(bill ? QStringLiteral("Amount") : QStringLiteral("From"));
  secondary_->setPlaceholderText(bill ? QStringLiteral("0.00")
                                      : QStringLiteral("Person or organisation"));
  secondary_->setAccessibleName(bill ? QStringLiteral("Amount")
                                     : QStringLiteral("Person or organisation"));
  secondaryCaption_->setVisible(waiting || bill);
  secondary_->setVisible(waiting || bill);
  categoryCaption_->setVisible(task || bill);
  category_->setVisible(task || bill);
  priorityCaption_->setVisible(task);
  priority_->setVisible(task);
  // A bill always has a due date; for the others it is optional.
  dueCaption_->setText(waiting ? QStringLiteral("Expected") : QStringLiteral("Due"));
  dueCaption_->setVisible(!intention);
  hasDueDate_->setVisible(task || waiting);
  dueDate_->setVisible(!intention);
  notesCaption_->setVisible(!intention);
  notes_->setVisible(!intention);
  message_->hide();
}

void QuickCaptureView::syncState() {
  QuickCaptureDraft& draft = state_.draft;
  draft.title = title_->text();
  draft.secondaryField = secondary_->text();
  draft.category = category_->text();
  draft.priority = TaskPriority(priority_->currentData().toInt());
  draft.notes = notes_->toPlainText();
  state_.hasDueDate = hasDueDate_->isChecked();
  state_.dueDate = instantOf(dueDate_->dateTime(), environment_.calendar);
  const bool usesDate = draft.type == CaptureType::bill ||
                        (state_.hasDueDate && draft.type != CaptureType::intention);
  draft.dueDate = usesDate ? std::optional<QDateTime>(state_.dueDate) : std::nullopt;
  dueDate_->setEnabled(draft.type == CaptureType::bill || state_.hasDueDate);
}

bool QuickCaptureView::save() {
  // A second Return right after saving would otherwise add an "Untitled" record.
  if (closing_) {
    return false;
  }
  syncState();
  DataStore* store = environment_.store;
  const auto fail = [this](const QString& text) {
    // The banner of an earlier save would read as if this item had been saved too.
    state_.showSavedBanner = false;
    banner_->hide();
    message_->setText(text);
    message_->show();
    return false;
  };
  if (store == nullptr) {
    return fail(QStringLiteral("Nothing can be saved right now."));
  }
  const capture_record::Record record = capture_record::fromDraft(state_.draft, environment_.now());
  if (const auto* refusal = std::get_if<capture_record::Refusal>(&record)) {
    if (state_.draft.type == CaptureType::bill) {
      secondary_->setFocus();
    }
    return fail(refusal->message);
  }
  if (const auto* task = std::get_if<TaskItem>(&record)) {
    store->addTask(*task);
  } else if (const auto* item = std::get_if<WaitingForItem>(&record)) {
    store->addWaitingItem(*item);
  } else if (const auto* bill = std::get_if<BillItem>(&record)) {
    store->addBill(*bill);
  } else if (const auto* intention = std::get_if<capture_record::DailyIntention>(&record)) {
    if (store->setDailyIntention(intention->text)) {
      store->save();
    }
  }
  if (const std::optional<QString> error = store->saveError()) {
    return fail(*error);
  }

  message_->hide();
  state_.showSavedBanner = true;
  banner_->show();
  // Ready for the next item should the form stay open.
  title_->clear();
  secondary_->clear();
  notes_->clear();
  title_->setFocus();
  if (environment_.dismiss) {
    closing_ = true;
    QTimer::singleShot(kCloseDelayMs, this, [this] {
      closing_ = false;
      // Someone who started on the next item keeps the form.
      if (title_->text().isEmpty() && secondary_->text().isEmpty() &&
          notes_->toPlainText().isEmpty()) {
        environment_.close();
      }
    });
  }
  return true;
}

void QuickCaptureView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The form is built before the window that hosts it, and moving it there drops the focus
  // given in the constructor; typing starts in the title.
  const QWidget* focused = window()->focusWidget();
  if (focused == nullptr || !isAncestorOf(focused)) {
    title_->setFocus(Qt::OtherFocusReason);
  }
}

QString QuickCaptureView::message() const {
  return message_->isHidden() ? QString() : message_->text();
}

bool QuickCaptureView::isSavedBannerShown() const { return !banner_->isHidden(); }
