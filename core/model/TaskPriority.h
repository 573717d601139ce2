#pragma once

#include "core/model/EnumText.h"

#include <QString>

// Declared in rising order, so the built-in comparisons rank priorities.
enum class TaskPriority { low, medium, high, urgent };

template <>
struct EnumCases<TaskPriority> {
  static constexpr std::array values{TaskPriority::low, TaskPriority::medium, TaskPriority::high,
                                     TaskPriority::urgent};
};

QString displayText(TaskPriority priority);
