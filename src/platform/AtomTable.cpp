#include "platform/AtomTable.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/UnicodeConversion.h"
#include "core/VUnicodeString.h"
#include "platform/PlatformError.h"

namespace {

// A folder only this user can use, made if missing.
bool EnsurePrivateFolder(const std::string& path)
{
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != getuid() || (st.st_mode & 0077) != 0) {
        errno = EPERM;
        return false;
    }
    return true;
}

class FdGuard {
public:
    explicit FdGuard(int fd) : m_fd(fd) {}
    ~FdGuard()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    int get() const { return m_fd; }

private:
    int m_fd;
};

bool ReadAll(int fd, std::string& out)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return false;
        if (n == 0)
            return true;
        out.append(buffer, static_cast<size_t>(n));
    }
}

bool WriteAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

} // namespace

uint32_t AtomTable::Lookup(std::string_view table, std::u16string_view name, uint32_t& highest)
{
    highest = 0;
    while (!table.empty()) {
        const size_t end = table.find('\n');
        if (end == std::string_view::npos)
            break; // an unterminated last line was never completed
        const std::string_view line = table.substr(0, end);
        table.remove_prefix(end + 1);
        const size_t blank = line.find(' ');
        if (blank == std::string_view::npos)
            continue;
        const std::string number(line.substr(0, blank));
        char* stop = nullptr;
        const unsigned long value = std::strtoul(number.c_str(), &stop, 16);
        if (stop == number.c_str() || *stop || value < AtomTable::kFirstAtom || value > AtomTable::kLastAtom)
            continue;
        highest = std::max(highest, static_cast<uint32_t>(value));
        try {
            if (VUnicodeString::CompareNoCase(Utf8ToUtf16(line.substr(blank + 1)), name) == 0)
                return static_cast<uint32_t>(value);
        } catch (const std::exception&) {
            continue;
        }
    }
    return 0;
}

std::string AtomTable::DefaultPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string folder;
    if (runtime && *runtime == '/')
        folder = std::string(runtime) + "/orvalis";
    else
        folder = "/tmp/orvalis-" + std::to_string(getuid());
    return folder + "/registered-messages";
}

uint32_t AtomTable::Register(std::u16string_view name) const
{
    std::string encodedName;
    try {
        encodedName = Utf16ToUtf8(name);
    } catch (const std::exception&) {
        SetPlatformLastError(EINVAL);
        return 0;
    }
    if (encodedName.empty() || encodedName.find('\n') != std::string::npos) {
        SetPlatformLastError(EINVAL);
        return 0;
    }
    const size_t slash = m_path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !EnsurePrivateFolder(m_path.substr(0, slash))) {
        SetPlatformLastError(static_cast<uint32_t>(errno));
        return 0;
    }
    FdGuard fd(open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (fd.get() < 0) {
        SetPlatformLastError(static_cast<uint32_t>(errno));
        return 0;
    }
    while (flock(fd.get(), LOCK_EX) != 0) {
        if (errno != EINTR) {
            SetPlatformLastError(static_cast<uint32_t>(errno));
            return 0;
        }
    }
    std::string table;
    if (!ReadAll(fd.get(), table)) {
        SetPlatformLastError(static_cast<uint32_t>(errno));
        return 0;
    }
    uint32_t highest = 0;
    if (const uint32_t found = Lookup(table, name, highest))
        return found;
    const uint32_t atom = highest ? highest + 1 : kFirstAtom;
    if (atom > kLastAtom) {
        SetPlatformLastError(ENOSPC);
        return 0;
    }
    char number[16];
    std::snprintf(number, sizeof number, "%X ", atom);
    // A torn last line from an earlier crash is ended first, so it stays skipped.
    std::string record = (!table.empty() && table.back() != '\n') ? "\n" : "";
    record += number + encodedName + "\n";
    if (lseek(fd.get(), 0, SEEK_END) < 0 || !WriteAll(fd.get(), record)) {
        SetPlatformLastError(static_cast<uint32_t>(errno));
        return 0;
    }
    return atom; // the lock goes with the descriptor
}
