#pragma once

#include <QRegularExpression>
#include <QString>

// Callers keep the result in a function-local static: the pattern is compiled once and the
// optimised copy is shared (QRegularExpression is implicitly shared).
inline QRegularExpression compiledPattern(
    const QString& pattern,
    QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption) {
  QRegularExpression re(pattern, options | QRegularExpression::UseUnicodePropertiesOption);
  re.optimize();
  return re;
}
