#pragma once

#include <memory>
#include <string>

#include "core/Export.h"
#include "core/VUnicodeString.h"
#include "profile/policy/RegFile.h"

enum class RegistryRoot { LocalMachine, CurrentUser };

// Where administrators set policies: a machine-wide file, trusted only
// when it belongs to root (or the given owner, for tests) and nobody else
// may write it, and a per-user file. A machine file that is not trusted, and
// every line that does not read, is reported through the host's router.
class ORV_EXPORT PolicySource {
public:
    static constexpr char kMachineFile[] = "/etc/orvalis/policies.reg";
    // $XDG_CONFIG_HOME/orvalis/policies.reg
    static std::string DefaultUserFile();

    PolicySource(std::string machineFile, std::string userFile, uint32_t trustedOwner = 0);

    // The file of one root, read again when it changed on disk.
    const RegFile* File(RegistryRoot root) const;

    // The source in force: the default files, unless a test set others.
    static const PolicySource& Current();
    static void SetCurrent(const PolicySource* source);

private:
    struct Cached;
    std::string m_machineFile;
    std::string m_userFile;
    uint32_t m_trustedOwner;
    std::shared_ptr<Cached> m_machine;
    std::shared_ptr<Cached> m_user;
};

// A read-only handle on one key of the policy source.
class ORV_EXPORT VRegistryKey {
public:
    VRegistryKey(RegistryRoot root, const VUnicodeString& path, bool readOnly = true);
    // A key exists when it has values or keys below it, as in the registry.
    bool IsOpen() const { return m_exists; }
    // False when the key or the value is missing, or the value is no number.
    bool ReadDword(const VUnicodeString& name, uint32_t& value) const;
    void Close()
    {
        m_values = nullptr;
        m_exists = false;
    }

private:
    const RegFile::Values* m_values = nullptr;
    bool m_exists = false;
};

// Reads a policy value in the order administrators expect (see the .cpp).
ORV_EXPORT uint32_t ReadPolicyValue(const VUnicodeString& valueName, const VUnicodeString& productName,
                                    const VUnicodeString& productSubkey, uint32_t defaultValue);
ORV_EXPORT bool ReadPolicyFlag(const VUnicodeString& valueName, const VUnicodeString& productName,
                               const VUnicodeString& productSubkey, bool defaultValue);
