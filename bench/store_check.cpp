// Reads back everything the app stores with the app's own decoders. Serves the campaigns (kill-test,
// full-disk-test, accounts-race-test); not a test itself.
//
//   store_check                  prints which of the snapshot, pricing and settings files are
//                                present; exit 1 when one of them does not decode
//   store_check --record FILE    writes what is stored now, by name, into FILE
//   store_check --compare FILE   exit 1 (saying why) unless every file and every settings key
//                                recorded in FILE is still there, each as it was or as a new version
//                                that decodes, and nothing that was set aside is lost
#include "model/AccountList.h"
#include "model/PricingCatalog.h"
#include "model/PricingStore.h"
#include "model/SnapshotStore.h"
#include "model/UsageSnapshot.h"

#include "platform/Paths.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <cstdio>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

// The file's bytes, or nothing when it is absent.
std::optional<QByteArray> contents(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

bool fail(const QString& what)
{
    std::fprintf(stderr, "store_check: %s\n", qPrintable(what));
    return false;
}

QString digest(const QByteArray& bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toHex());
}

// A temporary copy or a lock: another process's business, not what is stored.
bool isTransient(const QString& name)
{
    static const QRegularExpression copy(u"\\.[A-Za-z0-9]{6}$"_s);
    return name.endsWith(u".lock"_s) || name.endsWith(u"-wal"_s) || name.endsWith(u"-shm"_s) ||
           name.endsWith(u"reload-timelines"_s) || copy.match(name).hasMatch();
}

// A file set aside is kept as it is, forever.
bool isSetAside(const QString& name)
{
    return name.contains(u".broken-"_s) || name.contains(u".user-"_s) || name.contains(u".previous-"_s);
}

bool ledgerOpens(const QString& path)
{
    bool good = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"check"_s);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        if (db.open()) {
            QSqlQuery query(db);
            good =
                query.exec(u"PRAGMA quick_check"_s) && query.next() && query.value(0).toString() == "ok"_L1;
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(u"check"_s);
    return good;
}

// Whether a stored file's new version reads back with the app's decoder.
bool decodes(const QString& path)
{
    const QByteArray bytes = contents(path).value_or(QByteArray());
    if (path.endsWith(u"/snapshot.json"_s))
        return UsageSnapshot::decode(bytes).has_value();
    if (path.endsWith(u"/pricing.json"_s))
        return PricingCatalog::decode(bytes).has_value();
    if (path.endsWith(u"/accounts.json"_s))
        return AccountList::decode(bytes).has_value();
    if (path.endsWith(u".sqlite"_s))
        return ledgerOpens(path);
    if (path.endsWith(u".json"_s)) // notices, the busy service's wait
        return QJsonDocument::fromJson(bytes).isObject();
    if (path.endsWith(u".conf"_s))
        return QSettings(path, QSettings::IniFormat).status() == QSettings::NoError;
    return true;
}

// What is stored now, by name: each of our files by its bytes, each settings key by its value.
QJsonObject state()
{
    QJsonObject stored;
    for (const QString& folder : {Paths::supportFolder(), Paths::settingsFolder()}) {
        QDirIterator files(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            const QString path = files.next();
            if (!isTransient(path))
                stored.insert(u"file "_s + path, digest(contents(path).value_or(QByteArray())));
        }
    }
    for (const QString& domain : {u"Tallyfern"_s, u"TallyfernWidget"_s}) {
        const QSettings settings(Paths::settingsFolder() + u'/' + domain + u".conf"_s, QSettings::IniFormat);
        for (const QString& key : settings.allKeys())
            stored.insert(u"key "_s + domain + u'/' + key, digest(settings.value(key).toByteArray()));
    }
    return stored;
}

bool compare(const QJsonObject& before)
{
    const QJsonObject now = state();
    bool good = true;
    for (auto each = before.begin(); each != before.end(); ++each) {
        const QString name = each.key();
        const QString path = name.section(u' ', 1);
        if (!now.contains(name)) {
            // A temporary copy may have been named like a stored file only by chance; all else stays.
            good = fail(name + u" is gone"_s);
        } else if (now.value(name) != each.value()) {
            if (isSetAside(path))
                good = fail(name + u" was set aside and has changed"_s);
            else if (name.startsWith(u"file "_s) && !decodes(path))
                good = fail(name + u" does not decode"_s);
            else if (name.endsWith(u"/usageSnapshot"_s) &&
                     !UsageSnapshot::decode(QSettings(Paths::settingsFolder() + u'/' +
                                                          name.section(u' ', 1).section(u'/', 0, 0) +
                                                          u".conf"_s,
                                                      QSettings::IniFormat)
                                                .value(u"usageSnapshot"_s)
                                                .toByteArray()))
                good = fail(name + u" does not decode"_s);
        }
    }
    return good;
}

int checkPresent()
{
    bool good = true;
    QByteArray present;
    if (const auto bytes = contents(SnapshotStore::fileName())) {
        present += " snapshot";
        if (!UsageSnapshot::decode(*bytes))
            good = fail(u"snapshot.json does not decode"_s);
    }
    if (const auto bytes = contents(PricingStore::fileName())) {
        present += " pricing";
        if (!PricingCatalog::decode(*bytes))
            good = fail(u"pricing.json does not decode"_s);
    }
    // Read as it is on disk: a broken file is what this check is for.
    const QSettings settings(Paths::settingsFolder() + u"/Tallyfern.conf"_s, QSettings::IniFormat);
    if (QFile::exists(settings.fileName())) {
        present += " settings";
        if (settings.status() != QSettings::NoError)
            good = fail(u"the settings file does not decode"_s);
        const QVariant stored = settings.value(u"usageSnapshot"_s);
        if (stored.isValid() && !UsageSnapshot::decode(stored.toByteArray()))
            good = fail(u"the snapshot in the settings does not decode"_s);
    }
    std::printf("%s\n", present.trimmed().constData());
    return good ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == u"--record") {
        QFile file(arguments[2]);
        return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(state()).toJson()) > 0 ? 0 : 2;
    }
    if (arguments.size() == 3 && arguments[1] == u"--compare") {
        const QJsonObject before =
            QJsonDocument::fromJson(contents(arguments[2]).value_or(QByteArray())).object();
        return compare(before) ? 0 : 1;
    }
    return checkPresent();
}
