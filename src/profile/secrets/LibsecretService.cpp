#include <libsecret/secret.h>

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "profile/secrets/ISecretService.h"
#include "profile/secrets/SecretText.h"

namespace {

const SecretSchema* Schema()
{
    static const SecretSchema schema = {
        "org.orvalis.ConfigPassphrase",
        SECRET_SCHEMA_NONE,
        {
            {"application", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"item", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {"database", SECRET_SCHEMA_ATTRIBUTE_STRING},
            {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING},
        },
        0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    };
    return &schema;
}

// Owns a GHashTable of attribute strings (copied: the table outlives no call).
class AttributeTable {
public:
    explicit AttributeTable(const ISecretService::Attributes& attributes)
        : m_table(g_hash_table_new_full(g_str_hash, g_str_equal, g_free, g_free))
    {
        for (const auto& [name, value] : attributes)
            g_hash_table_insert(m_table, g_strdup(name.c_str()), g_strdup(value.c_str()));
    }
    ~AttributeTable() { g_hash_table_unref(m_table); }
    AttributeTable(const AttributeTable&) = delete;
    AttributeTable& operator=(const AttributeTable&) = delete;
    GHashTable* get() const { return m_table; }

private:
    GHashTable* m_table;
};

// No bus, nothing answering on it, or a keyring that is not there: the
// desktop has no Secret Service for us. Anything the service itself says
// (locked, refused) is a failure to report, never a reason to fall back.
ISecretService::Result Classify(GError* error, std::string& text)
{
    text = error->message ? error->message : "unknown error";
    const bool unavailable = error->domain == G_DBUS_ERROR || error->domain == G_IO_ERROR ||
                             error->domain == G_SPAWN_ERROR;
    g_error_free(error);
    return unavailable ? ISecretService::Result::Unavailable : ISecretService::Result::Failed;
}

// A session bus to ask: named by the environment, or the user's bus in the
// runtime folder. Without one the keyring is not there; GLib would try to
// launch a bus of its own, which is no keyring the user knows.
bool HasSessionBus()
{
    if (const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS"); address && *address)
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    return runtime && *runtime && stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

class LibsecretService final : public ISecretService {
public:
    Result Lookup(const Attributes& attributes, std::string& secret, std::string& error) override
    {
        if (!HasSessionBus()) {
            error = "there is no session bus";
            return Result::Unavailable;
        }
        const AttributeTable table(attributes);
        GError* failure = nullptr;
        gchar* found = secret_password_lookupv_sync(Schema(), table.get(), nullptr, &failure);
        if (failure)
            return Classify(failure, error);
        if (!found)
            return Result::NotFound;
        WipeText(secret);
        secret.assign(found);
        secret_password_free(found); // wipes it
        return Result::Done;
    }

    Result Store(const Attributes& attributes, const std::string& label, const std::string& secret,
                 std::string& error) override
    {
        if (!HasSessionBus()) {
            error = "there is no session bus";
            return Result::Unavailable;
        }
        const AttributeTable table(attributes);
        GError* failure = nullptr;
        secret_password_storev_sync(Schema(), table.get(), SECRET_COLLECTION_DEFAULT, label.c_str(), secret.c_str(),
                                    nullptr, &failure);
        return failure ? Classify(failure, error) : Result::Done;
    }

    Result Clear(const Attributes& attributes, std::string& error) override
    {
        if (!HasSessionBus()) {
            error = "there is no session bus";
            return Result::Unavailable;
        }
        const AttributeTable table(attributes);
        GError* failure = nullptr;
        const gboolean removed = secret_password_clearv_sync(Schema(), table.get(), nullptr, &failure);
        if (failure)
            return Classify(failure, error);
        return removed ? Result::Done : Result::NotFound;
    }
};

ISecretService* g_service = nullptr;

} // namespace

ISecretService& GetSecretService()
{
    static LibsecretService desktop;
    return g_service ? *g_service : desktop;
}

void SetSecretService(ISecretService* service)
{
    g_service = service;
}
