#include "TestRegistry.h"

#include "model/UsageSnapshot.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

UsageSnapshot fullSnapshot()
{
    UsageSnapshot s;
    s.monthlyLimit = 400;
    s.monthlyUsed = 232.22;
    s.todayUsed = 0;
    s.models = {
        {u"claude-4.5-sonnet-thinking"_s, ModelGroup::other, {1, 2, 3, 4, 10}, 75.5, 12.34},
        {u"auto"_s, ModelGroup::cursor, {5, 0, 0, 0, 5}, 100, 0},
    };
    s.updatedAt = Timestamp{786297600.123456}; // fraction must survive
    s.includedPercent = 58;
    s.displayMessage = u"You've used 58% of your included usage"_s;
    s.billingCycleStart = u"2025-05-01T00:00:00Z"_s;
    s.billingCycleEnd = u"2025-06-01T00:00:00Z"_s;
    s.planName = u"Pro+"_s;
    s.tokens = {100, 20, 300, 4, 424};
    s.todayTokens = {1, 2, 3, 4, 10};
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    s.totalTokens = 424;
    s.includedTokens = 400;
    s.onDemandTokens = 24;
    s.cursorModelsPercent = 12;
    s.otherModelsPercent = 130;
    s.grokWeeklyPercent = -3;
    s.grokResetAt = u"next Monday"_s;
    s.days = {{u"2025-05-01"_s, {{u"auto"_s, 5.0}, {u"claude-4.5-sonnet"_s, 10.5}}}, {u"2025-05-02"_s, {}}};
    s.onDemandUsed = 0.17700000762939453;
    s.onDemandUnlimited = true;
    s.teamOnDemandUsed = 150;
    s.teamOnDemandLimit = 500;
    return s;
}

const QByteArray tokensJson = R"("tokens":{"input":1,"output":2,"cacheRead":3,"cacheWrite":4,"total":10})";

std::optional<UsageSnapshot> decodeText(const char* json)
{
    return UsageSnapshot::decode(QByteArray(json));
}

} // namespace

class TestUsageSnapshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTripKeepsEveryField()
    {
        const UsageSnapshot original = fullSnapshot();
        const auto bytes = original.encode();
        QVERIFY2(bytes && !bytes->contains('\n'), "compact form expected");
        QCOMPARE(UsageSnapshot::decode(*bytes), std::optional(original));
        const UsageSnapshot empty = UsageSnapshot::empty();
        QCOMPARE(UsageSnapshot::decode(*empty.encode()), std::optional(empty));
    }

    void writesAllKeysAndOmitsAbsentPercents()
    {
        const QJsonObject full = *fullSnapshot().toJson();
        QCOMPARE(full.size(), 26); // onDemandLimit absent
        QCOMPARE(full.value("updatedAt"_L1).toDouble(), 786297600.123456);
        QCOMPARE(full.value("hasRealData"_L1).type(), QJsonValue::Bool);
        QCOMPARE(full.value("models"_L1).toArray().at(0).toObject().value("group"_L1).toString(), u"other"_s);
        QCOMPARE(full.value("tokens"_L1).toObject().keys(),
                 (QStringList{u"cacheRead"_s, u"cacheWrite"_s, u"input"_s, u"output"_s, u"total"_s}));

        const QJsonObject empty = *UsageSnapshot::empty().toJson();
        QCOMPARE(empty.size(), 19);
        for (const auto key : {"cursorModelsPercent"_L1, "otherModelsPercent"_L1, "grokWeeklyPercent"_L1,
                               "onDemandUsed"_L1, "onDemandUnlimited"_L1, "teamOnDemandLimit"_L1})
            QVERIFY2(!empty.contains(key), key.data());
    }

    void topLevelIsTolerant()
    {
        UsageSnapshot expected = UsageSnapshot::empty();
        expected.displayMessage.clear();
        QCOMPARE(decodeText("{}"), std::optional(expected));

        // A snapshot written before the on-demand keys existed.
        auto decoded = decodeText(R"({"hasRealData":true,"planName":"Pro","onDemandTokens":3})");
        QVERIFY(decoded && decoded->hasRealData && !decoded->onDemandUsed && !decoded->onDemandLimit &&
                !decoded->onDemandUnlimited && !decoded->teamOnDemandUsed);

        // An absent totalTokens is taken from the token totals; a present one wins.
        const auto total = [](const QByteArray& json) {
            return UsageSnapshot::decode(json).value_or(UsageSnapshot{}).totalTokens;
        };
        QCOMPARE(total("{" + tokensJson + "}"), 10.0);
        QCOMPARE(total(R"({"totalTokens":7,)" + tokensJson + "}"), 7.0);
        // Nulls read as absent; unknown keys are ignored.
        decoded =
            decodeText(R"({"cursorModelsPercent":null,"planName":null,"models":null,"unknownKey":[1,2]})");
        QVERIFY(decoded && !decoded->cursorModelsPercent && decoded->planName.isEmpty());
    }

    void rejectsWhatItCannotTrust()
    {
        for (const QByteArray& json : QList<QByteArray>{
                 QByteArray("[1,2]"),                // not an object
                 QByteArray(R"({"monthlyLimit":4)"), // truncated
                 QByteArray(R"({"tokens":{"input":1}})"),
                 QByteArray(R"({"includedPercent":12.5})"),
                 QByteArray(R"({"grokWeeklyPercent":1e30})"), // beyond 64 bits
                 QByteArray(R"({"monthlyLimit":"400"})"),
                 QByteArray(R"({"hasRealData":1})"),
                 QByteArray(R"({"updatedAt":"2025-05-01T00:00:00Z"})"),
                 QByteArray(R"({"days":[{"date":"2025-05-01"}]})"),
                 R"({"models":[{"name":"a","group":"cursor","percent":1,)" + tokensJson + "}]}", // no amount
                 R"({"models":[{"name":"a","group":"mine","percent":1,"amount":0,)" + tokensJson + "}]}",
             })
            QVERIFY2(!UsageSnapshot::decode(json), json.constData());
    }

    void integersMayBeWrittenWithAFraction()
    {
        const auto decoded = decodeText(R"({"includedPercent":12.0,"otherModelsPercent":-4})");
        QVERIFY(decoded && decoded->includedPercent == 12 && decoded->otherModelsPercent == -4);
        QCOMPARE(decodeText(R"({"includedPercent":9223372036854775807})")
                     .value_or(UsageSnapshot{})
                     .includedPercent,
                 std::numeric_limits<qint64>::max());
    }

    void encodingRefusesNonFiniteNumbers()
    {
        UsageSnapshot a = fullSnapshot(), b = a, c = a;
        a.monthlyUsed = qQNaN();
        b.models[1].tokens.cacheRead = qInf();
        c.days[0].models[u"auto"_s] = -qInf();
        QVERIFY(!a.encode() && !b.encode() && !c.encode());
    }

    void groupForName()
    {
        for (const QString& name : {u"Cursor-Small"_s, u"composer-1"_s, u"AUTO"_s, u"Default"_s})
            QCOMPARE(ModelUsage::groupFor(name), ModelGroup::cursor);
        for (const QString& name : {u"composer"_s, u"sand-1"_s, u"claude-4-sonnet"_s, u"default-x"_s})
            QCOMPARE(ModelUsage::groupFor(name), ModelGroup::other);
    }
};

TALLYFERN_REGISTER_TEST(TestUsageSnapshot);
#include "TestUsageSnapshot.moc"
