#pragma once

class QLayout;
class QWidget;

// Rebuilt rows and panels leave through these: hidden and taken out of their layout at once,
// deleted later, since a click inside one of them may be what asked for the rebuild.

// Empties `layout`, spacers included.
void retireWidgets(QLayout* layout);
// Takes `widget` out of `layout`.
void retireWidget(QWidget* widget, QLayout* layout);
