#include "SessionController.h"

#include "client/EditorSessionError.h"
#include "client/SessionKeychainError.h"

#include <QPointer>

using namespace Qt::StringLiterals;

namespace SessionController {

namespace {

void sayStored(RefreshPipeline& pipeline)
{
    pipeline.setHasSession(true);
    pipeline.say(u"已保存到本机钥匙串，正在读取用量"_s);
}

// Following is the editor's account's: another account's paste or logout leaves it on.
void stopFollowing(RefreshPipeline& pipeline)
{
    if (isFollowing(pipeline) && pipeline.edges().session->ownsEditorLogin())
        setFollowing(pipeline, false);
}

} // namespace

QCoro::Task<bool> saveCookie(RefreshPipeline& pipeline, QString pasted, QString owner)
{
    // Writing into a locked keyring would prompt inside a blocking call: unlock first.
    const QPointer<RefreshPipeline> alive(&pipeline);
    const bool unlocked = co_await pipeline.unlock(true);
    if (!unlocked || !alive)
        co_return false;
    try {
        pipeline.edges().session->save(pasted, owner);
    } catch (const SessionKeychainError& error) {
        pipeline.say(error.description());
        co_return false;
    }
    // A pasted cookie is the user's choice over the editor's login.
    stopFollowing(pipeline);
    sayStored(pipeline);
    co_return true;
}

QCoro::Task<bool> importFromEditor(RefreshPipeline& pipeline)
{
    const QPointer<RefreshPipeline> alive(&pipeline);
    const bool unlocked = co_await pipeline.unlock(true);
    if (!unlocked || !alive)
        co_return false;
    try {
        pipeline.edges().session->importFromEditor();
    } catch (const EditorSessionError& error) {
        pipeline.say(error.description());
        co_return false;
    } catch (const SessionKeychainError& error) {
        pipeline.say(error.description());
        co_return false;
    }
    sayStored(pipeline);
    co_return true;
}

bool isFollowing(const RefreshPipeline& pipeline)
{
    return pipeline.edges().session->isFollowing();
}

void setFollowing(RefreshPipeline& pipeline, bool following)
{
    if (isFollowing(pipeline) == following)
        return;
    pipeline.edges().session->setFollowing(following);
    Q_EMIT pipeline.changed();
}

QCoro::Task<> logout(RefreshPipeline& pipeline)
{
    const QPointer<RefreshPipeline> alive(&pipeline);
    const std::shared_ptr<SessionAccess> session = pipeline.edges().session;
    if (session->lookup().state == SecretLookup::State::locked) {
        const bool unlocked = co_await pipeline.unlock(false);
        if (!unlocked || !alive)
            co_return;
    }
    session->remove();
    stopFollowing(pipeline);
    pipeline.setHasSession(false);
    pipeline.supersede();
    pipeline.say(u"已退出登录。上次用量仍留在本机。"_s);
}

} // namespace SessionController
