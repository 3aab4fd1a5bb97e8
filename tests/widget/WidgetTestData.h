#pragma once

#include "TallyfernView.h"
#include "TestEnvironment.h"

#include "model/SnapshotStore.h"
#include "platform/Preferences.h"

#include <QDir>
#include <QProcess>
#include <QtTest>

// Snapshots, look-ups, what the app stored and runs of the executable, for the widget's tests.
namespace WidgetTestData {

using namespace Qt::StringLiterals;

inline const QString noon = u"2025-05-10T04:00:00Z"_s; // the tests' clock: noon in Shanghai

inline Timestamp at(const QString& internetDateTime)
{
    return *Timestamp::parseInternetDateTime(internetDateTime);
}

// A snapshot with real data and little else.
inline UsageSnapshot real(const QString& plan = {})
{
    UsageSnapshot s = UsageSnapshot::empty();
    s.hasRealData = true;
    s.source = u"dashboard-json"_s;
    s.monthlyLimit = 20;
    s.planName = plan;
    return s;
}

// The stored snapshot of a typical Pro+ account in mid-May 2025 (tests/widget/data).
inline UsageSnapshot realistic()
{
    return UsageSnapshot::decode(readTestData(TALLYFERN_TEST_DATA_DIR, u"realistic-snapshot.json"_s)).value();
}

inline ModelUsage row(const QString& name, double input)
{
    return ModelUsage{name, ModelUsage::groupFor(name), {input, 0, 0, 0, input}, 0, 0};
}

inline QList<WidgetItem> layout(WidgetFamily family, const UsageSnapshot& s)
{
    return TallyfernView(family, UsageEntry{at(noon), s}, at(noon)).panel();
}

// The texts a layout draws, in drawing order, joined by '|'.
inline QString texts(const QList<WidgetItem>& items)
{
    QStringList result;
    for (const WidgetItem& item : items) {
        if (item.kind == WidgetItem::Kind::text)
            result.append(item.text);
    }
    return result.join(u'|');
}

// The item of that name, or an item without a name when there is none.
inline WidgetItem item(const QList<WidgetItem>& items, const QString& name)
{
    const auto found =
        std::find_if(items.begin(), items.end(), [&](const WidgetItem& i) { return i.name == name; });
    return found == items.end() ? WidgetItem{} : *found;
}

// Saves the view as `<state>-<family>[-dark].png` in $TALLYFERN_SCREENSHOT_DIR when it is set.
inline void saveScreenshot(const TallyfernView& view, const QString& state)
{
    const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR");
    if (folder.isEmpty())
        return;
    const QString base = folder + u'/' + state + u'-' + WidgetFamilies::name(view.family());
    QVERIFY(QDir().mkpath(folder) && view.render(WidgetPalette::light()).save(base + u".png"));
    QVERIFY(view.render(WidgetPalette::dark()).save(base + u"-dark.png"));
}

// What the app stored, for the widget to read.
inline void storeAsApp(const UsageSnapshot& snapshot)
{
    const AsProcess app(Preferences::Process::app);
    SnapshotStore::save(snapshot);
}

// How a run of the widget executable ended: its exit status (-1 after a crash or a hang) and what it
// printed on each stream.
struct WidgetRun
{
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs the widget executable with the test's environment.
inline WidgetRun runWidget(const QStringList& arguments)
{
    QProcess process;
    process.start(QString::fromUtf8(TALLYFERN_WIDGET_EXECUTABLE), arguments);
    if (!process.waitForFinished(60'000))
        return {};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

} // namespace WidgetTestData
