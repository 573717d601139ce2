#pragma once

#include <QByteArray>
#include <QString>

// Percent-encoding with named sets of characters that stay as they are; every other
// character becomes "%" and two upper-case hexadecimal digits per byte of its UTF-8 form.
namespace percentencoding {

// Keeps the ASCII letters and digits and !$&'()*+,-./:;=?@_~ (what a URL query may hold).
QByteArray urlQueryAllowed(const QString& text);

// Keeps only Unicode letters, marks and digits, raw in UTF-8; everything else is encoded.
QByteArray alphanumericsOnly(const QString& text);

}  // namespace percentencoding
