#include "profile/policy/VRegistryKey.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

#include "core/UnicodeConversion.h"
#include "platform/BaseFolders.h"
#include "profile/reports/ReportRouting.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr uint32_t kMsgPolicyFileUntrusted = 0xE1620041;
constexpr uint32_t kMsgPolicyLineIgnored = 0xA1620040;

VUnicodeString Wide(const std::string& s)
{
    try {
        return VUnicodeString::FromUtf8(s);
    } catch (const std::exception&) {
        return u"?";
    }
}

void RouteReportOf(uint32_t id, const std::string& file, const std::string& detail = {}, size_t line = 0)
{
    auto* report = VReportMessageParams::Create(id);
    report->AddParameter(Wide(file));
    if (line)
        report->AddParameter(VUnicodeString::FromUnsigned(line));
    if (!detail.empty())
        report->AddParameter(Wide(detail));
    RouteReport(report);
}

const PolicySource* g_current = nullptr;

} // namespace

// One file's parsed text, read again when its size or change time moves.
struct PolicySource::Cached {
    bool stamped = false;
    struct timespec modified {};
    off_t size = -1;
    bool present = false;
    RegFile file;
};

std::string PolicySource::DefaultUserFile()
{
    try {
        const std::string folder = GetOrvConfigPathSub().ToUtf8();
        return folder.empty() ? std::string() : folder + "/policies.reg";
    } catch (const std::exception&) {
        return {};
    }
}

PolicySource::PolicySource(std::string machineFile, std::string userFile, uint32_t trustedOwner)
    : m_machineFile(std::move(machineFile)), m_userFile(std::move(userFile)), m_trustedOwner(trustedOwner),
      m_machine(std::make_shared<Cached>()), m_user(std::make_shared<Cached>())
{
}

const RegFile* PolicySource::File(RegistryRoot root) const
{
    const bool machine = root == RegistryRoot::LocalMachine;
    const std::string& path = machine ? m_machineFile : m_userFile;
    Cached& cache = machine ? *m_machine : *m_user;
    struct stat st {};
    if (path.empty() || stat(path.c_str(), &st) != 0) {
        cache = Cached();
        return nullptr;
    }
    if (cache.stamped && cache.size == st.st_size && cache.modified.tv_sec == st.st_ctim.tv_sec &&
        cache.modified.tv_nsec == st.st_ctim.tv_nsec)
        return cache.present ? &cache.file : nullptr;
    cache = Cached();
    cache.stamped = true;
    cache.size = st.st_size;
    cache.modified = st.st_ctim; // changes with the content and with owner or mode
    if (machine && (st.st_uid != m_trustedOwner || (st.st_mode & (S_IWGRP | S_IWOTH)))) {
        RouteReportOf(kMsgPolicyFileUntrusted, path);
        return nullptr;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    std::vector<RegFile::Problem> problems;
    cache.file = RegFile::Parse(text.str(), &problems);
    cache.present = true;
    for (const RegFile::Problem& p : problems)
        RouteReportOf(kMsgPolicyLineIgnored, path, p.what, p.line);
    return &cache.file;
}

const PolicySource& PolicySource::Current()
{
    static const PolicySource defaults(kMachineFile, DefaultUserFile());
    return g_current ? *g_current : defaults;
}

void PolicySource::SetCurrent(const PolicySource* source)
{
    g_current = source;
}

VRegistryKey::VRegistryKey(RegistryRoot root, const VUnicodeString& path, bool)
{
    const RegFile* file = PolicySource::Current().File(root);
    if (!file)
        return;
    VUnicodeString full(root == RegistryRoot::LocalMachine ? u"HKEY_LOCAL_MACHINE\\" : u"HKEY_CURRENT_USER\\");
    full += path;
    m_values = file->Key(full);
    m_exists = m_values || file->HasKey(full);
}

bool VRegistryKey::ReadDword(const VUnicodeString& name, uint32_t& value) const
{
    if (!m_values)
        return false;
    const auto it = m_values->find(name.str());
    if (it == m_values->end() || !it->second.dword)
        return false;
    value = *it->second.dword;
    return true;
}

namespace {

bool Read(RegistryRoot root, const VUnicodeString& path, const VUnicodeString& name, uint32_t& value)
{
    return VRegistryKey(root, path).ReadDword(name, value);
}

// The product's own key: below "SOFTWARE\" under either company name,
// the first that exists (both machine-wide before either per-user), else
// the first.
VUnicodeString ProductKey(const VUnicodeString& product)
{
    VUnicodeString older = u"SOFTWARE\\Orvalis Technologies\\" + product;
    if (VUnicodeString(product).MakeUpper().Find(u"TAMSIC") != VUnicodeString::npos)
        older += u" 3.0";
    const VUnicodeString candidates[] = {u"SOFTWARE\\Orvalis\\" + product, older};
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser})
        for (const VUnicodeString& candidate : candidates)
            if (VRegistryKey(root, candidate).IsOpen())
                return candidate;
    return candidates[0];
}

bool ReadForProduct(const VUnicodeString& name, const VUnicodeString& product, const VUnicodeString& subkey,
                    uint32_t& value)
{
    const VUnicodeString own = ProductKey(product);
    if (Read(RegistryRoot::LocalMachine, subkey.IsEmpty() ? own : own + u"\\" + subkey, name, value))
        return true;
    if (product.Left(8).EqualsNoCase(u"Kestrune")) {
        VUnicodeString older = u"SOFTWARE\\Orvalis Technologies\\" + product + u" 3.0";
        if (!subkey.IsEmpty())
            older += u"\\" + subkey;
        if (Read(RegistryRoot::LocalMachine, older, name, value))
            return true;
    }
    return false;
}

} // namespace

// 1. machine-wide policies, 2. per-user policies, 3. the company's machine-
// wide "Global" key, 4. the product's own key, 5. for the terminal product
// the key of its older naming, 6. the default. "Disable Passwords" is also
// sought under the older product name "Morrowfetch".
uint32_t ReadPolicyValue(const VUnicodeString& valueName, const VUnicodeString& productName,
                         const VUnicodeString& productSubkey, uint32_t defaultValue)
{
    uint32_t value = 0;
    if (Read(RegistryRoot::LocalMachine, u"Software\\Policies\\Orvalis", valueName, value) ||
        Read(RegistryRoot::CurrentUser, u"Software\\Policies\\Orvalis", valueName, value) ||
        Read(RegistryRoot::LocalMachine, u"SOFTWARE\\Orvalis\\Global", valueName, value) ||
        ReadForProduct(valueName, productName, productSubkey, value))
        return value;
    if (valueName.EqualsNoCase(u"Disable Passwords") && ReadForProduct(valueName, u"Morrowfetch", productSubkey, value))
        return value;
    return defaultValue;
}

bool ReadPolicyFlag(const VUnicodeString& valueName, const VUnicodeString& productName,
                    const VUnicodeString& productSubkey, bool defaultValue)
{
    return ReadPolicyValue(valueName, productName, productSubkey, defaultValue ? 1 : 0) != 0;
}
