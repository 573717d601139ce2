#pragma once

#include <QByteArray>
#include <QImage>

// The whole first screen of the X server `display` names (":99"), as it is shown now; a null
// image when the server cannot be reached or uses a depth other than 24 bits.
QImage grabScreen(const QByteArray& display);
