#include "app/screens/calendar/EventEditorSheet.h"

#include "app/screens/SheetForm.h"
#include "app/screens/calendar/CalendarFilters.h"
#include "app/ui/ThemedLabel.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

constexpr int kDefaultMinutes = 60;

QDateTimeEdit* dateTimeField(QWidget* parent) {
  auto* field = new QDateTimeEdit(parent);
  field->setCalendarPopup(true);
  field->setTimeSpec(Qt::UTC);  // a plain wall-clock value; the calendar gives it its zone
  field->setDisplayFormat(QStringLiteral("ddd, d MMM yyyy  HH:mm"));
  return field;
}

}  // namespace

EventEditorSheet::EventEditorSheet(const ScreenEnvironment& environment,
                                   std::function<void(const CalendarEventItem&)> onSave,
                                   QWidget* parent)
    : QWidget(parent), environment_(environment), onSave_(std::move(onSave)) {
  setWindowTitle(QStringLiteral("New Event"));
  SheetForm form(this, windowTitle());
  title_ = form.lineEdit(QStringLiteral("Title"), QString(), QStringLiteral("Team meeting"));
  start_ = dateTimeField(this);
  form.addRow(QStringLiteral("Starts"), start_);
  end_ = dateTimeField(this);
  form.addRow(QStringLiteral("Ends"), end_);
  allDay_ = new QCheckBox(QStringLiteral("All day"), this);
  form.addRow(QString(), allDay_);
  location_ = form.lineEdit(QStringLiteral("Location"), QString(), QStringLiteral("Optional"));
  link_ = form.lineEdit(QStringLiteral("Meeting Link"), QString(),
                        QStringLiteral("https://meet.example.com/…"));
  notes_ = form.notes(QString());
  error_ = form.errorLabel();
  saveButton_ = form.buttons(
      QStringLiteral("Add Event"), [this] { save(); }, [this] { environment_.close(); });

  // The next full hour, for an hour.
  const Calendar& calendar = environment_.calendar;
  const QDateTime now = environment_.now();
  const QDateTime local = now.toTimeZone(calendar.timeZone());
  const QDateTime hour =
      calendar.dateTime(local.date(), QTime(local.time().hour(), 0)).addSecs(3600);
  setStart(hour);
  setEnd(hour.addSecs(kDefaultMinutes * 60));

  // Moving the start keeps the length of the event.
  shownStart_ = start_->dateTime();
  connect(start_, &QDateTimeEdit::dateTimeChanged, this, [this](const QDateTime& changed) {
    end_->setDateTime(end_->dateTime().addSecs(shownStart_.secsTo(changed)));
    shownStart_ = changed;
  });
  connect(allDay_, &QCheckBox::toggled, this, [this](bool on) {
    start_->setDisplayFormat(on ? QStringLiteral("ddd, d MMM yyyy")
                                : QStringLiteral("ddd, d MMM yyyy  HH:mm"));
    end_->setDisplayFormat(start_->displayFormat());
  });
  for (QLineEdit* field : {title_, link_}) {
    connect(field, &QLineEdit::textEdited, error_, [this] { error_->hide(); });
  }
}

void EventEditorSheet::setStart(const QDateTime& instant) {
  const QDateTime local = instant.toTimeZone(environment_.calendar.timeZone());
  start_->setDateTime(QDateTime(local.date(), local.time(), Qt::UTC));
}

void EventEditorSheet::setEnd(const QDateTime& instant) {
  const QDateTime local = instant.toTimeZone(environment_.calendar.timeZone());
  end_->setDateTime(QDateTime(local.date(), local.time(), Qt::UTC));
}

QDateTime EventEditorSheet::instant(const QDateTimeEdit* field) const {
  const QDateTime wall = field->dateTime();
  return environment_.calendar.dateTime(wall.date(), wall.time());
}

bool EventEditorSheet::save() {
  const calendar_lists::EventForm form{title_->text(),       instant(start_),   instant(end_),
                                       allDay_->isChecked(), location_->text(), link_->text(),
                                       notes_->toPlainText()};
  auto result = calendar_lists::fromForm(form, environment_.calendar);
  if (const QString* message = std::get_if<QString>(&result)) {
    error_->setText(*message);
    error_->show();
    return false;
  }
  if (onSave_) {
    onSave_(std::get<CalendarEventItem>(result));
  }
  environment_.close();
  return true;
}
