#include "AccountPlace.h"

#include "platform/AtomicFile.h"
#include "platform/Paths.h"

#include <QRandomGenerator>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

AccountPlace AccountPlace::homeAccount(const QString& userId, qint64 generation)
{
    return {true, userId, generation};
}

AccountPlace AccountPlace::otherAccount(const QString& userId, qint64 generation)
{
    return {false, userId, generation};
}

qint64 AccountPlace::newGeneration()
{
    // Random rather than counted: two processes may make one at the same moment.
    return qint64(QRandomGenerator::global()->bounded(quint64(1) << 53)) + 1;
}

QString AccountPlace::folder() const
{
    return home ? Paths::supportFolder() : Paths::supportFolder() + u"/accounts/"_s + userId;
}

QString AccountPlace::snapshotFile() const
{
    return folder() + u"/snapshot.json"_s;
}

QString AccountPlace::ledgerFile() const
{
    return folder() + u"/history.sqlite"_s;
}

QString AccountPlace::noticesFile() const
{
    return folder() + u"/notices.json"_s;
}

QString AccountPlace::noticesLock() const
{
    return folder() + u"/notices.lock"_s;
}

QString AccountPlace::rateLimitFile() const
{
    return folder() + u"/rate-limit.json"_s;
}

bool AccountPlace::makeFolder() const
{
    if (!AtomicFile::makePrivateFolder(Paths::supportFolder()))
        return false;
    return home || (AtomicFile::makePrivateFolder(Paths::supportFolder() + u"/accounts"_s) &&
                    AtomicFile::makePrivateFolder(folder()));
}

SecretKey AccountPlace::secretKey() const
{
    return home ? SecretKey::home() : SecretKey::account(userId);
}

bool AccountPlace::isValidUserId(const QString& userId)
{
    // Whole strings only: "$" alone would also match before a final line break.
    static const QRegularExpression shape(
        QRegularExpression::anchoredPattern(u"[A-Za-z0-9_][A-Za-z0-9_-]{0,63}"_s));
    return shape.match(userId).hasMatch();
}

QString AccountPlace::userIdOfSubject(const QString& subject)
{
    return subject.sliced(subject.lastIndexOf(u'|') + 1);
}
