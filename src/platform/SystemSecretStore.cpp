// libsecret's headers come first and stay in this file: glib names a struct member `signals`, which
// only QT_NO_KEYWORDS keeps apart from Qt's macro.
#include <libsecret/secret.h>

#include "SecretStore.h"

#include <QByteArray>
#include <QStringDecoder>

#include <memory>

namespace {

// Lookups and removals match the two attributes only (SECRET_SCHEMA_DONT_MATCH_NAME leaves the
// schema name out of the search), so an item written by `secret-tool store` with the same two
// attributes is the one we read and remove.
const SecretSchema schema = {
    "tallyfern.session",
    SECRET_SCHEMA_DONT_MATCH_NAME,
    {
        {"service", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {"account", SECRET_SCHEMA_ATTRIBUTE_STRING},
        {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
    },
    0,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

constexpr auto label = "Tallyfern 会话 Cookie";

struct ErrorFree
{
    void operator()(GError* error) const { g_error_free(error); }
};
using ErrorPointer = std::unique_ptr<GError, ErrorFree>;

struct TableUnref
{
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};

struct ValueUnref
{
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};

} // namespace

std::optional<QString> SystemSecretStore::read()
{
    GError* rawError = nullptr;
    gchar* password = secret_password_lookup_sync(&schema, nullptr, &rawError, "service", serviceAttribute,
                                                  "account", accountAttribute, nullptr);
    const ErrorPointer error(rawError);
    if (!password)
        return std::nullopt;
    const QByteArray bytes(password);
    secret_password_free(password);

    // gnome-keyring hands back whatever bytes were stored (secret-tool stores raw stdin), so text
    // that is not UTF-8 counts as no token rather than as a mangled one.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool SystemSecretStore::write(const QString& secret)
{
    // secret_password_store_sync() would also stamp an "xdg:schema" attribute on the item. An item
    // that `secret-tool store` wrote (two attributes only) then no longer counts as the same item:
    // the keyring keeps both and a later read may find the stale one. Storing through the service
    // without a schema writes exactly the two attributes, so the keyring replaces whichever item
    // carries them, in place, and only once the new secret is safely stored.
    const std::unique_ptr<GHashTable, TableUnref> attributes(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(attributes.get(), const_cast<char*>("service"), const_cast<char*>(serviceAttribute));
    g_hash_table_insert(attributes.get(), const_cast<char*>("account"), const_cast<char*>(accountAttribute));

    const QByteArray utf8 = secret.toUtf8();
    const std::unique_ptr<SecretValue, ValueUnref> value(
        secret_value_new(utf8.constData(), utf8.size(), "text/plain"));

    GError* rawError = nullptr;
    const gboolean stored =
        secret_service_store_sync(nullptr, nullptr, attributes.get(), SECRET_COLLECTION_DEFAULT, label,
                                  value.get(), nullptr, &rawError);
    const ErrorPointer error(rawError);
    return stored && !error;
}

void SystemSecretStore::remove()
{
    GError* rawError = nullptr;
    secret_password_clear_sync(&schema, nullptr, &rawError, "service", serviceAttribute, "account",
                               accountAttribute, nullptr);
    const ErrorPointer error(rawError);
}
