#include "PageProbe.h"

#include "app/views/PageScroll.h"
#include "app/views/Theme.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QtTest>

void PageProbe::showAt(QWidget* widget, int width, int height)
{
    widget->resize(width, height);
    if (!widget->isVisible()) {
        widget->show();
        QVERIFY(QTest::qWaitForWindowExposed(widget));
    }
    settle();
}

void PageProbe::settle()
{
    // Nested layouts post their requests; a few turns let the whole chain run.
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents();
}

QStringList PageProbe::visibleTexts(const QWidget* root)
{
    QStringList texts;
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    for (const QLabel* label : labels) {
        if (label->isVisibleTo(root))
            texts.append(label->text());
    }
    return texts;
}

QRect PageProbe::geometryIn(const QWidget* widget, const QWidget* root)
{
    return QRect(widget->mapTo(root, QPoint(0, 0)), widget->size());
}

QWidget* PageProbe::labelWithText(const QWidget* root, const QString& text)
{
    const QList<QLabel*> labels = root->findChildren<QLabel*>();
    for (QLabel* label : labels) {
        if (label->isVisibleTo(root) && label->text() == text)
            return label;
    }
    return nullptr;
}

void PageProbe::saveScreenshot(QWidget* page, int width, const QString& name)
{
    const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QSize before = page->size();
    showAt(page, width, 2000);
    // As tall as the content, so that nothing hides below the fold.
    int height = page->height();
    if (const auto* scroll = page->findChild<PageScroll*>(); scroll && scroll->page())
        height = scroll->page()->height() + PageScroll::bottomPadding;
    showAt(page, width, height);

    // A strip of board above, where the window's page switcher would end.
    constexpr int top = 12;
    constexpr qreal scale = 2;
    QPixmap pixmap(QSize(width, height + top) * scale);
    pixmap.setDevicePixelRatio(scale);
    pixmap.fill(Theme::boardBackground());
    {
        QPainter painter(&pixmap);
        page->render(&painter, QPoint(0, top), QRegion(), QWidget::DrawChildren);
    }
    QVERIFY(pixmap.save(folder + u'/' + name + QStringLiteral(".png")));
    showAt(page, before.width(), before.height());
}
