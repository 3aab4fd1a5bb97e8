#include "WidgetTestData.h"

#include "TestEnvironment.h"

#include <QDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace WidgetTestData {

UsageSnapshot real()
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    s.monthlyLimit = 20;
    return s;
}

UsageSnapshot realistic()
{
    const auto decoded =
        UsageSnapshot::decode(readTestData(TALLYFERN_TEST_DATA_DIR, u"realistic-snapshot.json"_s));
    if (!decoded)
        qFatal("realistic-snapshot.json does not decode");
    return *decoded;
}

ModelUsage row(const QString& name, double input, double output)
{
    return ModelUsage{name, ModelUsage::groupFor(name), {input, output, 0, 0, input + output}, 0, 0};
}

QStringList texts(const QList<WidgetItem>& items)
{
    QStringList result;
    for (const WidgetItem& item : items) {
        if (item.kind == WidgetItem::Kind::text)
            result.append(item.text);
    }
    return result;
}

WidgetItem item(const QList<WidgetItem>& items, const QString& name)
{
    for (const WidgetItem& candidate : items) {
        if (candidate.name == name)
            return candidate;
    }
    QTest::qFail(qPrintable(u"no item named "_s + name), __FILE__, __LINE__);
    return {};
}

bool hasItem(const QList<WidgetItem>& items, const QString& name)
{
    return std::any_of(items.begin(), items.end(),
                       [&name](const WidgetItem& item) { return item.name == name; });
}

Timestamp at(const QString& internetDateTime)
{
    return *Timestamp::parseInternetDateTime(internetDateTime);
}

void saveScreenshot(const TallyfernView& view, const QString& state)
{
    const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    QDir().mkpath(folder);
    const QString base = folder + u'/' + state + u'-' + WidgetFamilies::name(view.family());
    QVERIFY(view.render(WidgetPalette::light()).save(base + u".png"));
    QVERIFY(view.render(WidgetPalette::dark()).save(base + u"-dark.png"));
}

} // namespace WidgetTestData
