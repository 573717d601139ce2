#pragma once

#include <QByteArrayView>

// True when the text is one JSON value exactly as RFC 8259 writes it. Qt's parser is more
// lenient (raw control characters inside strings, numbers like ".9" or "1."), and text from a
// model must not get through on leniency.
bool isStrictJson(QByteArrayView text);
