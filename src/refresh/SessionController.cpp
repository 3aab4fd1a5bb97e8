#include "SessionController.h"

#include "client/EditorSessionError.h"
#include "client/SessionKeychainError.h"

#include <QPointer>

using namespace Qt::StringLiterals;

SessionController::SessionController(RefreshPipeline& pipeline)
    : m_pipeline(pipeline)
{}

QCoro::Task<bool> SessionController::saveCookie(QString pasted)
{
    // Writing into a locked keyring would prompt inside a blocking call: unlock first.
    QPointer<RefreshPipeline> pipeline(&m_pipeline);
    const bool unlocked = co_await m_pipeline.unlock(true);
    if (!unlocked || !pipeline)
        co_return false;
    try {
        m_pipeline.edges().session->save(pasted);
    } catch (const SessionKeychainError& error) {
        m_pipeline.say(error.description());
        co_return false;
    }
    // A pasted cookie is the user's choice over the editor's login.
    setFollowing(false);
    m_pipeline.setHasSession(true);
    m_pipeline.say(u"已保存到本机钥匙串，正在读取用量"_s);
    co_return true;
}

QCoro::Task<bool> SessionController::importFromEditor()
{
    QPointer<RefreshPipeline> pipeline(&m_pipeline);
    const bool unlocked = co_await m_pipeline.unlock(true);
    if (!unlocked || !pipeline)
        co_return false;
    try {
        m_pipeline.edges().session->importFromEditor();
    } catch (const EditorSessionError& error) {
        m_pipeline.say(error.description());
        co_return false;
    } catch (const SessionKeychainError& error) {
        m_pipeline.say(error.description());
        co_return false;
    }
    m_pipeline.setHasSession(true);
    m_pipeline.say(u"已保存到本机钥匙串，正在读取用量"_s);
    co_return true;
}

bool SessionController::isFollowing() const
{
    return m_pipeline.edges().session->isFollowing();
}

void SessionController::setFollowing(bool following)
{
    if (isFollowing() == following)
        return;
    m_pipeline.edges().session->setFollowing(following);
    Q_EMIT m_pipeline.changed();
}

QCoro::Task<> SessionController::logout()
{
    const std::shared_ptr<SessionAccess> session = m_pipeline.edges().session;
    if (session->lookup().state == SecretLookup::State::locked) {
        QPointer<RefreshPipeline> pipeline(&m_pipeline);
        const bool unlocked = co_await m_pipeline.unlock(false);
        if (!unlocked || !pipeline)
            co_return;
    }
    session->remove();
    setFollowing(false);
    m_pipeline.setHasSession(false);
    // A refresh still running for the old token is no longer wanted.
    m_pipeline.supersede();
    m_pipeline.say(u"已退出登录。上次用量仍留在本机。"_s);
}
