#include "WidgetCommandLine.h"
#include "WidgetFonts.h"

#include "platform/Preferences.h"

#include <QApplication>

int main(int argc, char** argv)
{
    Preferences::setProcess(Preferences::Process::widget);
    WidgetCommandLine::preparePlatform(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tallyfern-widget"));
    QApplication::setApplicationVersion(QStringLiteral(TALLYFERN_VERSION));
    WidgetFonts::installApplicationFont();
    return WidgetCommandLine::run(app);
}
