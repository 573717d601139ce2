#include "core/model/TaskPriority.h"

QString displayText(TaskPriority priority) {
  switch (priority) {
    case TaskPriority::low:
      return QStringLiteral("Low");
    case TaskPriority::medium:
      return QStringLiteral("Medium");
    case TaskPriority::high:
      return QStringLiteral("High");
    case TaskPriority::urgent:
      return QStringLiteral("Urgent");
  }
  return {};
}
