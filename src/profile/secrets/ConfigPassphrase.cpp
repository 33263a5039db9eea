#include "profile/secrets/ConfigPassphrase.h"

#include <fcntl.h>
#include <sys/file.h>
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
#include "profile/secrets/SecretText.h"
#include "profile/secrets/VEncryptedString.h"
#include "profile/secrets/VEncryptedStringKeyData.h"
#include "profile/reports/VReportMessageParams.h"
#include "profile/store/VProfileKey.h"
#include "profile/store/VProfileStore.h"

namespace {

constexpr char16_t kFileName[] = u"config-passphrase";
constexpr size_t kRandomBytes = 32;
constexpr size_t kMaxFileSize = 4096;

constexpr char kStagedSuffix[] = ".new";
// Beside the file's place, empty: says the passphrase lives in the keyring.
constexpr char kKeyringMarkerSuffix[] = ".in-keyring";
constexpr char kLabel[] = "Orvalis configuration passphrase";

struct PassphraseState {
    VUnknownPointer<VEncryptedStringKeyData> keyData;
    ConfigPassphraseSource source = ConfigPassphraseSource::None;
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

// 64 random hex digits and a line break, in memory that is wiped.
bool RandomPassphraseText(CryptoPP::SecByteBlock& text, IReportMessageParams* report)
{
    uint8_t random[kRandomBytes];
    if (!GetRandomSource().GetBytes(random, sizeof random))
        return Report(report, kMsgRandomBytesUnavailable, VUnicodeString(PlatformErrorText(GetPlatformLastError())));
    text.New(2 * kRandomBytes + 1);
    static constexpr char kDigits[] = "0123456789abcdef";
    for (size_t i = 0; i < kRandomBytes; ++i) {
        text[2 * i] = static_cast<uint8_t>(kDigits[random[i] >> 4]);
        text[2 * i + 1] = static_cast<uint8_t>(kDigits[random[i] & 0xF]);
    }
    text[2 * kRandomBytes] = '\n';
    CryptoPP::SecureWipeBuffer(random, sizeof random);
    return true;
}

// Writes `text` beside `path` and links it into place, so that a reader
// never sees a half-written file and two processes creating it at once
// agree on one. With `replace`, an existing file is replaced (renamed over).
bool WritePassphraseFile(const std::string& path, const CryptoPP::SecByteBlock& text, bool replace,
                         IReportMessageParams* report)
{
    const std::string folder = path.substr(0, path.rfind('/'));
    if (!MakeFolders(folder))
        return ErrnoUnusable(report, path, errno);
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
    if (replace) {
        if (rename(temporary.c_str(), path.c_str()) == 0)
            return true;
        const int renameError = errno;
        unlink(temporary.c_str());
        return ErrnoUnusable(report, path, renameError);
    }
    const bool linked = link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST; // EEXIST: another won
    const int linkError = errno;
    unlink(temporary.c_str());
    return linked || ErrnoUnusable(report, path, linkError);
}

bool CreatePassphraseFile(const std::string& path, IReportMessageParams* report)
{
    CryptoPP::SecByteBlock text;
    return RandomPassphraseText(text, report) && WritePassphraseFile(path, text, false, report);
}

// A passphrase file, made on first use when `create` is set.
std::optional<VUnicodeString> ReadPassphraseFile(const std::string& path, bool create, IReportMessageParams* report)
{
    const VUnicodeString widePath = VUnicodeString::FromUtf8(path);
    int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && create) {
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

bool FileExists(const std::string& path)
{
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
}

void MarkKeyring(const std::string& marker)
{
    if (FileExists(marker))
        return;
    const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd >= 0)
        close(fd);
}

// One process at a time decides where the passphrase lives and makes it:
// two first uses at once must not store two different ones.
class PassphraseLock {
public:
    explicit PassphraseLock(const std::string& passphrasePath)
    {
        const std::string folder = passphrasePath.substr(0, passphrasePath.rfind('/'));
        if (!MakeFolders(folder))
            return;
        m_fd = open((passphrasePath + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (m_fd >= 0)
            while (flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~PassphraseLock()
    {
        if (m_fd >= 0)
            close(m_fd); // lets go of the lock
    }
    PassphraseLock(const PassphraseLock&) = delete;
    PassphraseLock& operator=(const PassphraseLock&) = delete;

private:
    int m_fd = -1;
};

VUnicodeString FromSecretUtf8(std::string& text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    VUnicodeString wide;
    try {
        wide = VUnicodeString::FromUtf8(text);
    } catch (const IllegalSequence&) {
    }
    WipeText(text);
    return wide;
}

std::string ToSecretUtf8(const VUnicodeString& text)
{
    return text.ToUtf8();
}

// A staged change: the new passphrase, a line break, and the check value
// its transaction writes. Split in place; false when it is not of that form.
bool SplitStaged(const VUnicodeString& staged, VUnicodeString& passphrase, VUnicodeString& check)
{
    const size_t newline = staged.Find(u'\n');
    if (newline == VUnicodeString::npos || newline == 0)
        return false;
    passphrase = staged.Left(newline);
    check = staged.Mid(newline + 1);
    return !check.IsEmpty();
}

// A change that a kill interrupted: its staged passphrase becomes current
// when the store holds exactly the check value that change wrote, so the
// change was committed. Otherwise it stays staged: the change may belong
// to another database, and dropping it could lose that database's key.
void SettleStagedPassphrase(bool keyring, const std::string& filePath)
{
    std::optional<VUnicodeString> staged;
    std::string error;
    if (keyring) {
        std::string text;
        if (GetSecretService().Lookup(ConfigPassphraseKeyringAttributes(true), text, error) ==
            ISecretService::Result::Done)
            staged = VUnicodeString::FromUtf8(text);
        WipeText(text);
    } else if (FileExists(filePath + kStagedSuffix)) {
        VReportPtr ignored = NewReport();
        staged = ReadPassphraseFile(filePath + kStagedSuffix, false, ignored.Get());
    }
    if (!staged)
        return;
    VUnicodeString passphrase;
    VUnicodeString check;
    const bool wellFormed = SplitStaged(*staged, passphrase, check);
    WipeText(*staged);
    WipeText(passphrase);
    if (!wellFormed)
        return;
    const VProfileStore store;
    VUnicodeString stored;
    if (!store.GetRootKey() || !store.GetRootKey()->IsOpen() ||
        !VProfileKey(*store.GetRootKey(), kPassphraseCheckKey, 0).ReadString(kPassphraseCheckValue, stored) ||
        stored != check)
        return;
    VReportPtr ignored = NewReport();
    CommitStagedConfigPassphrase(ignored.Get());
}

// The per-user passphrase: from the keyring when there is one (moving a
// file into it, or making a new one there), else from the file.
std::optional<VUnicodeString> ReadUserPassphrase(IReportMessageParams* report)
{
    const VUnicodeString widePath = GetConfigPassphrasePath();
    if (widePath.IsEmpty()) {
        Report(report, kMsgPassphraseFileUnusable, kFileName, u"there is no user data folder (HOME is not set)");
        return std::nullopt;
    }
    const std::string path = widePath.ToUtf8();
    const PassphraseLock lock(path);
    ISecretService& service = GetSecretService();
    const ISecretService::Attributes attributes = ConfigPassphraseKeyringAttributes();
    std::string text;
    std::string error;
    const ISecretService::Result found = service.Lookup(attributes, text, error);
    const bool keyring = found == ISecretService::Result::Done || found == ISecretService::Result::NotFound;
    if (found == ISecretService::Result::Failed) {
        Report(report, kMsgKeyringFailed, VUnicodeString::FromUtf8(error));
        return std::nullopt;
    }
    SettleStagedPassphrase(keyring, path);
    const std::string marker = path + kKeyringMarkerSuffix;
    if (!keyring) {
        // Kept in a keyring that cannot be reached now: a new file would
        // put new secrets under another passphrase.
        if (FileExists(marker)) {
            Report(report, kMsgKeyringFailed,
                   VUnicodeString::FromUtf8("the passphrase is kept in the desktop keyring, which cannot be reached (" +
                                            error + ")"));
            return std::nullopt;
        }
        State().source = ConfigPassphraseSource::File;
        return ReadPassphraseFile(path, true, report);
    }
    // Settling may have changed what the keyring holds.
    if (service.Lookup(attributes, text, error) == ISecretService::Result::Done) {
        State().source = ConfigPassphraseSource::Keyring;
        MarkKeyring(marker);
        VUnicodeString passphrase = FromSecretUtf8(text);
        // A file left by a move that was cut short goes once the keyring has it.
        if (FileExists(path)) {
            VReportPtr ignored = NewReport();
            std::optional<VUnicodeString> left = ReadPassphraseFile(path, false, ignored.Get());
            if (left && *left == passphrase)
                unlink(path.c_str());
            if (left)
                WipeText(*left);
        }
        if (passphrase.IsEmpty()) {
            Report(report, kMsgKeyringFailed, u"the keyring holds an empty or unreadable passphrase");
            return std::nullopt;
        }
        return passphrase;
    }

    // Not in the keyring yet: the file's moves in, or a new one is made there.
    std::optional<VUnicodeString> passphrase;
    const bool fromFile = FileExists(path);
    if (fromFile) {
        passphrase = ReadPassphraseFile(path, false, report);
        if (!passphrase)
            return std::nullopt;
    } else {
        CryptoPP::SecByteBlock random;
        if (!RandomPassphraseText(random, report))
            return std::nullopt;
        std::string utf8(reinterpret_cast<const char*>(random.data()), random.size());
        passphrase = FromSecretUtf8(utf8);
    }
    std::string utf8 = ToSecretUtf8(*passphrase);
    const bool stored = service.Store(attributes, kLabel, utf8, error) == ISecretService::Result::Done;
    WipeText(utf8);
    std::string check;
    if (stored && service.Lookup(attributes, check, error) == ISecretService::Result::Done &&
        FromSecretUtf8(check) == *passphrase) {
        State().source = ConfigPassphraseSource::Keyring;
        MarkKeyring(marker);
        if (fromFile)
            unlink(path.c_str());
        return passphrase;
    }
    // The keyring would not keep it: the file serves, as without a keyring.
    State().source = ConfigPassphraseSource::File;
    if (fromFile)
        return passphrase;
    WipeText(*passphrase);
    return ReadPassphraseFile(path, true, report);
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
        state.source = ConfigPassphraseSource::None;
        return true;
    }
    try {
        state.keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(passphrase));
    } catch (const IllegalSequence&) {
        return Report(report, kMsgConfigPassphraseInvalid);
    }
    state.source = ConfigPassphraseSource::Host;
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
        std::optional<VUnicodeString> passphrase = ReadUserPassphrase(report);
        if (!passphrase)
            return false;
        state.keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(*passphrase));
        // The copy in this string is not ours to keep.
        WipeText(*passphrase);
    }
    state.keyData->AddRef();
    *keyData = state.keyData.Get();
    return true;
}

ConfigPassphraseSource GetConfigPassphraseSource()
{
    return State().source;
}

ISecretService::Attributes ConfigPassphraseKeyringAttributes(bool staged)
{
    const VUnicodeString folder = GetOrvConfigPathSub();
    return {
        {"application", "orvalis"},
        {"item", staged ? "configuration passphrase (new)" : "configuration passphrase"},
        {"database", (folder.IsEmpty() ? std::string(".") : folder.ToUtf8()) + "/config.db"},
    };
}

bool MakeRandomPassphrase(VUnicodeString& passphrase, IReportMessageParams* report)
{
    CryptoPP::SecByteBlock random;
    if (!RandomPassphraseText(random, report))
        return false;
    std::string utf8(reinterpret_cast<const char*>(random.data()), random.size());
    passphrase = FromSecretUtf8(utf8);
    return true;
}

bool StageConfigPassphrase(const VUnicodeString& passphrase, const VUnicodeString& check,
                           IReportMessageParams* report)
{
    const std::string path = GetConfigPassphrasePath().ToUtf8();
    if (State().source == ConfigPassphraseSource::Keyring) {
        std::string utf8 = ToSecretUtf8(passphrase) + "\n" + check.ToUtf8();
        std::string error;
        const bool stored = GetSecretService().Store(ConfigPassphraseKeyringAttributes(true), kLabel, utf8, error) ==
                            ISecretService::Result::Done;
        WipeText(utf8);
        return stored || Report(report, kMsgKeyringFailed, VUnicodeString::FromUtf8(error));
    }
    if (path.empty())
        return Report(report, kMsgPassphraseFileUnusable, kFileName, u"there is no user data folder (HOME is not set)");
    std::string utf8 = ToSecretUtf8(passphrase) + "\n" + check.ToUtf8() + "\n";
    CryptoPP::SecByteBlock text(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    WipeText(utf8);
    return WritePassphraseFile(path + kStagedSuffix, text, true, report);
}

bool CommitStagedConfigPassphrase(IReportMessageParams* report)
{
    PassphraseState& state = State();
    const std::string path = GetConfigPassphrasePath().ToUtf8();
    std::string error;
    std::string text;
    ISecretService& service = GetSecretService();
    VUnicodeString passphrase;
    VUnicodeString check;
    if (service.Lookup(ConfigPassphraseKeyringAttributes(true), text, error) == ISecretService::Result::Done) {
        VUnicodeString staged = FromSecretUtf8(text);
        const bool wellFormed = SplitStaged(staged, passphrase, check);
        WipeText(staged);
        if (!wellFormed)
            return Report(report, kMsgKeyringFailed, u"the staged passphrase is not of the expected form");
        // Current first, then the staged one goes: a kill between leaves both,
        // and settling does this again.
        std::string utf8 = ToSecretUtf8(passphrase);
        const bool stored =
            service.Store(ConfigPassphraseKeyringAttributes(), kLabel, utf8, error) == ISecretService::Result::Done;
        WipeText(utf8);
        if (!stored)
            return Report(report, kMsgKeyringFailed, VUnicodeString::FromUtf8(error));
        service.Clear(ConfigPassphraseKeyringAttributes(true), error);
        state.keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(passphrase));
        state.source = ConfigPassphraseSource::Keyring;
        return true;
    }
    const std::string stagedPath = path + kStagedSuffix;
    std::optional<VUnicodeString> staged = ReadPassphraseFile(stagedPath, false, report);
    if (!staged)
        return false;
    const bool wellFormed = SplitStaged(*staged, passphrase, check);
    WipeText(*staged);
    if (!wellFormed)
        return Unusable(report, stagedPath, u"it is not a staged passphrase");
    // The file is written whole and renamed into place: never half of either.
    std::string utf8 = ToSecretUtf8(passphrase) + "\n";
    CryptoPP::SecByteBlock fileText(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size());
    WipeText(utf8);
    if (!WritePassphraseFile(path, fileText, true, report))
        return false;
    unlink(stagedPath.c_str());
    state.keyData = VUnknownPointer<VEncryptedStringKeyData>(VEncryptedStringKeyData::Create(passphrase));
    state.source = ConfigPassphraseSource::File;
    WipeText(passphrase);
    return true;
}

void DropStagedConfigPassphrase()
{
    std::string error;
    GetSecretService().Clear(ConfigPassphraseKeyringAttributes(true), error);
    const std::string path = GetConfigPassphrasePath().ToUtf8();
    if (!path.empty())
        unlink((path + kStagedSuffix).c_str());
}

void ResetConfigPassphrase()
{
    PassphraseState& state = State();
    state.keyData.Reset();
    state.source = ConfigPassphraseSource::None;
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
