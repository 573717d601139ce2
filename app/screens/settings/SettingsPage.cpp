#include "app/screens/settings/SettingsPage.h"

#include "app/ui/ThemedLabel.h"
#include "core/model/AppError.h"
#include "core/store/DataStore.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

SettingsPage::SettingsPage(std::shared_ptr<SettingsContext> context, SettingsTab tab,
                           QWidget* parent)
    : QWidget(parent), context_(std::move(context)), tab_(tab) {
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(24, 20, 24, 20);
  outer->setSpacing(14);
  auto* title = new ThemedLabel(displayText(tab), ThemeColor::primary, this);
  title->setTextStyle(20, QFont::Bold);
  outer->addWidget(title);

  form_ = new QFormLayout;
  form_->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
  form_->setFormAlignment(Qt::AlignLeft | Qt::AlignTop);
  form_->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  form_->setRowWrapPolicy(QFormLayout::DontWrapRows);
  form_->setHorizontalSpacing(14);
  form_->setVerticalSpacing(8);
  outer->addLayout(form_);
  outer->addStretch(1);

  if (DataStore* store = context_->env().store) {
    connect(store, &DataStore::settingsChanged, this, &SettingsPage::redraw);
  }
  connect(context_.get(), &SettingsContext::stateChanged, this, &SettingsPage::redraw);
}

void SettingsPage::redraw() {
  const AppSettings settings = context_->settings();
  for (const auto& bind : binders_) {
    bind(settings);
  }
  refresh();
}

void SettingsPage::addSection(const QString& title) {
  auto* heading = new ThemedLabel(title, ThemeColor::secondary, this);
  heading->setTextStyle(13, QFont::DemiBold);
  heading->setContentsMargins(0, form_->rowCount() > 0 ? 12 : 0, 0, 2);
  form_->addRow(heading);
}

QLabel* SettingsPage::addNote(const QString& text) {
  auto* note = new ThemedLabel(text, ThemeColor::secondary, this);
  note->setTextStyle(12);
  note->setWordWrap(true);
  note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  note->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  // The form sizes a wrapped row by its narrowest width; this keeps that close to the real one.
  note->setMinimumWidth(400);
  form_->addRow(QString(), note);
  return note;
}

QLabel* SettingsPage::addMessageLine() {
  auto* line = ThemedLabel::messageLine(ThemeColor::secondary, this);
  line->setTextStyle(12);
  line->setTextInteractionFlags(Qt::TextSelectableByMouse);
  form_->addRow(QString(), line);
  return line;
}

void SettingsPage::showMessage(QLabel* label, const std::optional<QString>& text, ThemeColor role) {
  if (auto* themed = qobject_cast<ThemedLabel*>(label)) {
    themed->setRole(role);
  }
  label->setText(text.value_or(QString()));
  label->setVisible(text.has_value() && !text->isEmpty());
}

void SettingsPage::addRow(const QString& label, QWidget* field) { form_->addRow(label, field); }

void SettingsPage::addRow(const QString& label, QLayout* field) { form_->addRow(label, field); }

QHBoxLayout* SettingsPage::buttonRow(std::initializer_list<QWidget*> buttons) {
  auto* row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(8);
  for (QWidget* button : buttons) {
    row->addWidget(button);
  }
  row->addStretch(1);
  return row;
}

QString SettingsPage::failureText(const std::exception& error) {
  if (const auto* app = dynamic_cast<const AppError*>(&error)) {
    return app->errorDescription();
  }
  return QString::fromUtf8(error.what());
}

QCheckBox* SettingsPage::addSwitch(const QString& text, bool AppSettings::*field,
                                   std::function<void(bool)> after, const QString& label) {
  auto* box = new QCheckBox(text, this);
  box->setChecked(context_->settings().*field);
  binders_.push_back([box, field](const AppSettings& settings) {
    const QSignalBlocker blocker(box);
    box->setChecked(settings.*field);
  });
  connect(box, &QCheckBox::toggled, this, [this, field, after = std::move(after)](bool on) {
    context_->changeSettings([&](AppSettings& s) { s.*field = on; });
    if (after) {
      after(on);
    }
  });
  form_->addRow(label, box);
  return box;
}

QSpinBox* SettingsPage::addNumber(const QString& label, int AppSettings::*field, int minimum,
                                  int maximum, const QString& suffix,
                                  std::function<void(int)> after) {
  auto* spin = new QSpinBox(this);
  spin->setRange(minimum, maximum);
  spin->setSuffix(suffix);
  spin->setKeyboardTracking(false);
  spin->setMinimumWidth(110);
  spin->setMaximumWidth(140);
  spin->setValue(context_->settings().*field);
  binders_.push_back([spin, field](const AppSettings& settings) {
    const QSignalBlocker blocker(spin);
    spin->setValue(settings.*field);
  });
  connect(spin, &QSpinBox::valueChanged, this, [this, field, after = std::move(after)](int value) {
    if (context_->settings().*field == value) {
      return;
    }
    context_->changeSettings([&](AppSettings& s) { s.*field = value; });
    if (after) {
      after(value);
    }
  });
  form_->addRow(label, spin);
  return spin;
}

QLineEdit* SettingsPage::addText(const QString& label, QString AppSettings::*field,
                                 std::function<std::optional<QString>(const QString&)> normalise,
                                 std::function<void()> after) {
  auto* edit = new QLineEdit(context_->settings().*field, this);
  edit->setMaximumWidth(360);
  binders_.push_back([edit, field](const AppSettings& settings) {
    if (!edit->hasFocus()) {
      const QSignalBlocker blocker(edit);
      edit->setText(settings.*field);
    }
  });
  connect(edit, &QLineEdit::editingFinished, this,
          [this, edit, field, normalise = std::move(normalise), after = std::move(after)] {
            const std::optional<QString> value =
                normalise ? normalise(edit->text()) : std::optional<QString>(edit->text());
            if (!value) {
              edit->setText(context_->settings().*field);
              return;
            }
            if (*value != edit->text()) {
              edit->setText(*value);
            }
            if (context_->settings().*field == *value) {
              return;
            }
            context_->changeSettings([&](AppSettings& s) { s.*field = *value; });
            if (after) {
              after();
            }
          });
  form_->addRow(label, edit);
  return edit;
}
