#include "TestRegistry.h"
#include "WidgetTestData.h"

#include "Provider.h"
#include "TimelineHost.h"
#include "WidgetFonts.h"
#include "WidgetWindow.h"

#include "model/AccountList.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "platform/Preferences.h"
#include "platform/WidgetCenter.h"

#include <QGlyphRun>
#include <QMenu>
#include <QProcess>
#include <QRawFont>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTextLayout>

using namespace WidgetTestData;

namespace {

// Generous: the host answers within a fraction of a second, but a loaded machine may be slow.
constexpr int eventTimeoutMs = 5000;

// Waits until the host shows `expected`, however many entries it publishes on the way.
bool waitForSnapshot(TimelineHost& host, QSignalSpy& spy, const UsageSnapshot& expected)
{
    while (host.currentEntry().snapshot != expected) {
        if (!spy.wait(eventTimeoutMs))
            return false;
    }
    return true;
}

// What the app stored, for the widget to read.
void storeAsApp(const UsageSnapshot& snapshot)
{
    const AsProcess app(Preferences::Process::app);
    SnapshotStore::save(snapshot);
}

void storeInSettings(Preferences::Key key, const UsageSnapshot& snapshot)
{
    const AsProcess writer(key == Preferences::Key::widgetSnapshot ? Preferences::Process::widget
                                                                   : Preferences::Process::app);
    Preferences::setValue(key, *snapshot.encode());
}

// Runs the widget executable with the test's environment; the exit status is -1 after a crash or
// a hang.
std::pair<int, QByteArray> runWidget(const QStringList& arguments)
{
    QProcess process;
    process.start(QString::fromUtf8(TALLYFERN_WIDGET_EXECUTABLE), arguments);
    if (!process.waitForFinished(60'000))
        return {-1, {}};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput()};
}

} // namespace

// The widget: the provider reading the store, the host following it, the layouts of each family,
// the window on the desktop and the command line.
class TestWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // This process is the widget; what the app stored is planted as the app (storeAsApp).
    void initTestCase() { Preferences::setProcess(Preferences::Process::widget); }
    void cleanupTestCase() { Preferences::setProcess(Preferences::Process::app); }

    void init()
    {
        // Nothing stored, no pricing catalog to change the estimates, and the clock at noon.
        m_env = std::make_unique<TestEnvironment>();
        m_env->setNow(noon);
    }
    void cleanup() { m_env.reset(); }

    void providerShowsOnlyRealStoredData()
    {
        // Nothing stored: one entry with the empty snapshot, and a reload five minutes later.
        const Timeline timeline = Provider().timeline();
        QCOMPARE(timeline.entries, (QList<UsageEntry>{{at(noon), UsageSnapshot::empty()}}));
        QCOMPARE(timeline.reloadAfter, at(u"2025-05-10T04:05:00Z"_s));

        // A snapshot without real data is never shown, and the app's settings are not the widget's.
        UsageSnapshot fake = realistic();
        fake.hasRealData = false;
        storeInSettings(Preferences::Key::usageSnapshot, realistic());
        storeInSettings(Preferences::Key::widgetSnapshot, fake);
        storeAsApp(fake);
        QCOMPARE(Provider().snapshot(), (UsageEntry{at(noon), UsageSnapshot::empty()}));

        // The file first, then the widget's own settings.
        storeInSettings(Preferences::Key::widgetSnapshot, real(u"Pro"_s));
        QCOMPARE(Provider().timeline().entries.constFirst().snapshot, real(u"Pro"_s));
        storeAsApp(realistic());
        QCOMPARE(Provider().snapshot().snapshot, realistic());
    }

    void providerShowsTheAccountAsked()
    {
        // Two accounts: the home one stored as before, a team seat in its own folder.
        const auto list = [](const QString& primary) {
            QVERIFY(AccountList::update([&primary](AccountList& current, AccountList::State) {
                current = {primary,
                           u"user_me"_s,
                           {{u"user_me"_s, u"me@example.com"_s, {}, {}},
                            {u"user_team"_s, u"wei.chen@corp.example.com"_s, {}, u"工作"_s}}};
                return true;
            }));
        };
        list(u"user_me"_s);
        storeAsApp(real(u"Pro"_s));
        {
            const AsProcess app(Preferences::Process::app);
            QVERIFY(SnapshotStore::saveTo(AccountPlace::otherAccount(u"user_team"_s), real(u"Enterprise"_s)));
        }
        QCOMPARE(Provider().snapshot().snapshot, real(u"Pro"_s));
        QCOMPARE(Provider().accountName(), QString()); // the primary goes unnamed, as with one account
        for (const QString& named : {u"工作"_s, u"user_team"_s}) {
            QCOMPARE(Provider(named).snapshot().snapshot, real(u"Enterprise"_s));
            QCOMPARE(Provider(named).accountName(), u"工作"_s);
        }
        QVERIFY(!Provider(u"nobody"_s).knowsAccount());
        list(u"user_team"_s);
        QCOMPARE(Provider().snapshot().snapshot, real(u"Enterprise"_s));

        const QString out = m_env->root() + u'/';
        QCOMPARE(
            runWidget({u"--render"_s, u"small"_s, out + u"nobody.png", u"--account"_s, u"nobody"_s}).first,
            2);
        QVERIFY(!QFileInfo::exists(out + u"nobody.png"));
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"me.png", u"--account"_s, u"user_me"_s}).first,
                 0);
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"primary.png"}).first, 0);
        QVERIFY(QImage(out + u"me.png") != QImage(out + u"primary.png"));
    }

    void placeholderIsTheSampleWhateverIsStored()
    {
        storeAsApp(realistic());
        const UsageEntry entry = Provider().placeholder();
        QCOMPARE(entry, (UsageEntry{at(noon), UsageSnapshot::sample()}));
        // Made once: a later clock does not give it a new update time.
        m_env->setNow(u"2025-06-01T00:00:00Z"_s);
        QCOMPARE(Provider().placeholder().snapshot, entry.snapshot);
    }

    void hostFollowsNudgesAndSavedFiles()
    {
        TimelineHost host;
        QCOMPARE(host.currentEntry().snapshot, UsageSnapshot::sample());
        QSignalSpy spy(&host, &TimelineHost::entryChanged);
        // Nothing stored yet, not even the support folder: it is created, so that it can be watched.
        host.start();
        QCOMPARE(spy.count(), 1);
        QCOMPARE(host.currentEntry(), (UsageEntry{at(noon), UsageSnapshot::empty()}));
        QCOMPARE(host.msUntilReload(), 300'000);

        // Each save replaces the file atomically; the host follows every one of them.
        for (const QString& plan : {u"Pro"_s, u"Ultra"_s}) {
            storeAsApp(real(plan));
            QVERIFY2(waitForSnapshot(host, spy, real(plan)), qPrintable(plan));
        }

        // Every nudge brings a timeline, and the next reload counts from it.
        for (const QString& now : {u"2025-05-10T04:01:30Z"_s, u"2025-05-10T04:02:00Z"_s}) {
            spy.clear();
            m_env->setNow(now);
            WidgetCenter::reloadAllTimelines();
            QVERIFY(spy.wait(eventTimeoutMs));
            QCOMPARE(host.currentEntry().date, at(now));
            QCOMPARE(host.currentTimeline().reloadAfter.secondsSinceReference,
                     at(now).secondsSinceReference + 300);
        }

        // A new pricing table changes the estimates, so it brings a timeline too.
        spy.clear();
        QSaveFile pricing(PricingStore::fileName());
        QVERIFY(pricing.open(QIODevice::WriteOnly));
        pricing.write(R"({"syncedAt":770000000,"entries":[]})");
        QVERIFY(pricing.commit());
        QVERIFY(spy.wait(eventTimeoutMs));
    }

    void windowRemembersItsSizeAndPlace()
    {
        TimelineHost host;
        {
            WidgetWindow window(&host);
            QCOMPARE(window.size(), QSize(170, 170)); // small until the user picks another size
            host.start();
            QCOMPARE(window.entry().snapshot, UsageSnapshot::empty()); // each entry of the host
            const std::unique_ptr<QMenu> menu(window.createMenu(nullptr));
            QStringList texts;
            for (const QAction* action : menu->actions())
                texts.append(action->isSeparator() ? u"-"_s : action->text());
            QCOMPARE(texts, (QStringList{u"小尺寸"_s, u"中尺寸"_s, u"大尺寸"_s, u"-"_s, u"关闭"_s}));
            menu->actions().at(2)->trigger();
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.move(120, 80);
            QTRY_COMPARE(window.pos(), QPoint(120, 80));
        }
        WidgetWindow reopened(&host);
        QCOMPARE(reopened.size(), QSize(364, 382));
        QCOMPARE(reopened.pos(), QPoint(120, 80));

        // A place off every screen, or a size it does not know, is not restored.
        Preferences::setValue(Preferences::Key::widgetPosition, QPoint(-50000, 90000));
        Preferences::setValue(Preferences::Key::widgetFamily, u"huge"_s);
        WidgetWindow lost(&host);
        QCOMPARE(lost.size(), QSize(170, 170));
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(lost.geometry()));
    }

    void windowRendersAtDoubleScale()
    {
        // The scale is fixed when the application starts: the check runs again in a child.
        if (qEnvironmentVariable("QT_SCALE_FACTOR") != u"2"_s) {
            QVERIFY(passesInChild(QString::fromLatin1(QTest::currentTestFunction()), "QT_SCALE_FACTOR", "2"));
            return;
        }
        storeAsApp(realistic());
        TimelineHost host;
        WidgetWindow window(&host);
        host.start();
        window.setFamily(WidgetFamily::medium);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.entry().snapshot, realistic());
        const QPixmap picture = window.grab();
        QCOMPARE(picture.size(), window.size() * 2);
        QCOMPARE(picture.devicePixelRatio(), 2.0);
    }

    void renderCommandNeedsNoDisplay()
    {
        // No platform chosen and no X or Wayland server for the child processes.
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            qunsetenv(name);
        const QString out = m_env->root() + u'/';
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"empty.png", u"--scale"_s, u"1"_s}).first, 0);
        QCOMPARE(
            runWidget({u"--render=small"_s, u"--placeholder"_s, u"--scale=1"_s, out + u"sample.png"}).first,
            0);
        storeAsApp(realistic());
        for (const auto& [family, pixels] : {std::pair{u"small"_s, QSize(340, 340)},
                                             {u"medium"_s, QSize(728, 340)},
                                             {u"large"_s, QSize(728, 764)}}) {
            QCOMPARE(runWidget({u"--render"_s, family, out + family + u".png"}).first, 0);
            QCOMPARE(QImage(out + family + u".png").size(), pixels);
        }
        // The stored snapshot, not the placeholder or the empty state.
        QCOMPARE(runWidget({u"--render"_s, u"small"_s, out + u"stored.png", u"--scale"_s, u"1"_s}).first, 0);
        const QImage stored(out + u"stored.png");
        QVERIFY(stored != QImage(out + u"sample.png") && stored != QImage(out + u"empty.png"));

        for (const QStringList& bad : {QStringList{u"--render"_s, u"huge"_s, out + u"bad.png"},
                                       {u"--render"_s, u"small"_s, out + u"bad.png", u"--scale"_s, u"0"_s},
                                       {u"--render"_s, u"small"_s, out + u"missing/bad.png"},
                                       {u"--render"_s}})
            QCOMPARE(runWidget(bad).first, 2);
        QVERIFY(!QFileInfo::exists(out + u"bad.png"));
        const QString help = QString::fromUtf8(runWidget({u"--help"_s}).second);
        QVERIFY(help.contains(u"--render"_s) && help.contains(u"显示本机保存的 Cursor token 余量和账期。"_s));
        QVERIFY(runWidget({u"--version"_s}).second.startsWith("tallyfern-widget "));
    }

    void derivedTexts()
    {
        for (const auto& [plan, title] :
             {std::pair{u" \tUltra\n"_s, u"Ultra"_s}, {u"  \n\r\t "_s, u"个人"_s}, {u"\u3000"_s, u"个人"_s}})
            QCOMPARE(TallyfernView::planTitle(real(plan)), title);
        UsageSnapshot s = real();
        s.includedPercent = 35;
        QCOMPARE(TallyfernView::percentText(s), u"65%"_s);
        s.cursorModelsPercent = 0;
        QCOMPARE(TallyfernView::percentText(s), u"100%"_s);

        // Days between local calendar days, from noon on 10 May.
        for (const auto& [end, shown] : {std::pair{u"2025-05-31T00:00:00Z"_s, u"还剩 21 天 · 5月31日"_s},
                                         {u"2025-05-11T23:30:00.250+08:00"_s, u"还剩 1 天 · 5月11日"_s},
                                         {u"2025-05-01T00:00:00Z"_s, u"还剩 0 天 · 5月1日"_s}}) {
            s.billingCycleEnd = end;
            QCOMPARE(TallyfernView::cycleShort(s, at(noon)), shown);
            QCOMPARE(TallyfernView::footer(s, at(noon)), u"账期"_s + shown);
        }
        // Without a usable cycle end both show the time of day of the last update.
        s.updatedAt = at(u"2025-05-10T03:34:56Z"_s);
        s.billingCycleEnd = u"end of month"_s;
        QVERIFY(TallyfernView::footer(s, at(noon)).startsWith(u"已更新 11:34"_s));
        QCOMPARE(TallyfernView::cycleShort(s, at(noon)), TallyfernView::footer(s, at(noon)));
    }

    void emptyStateInEachFamily()
    {
        const UsageSnapshot empty = UsageSnapshot::empty();
        QCOMPARE(texts(layout(WidgetFamily::small, empty)), u"用量|未连接|—|剩余 · Cursor|总消耗|0|未连接"_s);
        QCOMPARE(texts(layout(WidgetFamily::medium, empty)),
                 u"用量|未连接|未连接|—|剩余 · Cursor|今日 token|0|本月 token|0|Cursor 基础|无标价|高级模型|"
                 u"无标价|Cursor — · 其他 — · Grok —"_s);
        QCOMPARE(
            texts(layout(WidgetFamily::large, empty)),
            u"Tallyfern|未连接|—|剩余 · Cursor 模型|未连接|今日 token|0|本月 token|0|Cursor 基础|无标价|"
            u"高级模型|无标价|Cursor — · 其他 — · Grok —|Cursor|—|其他|—|Grok|—|打开主应用并粘贴 Cookie"_s);
        // No bar is filled without a percentage.
        for (const WidgetItem& item : layout(WidgetFamily::large, empty))
            QVERIFY2(!item.name.endsWith(u".fill"_s), qPrintable(item.name));
    }

    void eachStateInEachFamily()
    {
        UsageSnapshot blankPlan = realistic();
        blankPlan.planName = u" \n "_s;
        UsageSnapshot noCycleEnd = realistic();
        noCycleEnd.billingCycleEnd = u"next month"_s;
        noCycleEnd.updatedAt = at(u"2025-05-10T01:05:00Z"_s);
        // "已更新 09:05…": derivedTexts checks the footer's text, this that both families show it.
        const QString updated = TallyfernView::footer(noCycleEnd, at(noon));
        UsageSnapshot zeroTotal = real();
        zeroTotal.totalTokens = 0;
        zeroTotal.tokens.total = 5000;
        UsageSnapshot overQuota = realistic();
        overQuota.cursorModelsPercent = 130;
        UsageSnapshot unpriced = realistic();
        unpriced.models = {row(u"auto"_s, 4e6), row(u"cursor-small"_s, 1e6), row(u"sand-1"_s, 2e6),
                           row(u"default"_s, 1e6)};
        UsageSnapshot extreme = realistic(); // the widest texts each figure can take
        extreme.planName = u"Enterprise Business Annual Plan With A Very Long Name"_s;
        extreme.totalTokens = 987'654'321'987.0;
        extreme.todayTokens.total = 99'999'999'999.0;
        extreme.cursorModelsPercent = -1'000'000'000;
        extreme.otherModelsPercent = 1'000'000'000;
        extreme.models = {row(u"composer-2.5"_s, 9e12), row(u"claude-opus-4-8"_s, 18e12)};

        // Per state, what some items read ("family|item|text"); in every family of every state,
        // nothing runs off the card and no two texts overlap.
        const QList<std::tuple<QString, UsageSnapshot, QStringList>> states{
            {u"realistic"_s,
             realistic(),
             {u"small|total.value|1.44亿"_s, u"medium|cycle|还剩 22 天 · 6月1日"_s,
              u"medium|metric.今日 token.value|648.2万"_s, u"large|footer|账期还剩 22 天 · 6月1日"_s,
              // composer-2.5 priced, "auto" not; the sonnet row, while gpt-5 and "sand-" have no price.
              u"medium|metric.Cursor 基础.value|预估 $19.8"_s, u"medium|metric.高级模型.value|预估 $43.2"_s}},
            {u"empty"_s, UsageSnapshot::empty(), {}},
            {u"sample"_s, UsageSnapshot::sample(), {}},
            {u"blank-plan"_s,
             blankPlan,
             {u"small|badge.title|个人"_s, u"medium|badge.title|个人"_s, u"large|badge.title|个人"_s}},
            {u"unparsable-cycle-end"_s,
             noCycleEnd,
             {u"medium|cycle|"_s + updated, u"large|footer|"_s + updated}},
            {u"zero-total"_s,
             zeroTotal,
             {u"small|total.value|5000"_s, u"medium|metric.本月 token.value|5000"_s,
              u"large|metric.本月 token.value|5000"_s}},
            {u"over-quota"_s,
             overQuota,
             {u"small|percent|0%"_s, u"large|percent|0%"_s, u"large|bar.Cursor.value|100%"_s,
              u"large|quota|Cursor 130% · 其他 52% · Grok 18%"_s}},
            {u"no-prices"_s,
             unpriced,
             {u"medium|metric.Cursor 基础.value|无标价"_s, u"medium|metric.高级模型.value|无标价"_s,
              u"large|metric.Cursor 基础.value|无标价"_s, u"large|metric.高级模型.value|无标价"_s}},
            {u"extreme"_s, extreme, {}}};
        for (const auto& [state, snapshot, expected] : states) {
            for (const QString& line : expected) {
                const QStringList parts = line.split(u'|');
                QCOMPARE(item(layout(*WidgetFamilies::fromName(parts[0]), snapshot), parts[1]).text,
                         parts[2]);
            }
            for (WidgetFamily family : WidgetFamilies::all) {
                const TallyfernView view(family, UsageEntry{at(noon), snapshot}, at(noon));
                const QString where = state + u' ' + WidgetFamilies::name(family) + u": "_s;
                const QRectF inner = QRectF(QPointF(0, 0), view.size()).adjusted(8, 8, -8, -8);
                const QList<WidgetItem> items = view.panel();
                for (const WidgetItem& a : items) {
                    QVERIFY2(inner.contains(a.rect), qPrintable(where + a.name));
                    for (const WidgetItem& b : items) {
                        if (&a != &b && a.kind == WidgetItem::Kind::text && b.kind == WidgetItem::Kind::text)
                            QVERIFY2(!a.rect.intersects(b.rect),
                                     qPrintable(where + a.name + u" overlaps "_s + b.name));
                    }
                }
                saveScreenshot(view, state);
            }
        }
    }

    void barFillsItsShareOfTheTrack()
    {
        UsageSnapshot s = realistic();
        s.cursorModelsPercent = 130;
        s.grokWeeklyPercent = -20;
        const QList<WidgetItem> large = layout(WidgetFamily::large, s);
        // Full for 130, none below 0, the stored share in between, clipped to the track.
        QCOMPARE(item(large, u"bar.Cursor.fill"_s).rect, item(large, u"bar.Cursor.track"_s).rect);
        QVERIFY(item(large, u"bar.Grok.fill"_s).name.isEmpty() &&
                item(large, u"bar.Grok.value"_s).text == u"0%"_s);
        const QRectF track = item(large, u"bar.其他.track"_s).rect;
        QCOMPARE(item(large, u"bar.其他.fill"_s).rect.width(), track.width() * 0.52);
        QCOMPARE(item(large, u"bar.其他.fill"_s).clip, track);
    }

    void chineseTextUsesSimplifiedGlyphs()
    {
        // "还剩" draws differently in the Japanese variant of Noto CJK, which plain fallback picks.
        QTextLayout text(u"还剩 22 天 · 用量 Cursor"_s, WidgetFonts::system(28, QFont::Bold));
        text.beginLayout();
        text.createLine();
        text.endLayout();
        QStringList chinese;
        for (const QGlyphRun& run : text.glyphRuns()) {
            if (run.rawFont().familyName().contains(u"CJK"_s))
                chinese.append(run.rawFont().familyName());
        }
        chinese.removeDuplicates();
        QCOMPARE(chinese, QStringList{u"Noto Sans CJK SC"_s});
    }

private:
    std::unique_ptr<TestEnvironment> m_env;
};

TALLYFERN_REGISTER_TEST(TestWidget);
#include "TestWidget.moc"
