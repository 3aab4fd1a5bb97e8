#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/SnapshotStore.h"
#include "platform/Settings.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot realSnapshot(double used)
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.monthlyUsed = used;
    s.source = u"dashboard-json"_s;
    return s;
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

class TestSnapshotStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void saveCreatesTheFolderAndWritesSettingsAndFile()
    {
        TestEnvironment env;
        auto defaults = Settings::open(u"Tallyfern"_s);
        const UsageSnapshot saved = realSnapshot(12.5);
        SnapshotStore::save(saved, defaults.get());

        QCOMPARE(SnapshotStore::fileName(), env.dataHome() + u"/Tallyfern/snapshot.json");
        QFile file(SnapshotStore::fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, *saved.encode());
        // The entry holds the same bytes, and survives a fresh look at the settings file.
        auto reopened = Settings::open(u"Tallyfern"_s);
        QCOMPARE(reopened->value(u"usageSnapshot"_s).toByteArray(), bytes);
        QCOMPARE(SnapshotStore::load(reopened.get()), saved);
        QCOMPARE(SnapshotStore::load(nullptr), saved);
    }

    void fallsBackFromFileToSettingsToEmpty()
    {
        TestEnvironment env;
        auto defaults = Settings::open(u"Tallyfern"_s);
        QCOMPARE(SnapshotStore::load(defaults.get()), UsageSnapshot::empty());
        QCOMPARE(SnapshotStore::load(nullptr), UsageSnapshot::empty());
        // One without real data is saved, but never loaded.
        SnapshotStore::save(UsageSnapshot::empty(), defaults.get());
        QVERIFY(QFileInfo::exists(SnapshotStore::fileName()));
        QCOMPARE(SnapshotStore::load(defaults.get()), UsageSnapshot::empty());

        const UsageSnapshot inSettings = realSnapshot(3);
        defaults->setValue(u"usageSnapshot"_s, *inSettings.encode());
        QCOMPARE(SnapshotStore::load(defaults.get()),
                 inSettings); // the file without real data does not count
        // A corrupt or truncated file falls through as well.
        writeFile(SnapshotStore::fileName(), R"({"monthlyUsed":1,"hasRealData":tr)");
        QCOMPARE(SnapshotStore::load(defaults.get()), inSettings);
        QCOMPARE(SnapshotStore::load(nullptr), UsageSnapshot::empty());

        // A valid file wins over the settings entry.
        const UsageSnapshot inFile = realSnapshot(9);
        writeFile(SnapshotStore::fileName(), *inFile.encode());
        QCOMPARE(SnapshotStore::load(defaults.get()), inFile);

        // Garbage in the settings entry is no snapshot either.
        QFile::remove(SnapshotStore::fileName());
        defaults->setValue(u"usageSnapshot"_s, QByteArray("not json"));
        QCOMPARE(SnapshotStore::load(defaults.get()), UsageSnapshot::empty());
    }

    void failedWritesKeepThePreviousData()
    {
        TestEnvironment env;
        auto defaults = Settings::open(u"Tallyfern"_s);
        const UsageSnapshot first = realSnapshot(1);
        SnapshotStore::save(first, defaults.get());

        // Unencodable: nothing is written anywhere.
        UsageSnapshot broken = realSnapshot(2);
        broken.monthlyLimit = qQNaN();
        SnapshotStore::save(broken, defaults.get());
        QCOMPARE(SnapshotStore::load(defaults.get()), first);
        QCOMPARE(SnapshotStore::load(nullptr), first);

        // A regular file where the folder should be, which not even root can write into: the
        // settings entry has the new snapshot, the file in the moved-away folder the old one.
        const QString folder = SnapshotStore::supportFolder();
        QVERIFY(QDir().rename(folder, folder + u".away"));
        writeFile(folder, "not a folder");
        const UsageSnapshot second = realSnapshot(2);
        SnapshotStore::save(second, defaults.get());
        QVERIFY(QFileInfo(folder).isFile() && QFile::remove(folder));
        QVERIFY(QDir().rename(folder + u".away", folder));
        QCOMPARE(SnapshotStore::load(nullptr), first);
        QCOMPARE(UsageSnapshot::decode(defaults->value(u"usageSnapshot"_s).toByteArray()),
                 std::optional(second));
    }
};

TALLYFERN_REGISTER_TEST(TestSnapshotStore);
#include "TestSnapshotStore.moc"
