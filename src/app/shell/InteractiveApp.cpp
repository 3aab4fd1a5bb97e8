#include "InteractiveApp.h"

#include "AppShell.h"
#include "GaugeIcon.h"
#include "SingleInstance.h"

#include "app/UsageStore.h"
#include "app/views/Theme.h"
#include "platform/NetworkAccess.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int runInteractiveApp(int& argc, char** argv, bool background)
{
    QApplication::setApplicationName(u"Tallyfern"_s);
    QApplication::setOrganizationName(u"Tallyfern"_s);
    QApplication::setDesktopFileName(u"com.local.tallyfern"_s);
    QApplication app(argc, argv);
    // The window closes to the tray; "退出" ends the app (and so does closing the window when
    // there is no tray, see AppShell).
    QApplication::setQuitOnLastWindowClosed(false);
    Theme::installApplicationFont();

    SingleInstance instance;
    if (!instance.claim(!background))
        return 0;

    QApplication::setWindowIcon(GaugeIcon::icon());
    UsageStore store;
    AppShell shell(&store);
    shell.listenTo(&instance);
    // Queued: the menu that asked is still on screen while its signal runs.
    QObject::connect(&shell, &AppShell::quitRequested, &app, &QApplication::quit, Qt::QueuedConnection);
    shell.start(background);
    const int status = app.exec();
    NetworkAccess::releaseManagers();
    return status;
}
