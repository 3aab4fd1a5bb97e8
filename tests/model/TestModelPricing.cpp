#include "TestEnvironment.h"
#include "TestRegistry.h"

#include "model/ModelPricing.h"
#include "model/PricingStore.h"

#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

PricingEntry entry(const QString& slug, double input, bool fast = false, bool discount = false)
{
    return PricingEntry{slug, fast, input, input * 1.25, input / 10, input * 5, discount};
}

void storeCatalog(const PricingCatalog& catalog)
{
    QDir().mkpath(QFileInfo(PricingStore::fileName()).path());
    QSaveFile file(PricingStore::fileName());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(*catalog.encode());
    QVERIFY(file.commit());
}

Timestamp at(const QString& text)
{
    return *Timestamp::parseInternetDateTime(text);
}

} // namespace

class TestModelPricing : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void normalizeUsage()
    {
        QCOMPARE(ModelPricing::normalizeUsage(u"Cursor-Claude-Opus-4-8"_s), u"opus-4.8"_s);
        QCOMPARE(ModelPricing::normalizeUsage(u"claude-3-5-2"_s), u"3.5-2"_s);
        QCOMPARE(ModelPricing::normalizeUsage(u"claude-cursor-x"_s), u"cursor-x"_s);
    }

    void catalogMatchPrefersLongestSlugAndFastWish()
    {
        TestEnvironment env;
        PricingCatalog catalog{at(u"2026-01-01T00:00:00Z"_s),
                               std::nullopt,
                               {entry(u"opus-4"_s, 1), entry(u"opus-4.8"_s, 2), entry(u"opus-4.9"_s, 9),
                                entry(u"sonnet"_s, 3), entry(u"sonnet"_s, 4), entry(u"sonnet"_s, 30, true)}};
        QCOMPARE(ModelPricing::match(u"claude-opus-4-8"_s, catalog)->input, 2.0);
        QCOMPARE(ModelPricing::match(u"claude-opus-4-1"_s, catalog)->input, 1.0);
        QCOMPARE(ModelPricing::match(u"claude-4-sonnet"_s, catalog)->input, 3.0); // earliest of equals
        QCOMPARE(ModelPricing::match(u"sonnet-fast"_s, catalog)->input, 30.0);
        QVERIFY(!ModelPricing::match(u"gpt-5"_s, catalog));

        storeCatalog(catalog);
        QCOMPARE(ModelPricing::rate(u"claude-opus-4-8"_s)->input, 2.0);
        // Stored catalog wins over the built-in row; an unknown name still falls back to it.
        QCOMPARE(ModelPricing::rate(u"claude-4.5-sonnet"_s)->input, 3.0);
        QCOMPARE(ModelPricing::rate(u"gemini-3.1-pro"_s)->output, 12.0);
        QVERIFY(!ModelPricing::rate(u"sand-opus-4"_s));

        // Only a fast entry matches: a name without "fast" falls back to the built-in table.
        storeCatalog({at(u"2026-01-01T00:00:00Z"_s), std::nullopt, {entry(u"grok-4.5"_s, 40, true)}});
        QCOMPARE(ModelPricing::rate(u"grok-4.5"_s), std::optional(ModelPricing::Rate{2, 0, 0.5, 6}));
        QCOMPARE(ModelPricing::rate(u"grok-4.5-fast"_s)->input, 40.0);
        // A removed catalog is gone on the next lookup.
        QFile::remove(PricingStore::fileName());
        QCOMPARE(ModelPricing::rate(u"grok-4.5-fast"_s)->input, 4.0);
    }

    void discountBoundary()
    {
        TestEnvironment env;
        const TokenTotals million{1'000'000, 1'000'000, 0, 0, 2'000'000};
        const Timestamp end = at(u"2026-08-20T00:00:00Z"_s);
        QCOMPARE(ModelPricing::estimate(u"grok-4.6"_s, million, Timestamp{end.secondsSinceReference - 1}),
                 std::optional(4.0));
        QCOMPARE(ModelPricing::estimate(u"grok-4.6"_s, million, end), std::optional(8.0));
        QCOMPARE(ModelPricing::estimate(u"gpt-5"_s, million, end), std::nullopt);
        // The total field is not used; each kind is priced on its own.
        const TokenTotals mixed{2'000'000, 0, 10'000'000, 1'000'000, 1};
        QCOMPARE(ModelPricing::estimate(u"claude-opus-4-8"_s, mixed, end), std::optional(10 + 5 + 6.25));

        // A catalog with its own end date moves the boundary.
        const Timestamp later = at(u"2026-09-01T00:00:00Z"_s);
        storeCatalog({at(u"2026-01-01T00:00:00Z"_s), later, {entry(u"unrelated"_s, 1)}});
        QCOMPARE(ModelPricing::grok46DiscountEnd(), later);
        QCOMPARE(ModelPricing::estimate(u"grok-4.6"_s, million, end), std::optional(4.0));
    }

    void unusableCatalogsAreIgnored()
    {
        TestEnvironment env;
        const Timestamp later = at(u"2026-09-01T00:00:00Z"_s);
        // Empty entries: ignored entirely, its discount end included.
        storeCatalog({at(u"2026-01-01T00:00:00Z"_s), later, {}});
        QVERIFY(!PricingStore::load());
        QCOMPARE(ModelPricing::grok46DiscountEnd(), at(u"2026-08-20T00:00:00Z"_s));

        for (const QByteArray& broken :
             {QByteArray("{\"syncedAt\":1,\"entries\":[{\"slug\":\"a\"}]}"), QByteArray("{\"entries\":[]}"),
              QByteArray("{\"syncedAt\":1,\"entries\":[{\"slug\":\"a\",\"requiresFast\":false,\"input\":1,"
                         "\"cacheWrite\":1,\"cacheRead\":1,\"output\":1,\"grok46Discount\":fal")}) {
            QFile file(PricingStore::fileName());
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(broken);
            file.close();
            QVERIFY2(!PricingStore::load(), broken.constData());
            QCOMPARE(ModelPricing::rate(u"claude-4.5-sonnet"_s)->input, 3.0);
        }
    }

    void catalogRoundTrip()
    {
        const PricingCatalog catalog{Timestamp{123.25}, Timestamp{456.5}, {entry(u"a"_s, 1, true, true)}};
        QCOMPARE(PricingCatalog::decode(*catalog.encode()), std::optional(catalog));
        PricingCatalog noEnd = catalog;
        noEnd.grok46DiscountEnd.reset();
        QVERIFY(!noEnd.encode()->contains("grok46DiscountEnd"));
        QCOMPARE(PricingCatalog::decode(*noEnd.encode()), std::optional(noEnd));
    }
};

TALLYFERN_REGISTER_TEST(TestModelPricing);
#include "TestModelPricing.moc"
