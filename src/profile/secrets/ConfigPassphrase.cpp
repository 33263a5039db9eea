#include "profile/secrets/ConfigPassphrase.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cryptopp/misc.h>
#include <cryptopp/secblock.h>

#include <cerrno>
#include <optional>
#include <string>

#include "core/Exceptions.h"
#include "core/VUnknown.h"
#include "platform/BaseFolders.h"
#include "platform/PlatformError.h"
#include "platform/RandomSource.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/reports/VReportMessageParams.h"

namespace {

constexpr char16_t kFileName[] = u"config-passphrase";
constexpr size_t kRandomBytes = 32;
constexpr size_t kMaxFileSize = 4096;

struct PassphraseState {
    VUnknownPointer<VEncryptedStringKeyData> keyData;
    bool disabled = false;
    std::optional<TwoLayerStringKeys> twoLayerKeys;
};

PassphraseState& State()
{
    static PassphraseState state;
    return state;
}

// Closes a descriptor on every way out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool Unusable(IReportMessageParams* report, const std::string& path, const VUnicodeString& why)
{
    return Report(report, kMsgPassphraseFileUnusable, VUnicodeString::FromUtf8(path), why);
}

bool ErrnoUnusable(IReportMessageParams* report, const std::string& path, int error)
{
    return Unusable(report, path, VUnicodeString(SystemErrorText(static_cast<uint32_t>(error))));
}

// Makes the missing folders of `folder`, private to the user.
bool MakeFolders(const std::string& folder)
{
    for (size_t slash = 1; slash != std::string::npos;) {
        slash = folder.find('/', slash + 1);
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

// Writes a new random passphrase beside `path` and links it into place, so
// that a reader never sees a half-written file and two processes creating
// it at once agree on one. False with errno set on failure.
bool CreatePassphraseFile(const std::string& path, IReportMessageParams* report)
{
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!MakeFolders(folder))
        return ErrnoUnusable(report, path, errno);
    uint8_t random[kRandomBytes];
    if (!GetRandomSource().GetBytes(random, sizeof random))
        return Report(report, kMsgRandomBytesUnavailable, VUnicodeString(PlatformErrorText(GetPlatformLastError())));
    CryptoPP::SecByteBlock text(2 * kRandomBytes + 1);
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < kRandomBytes; ++i) {
        text[2 * i] = static_cast<uint8_t>(kDigits[random[i] >> 4]);
        text[2 * i + 1] = static_cast<uint8_t>(kDigits[random[i] & 0xF]);
    }
    text[2 * kRandomBytes] = '\n';
    CryptoPP::SecureWipeBuffer(random, sizeof random);

    std::string temporary = path + ".XXXXXX";
    FileDescriptor fd(mkostemp(temporary.data(), O_CLOEXEC));
    if (fd.get() < 0)
        return ErrnoUnusable(report, path, errno);
    const bool written = fchmod(fd.get(), 0600) == 0 &&
                         write(fd.get(), text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
                         fsync(fd.get()) == 0;
    const int writeError = errno;
    if (!written) {
        unlink(temporary.c_str());
        return ErrnoUnusable(report, path, writeError);
    }
    const bool linked = link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST; // EEXIST: another won
    const int linkError = errno;
    unlink(temporary.c_str());
    return linked || ErrnoUnusable(report, path, linkError);
}

// The per-user passphrase, made on first use.
std::optional<VUnicodeString> ReadPassphraseFile(IReportMessageParams* report)
{
    const VUnicodeString widePath = GetConfigPassphrasePath();
    if (widePath.IsEmpty()) {
        Report(report, kMsgPassphraseFileUnusable, kFileName, u"there is no user data folder (HOME is not set)");
        return std::nullopt;
    }
    const std::string path = widePath.ToUtf8();
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) {
        if (!CreatePassphraseFile(path, report))
            return std::nullopt;
        fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
        ErrnoUnusable(report, path, errno);
        return std::nullopt;
    }
    FileDescriptor file(fd);
    struct stat info {};
    if (fstat(file.get(), &info) != 0) {
        ErrnoUnusable(report, path, errno);
        return std::nullopt;
    }
    if (!S_ISREG(info.st_mode)) {
        Unusable(report, path, u"it is not a regular file");
        return std::nullopt;
    }
    if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0 || info.st_uid != geteuid()) {
        Report(report, kMsgPassphraseFileExposed, widePath);
        return std::nullopt;
    }
    CryptoPP::SecByteBlock buffer(kMaxFileSize);
    size_t size = 0;
    for (;;) {
        const ssize_t got = read(file.get(), buffer.data() + size, buffer.size() - size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ErrnoUnusable(report, path, errno);
            return std::nullopt;
        }
        if (got == 0)
            break;
        size += static_cast<size_t>(got);
        if (size == buffer.size()) {
            Unusable(report, path, u"it is longer than 4096 bytes");
            return std::nullopt;
        }
    }
    while (size > 0 && (buffer[size - 1] == '\n' || buffer[size - 1] == '\r'))
        --size;
    if (size == 0) {
        Unusable(report, path, u"it is empty");
        return std::nullopt;
    }
    try {
        return VUnicodeString::FromUtf8(std::string_view(reinterpret_cast<const char*>(buffer.data()), size));
    } catch (const IllegalSequence&) {
        Unusable(report, path, u"it is not UTF-8 text");
        return std::nullopt;
    }
}

} // namespace

VUnicodeString GetConfigPassphrasePath()
{
    const VUnicodeString folder = GetOrvUserDataPathSub();
    return folder.IsEmpty() ? folder : folder + u"/" + kFileName;
}

bool SetConfigPassphrase(const char16_t* passphrase, IReportMessageParams* report)
{
    PassphraseState& state = State();
    if (!passphrase || !*passphrase) {
        state.keyData.Reset();
        return true;
    }
    try {
        state.keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(passphrase));
    } catch (const IllegalSequence&) {
        return Report(report, kMsgConfigPassphraseInvalid);
    }
    return true;
}

void SetConfigPassphraseDisabled(bool disabled)
{
    State().disabled = disabled;
}

bool IsConfigPassphraseDisabled()
{
    return State().disabled;
}

bool GetConfigPassphraseKeyData(VEncryptedStringKeyData** keyData, IReportMessageParams* report)
{
    *keyData = nullptr;
    PassphraseState& state = State();
    if (state.disabled)
        return Report(report, kMsgConfigPassphraseDisabled);
    if (!state.keyData) {
        std::optional<VUnicodeString> passphrase = ReadPassphraseFile(report);
        if (!passphrase)
            return false;
        state.keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(*passphrase));
        // The copy in this string is not ours to keep.
        CryptoPP::SecureWipeBuffer(passphrase->str().data(), passphrase->Length());
    }
    state.keyData->AddRef();
    *keyData = state.keyData.Get();
    return true;
}

void ResetConfigPassphrase()
{
    PassphraseState& state = State();
    state.keyData.Reset();
    state.disabled = false;
    state.twoLayerKeys.reset();
}

bool SetTwoLayerStringKeys(const TwoLayerStringKeys* keys)
{
    PassphraseState& state = State();
    if (!keys) {
        state.twoLayerKeys.reset();
        return true;
    }
    if (!keys->IsUsable())
        return false;
    state.twoLayerKeys = *keys;
    return true;
}

const TwoLayerStringKeys* GetTwoLayerStringKeys()
{
    const PassphraseState& state = State();
    return state.twoLayerKeys ? &*state.twoLayerKeys : nullptr;
}
