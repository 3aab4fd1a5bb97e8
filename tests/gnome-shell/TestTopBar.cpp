#include "HeadlessShell.h"
#include "ServiceWorld.h"
#include "TestRegistry.h"

#include "app/shell/TopBarExtension.h"
#include "model/AccountRoster.h"
#include "model/SnapshotStore.h"
#include "platform/ProcessRunner.h"
#include "platform/SecretStore.h"
#include "platform/WidgetCenter.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString uuid = QStringLiteral(TALLYFERN_GNOME_SHELL_UUID);
const QString helperUuid = QStringLiteral(TALLYFERN_GNOME_SHELL_HELPER_UUID);
const QString indicator = u"Main.panel.statusArea['"_s + uuid + u"']"_s;
const QString lockedHint = u"钥匙串已锁定 · 在 Tallyfern 中刷新以解锁"_s;

// What the top bar shows: the label's text and style classes, the gauge's picture, the menu's lines.
struct Shown
{
    QString text;
    QString styles;
    QString icon;
    QStringList menu;

    bool operator==(const Shown&) const = default;
};

char* toString(const Shown& shown)
{
    const QStringList parts{shown.text, shown.styles, shown.icon, shown.menu.join(u" | "_s)};
    return qstrdup(parts.join(u" / "_s).toUtf8().constData());
}

void copyFolder(const QString& from, const QString& to)
{
    QDirIterator files(from, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        const QString copy = to + file.sliced(from.size());
        QDir().mkpath(QFileInfo(copy).path());
        QVERIFY(QFile::copy(file, copy));
    }
}

// The built app, as a user runs it in a terminal: exit status and standard output.
std::pair<int, QString> tallyfern(const QStringList& arguments, const QByteArray& input = {})
{
    QProcess process;
    QSignalSpy finished(&process, &QProcess::finished);
    process.start(QStringLiteral(TALLYFERN_EXECUTABLE), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!finished.wait(60'000))
        return {-1, {}};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput())};
}

QJsonObject waybar()
{
    return QJsonDocument::fromJson(tallyfern({u"--status"_s, u"--format"_s, u"waybar"_s}).second.toUtf8())
        .object();
}

QString updatedAt(const UsageSnapshot& snapshot)
{
    return u"更新于 "_s + snapshot.updatedAt.toDateTime().toLocalTime().toString(u"HH:mm"_s);
}

} // namespace

// The extension in this machine's real GNOME Shell (43 on Debian 12, 48 on Debian 13), against the
// fake service; each step builds on the last.
class TestTopBar : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        m_world = std::make_unique<ServiceWorld>(
            ServiceWorld::Options{.now = {}, .sampleAccount = true, .sessionBus = true});
        qputenv("GSETTINGS_BACKEND", "keyfile");
        const QString extensions = m_world->env.dataHome() + u"/gnome-shell/extensions/"_s;
        copyFolder(QStringLiteral(TALLYFERN_GNOME_SHELL_EXTENSION), extensions + uuid);
        copyFolder(QStringLiteral(TALLYFERN_GNOME_SHELL_HELPER), extensions + helperUuid);

        // The shell finds the app on its PATH; this one notes each run the shell starts.
        const QString bin = m_world->env.root() + u"/bin"_s;
        QVERIFY(QDir().mkpath(bin));
        QFile app(bin + u"/tallyfern"_s);
        QVERIFY(app.open(QIODevice::WriteOnly));
        app.write("#!/bin/sh\necho \"$*\" >> '" + calls().toUtf8() +
                  "'\nexec '" TALLYFERN_EXECUTABLE "' \"$@\"\n");
        app.close();
        QVERIFY(app.setPermissions(app.permissions() | QFile::ExeOwner));

        m_shell = std::make_unique<HeadlessShell>();
        QVERIFY2(m_shell->start({uuid, helperUuid}, uuid, bin, m_world->env.root() + u"/gnome-shell.log"_s),
                 qPrintable(m_shell->problem()));
        QTRY_COMPARE_WITH_TIMEOUT(m_shell->extensionState(helperUuid), HeadlessShell::enabled, 10'000);
        // No banner saying so over the pictures.
        m_shell->eval(u"Main.messageTray.bannerBlocked = true"_s);
    }

    void cleanupTestCase()
    {
        m_shell.reset();
        m_world.reset();
    }

    void beforeAnyData()
    {
        QTRY_COMPARE_WITH_TIMEOUT(shown(),
                                  (Shown{u"暂无用量数据"_s,
                                         u"tallyfern-label tallyfern-nodata"_s,
                                         u"gauge.svg"_s,
                                         {u"— · 未登录"_s, u"刷新"_s, u"打开 Tallyfern"_s}}),
                                  10'000);
    }

    void aRefreshShowsAtOnce()
    {
        QVERIFY(SystemSecretStore().write(u"user_01JQ8ZK5W3T2R9M4X7C6B1N0PA::eyJhbGciOi.J9.sig"_s));
        QCOMPARE(tallyfern({u"--refresh"_s}), std::pair(0, QString()));
        // The Waybar form's text and class, the gauge tinted as the tray's for a quota running low.
        const QJsonObject bar = waybar();
        QCOMPARE(bar.value("class"_L1).toString(), u"critical"_s);
        QTRY_COMPARE_WITH_TIMEOUT(shown(),
                                  (Shown{bar.value("text"_L1).toString(),
                                         u"tallyfern-label tallyfern-critical"_s,
                                         u"gauge-warning.svg"_s,
                                         {u"lin.wei@example.com · Pro+ · 剩余 88%"_s,
                                          updatedAt(SnapshotStore::load()), u"刷新"_s, u"打开 Tallyfern"_s}}),
                                  5'000);
    }

    void twoAccounts()
    {
        QCOMPARE(tallyfern({u"--add-account"_s}, "team::eyj.t"),
                 std::pair(0, u"已添加账号：wei.chen@corp.example.com\n"_s));
        QCOMPARE(tallyfern({u"--refresh"_s}), std::pair(0, QString()));
        QTRY_COMPARE_WITH_TIMEOUT(
            shown().menu,
            (QStringList{u"lin.wei@example.com · Pro+ · 剩余 88%"_s,
                         u"wei.chen@corp.example.com · Enterprise · 剩余 69%"_s,
                         updatedAt(SnapshotStore::load()), u"刷新"_s, u"打开 Tallyfern"_s}),
            5'000);

        // The bar and the open menu, in a picture, on the desktop rather than the overview the shell
        // starts in.
        m_shell->eval(u"Main.overview.hide()"_s);
        QTRY_COMPARE(m_shell->eval(u"Main.overview.visible"_s), QJsonValue(false));
        m_shell->eval(indicator + u".menu.open(false)"_s);
        const auto geometry = [] {
            return u"(() => { const i = %1; const [x, y] = i.get_transformed_position();"
                   u" const m = i.menu.actor; const [mx, my] = m.get_transformed_position();"
                   u" return [x, y, i.width, i.height, mx, my, m.width, m.height]; })()"_s.arg(indicator);
        };
        QTRY_VERIFY(m_shell->eval(geometry()).toArray().at(7).toDouble() > 0);
        const QJsonArray box = m_shell->eval(geometry()).toArray();
        const auto rect = [&box](int first) {
            return QRect(box[first].toInt(), box[first + 1].toInt(), box[first + 2].toInt(),
                         box[first + 3].toInt());
        };
        // With the clock's side of the bar, so that it reads as GNOME's.
        const QRect area =
            rect(0).united(rect(4)).adjusted(-360, 0, 24, 24).intersected(QRect(0, 0, 1280, 800));
        const QImage picture = m_shell->screenshot(area, m_world->env.root() + u"/top-bar.png"_s);
        m_shell->eval(indicator + u".menu.close(false)"_s);
        QCOMPARE(picture.size(), area.size());
        if (const QString folder = qEnvironmentVariable("TALLYFERN_SCREENSHOT_DIR"); !folder.isEmpty())
            QVERIFY(picture.save(folder + u"/gnome-top-bar.png"_s));
    }

    void staleData()
    {
        const Timestamp longAgo = Timestamp::fromDateTime(QDateTime::currentDateTimeUtc().addSecs(-20 * 60));
        const AccountRoster roster = AccountRoster::read();
        QCOMPARE(roster.entries.size(), 2);
        for (const auto& [account, place] : roster.entries) {
            UsageSnapshot snapshot = SnapshotStore::loadFrom(place);
            snapshot.updatedAt = longAgo;
            QVERIFY(SnapshotStore::saveTo(place, snapshot));
        }
        WidgetCenter::reloadAllTimelines();
        const UsageSnapshot home = SnapshotStore::load();
        QTRY_COMPARE_WITH_TIMEOUT(shown().styles, u"tallyfern-label tallyfern-stale"_s, 5'000);
        QCOMPARE(shown().menu.at(2), updatedAt(home) + u"（数据已过期）"_s);
        QCOMPARE(shown().icon, u"gauge.svg"_s);
    }

    void disablingLeavesNothing()
    {
        QVERIFY(m_shell->watches(SnapshotStore::supportFolder()));
        // The settings page's switch, with its real commands on this desktop.
        ProcessRunner::setCurrent(nullptr);
        const auto recordAgain = qScopeGuard([this] { ProcessRunner::setCurrent(&m_world->runner); });
        QCOMPARE(TopBarExtension::state(), TopBarExtension::State::on);
        QCOMPARE(TopBarExtension::setEnabled(false), TopBarExtension::State::off);
        QTRY_COMPARE_WITH_TIMEOUT(m_shell->extensionState(uuid), HeadlessShell::disabled, 5'000);
        QCOMPARE(m_shell->eval(indicator + u" === undefined"_s), QJsonValue(true));
        // Nothing is left: no watch on the folder, and a store starts no run and wakes nothing (a
        // timer or a watch left behind would have run, or failed, a quarter of a second later).
        QVERIFY(!m_shell->watches(SnapshotStore::supportFolder()));
        const QByteArray before = fileBytes(calls());
        const qsizetype said = m_shell->log().size();
        WidgetCenter::reloadAllTimelines();
        QTest::qWait(1000);
        QCOMPARE(fileBytes(calls()), before);
        QVERIFY2(!m_shell->log().sliced(said).contains(u"tallyfern"_s, Qt::CaseInsensitive),
                 qPrintable(m_shell->log().sliced(said)));

        QCOMPARE(TopBarExtension::setEnabled(true), TopBarExtension::State::on);
        QTRY_COMPARE_WITH_TIMEOUT(m_shell->extensionState(uuid), HeadlessShell::enabled, 5'000);
        QTRY_COMPARE_WITH_TIMEOUT(shown().styles, u"tallyfern-label tallyfern-stale"_s, 5'000);
    }

    void refreshWithALockedKeyring()
    {
        const QString lock =
            u"--session --print-reply --dest=org.freedesktop.secrets /org/freedesktop/secrets "
            u"org.freedesktop.Secret.Service.Lock "
            u"array:objpath:/org/freedesktop/secrets/collection/login"_s;
        QCOMPARE(QProcess::execute(u"dbus-send"_s, lock.split(u' ')), 0);
        const qsizetype runsBefore = refreshRuns();
        // Two clicks in a row: the item says it runs and takes no second click.
        const QString clickTwice = u"(() => { const item = %1.refreshItem; item.activate(null);"
                                   u" const running = [item.label.text, item.sensitive]; item.activate(null);"
                                   u" return running; })()"_s.arg(indicator);
        QCOMPARE(m_shell->eval(clickTwice), QJsonValue(QJsonArray{u"正在刷新…"_s, false}));
        QTRY_COMPARE_WITH_TIMEOUT(shown().menu.mid(3),
                                  (QStringList{u"刷新"_s, lockedHint, u"打开 Tallyfern"_s}), 10'000);
        QCOMPARE(refreshRuns(), runsBefore + 1);
    }

private:
    QString calls() const { return m_world->env.root() + u"/calls.log"_s; }

    qsizetype refreshRuns() const { return QString::fromUtf8(fileBytes(calls())).count(u"--refresh"_s); }

    Shown shown() const
    {
        const QString code =
            u"(() => { const i = %1; if (!i) return null;"
            u" const lines = menu => menu._getMenuItems().flatMap(item => item._getMenuItems ? lines(item)"
            u" : !item.visible ? [] : [item.label?.text, item.hint?.visible ? item.hint.text : ''].filter(t "
            u"=> t));"
            u" return {text: i.label.text, styles: i.label.get_style_class_name(),"
            u" icon: i._icon.gicon.get_file().get_basename(), menu: lines(i.menu)}; })()"_s.arg(indicator);
        const QJsonObject object = m_shell->eval(code).toObject();
        QStringList menu;
        for (const QJsonValue& line : object.value("menu"_L1).toArray())
            menu.append(line.toString());
        return {object.value("text"_L1).toString(), object.value("styles"_L1).toString(),
                object.value("icon"_L1).toString(), menu};
    }

    std::unique_ptr<ServiceWorld> m_world;
    std::unique_ptr<HeadlessShell> m_shell;
};

TALLYFERN_REGISTER_TEST(TestTopBar);
#include "TestTopBar.moc"
