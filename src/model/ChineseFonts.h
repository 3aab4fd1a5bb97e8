#pragma once

#include <QStringList>

// The Simplified Chinese font families the window and the widget draw with. Under a C or English
// locale fontconfig falls back to the Japanese forms of the CJK characters both share; naming these
// families in a font's list gives the forms a Chinese reader expects.
namespace ChineseFonts {

// Most common on Linux first, then the other desktops' own.
const QStringList& families();

// `families` with the Chinese ones appended where missing, in their order.
QStringList appendedTo(QStringList families);

} // namespace ChineseFonts
