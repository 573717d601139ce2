#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

// Maps the design's system symbol names ("sun.max") to freedesktop icon names.
class SymbolImage {
 public:
  // Candidate theme icon names for a symbol, best first; empty for an unknown symbol.
  static QStringList themeNames(const QString& symbol);
  static QIcon icon(const QString& symbol);
};
