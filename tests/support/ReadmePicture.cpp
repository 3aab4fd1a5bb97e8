#include "ReadmePicture.h"

#include <QDir>
#include <QImage>
#include <QtTest>

#include <algorithm>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

QString writtenFolder()
{
    return qEnvironmentVariable("TALLYFERN_README_SCREENSHOTS");
}

// The largest difference of any colour channel, or of transparency, between two pixels.
int difference(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                     std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
}

} // namespace

bool ReadmePicture::wanted()
{
    return !writtenFolder().isEmpty() || TALLYFERN_README_PICTURES_MATCH;
}

void ReadmePicture::check(const QImage& picture, const QString& name)
{
    const QString fileName = name + u".png"_s;
    if (const QString folder = writtenFolder(); !folder.isEmpty()) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY2(picture.save(folder + u'/' + fileName), qPrintable(folder + u'/' + fileName));
        return;
    }
    if (!TALLYFERN_README_PICTURES_MATCH)
        return;
    const QString committed = QStringLiteral(TALLYFERN_README_PICTURES_DIR) + u'/' + fileName;
    const QImage expected = QImage(committed).convertToFormat(QImage::Format_ARGB32);
    const QImage actual = picture.convertToFormat(QImage::Format_ARGB32);
    QVERIFY2(!expected.isNull(), qPrintable(committed + u" cannot be read"_s));
    // The same drawing calls on the same fonts and Qt give the same pixels: a tolerance of a few
    // levels only forgives rounding in the toolkit's blending, never a moved or changed text.
    constexpr int tolerance = 2;
    qsizetype differing = 0;
    if (expected.size() == actual.size()) {
        for (int y = 0; y < actual.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
            const auto* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
            for (int x = 0; x < actual.width(); ++x)
                differing += difference(a[x], e[x]) > tolerance;
        }
    }
    if (expected.size() == actual.size() && differing == 0)
        return;
    const QString rendered = QDir::current().absoluteFilePath(name + u".rendered.png"_s);
    actual.save(rendered);
    const QString size = [](QSize s) { return u"%1×%2"_s.arg(s.width()).arg(s.height()); }(actual.size());
    QFAIL(qPrintable(u"docs/screenshots/%1 no longer shows what the build renders (%2; %3): run "
                     u"scripts/screenshots, look at the pictures and commit them. Rendered: %4"_s.arg(
                         fileName,
                         expected.size() == actual.size()
                             ? u"%1 pixels differ"_s.arg(differing)
                             : u"committed %1×%2"_s.arg(expected.width()).arg(expected.height()),
                         size, rendered)));
}
