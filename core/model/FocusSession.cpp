#include "core/model/FocusSession.h"

#include "core/model/JsonCoding.h"

using namespace jsoncoding;

QString displayText(FocusSessionType type) {
  switch (type) {
    case FocusSessionType::focus:
      return QStringLiteral("Focus");
    case FocusSessionType::shortBreak:
      return QStringLiteral("Short Break");
    case FocusSessionType::longBreak:
      return QStringLiteral("Long Break");
  }
  return {};
}

QString displayText(TimerStatus status) {
  switch (status) {
    case TimerStatus::idle:
      return QStringLiteral("Idle");
    case TimerStatus::running:
      return QStringLiteral("Running");
    case TimerStatus::paused:
      return QStringLiteral("Paused");
    case TimerStatus::completed:
      return QStringLiteral("Completed");
  }
  return {};
}

QJsonObject FocusSession::toJson() const {
  QJsonObject object{
      {QStringLiteral("id"), uuidText(id)},
      {QStringLiteral("type"), displayText(type)},
      {QStringLiteral("startedAt"), dateText(startedAt)},
      {QStringLiteral("endedAt"), dateText(endedAt)},
      {QStringLiteral("durationSeconds"), durationSeconds},
  };
  putOptional(object, "taskId", taskId);
  putOptional(object, "taskTitle", taskTitle);
  return object;
}

FocusSession FocusSession::fromJson(const QJsonObject& object) {
  FocusSession session;
  session.id = requireUuid(object, "id");
  session.type = requireEnum<FocusSessionType>(object, "type");
  session.startedAt = requireDate(object, "startedAt");
  session.endedAt = requireDate(object, "endedAt");
  session.durationSeconds = requireDouble(object, "durationSeconds");
  session.taskId = optionalUuid(object, "taskId");
  session.taskTitle = optionalString(object, "taskTitle");
  return session;
}
