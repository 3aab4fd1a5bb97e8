// Reads back everything the app stores (the snapshot file, the pricing file, the settings file and
// the snapshot kept in it) with the app's own decoders. Serves scripts/kill-test: prints the names
// of the stored files that are present, and exits 1 when one of them does not decode. Not a test.
#include "model/PricingCatalog.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "model/UsageSnapshot.h"

#include "platform/Paths.h"

#include <QSettings>

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <optional>

namespace {

// The file's bytes, or nothing when it is absent.
std::optional<QByteArray> contents(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool fail(const char* what)
{
    std::fprintf(stderr, "store_check: %s does not decode\n", what);
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    bool good = true;
    QByteArray present;
    if (const auto bytes = contents(SnapshotStore::fileName())) {
        present += " snapshot";
        if (!UsageSnapshot::decode(*bytes))
            good = fail("snapshot.json");
    }
    if (const auto bytes = contents(PricingStore::fileName())) {
        present += " pricing";
        if (!PricingCatalog::decode(*bytes))
            good = fail("pricing.json");
    }
    // Read as it is on disk: a broken file is what this check is for.
    const QSettings settings(Paths::settingsFolder() + QStringLiteral("/Tallyfern.conf"),
                             QSettings::IniFormat);
    if (QFile::exists(settings.fileName())) {
        present += " settings";
        if (settings.status() != QSettings::NoError)
            good = fail("the settings file");
        const QVariant stored = settings.value(QStringLiteral("usageSnapshot"));
        if (stored.isValid() && !UsageSnapshot::decode(stored.toByteArray()))
            good = fail("the snapshot in the settings");
    }
    std::printf("%s\n", present.trimmed().constData());
    return good ? 0 : 1;
}
