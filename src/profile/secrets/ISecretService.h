#pragma once

#include <map>
#include <string>

#include "core/Export.h"

// The desktop's keyring (a Secret Service) as the configuration passphrase
// needs it: one secret text per set of attributes. Logic reaches it only
// through this interface; tests give a fake.
class ISecretService {
public:
    using Attributes = std::map<std::string, std::string>;
    enum class Result {
        Done,        // found, stored or cleared
        NotFound,    // no secret with these attributes
        Unavailable, // there is no Secret Service to ask (no session bus, no keyring)
        Failed,      // the service answered with an error (locked, refused): `error` says why
    };
    virtual ~ISecretService() = default;

    // The secret (UTF-8) kept under exactly these attributes.
    virtual Result Lookup(const Attributes& attributes, std::string& secret, std::string& error) = 0;
    // Keeps `secret` under these attributes in the default collection,
    // replacing what was kept under them.
    virtual Result Store(const Attributes& attributes, const std::string& label, const std::string& secret,
                         std::string& error) = 0;
    virtual Result Clear(const Attributes& attributes, std::string& error) = 0;
};

// The service the configuration passphrase uses: the one set, else the
// desktop's through libsecret. Null: back to the desktop's.
ORV_EXPORT ISecretService& GetSecretService();
ORV_EXPORT void SetSecretService(ISecretService* service);
