#include "RefreshTesting.h"
#include "TestRegistry.h"

#include "refresh/SessionController.h"

namespace {

const QString saved = u"已保存到本机钥匙串，正在读取用量"_s;
const QString stillLocked = u"钥匙串仍锁定"_s;
const QString loggedOut = u"已退出登录。上次用量仍留在本机。"_s;

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
        QTest::newRow("paste nothing") << u"no-token"_s << u"paste  \n\t "_s << QString()
                                       << u"请粘贴 Cookie"_s << false << false << false;
        QTest::newRow("paste a refused write")
            << u"no-token fails-saves"_s << u"paste WorkosCursorSessionToken=abc"_s << QString()
            << u"无法写入本机钥匙串"_s << false << false << false;
        QTest::newRow("paste a whole header")
            << u"no-token"_s << u"paste other=1; WorkosCursorSessionToken=abc%3A%3Adef; x=2"_s
            << u"save abc::def"_s << saved << true << true << false;
        // A paste is the user's choice over the editor's login, also when another process turned
        // following on.
        QTest::newRow("paste while following")
            << u"following"_s << u"paste pasted"_s << u"save pasted, following off"_s << saved << true << true
            << false;
        // With several accounts following is the editor's account's: another's paste leaves it on.
        QTest::newRow("paste while another account follows")
            << u"following editor-elsewhere"_s << u"paste pasted"_s << u"save pasted"_s << saved << true
            << true << true;
        QTest::newRow("paste, unlock cancelled")
            << u"locked"_s << u"paste pasted"_s << u"unlock"_s << stillLocked << false << true << false;
        QTest::newRow("paste, unlock cancelled, no token")
            << u"no-token locked cached"_s << u"paste pasted"_s << u"unlock"_s
            << stillLocked + u" · 仍显示缓存"_s << false << false << false;
        QTest::newRow("paste, unlocked") << u"locked unlocks"_s << u"paste pasted"_s
                                         << u"unlock, save pasted"_s << saved << true << true << false;
        QTest::newRow("import") << u"no-token"_s << u"import"_s << u"import"_s << saved << true << true
                                << true;
        QTest::newRow("import without the editor")
            << u"no-token import-fails"_s << u"import"_s << u"import"_s << u"未找到 Cursor 编辑器的登录数据"_s
            << false << false << false;
        QTest::newRow("import a rejected login")
            << u"no-token rejected"_s << u"import"_s << u"import"_s
            << u"Cursor 编辑器的登录已失效，请在编辑器中重新登录，或粘贴 Cookie"_s << false << false << false;
        QTest::newRow("import, unlock cancelled")
            << u"locked"_s << u"import"_s << u"unlock"_s << stillLocked << false << true << false;
        QTest::newRow("import, unlocked")
            << u"locked unlocks"_s << u"import"_s << u"unlock, import"_s << saved << true << true << true;
        // Following would sign the user straight back in.
        QTest::newRow("logout") << u"following"_s << u"logout"_s << u"forget, following off"_s << loggedOut
                                << true << false << false;
        QTest::newRow("logout while another account follows")
            << u"following editor-elsewhere"_s << u"logout"_s << u"forget"_s << loggedOut << true << false
            << true;
        QTest::newRow("logout, unlock cancelled")
            << u"locked"_s << u"logout"_s << u"unlock"_s << stillLocked << true << true << false;
        QTest::newRow("logout, unlocked") << u"locked unlocks"_s << u"logout"_s << u"unlock, forget"_s
                                          << loggedOut << true << false << false;
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
