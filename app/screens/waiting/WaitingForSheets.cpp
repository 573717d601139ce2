#include "app/screens/waiting/WaitingForSheets.h"

#include "app/screens/SheetForm.h"
#include "app/screens/waiting/WaitingFilters.h"
#include "app/ui/ThemedLabel.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

// Without a date of its own, a follow-up is proposed this many days ahead.
constexpr int kFollowUpDays = 3;

std::optional<QDate> dayOf(const std::optional<QDateTime>& instant, const Calendar& calendar) {
  return instant ? std::optional<QDate>(calendar.date(*instant)) : std::nullopt;
}

}  // namespace

WaitingForItemSheet::WaitingForItemSheet(const ScreenEnvironment& environment,
                                         std::optional<WaitingForItem> existing,
                                         std::function<void(const WaitingForItem&)> onSave,
                                         QWidget* parent)
    : QWidget(parent),
      environment_(environment),
      existing_(std::move(existing)),
      onSave_(std::move(onSave)) {
  setWindowTitle(existing_ ? QStringLiteral("Edit Waiting For")
                           : QStringLiteral("New Waiting For"));
  SheetForm form(this, windowTitle());
  const Calendar& calendar = environment_.calendar;
  const QDate later = calendar.date(environment_.now()).addDays(kFollowUpDays);
  title_ = form.lineEdit(QStringLiteral("What"), existing_ ? existing_->title : QString(),
                         QStringLiteral("Signed contract"));
  person_ = form.lineEdit(QStringLiteral("From"), existing_ ? existing_->personOrOrg : QString(),
                          QStringLiteral("Person or organisation"));
  expected_ = new OptionalDateField(
      QStringLiteral("Expected by"),
      existing_ ? dayOf(existing_->expectedResponseDate, calendar) : std::nullopt, later, this);
  form.addRow(QStringLiteral("Answer"), expected_);
  followUp_ = new OptionalDateField(
      QStringLiteral("Follow up on"),
      existing_ ? dayOf(existing_->nextFollowUpDate, calendar) : std::nullopt, later, this);
  form.addRow(QStringLiteral("Follow-Up"), followUp_);
  if (existing_) {
    status_ = new QComboBox(this);
    for (WaitingStatus status : allCases<WaitingStatus>) {
      status_->addItem(displayText(status));
    }
    status_->setCurrentIndex(static_cast<int>(existing_->status));
    form.addRow(QStringLiteral("Status"), status_);
  }
  notes_ = form.notes(existing_ ? existing_->notes : QString());
  saveButton_ = form.buttons(
      existing_ ? QStringLiteral("Save") : QStringLiteral("Add"), [this] { save(); },
      [this] { environment_.close(); });
}

void WaitingForItemSheet::save() {
  waiting_lists::WaitingForm form{
      title_->text(),
      person_->text(),
      expected_->date(),
      followUp_->date(),
      status_ ? allCases<WaitingStatus>[static_cast<size_t>(std::max(status_->currentIndex(), 0))]
              : WaitingStatus::waiting,
      notes_->toPlainText()};
  const WaitingForItem item =
      waiting_lists::fromForm(form, existing_, environment_.now(), environment_.calendar);
  if (onSave_) {
    onSave_(item);
  }
  environment_.close();
}

FollowUpSheet::FollowUpSheet(const ScreenEnvironment& environment, WaitingForItem item,
                             std::function<void(const QString&)> onNotesChanged,
                             std::function<void(const QString&, std::optional<QDate>)> onSave,
                             QWidget* parent)
    : QWidget(parent), environment_(environment), onSave_(std::move(onSave)) {
  setWindowTitle(QStringLiteral("Follow Up"));
  SheetForm form(this, windowTitle());
  auto* about = new ThemedLabel(item.personOrOrg.isEmpty()
                                    ? item.title
                                    : QStringLiteral("%1 (%2)").arg(item.title, item.personOrOrg),
                                ThemeColor::secondary, this);
  about->setTextStyle(12);
  about->setWordWrap(true);
  form.addRow(QStringLiteral("Item"), about);
  notes_ = form.notes(QString(), QStringLiteral("What happened"));
  notes_->setPlaceholderText(QStringLiteral("Sent a reminder e-mail"));
  const QDate later = environment_.calendar.date(environment_.now()).addDays(kFollowUpDays);
  next_ = new OptionalDateField(QStringLiteral("Follow up again on"), later, later, this);
  form.addRow(QStringLiteral("Next"), next_);
  saveButton_ = form.buttons(
      QStringLiteral("Record Follow-Up"), [this] { save(); }, [this] { environment_.close(); });
  connect(notes_, &QPlainTextEdit::textChanged, this,
          [this, onNotesChanged = std::move(onNotesChanged)] {
            if (onNotesChanged) {
              onNotesChanged(notes_->toPlainText());
            }
          });
}

void FollowUpSheet::save() {
  if (onSave_) {
    onSave_(notes_->toPlainText(), next_->date());
  }
  environment_.close();
}
