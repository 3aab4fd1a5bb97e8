#include "SnapshotStore.h"

#include "PlaceGuard.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <QFile>

namespace {

std::optional<UsageSnapshot> realSnapshot(const QByteArray& bytes)
{
    auto snapshot = UsageSnapshot::decode(bytes);
    if (snapshot && snapshot->hasRealData)
        return snapshot;
    return std::nullopt;
}

} // namespace

QString SnapshotStore::supportFolder()
{
    return Paths::supportFolder();
}

QString SnapshotStore::fileName()
{
    return supportFolder() + u"/snapshot.json";
}

namespace {

std::optional<UsageSnapshot> readFile(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? realSnapshot(file.readAll()) : std::nullopt;
}

} // namespace

UsageSnapshot SnapshotStore::load(std::optional<Preferences::Key> fallback)
{
    if (auto snapshot = readFile(fileName()))
        return *snapshot;
    if (fallback) {
        const QVariant stored = Preferences::value(*fallback);
        if (stored.isValid()) {
            if (auto snapshot = realSnapshot(stored.toByteArray()))
                return *snapshot;
        }
    }
    return UsageSnapshot::empty();
}

bool SnapshotStore::save(const UsageSnapshot& snapshot)
{
    return saveTo(AccountPlace::homeAccount(), snapshot);
}

namespace {

bool saveHome(const QByteArray& bytes)
{
    Preferences::setValue(Preferences::Key::usageSnapshot, bytes);
    AtomicFile::makePrivateFolder(SnapshotStore::supportFolder());
    return AtomicFile::write(SnapshotStore::fileName(), bytes);
}

} // namespace

UsageSnapshot SnapshotStore::loadFrom(const AccountPlace& place)
{
    if (place.home)
        return load();
    return readFile(place.snapshotFile()).value_or(UsageSnapshot::empty());
}

bool SnapshotStore::saveTo(const AccountPlace& place, const UsageSnapshot& snapshot)
{
    const auto bytes = snapshot.encode();
    if (!bytes)
        return false;
    // Only while the place is still the account's: a refresh that outlived the account's removal
    // leaves nothing behind.
    return PlaceGuard::write(place, [&] {
        return place.home ? saveHome(*bytes) : AtomicFile::write(place.snapshotFile(), *bytes);
    });
}
