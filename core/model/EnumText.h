#pragma once

#include <QString>

#include <array>
#include <optional>

// Every enum with display texts specialises EnumCases with its cases in order and
// declares a free `QString displayText(E)`; the lookups below are shared by all of them.
template <typename E>
struct EnumCases;

template <typename E>
inline constexpr auto allCases = EnumCases<E>::values;

template <typename E>
std::optional<E> fromDisplayText(const QString& text) {
  for (E value : EnumCases<E>::values) {
    if (displayText(value) == text) {
      return value;
    }
  }
  return std::nullopt;
}
