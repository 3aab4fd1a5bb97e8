#include "SnapshotStore.h"

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

UsageSnapshot SnapshotStore::load(std::optional<Preferences::Key> fallback)
{
    if (QFile file(fileName()); file.open(QIODevice::ReadOnly)) {
        if (auto snapshot = realSnapshot(file.readAll()))
            return *snapshot;
    }
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
    const auto bytes = snapshot.encode();
    if (!bytes)
        return false;
    Preferences::setValue(Preferences::Key::usageSnapshot, *bytes);
    AtomicFile::makePrivateFolder(supportFolder());
    return AtomicFile::write(fileName(), *bytes);
}
