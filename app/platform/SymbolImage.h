#pragma once

#include "app/platform/Theme.h"

#include <QColor>
#include <QIcon>
#include <QString>
#include <QStringList>

class QWidget;

// Maps system symbol names ("sun.max") to freedesktop icon names and draws them
// the way symbols are drawn: in one colour, following the text colour unless told otherwise.
// The user's icon theme comes first, Adwaita is the fallback theme, and a symbol neither knows
// is drawn as a lettered outline, so no button is ever blank.
class SymbolImage {
 public:
  // Candidate theme icon names for a symbol, best first; empty for an unknown symbol.
  static QStringList themeNames(const QString& symbol);
  // Every symbol name of the table.
  static QStringList knownSymbols();
  // True when the symbol is drawn from the icon theme or by design, not by the lettered
  // stand-in.
  static bool resolves(const QString& symbol);

  // In the application's text colour at the time of drawing (so it follows light and dark).
  static QIcon icon(const QString& symbol);
  // In a fixed colour.
  static QIcon icon(const QString& symbol, const QColor& color);
  // In a named colour of the context widget's palette at the time of drawing.
  static QIcon icon(const QString& symbol, ThemeColor role, const QWidget* context);
};
