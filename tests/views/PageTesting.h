#pragma once

#include "ReadmePicture.h"

#include "app/views/ModelTable.h"
#include "app/views/PageScroll.h"
#include "app/views/Theme.h"
#include "model/UsageSnapshot.h"

#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QtTest>

// Snapshots for the view tests, and what the user sees of a page, read back from its widgets.
namespace PageTesting {

using namespace Qt::StringLiterals;

inline constexpr auto now = "2025-06-02T04:00:00Z"; // the tests' clock: 12:00 on 2 June in Shanghai

inline ModelUsage row(const QString& name, double input, double output = 0, double cacheRead = 0,
                      double cacheWrite = 0)
{
    const double total = input + output + cacheRead + cacheWrite;
    return ModelUsage{name, ModelUsage::groupFor(name), {input, output, cacheRead, cacheWrite, total}, 0, 0};
}

// Real data with nothing optional: no plan, no cycle end, no percents, no models.
inline UsageSnapshot bare()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    return s;
}

// A Pro account midway through its cycle, with seven models of both groups; the largest is sixth.
inline UsageSnapshot realistic()
{
    UsageSnapshot s = bare();
    s.planName = u"Pro"_s;
    s.monthlyLimit = 20.9; // shown truncated: $20
    s.billingCycleStart = u"2025-05-14T08:00:00.000Z"_s;
    s.billingCycleEnd = u"2025-06-14T08:00:00.000Z"_s;
    s.cursorModelsPercent = 28;
    s.otherModelsPercent = 64;
    s.grokWeeklyPercent = 35;
    s.grokResetAt = u"2025-06-05T00:00:00Z"_s;
    s.models = {row(u"auto"_s, 9.1e6, 1.2e6, 27.9e6),
                row(u"composer-2.5"_s, 5.2e6, 0.6e6, 15.7e6),
                row(u"gpt-5-codex"_s, 3.1e6, 0.4e6, 6.3e6),
                row(u"grok-4.6-fast"_s, 1.9e6, 0.3e6, 3.9e6),
                row(u"sand-1"_s, 1.1e6, 0.2e6, 2.0e6),
                row(u"claude-4.5-sonnet-thinking"_s, 12.4e6, 0.9e6, 48e6, 2.1e6),
                row(u"claude-opus-4-8"_s, 0.5e6, 0.1e6, 1.6e6, 0.2e6)};
    s.totalTokens = 144.7e6;
    s.includedTokens = 118.654e6;
    s.onDemandTokens = 26.046e6;
    return s;
}

// Shows the widget at the size (offscreen) and lets the nested layouts' posted requests run.
inline void showAt(QWidget* widget, int width, int height)
{
    widget->resize(width, height);
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget));
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

// The texts of the visible labels under the widget, in order of construction, joined by '|'.
inline QString texts(const QWidget* root)
{
    QStringList texts;
    for (const QLabel* label : root->findChildren<QLabel*>()) {
        if (label->isVisibleTo(root))
            texts.append(label->text());
    }
    return texts.join(u'|');
}

// The texts of the page's first `Part`.
template <typename Part>
inline QString textsOf(const QWidget* page)
{
    return texts(page->findChild<Part*>());
}

// The page's model tables: Cursor's models first, then the others.
inline ModelTable* table(const QWidget* page, int index)
{
    return page->findChildren<ModelTable*>().at(index);
}

inline QRect geometryIn(const QWidget* widget, const QWidget* root)
{
    return QRect(widget->mapTo(root, QPoint(0, 0)), widget->size());
}

// The page at the width, as tall as its content, on the board at twice the resolution.
inline QImage picture(QWidget* page, int width)
{
    showAt(page, width, 2000);
    showAt(page, width, page->findChild<PageScroll*>()->page()->height() + PageScroll::bottomPadding);
    QPixmap pixmap(page->size() * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Theme::boardBackground());
    QPainter painter(&pixmap);
    page->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    painter.end();
    return pixmap.toImage();
}

// With TALLYFERN_SCREENSHOT_DIR set, saves the page's picture at the width as `name`.png.
inline void saveScreenshot(QWidget* page, int width, const QString& name)
{
    const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QVERIFY(QDir().mkpath(folder) && picture(page, width).save(folder + u'/' + name + u".png"_s));
}

// The page's picture in the README (ReadmePicture), saved with the others too.
inline void readmePicture(QWidget* page, int width, const QString& name)
{
    saveScreenshot(page, width, name);
    if (ReadmePicture::wanted())
        ReadmePicture::check(picture(page, width), name);
}

} // namespace PageTesting
