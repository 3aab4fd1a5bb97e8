#include "SettingsFile_p.h"

// The user's defaults domain: the system keeps it private and writes it atomically.
std::unique_ptr<QSettings> SettingsFile::open(const QString& domain, Mode)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tallyfern"), domain);
}
