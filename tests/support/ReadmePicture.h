#pragma once

#include <QString>

class QImage;

// The pictures the README shows, docs/screenshots/<name>.png, each rendered by the test that checks
// the state it shows, on the tests' fixed clock and data. scripts/screenshots writes them all again
// (it names the folder in TALLYFERN_README_SCREENSHOTS); every other run compares each committed
// picture with what the build renders now, decoded pixel by pixel, where the pictures were made
// (Debian 12), so that none of them drifts from the app unnoticed.
namespace ReadmePicture {

// Whether this run writes or compares the pictures at all; a test renders one only then.
bool wanted();

// Writes `picture` as `name`.png, or checks that the committed one shows the same pixels. A picture
// that differs is saved beside the test as `name`.rendered.png for a look.
void check(const QImage& picture, const QString& name);

} // namespace ReadmePicture
