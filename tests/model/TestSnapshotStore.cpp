#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/SnapshotStore.h"

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
        const UsageSnapshot saved = realSnapshot(12.5);
        QVERIFY(SnapshotStore::save(saved));

        QCOMPARE(SnapshotStore::fileName(), env.dataHome() + u"/Tallyfern/snapshot.json");
        QFile file(SnapshotStore::fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes, *saved.encode());
        // The entry holds the same bytes, and survives a fresh look at the settings file.
        QCOMPARE(env.settingsFile()->value(u"usageSnapshot"_s).toByteArray(), bytes);
        QCOMPARE(SnapshotStore::load(), saved);
        QCOMPARE(SnapshotStore::load(std::nullopt), saved);
    }

    void fallsBackFromFileToSettingsToEmpty()
    {
        TestEnvironment env;
        const auto defaults = env.settingsFile();
        QCOMPARE(SnapshotStore::load(), UsageSnapshot::empty());
        // One without real data is saved, but never loaded.
        SnapshotStore::save(UsageSnapshot::empty());
        QVERIFY(QFileInfo::exists(SnapshotStore::fileName()));
        QCOMPARE(SnapshotStore::load(), UsageSnapshot::empty());

        const UsageSnapshot inSettings = realSnapshot(3);
        defaults->setValue(u"usageSnapshot"_s, *inSettings.encode());
        defaults->sync();
        QCOMPARE(SnapshotStore::load(),
                 inSettings); // the file without real data does not count
        // A corrupt or truncated file falls through as well.
        writeFile(SnapshotStore::fileName(), R"({"monthlyUsed":1,"hasRealData":tr)");
        QCOMPARE(SnapshotStore::load(), inSettings);
        QCOMPARE(SnapshotStore::load(std::nullopt), UsageSnapshot::empty());

        // A valid file wins over the settings entry.
        const UsageSnapshot inFile = realSnapshot(9);
        writeFile(SnapshotStore::fileName(), *inFile.encode());
        QCOMPARE(SnapshotStore::load(), inFile);

        // Garbage in the settings entry is no snapshot either.
        QFile::remove(SnapshotStore::fileName());
        defaults->setValue(u"usageSnapshot"_s, QByteArray("not json"));
        defaults->sync();
        QCOMPARE(SnapshotStore::load(), UsageSnapshot::empty());
    }

    void failedWritesKeepThePreviousData()
    {
        TestEnvironment env;
        const UsageSnapshot first = realSnapshot(1);
        QVERIFY(SnapshotStore::save(first));

        // Unencodable: nothing is written anywhere.
        UsageSnapshot broken = realSnapshot(2);
        broken.monthlyLimit = qQNaN();
        QVERIFY(!SnapshotStore::save(broken));
        QCOMPARE(SnapshotStore::load(), first);
        QCOMPARE(SnapshotStore::load(std::nullopt), first);

        // A regular file where the folder should be, which not even root can write into: nothing
        // can be stored, and both places keep the old snapshot.
        const QString folder = SnapshotStore::supportFolder();
        QVERIFY(QDir().rename(folder, folder + u".away"));
        writeFile(folder, "not a folder");
        const UsageSnapshot second = realSnapshot(2);
        QVERIFY(!SnapshotStore::save(second));
        QVERIFY(QFileInfo(folder).isFile() && QFile::remove(folder));
        QVERIFY(QDir().rename(folder + u".away", folder));
        QCOMPARE(SnapshotStore::load(std::nullopt), first);
        QCOMPARE(UsageSnapshot::decode(env.settingsFile()->value(u"usageSnapshot"_s).toByteArray()),
                 std::optional(first));
    }
};

TALLYFERN_REGISTER_TEST(TestSnapshotStore);
#include "TestSnapshotStore.moc"
