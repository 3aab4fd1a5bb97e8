#pragma once

#include "RefreshPipeline.h"

#include <QCoroTask>
#include <QString>

// The user's actions on one account's session: a pasted cookie, an import of the editor's login,
// the follow switch and logging out. Each one unlocks the keyring first when it must write
// (asynchronously: the window keeps painting while the prompt is up) and says how it went in the
// pipeline's status line. The tasks hold nothing but the pipeline, which they check after every
// wait.
namespace SessionController {

// True when the token was stored and the status says so ("已保存到本机钥匙串，正在读取用量"); the
// caller then refreshes. Otherwise the status says why, and the stored token is unchanged. `owner`:
// whose the service said the token is, when the account registry had to ask (it routed it here).
QCoro::Task<bool> saveCookie(RefreshPipeline& pipeline, QString pasted, QString owner = {});
QCoro::Task<bool> importFromEditor(RefreshPipeline& pipeline);

// Read from the settings at each use: the background refresh and "--import-session" change it too.
bool isFollowing(const RefreshPipeline& pipeline);
void setFollowing(RefreshPipeline& pipeline, bool following);

// The token goes, following ends when the editor's login is this account's (it would sign the user
// straight back in), the cached usage stays, and a refresh still running for the old token is
// dropped. A locked keyring is unlocked first; a cancelled unlock keeps the token.
QCoro::Task<> logout(RefreshPipeline& pipeline);

} // namespace SessionController
