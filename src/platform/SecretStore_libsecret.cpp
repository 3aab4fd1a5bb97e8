// libsecret's headers come first and stay in this file: glib names a struct member `signals`, which
// only QT_NO_KEYWORDS keeps apart from Qt's macro.
#include <libsecret/secret.h>

#include "SecretStore.h"

#include <QByteArray>
#include <QStringDecoder>

#include <memory>

namespace {

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

struct ItemsFree
{
    void operator()(GList* items) const { g_list_free_full(items, g_object_unref); }
};
using ItemList = std::unique_ptr<GList, ItemsFree>;

// The key's two attributes alone, so that an item `secret-tool store` wrote is found too. The table
// points into the three byte arrays beside it.
struct Attributes
{
    QByteArray service, name, value;
    std::unique_ptr<GHashTable, TableUnref> table;

    explicit Attributes(const SecretKey& key)
        : service(key.service.toUtf8())
        , name(key.attribute.toUtf8())
        , value(key.value.toUtf8())
        , table(g_hash_table_new(g_str_hash, g_str_equal))
    {
        g_hash_table_insert(table.get(), const_cast<char*>("service"), service.data());
        g_hash_table_insert(table.get(), name.data(), value.data());
    }
};

template <typename T>
struct ObjectUnref
{
    void operator()(T* object) const { g_object_unref(object); }
};
template <typename T>
using ObjectPointer = std::unique_ptr<T, ObjectUnref<T>>;

constexpr auto newCollectionLabel = "Login";

// Where new items go. A missing collection counts as locked: creating it prompts too.
struct DefaultCollection
{
    ObjectPointer<SecretCollection> object;
    bool locked = true;
};

DefaultCollection defaultCollection(SecretService* service)
{
    GError* rawError = nullptr;
    // Only looked up: SECRET_COLLECTION_NONE loads no items and never unlocks.
    SecretCollection* found = secret_collection_for_alias_sync(service, SECRET_COLLECTION_DEFAULT,
                                                               SECRET_COLLECTION_NONE, nullptr, &rawError);
    const ErrorPointer error(rawError);
    if (!found)
        return {};
    ObjectPointer<SecretCollection> collection(found);
    const bool locked = secret_collection_get_locked(found);
    return {std::move(collection), bool(locked)};
}

// The search returns one item, an unlocked one when there is any.
SecretLookup lookupOf(const ItemList& items)
{
    if (!items)
        return {};
    auto* item = static_cast<SecretItem*>(items->data);
    if (secret_item_get_locked(item))
        return {SecretLookup::State::locked, {}};
    const std::unique_ptr<SecretValue, ValueUnref> value(secret_item_get_secret(item));
    if (!value)
        return {};
    gsize length = 0;
    const gchar* bytes = secret_value_get(value.get(), &length);

    // gnome-keyring hands back whatever bytes were stored (older secret-tool stores raw stdin, and
    // any other client may store raw bytes), so text that is not UTF-8 counts as no token rather
    // than as a mangled one.
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(QByteArrayView(bytes, qsizetype(length)));
    if (decoder.hasError())
        return {};
    return {SecretLookup::State::found, std::move(text)};
}

// What an unlock carries from call to callback: the key it looks up in the end, and whom to tell.
struct PendingUnlock
{
    SecretKey key;
    std::function<void(SecretLookup)> done;
};

// Looks the key up from GLib's main context, which Qt's event loop runs: the window keeps painting
// while a prompt is up. `unlocking` lets the search unlock what it finds, and the keyring shows a
// prompt for every locked item it meets; without it a locked item is only reported.
void search(PendingUnlock* pending, bool unlocking)
{
    const Attributes attributes(pending->key);
    const auto flags =
        unlocking ? SECRET_SEARCH_UNLOCK | SECRET_SEARCH_LOAD_SECRETS : SECRET_SEARCH_LOAD_SECRETS;
    secret_service_search(
        nullptr, nullptr, attributes.table.get(), static_cast<SecretSearchFlags>(flags), nullptr,
        [](GObject*, GAsyncResult* result, gpointer data) {
            const std::unique_ptr<PendingUnlock> pending(static_cast<PendingUnlock*>(data));
            GError* rawError = nullptr;
            ItemList items(secret_service_search_finish(nullptr, result, &rawError));
            const ErrorPointer error(rawError);
            pending->done(lookupOf(items));
        },
        pending);
}

} // namespace

SecretLookup SystemSecretStore::lookup(const SecretKey& key)
{
    // Without SECRET_SEARCH_UNLOCK the search only reports a locked item; it never asks for the
    // keyring's password. Secrets are loaded for unlocked items only.
    const Attributes attributes(key);
    GError* rawError = nullptr;
    GList* items = secret_service_search_sync(nullptr, nullptr, attributes.table.get(),
                                              SECRET_SEARCH_LOAD_SECRETS, nullptr, &rawError);
    const ErrorPointer error(rawError);
    return lookupOf(ItemList(items));
}

SecretLookup::State SystemSecretStore::presence(const SecretKey& key)
{
    // The same search without SECRET_SEARCH_LOAD_SECRETS: the items' attributes and lock state come
    // over the bus, their secrets do not.
    const Attributes attributes(key);
    GError* rawError = nullptr;
    const ItemList items(secret_service_search_sync(nullptr, nullptr, attributes.table.get(),
                                                    SECRET_SEARCH_NONE, nullptr, &rawError));
    const ErrorPointer error(rawError);
    if (!items)
        return SecretLookup::State::absent;
    return secret_item_get_locked(static_cast<SecretItem*>(items->data)) ? SecretLookup::State::locked
                                                                         : SecretLookup::State::found;
}

bool SystemSecretStore::isLocked()
{
    GError* rawError = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &rawError);
    const ErrorPointer error(rawError);
    // No Secret Service at all: a write fails at once, and nothing could prompt.
    if (!service)
        return false;
    const ObjectPointer<SecretService> held(service);
    return defaultCollection(service).locked;
}

void SystemSecretStore::unlockAndLookup(const SecretKey& key, std::function<void(SecretLookup)> done)
{
    auto* pending = new PendingUnlock{key, std::move(done)};
    GError* rawError = nullptr;
    SecretService* service = secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &rawError);
    const ErrorPointer error(rawError);
    if (!service) {
        // Answered from the event loop all the same, as the caller expects.
        g_idle_add(
            [](gpointer data) -> gboolean {
                search(static_cast<PendingUnlock*>(data), true);
                return G_SOURCE_REMOVE;
            },
            pending);
        return;
    }
    const ObjectPointer<SecretService> held(service);
    const DefaultCollection collection = defaultCollection(service);
    if (!collection.locked) {
        search(pending, true);
        return;
    }
    // The collection first: with no item in it yet, searching would unlock nothing, and the write
    // that follows would raise its prompt inside a blocking call.
    if (collection.object) {
        GList* objects = g_list_append(nullptr, collection.object.get());
        secret_service_unlock(
            nullptr, objects, nullptr,
            [](GObject*, GAsyncResult* result, gpointer data) {
                GError* rawError = nullptr;
                const gint unlocked = secret_service_unlock_finish(nullptr, result, nullptr, &rawError);
                const ErrorPointer error(rawError);
                // A cancelled prompt unlocks nothing. Searching with the unlock flag then would raise
                // a new prompt for the item at once: the user said no, so the item is only read.
                search(static_cast<PendingUnlock*>(data), unlocked > 0);
            },
            pending);
        g_list_free(objects);
    } else {
        // No default collection yet: the keyring asks for the new one's password.
        secret_collection_create(
            nullptr, newCollectionLabel, SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_CREATE_NONE, nullptr,
            [](GObject*, GAsyncResult* result, gpointer data) {
                GError* rawError = nullptr;
                const ObjectPointer<SecretCollection> created(
                    secret_collection_create_finish(result, &rawError));
                const ErrorPointer error(rawError);
                search(static_cast<PendingUnlock*>(data), bool(created));
            },
            pending);
    }
}

bool SystemSecretStore::write(const SecretKey& key, const QString& secret)
{
    // secret_password_store_sync() would also stamp an "xdg:schema" attribute on the item. An item
    // that `secret-tool store` wrote (two attributes only) then no longer counts as the same item:
    // the keyring keeps both and a later read may find the stale one. Storing through the service
    // without a schema writes exactly the two attributes, so the keyring replaces whichever item
    // carries them, in place, and only once the new secret is safely stored.
    const QByteArray utf8 = secret.toUtf8();
    const std::unique_ptr<SecretValue, ValueUnref> value(
        secret_value_new(utf8.constData(), utf8.size(), "text/plain"));

    const Attributes attributes(key);
    GError* rawError = nullptr;
    const gboolean stored =
        secret_service_store_sync(nullptr, nullptr, attributes.table.get(), SECRET_COLLECTION_DEFAULT, label,
                                  value.get(), nullptr, &rawError);
    const ErrorPointer error(rawError);
    return stored && !error;
}

void SystemSecretStore::remove(const SecretKey& key)
{
    // Every unlocked item with the key's two attributes (an item `secret-tool store` wrote too).
    const Attributes attributes(key);
    GError* rawError = nullptr;
    secret_service_clear_sync(nullptr, nullptr, attributes.table.get(), nullptr, &rawError);
    const ErrorPointer error(rawError);
}

void SystemSecretStore::reconnect()
{
    secret_service_disconnect();
}
