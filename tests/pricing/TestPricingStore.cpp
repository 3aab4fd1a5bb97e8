#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Settings.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

namespace {

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

PricingCatalog catalogAt(const QString& syncedAt)
{
    return PricingCatalog{
        at(syncedAt),
        at(u"2026-05-20T00:00:00Z"_s),
        {{u"grok-4.6"_s, false, 2, 0, 0.5, 6, true}, {u"gpt-5"_s, true, 2.5, 0, 0.25, 20, false}}};
}

QByteArray storedBytes()
{
    QFile file(PricingStore::fileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestPricingStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayMarker()
    {
        TestEnvironment env;
        // Asia/Shanghai (the tests' zone) is UTC+8: its day turns at 16:00 UTC.
        QCOMPARE(PricingStore::localDay(at(u"2025-05-01T15:59:59Z"_s)), u"2025-05-01"_s);
        QCOMPARE(PricingStore::localDay(at(u"2025-05-01T16:00:00Z"_s)), u"2025-05-02"_s);

        QVERIFY(PricingStore::needsSync(at(u"2025-05-01T10:00:00Z"_s)));
        PricingStore::recordAttempt(at(u"2025-05-01T10:00:00Z"_s));
        QCOMPARE(Settings::open(QLatin1StringView(Settings::appDomain))->value("pricingLastAttemptDay"_L1),
                 QVariant(u"2025-05-01"_s));
        QVERIFY(!PricingStore::needsSync(at(u"2025-04-30T16:00:00Z"_s)));
        QVERIFY(!PricingStore::needsSync(at(u"2025-05-01T15:59:59Z"_s)));
        QVERIFY(PricingStore::needsSync(at(u"2025-05-01T16:00:00Z"_s)));
        // A clock set back is another day too.
        QVERIFY(PricingStore::needsSync(at(u"2025-04-30T15:59:59Z"_s)));
    }

    void sameRates()
    {
        const PricingCatalog a = catalogAt(u"2026-05-01T00:00:00Z"_s);

        PricingCatalog b = catalogAt(u"2026-05-02T00:00:00Z"_s);
        QVERIFY2(PricingStore::hasSameRates(a, b), "the sync time does not count");

        b.grok46DiscountEnd = at(u"2026-05-21T00:00:00Z"_s);
        QVERIFY(!PricingStore::hasSameRates(a, b));
        b.grok46DiscountEnd.reset();
        QVERIFY(!PricingStore::hasSameRates(a, b));

        b = a;
        b.entries[1].cacheRead = 0.26;
        QVERIFY(!PricingStore::hasSameRates(a, b));
        b = a;
        b.entries[1].requiresFast = false;
        QVERIFY(!PricingStore::hasSameRates(a, b));
        b = a;
        std::swap(b.entries[0], b.entries[1]);
        QVERIFY2(!PricingStore::hasSameRates(a, b), "order matters: the first of equal slugs wins a lookup");
        b = a;
        b.entries.append(a.entries[0]);
        QVERIFY(!PricingStore::hasSameRates(a, b));
    }

    void saveAndLabel()
    {
        TestEnvironment env;
        QCOMPARE(PricingStore::syncLabel(), u"标价用内置表"_s);
        QVERIFY(!QDir(SnapshotStore::supportFolder()).exists());

        // 16:30 UTC on 30 April is already 1 May in the local zone.
        const PricingCatalog first = catalogAt(u"2026-04-30T16:30:00Z"_s);
        PricingStore::save(first);
        QCOMPARE(PricingStore::load(), first);
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月1日"_s);
        QCOMPARE(QDir(SnapshotStore::supportFolder()).entryList(QDir::Files), QStringList{u"pricing.json"_s});

        PricingCatalog second = catalogAt(u"2026-05-12T00:00:00Z"_s);
        second.grok46DiscountEnd.reset();
        PricingStore::save(second);
        QCOMPARE(PricingStore::load(), second);
        QCOMPARE(PricingStore::syncLabel(), u"标价已同步 5月12日"_s);

        // A catalog that cannot be encoded leaves the stored one whole.
        const QByteArray before = storedBytes();
        PricingCatalog broken = second;
        broken.entries[0].output = std::numeric_limits<double>::infinity();
        PricingStore::save(broken);
        QCOMPARE(storedBytes(), before);

        // A catalog without entries is no catalog, for the label too.
        second.entries.clear();
        PricingStore::save(second);
        QCOMPARE(PricingStore::load(), std::nullopt);
        QCOMPARE(PricingStore::syncLabel(), u"标价用内置表"_s);
    }
};

TALLYFERN_REGISTER_TEST(TestPricingStore);
#include "TestPricingStore.moc"
