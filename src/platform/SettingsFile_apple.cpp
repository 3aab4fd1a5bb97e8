#include "SettingsFile_p.h"

namespace {

std::unique_ptr<QSettings> open(const QString& domain)
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Tallyfern"), domain);
}

} // namespace

// The user's defaults domain: the system keeps it private and writes it atomically.
std::unique_ptr<QSettings> SettingsFile::read(const QString& domain)
{
    return open(domain);
}

bool SettingsFile::update(const QString& domain, const std::function<void(QSettings&)>& change)
{
    const auto settings = open(domain);
    change(*settings);
    settings->sync();
    return settings->status() == QSettings::NoError;
}
