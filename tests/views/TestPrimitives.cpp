
#include "TestRegistry.h"
#include "app/views/Theme.h"
#include <QtTest>
#include <QFontInfo>
#include <QTextLayout>
#include <QRawFont>
#include <QGuiApplication>
class TestPrimitives : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void fonts()
    {
        qDebug() << QGuiApplication::font() << QGuiApplication::font().families();
        for (auto w : {QFont::Normal, QFont::Medium, QFont::DemiBold, QFont::Bold}) {
            QFont f = Theme::font(Theme::TextStyle::caption2, w);
            QFontInfo info(f);
            qDebug() << f << info.family() << info.styleName() << info.weight() << info.pixelSize();
            QTextLayout layout(QStringLiteral("剩余 Cursor 72%"), f);
            layout.beginLayout(); layout.createLine(); layout.endLayout();
            for (const auto& run : layout.glyphRuns())
                qDebug() << run.rawFont().familyName() << run.rawFont().styleName() << run.rawFont().weight();
        }
    }
};
TALLYFERN_REGISTER_TEST(TestPrimitives);
#include "TestPrimitives.moc"
