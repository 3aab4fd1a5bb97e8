#include "WidgetCommandLine.h"
#include "WidgetFonts.h"

#include <QApplication>

int main(int argc, char** argv)
{
    WidgetCommandLine::preparePlatform(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tallyfern-widget"));
    QApplication::setApplicationVersion(QStringLiteral(TALLYFERN_VERSION));
    WidgetFonts::installApplicationFont();
    return WidgetCommandLine::run(app);
}
