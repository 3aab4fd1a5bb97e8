#include "PricingStore.h"

#include "SnapshotStore.h"

#include "UsageJSON.h"
#include "platform/AtomicFile.h"
#include "platform/FileIdentity.h"

#include "platform/Preferences.h"

#include <QFile>
#include <QLocale>

#include <mutex>

using namespace Qt::StringLiterals;

namespace {

std::optional<PricingCatalog> readCatalog(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    auto catalog = PricingCatalog::decode(file.readAll());
    if (!catalog || catalog->entries.isEmpty())
        return std::nullopt;
    return catalog;
}

struct Cache
{
    std::mutex mutex;
    QString path;
    std::optional<FileIdentity> identity;
    std::optional<PricingCatalog> catalog;
};

} // namespace

QString PricingStore::fileName()
{
    return SnapshotStore::supportFolder() + u"/pricing.json";
}

std::optional<PricingCatalog> PricingStore::load()
{
    static Cache cache;
    const QString path = fileName();
    const auto identity = FileIdentity::of(path);
    if (!identity)
        return std::nullopt;

    std::lock_guard lock(cache.mutex);
    if (cache.identity != identity || cache.path != path) {
        cache.catalog = readCatalog(path);
        // Remember the identity seen before reading: a file replaced while we read is read again
        // on the next call instead of being mistaken for the one we parsed.
        cache.identity = identity;
        cache.path = path;
    }
    return cache.catalog;
}

bool PricingStore::needsSync(Timestamp now)
{
    const QVariant stored = Preferences::value(Preferences::Key::pricingLastAttemptDay);
    return !stored.isValid() || stored.toString() != localDay(now);
}

void PricingStore::recordAttempt(Timestamp now)
{
    Preferences::setValue(Preferences::Key::pricingLastAttemptDay, localDay(now));
}

QString PricingStore::localDay(Timestamp timestamp)
{
    const QDateTime dateTime = timestamp.toDateTime();
    if (!dateTime.isValid())
        return {};
    return QLocale::c().toString(dateTime.toLocalTime(), u"yyyy-MM-dd"_s);
}

bool PricingStore::hasSameRates(const PricingCatalog& a, const PricingCatalog& b)
{
    return a.entries == b.entries && a.grok46DiscountEnd == b.grok46DiscountEnd;
}

bool PricingStore::save(const PricingCatalog& catalog)
{
    const auto bytes = catalog.encode();
    if (!bytes)
        return false;
    AtomicFile::makePrivateFolder(SnapshotStore::supportFolder());
    return AtomicFile::write(fileName(), *bytes);
}

QString PricingStore::syncLabel()
{
    if (const auto catalog = load())
        return u"标价已同步 "_s + UsageJSON::monthDay(catalog->syncedAt);
    return u"标价用内置表"_s;
}
