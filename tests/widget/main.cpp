#include "TestRegistry.h"

#include "WidgetFonts.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // The layouts measure and paint text, which needs a GUI application and the widget's fonts.
    QApplication app(argc, argv);
    WidgetFonts::installApplicationFont();
    return runRegisteredTests(argc, argv);
}
