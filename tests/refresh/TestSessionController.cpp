#include "RefreshTesting.h"
#include "TestRegistry.h"

#include "refresh/SessionController.h"

namespace {

const QString saved = u"已保存到本机钥匙串，正在读取用量"_s;

} // namespace

// The user's actions on the session: each unlocks the keyring first when it must write, and says how
// it went. The follow switch is read at each use, since "--import-session" may turn it on meanwhile.
class TestSessionController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void actions_data()
    {
        QTest::addColumn<QString>("setup");  // RefreshTesting.h
        QTest::addColumn<QString>("action"); // "paste <text>", "import" or "logout"
        QTest::addColumn<QString>("journal");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("done"); // what the action answers: saved, imported
        QTest::addColumn<bool>("session");
        QTest::addColumn<bool>("following");
        const auto row = [](const char* name, const char* setup, const char* action, const char* journal,
                            const QString& status, bool done, bool session, bool following) {
            QTest::newRow(name) << QString::fromLatin1(setup) << QString::fromLatin1(action)
                                << QString::fromLatin1(journal) << status << done << session << following;
        };
        row("paste nothing", "no-token", "paste  \n\t ", "", u"请粘贴 Cookie"_s, false, false, false);
        row("paste a refused write", "no-token fails-saves", "paste WorkosCursorSessionToken=abc", "",
            u"无法写入本机钥匙串"_s, false, false, false);
        row("paste a whole header", "no-token", "paste other=1; WorkosCursorSessionToken=abc%3A%3Adef; x=2",
            "save abc::def", saved, true, true, false);
        // A paste is the user's choice over the editor's login, also when another process turned
        // following on.
        row("paste while following", "following", "paste pasted", "save pasted, following off", saved, true,
            true, false);
        // With several accounts following is the editor's account's: another's paste leaves it on.
        row("paste while another account follows", "following editor-elsewhere", "paste pasted",
            "save pasted", saved, true, true, true);
        row("paste, unlock cancelled", "locked", "paste pasted", "unlock", stillLocked, false, true, false);
        row("paste, unlock cancelled, no token", "no-token locked cached", "paste pasted", "unlock",
            stillLocked + u" · 仍显示缓存"_s, false, false, false);
        row("paste, unlocked", "locked unlocks", "paste pasted", "unlock, save pasted", saved, true, true,
            false);
        row("import", "no-token", "import", "import", saved, true, true, true);
        row("import without the editor", "no-token import-fails", "import", "import",
            u"未找到 Cursor 编辑器的登录数据"_s, false, false, false);
        row("import a rejected login", "no-token rejected", "import", "import",
            u"Cursor 编辑器的登录已失效，请在编辑器中重新登录，或粘贴 Cookie"_s, false, false, false);
        row("import, unlock cancelled", "locked", "import", "unlock", stillLocked, false, true, false);
        row("import, unlocked", "locked unlocks", "import", "unlock, import", saved, true, true, true);
        // Following would sign the user straight back in.
        row("logout", "following", "logout", "forget, following off", loggedOut, true, false, false);
        row("logout while another account follows", "following editor-elsewhere", "logout", "forget",
            loggedOut, true, false, true);
        row("logout, unlock cancelled", "locked", "logout", "unlock", stillLocked, true, true, false);
        row("logout, unlocked", "locked unlocks", "logout", "unlock, forget", loggedOut, true, false, false);
    }

    void actions()
    {
        QFETCH(QString, setup);
        QFETCH(QString, action);
        PipelineWorld world(setup);
        RefreshPipeline& pipeline = *world.pipeline;
        bool done = true;
        if (action.startsWith(u"paste "_s))
            done = await(SessionController::saveCookie(pipeline, action.mid(6)));
        else if (action == u"import")
            done = await(SessionController::importFromEditor(pipeline));
        else
            await(SessionController::logout(pipeline));
        QTEST(world.journal(), "journal");
        QTEST(world.pipeline->status(), "status");
        QTEST(done, "done");
        QTEST(world.pipeline->hasSession(), "session");
        QTEST(SessionController::isFollowing(pipeline), "following");
    }
};

TALLYFERN_REGISTER_TEST(TestSessionController);
#include "TestSessionController.moc"
