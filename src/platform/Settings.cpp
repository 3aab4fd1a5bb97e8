#include "Settings.h"

#include "Paths.h"

std::unique_ptr<QSettings> Settings::open(const QString& application)
{
#if defined(Q_OS_MACOS) || defined(Q_OS_WIN)
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tallyfern"), application);
#else
    const QString file = Paths::configHome() + u"/Tallyfern/" + application + u".conf";
    return std::make_unique<QSettings>(file, QSettings::IniFormat);
#endif
}
