#pragma once

#include <QObject>

class QNetworkAccessManager;
class QNetworkReply;

// The HTTP conventions both service clients share.
namespace NetworkAccess {

inline constexpr int idleTimeoutMs = 12'000;
inline constexpr int requestTimeoutMs = 60'000;
inline constexpr qint64 maxBodyBytes = 32 * 1024 * 1024;

// An ephemeral manager: a cookie jar that keeps and sends nothing, no cache, redirects only within
// the same origin, and the 12 s idle timeout. Parent it to the application object, so that it dies
// before the application does.
QNetworkAccessManager* makeEphemeralManager(QObject* parent);

// Aborts every request still under way and deletes every manager made above, while the application
// object is still whole. Call it once the event loop has ended: a manager that dies inside the
// application's destructor races Qt's HTTP thread, which still delivers to the half-destroyed
// application (a crash at exit, now and then).
void releaseManagers();

// Aborts the reply when the whole request takes longer than `timeoutMs`, or when its answer
// grows beyond `maxBytes` (rather than buffering without bound). Returns at once.
void guard(QNetworkReply* reply, int timeoutMs = requestTimeoutMs, qint64 maxBytes = maxBodyBytes);

// True when the answer grew beyond guard()'s limit. Check it on every finished reply: an answer
// that arrived in one piece is complete (no error) by the time its size is seen.
bool wasTooLarge(const QNetworkReply* reply);

} // namespace NetworkAccess
