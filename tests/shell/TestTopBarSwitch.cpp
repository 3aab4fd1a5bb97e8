#include "ShellTesting.h"
#include "TestRegistry.h"

// The settings switch that turns the GNOME Shell extension on and off: where it shows, whose host
// it asks, and what it enables.
class TestTopBarSwitch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void topBarSwitchOnlyWhereItHelps_data()
    {
        QTest::addColumn<bool>("gnome");
        QTest::addColumn<bool>("tray");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("shown");
        QTest::newRow("GNOME without a tray") << true << false << true << true;
        QTest::newRow("another desktop") << false << false << true << false;
        QTest::newRow("GNOME with a tray") << true << true << true << false;
        QTest::newRow("without the extension's package") << true << false << false << false;
    }

    void topBarSwitchOnlyWhereItHelps()
    {
        QFETCH(bool, gnome);
        QFETCH(bool, tray);
        QFETCH(bool, installed);
        ShellFixture fixture;
        fixture.host = {gnome, tray, installed};
        auto store = fixture.store();
        SettingsPage page(store.get());
        page.show();
        QTEST(page.topBarRow()->isVisibleTo(&page), "shown");
        // Elsewhere the desktop is asked nothing.
        if (!page.topBarRow()->isVisibleTo(&page))
            QCOMPARE(fixture.runner.commands.filter(u"extensions"_s), QStringList());
    }

    void topBarHostIsTheDesktops()
    {
        ShellFixture fixture;
        TopBarExtension::setHost(nullptr);
        const QByteArray desktop = qgetenv("XDG_CURRENT_DESKTOP");
        const auto restore = qScopeGuard([&desktop] { qputenv("XDG_CURRENT_DESKTOP", desktop); });
        qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
        QVERIFY(TopBarExtension::host().gnome && !TopBarExtension::host().installed);
        // No panel shows a tray here.
        QVERIFY(!TopBarExtension::host().tray);
        const QString extension =
            Paths::dataHome() + u"/gnome-shell/extensions/"_s + QLatin1StringView(TopBarExtension::uuid);
        QVERIFY(QDir().mkpath(extension));
        QVERIFY(AtomicFile::write(extension + u"/metadata.json"_s, "{}"));
        QVERIFY(TopBarExtension::host().installed && TopBarExtension::offered());
        qputenv("XDG_CURRENT_DESKTOP", "KDE");
        QVERIFY(!TopBarExtension::host().gnome);
    }

    void topBarSwitchEnablesTheExtension()
    {
        ShellFixture fixture;
        fixture.host = {true, false, true};
        // GNOME's commands as they behave: the running shell enables only the extensions it loaded
        // when it started; the settings are what the next login reads.
        const QString uuid = QString::fromLatin1(TopBarExtension::uuid);
        QStringList enabled{u"other@example.com"_s};
        bool loaded = true;
        fixture.runner.answer = [&](const QString& command) -> std::pair<int, QByteArray> {
            const auto quoted = [](const QStringList& items) {
                return items.isEmpty() ? QByteArray("@as []\n")
                                       : "['" + items.join(u"', '"_s).toUtf8() + "']\n";
            };
            if (command == u"gsettings get org.gnome.shell enabled-extensions"_s)
                return {0, quoted(enabled)};
            if (command == u"gsettings get org.gnome.shell disabled-extensions"_s)
                return {0, quoted({})};
            if (command.startsWith(u"gsettings set org.gnome.shell enabled-extensions "_s)) {
                enabled.clear();
                static const QRegularExpression item(u"'([^']*)'"_s);
                for (const QRegularExpressionMatch& match : item.globalMatch(command))
                    enabled.append(match.captured(1));
                return {0, {}};
            }
            if (command.startsWith(u"gnome-extensions "_s)) {
                if (!loaded)
                    return {2, {}};
                enabled.removeAll(uuid);
                if (command.startsWith(u"gnome-extensions enable"_s))
                    enabled.append(uuid);
                return {0, {}};
            }
            if (command.startsWith(u"gdbus call"_s) && command.endsWith(uuid))
                return {0,
                        loaded ? "({'uuid': <'" + uuid.toUtf8() + "'>},)\n" : QByteArray("(@a{sv} {},)\n")};
            return {1, {}};
        };
        auto store = fixture.store();
        DashboardWindow window(store.get());
        showAndSettle(&window);
        const auto settingsPage = [&window] {
            window.selectPage(DashboardPage::settings);
            settle();
            return qobject_cast<SettingsPage*>(window.pageWidget());
        };
        SettingsPage* page = settingsPage();
        SwitchToggle* toggle = page->topBarRow()->toggle();
        QVERIFY(!toggle->isChecked());

        fixture.runner.commands.clear();
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(fixture.runner.commands.first(), u"gnome-extensions enable "_s + uuid);
        QVERIFY(toggle->isChecked());
        QCOMPARE(page->topBarRow()->detail()->text(), TopBarRow::detailText(false));
        QTest::mouseClick(toggle, Qt::LeftButton);
        QVERIFY(!toggle->isChecked());
        QCOMPARE(enabled, QStringList{u"other@example.com"_s});

        // Installed after the shell started: enabled for the next login, and said so.
        loaded = false;
        QTest::mouseClick(toggle, Qt::LeftButton);
        QCOMPARE(enabled, (QStringList{u"other@example.com"_s, uuid}));
        QVERIFY(toggle->isChecked());
        QVERIFY(page->topBarRow()->detail()->text().endsWith(u"注销并重新登录后生效。"_s));
        page->scroll()->ensureWidgetVisible(page->topBarRow());
        screenshot(&window, u"settings-top-bar"_s);

        // Switched elsewhere (GNOME's Extensions app): the page shows it when it shows again.
        loaded = true;
        enabled.removeAll(uuid);
        window.selectPage(DashboardPage::overview);
        page = settingsPage();
        toggle = page->topBarRow()->toggle();
        QVERIFY(!toggle->isChecked());
        QCOMPARE(page->topBarRow()->detail()->text(), TopBarRow::detailText(false));
    }
};

TALLYFERN_REGISTER_TEST(TestTopBarSwitch);
#include "TestTopBarSwitch.moc"
