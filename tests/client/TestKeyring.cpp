// Runs inside a private D-Bus session with an unlocked gnome-keyring (scripts/with-keyring): the
// real Secret Service, and the `secret-tool` a user would reach for, on a throw-away keyring.
#include "client/SessionKeychain.h"
#include "platform/SecretStore.h"

#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <libsecret/secret.h>

using namespace Qt::StringLiterals;

namespace {

// Stores bytes under the program's item through libsecret, as any program may. Debian 12's secret-tool
// stores what it reads as it comes; Debian 13's (libsecret 0.21) refuses what is not UTF-8.
bool storeBytes(const QByteArray& secret)
{
    GHashTable* attributes = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(attributes, const_cast<char*>("service"), const_cast<char*>("tallyfern.session"));
    g_hash_table_insert(attributes, const_cast<char*>("account"),
                        const_cast<char*>("WorkosCursorSessionToken"));
    SecretValue* value = secret_value_new(secret.constData(), secret.size(), "application/octet-stream");
    GError* error = nullptr;
    const bool stored = secret_service_store_sync(nullptr, nullptr, attributes, SECRET_COLLECTION_DEFAULT,
                                                  "by hand", value, nullptr, &error);
    secret_value_unref(value);
    g_hash_table_unref(attributes);
    if (error)
        g_error_free(error);
    return stored && !error;
}

// secret-tool on the program's item: its exit code (-1 when it did not run to its end) and output.
std::pair<int, QByteArray> secretTool(QStringList arguments, const QByteArray& input = {})
{
    arguments << u"service"_s << u"tallyfern.session"_s << u"account"_s << u"WorkosCursorSessionToken"_s;
    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels); // search lists the attributes on stderr
    tool.start(u"secret-tool"_s, arguments);
    tool.write(input);
    tool.closeWriteChannel();
    if (!tool.waitForFinished(30'000) || tool.exitStatus() != QProcess::NormalExit)
        return {-1, {}};
    return {tool.exitCode(), tool.readAll()};
}

} // namespace

class TestKeyring : public QObject
{
    Q_OBJECT

    // What the program reads after secret-tool stored this secret by hand.
    static std::optional<QString> readAfterStoring(const QByteArray& secret)
    {
        const int stored = secretTool({u"store"_s, u"--label=by hand"_s}, secret).first;
        return stored == 0 ? SessionKeychain::read() : u"(not stored)"_s;
    }

private Q_SLOTS:
    void theProgramAndSecretToolShareOneItem()
    {
        // Not skipped when the keyring is missing: the real store is what this test is for.
        QVERIFY2(qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"), "run under scripts/with-keyring");
        QVERIFY2(!QStandardPaths::findExecutable(u"secret-tool"_s).isEmpty(), "libsecret-tools is missing");

        // What secret-tool finds is the normalised token, nothing around it.
        SessionKeychain::save(u"_ga=1; WorkosCursorSessionToken=user_01%3A%3AeyJ.token; x=2"_s);
        QCOMPARE(secretTool({u"lookup"_s}), std::pair(0, "user_01::eyJ.token"_ba));
        // A token stored by hand (with the newline echo adds) is read; a paste then replaces it, and
        // the one item carries exactly the two attributes.
        QCOMPARE(readAfterStoring("by-hand-token\n"), std::optional(u"by-hand-token"_s));
        SessionKeychain::save(u"pasted-later"_s);
        const QByteArray items = secretTool({u"search"_s, u"--all"_s}).second;
        QVERIFY2(items.count("secret = ") == 1 && items.count("attribute.") == 2 &&
                     items.contains("secret = pasted-later") &&
                     items.contains("attribute.service = tallyfern.session") &&
                     items.contains("attribute.account = WorkosCursorSessionToken"),
                 items.constData());
        // Bytes that are not UTF-8 are no token; any other text is read as it is.
        QVERIFY(storeBytes("\xff\xfe not text"));
        QCOMPARE(SessionKeychain::read(), std::nullopt);
        QCOMPARE(readAfterStoring("令牌-ü"), std::optional(u"令牌-ü"_s));
        SessionKeychain::remove();
        QCOMPARE(secretTool({u"lookup"_s}).first, 1);
    }
};

QTEST_GUILESS_MAIN(TestKeyring)
#include "TestKeyring.moc"
