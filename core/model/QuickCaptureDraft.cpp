#include "core/model/QuickCaptureDraft.h"

#include "core/model/JsonCoding.h"

using namespace jsoncoding;

QString displayText(CaptureType type) {
  switch (type) {
    case CaptureType::task:
      return QStringLiteral("Task");
    case CaptureType::waitingFor:
      return QStringLiteral("Waiting For");
    case CaptureType::bill:
      return QStringLiteral("Bill");
    case CaptureType::intention:
      return QStringLiteral("Daily Intention");
  }
  return {};
}

QJsonObject QuickCaptureDraft::toJson() const {
  QJsonObject object{
      {QStringLiteral("type"), displayText(type)},         {QStringLiteral("title"), title},
      {QStringLiteral("secondaryField"), secondaryField},  {QStringLiteral("category"), category},
      {QStringLiteral("priority"), displayText(priority)}, {QStringLiteral("notes"), notes},
  };
  putOptional(object, "dueDate", dueDate);
  return object;
}

QuickCaptureDraft QuickCaptureDraft::fromJson(const QJsonObject& object) {
  QuickCaptureDraft draft;
  draft.type = requireEnum<CaptureType>(object, "type");
  draft.title = requireString(object, "title");
  draft.secondaryField = requireString(object, "secondaryField");
  draft.category = requireString(object, "category");
  draft.priority = requireEnum<TaskPriority>(object, "priority");
  draft.dueDate = optionalDate(object, "dueDate");
  draft.notes = requireString(object, "notes");
  return draft;
}
