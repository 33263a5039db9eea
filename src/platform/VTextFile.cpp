#include "platform/VTextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/VTextDecoder.h"

namespace {

bool ToFileName(const VUnicodeString& path, std::string& name)
{
    try {
        name = path.ToUtf8();
    } catch (const std::exception&) {
        return false;
    }
    return !name.empty() && name.find('\0') == std::string::npos;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now, so that a failing close can be seen.
    bool Close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool VTextFile::ReadLines(const VUnicodeString& path, VStringArray& lines, int& error)
{
    std::string name;
    if (!ToFileName(path, name)) {
        error = EINVAL;
        return false;
    }
    FileDescriptor file(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        error = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0) {
        error = errno;
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error = EISDIR;
        return false;
    }

    VTextDecoder decoder;
    VStringArray read;
    uint8_t block[kBlockSize];
    for (;;) {
        const ssize_t n = ::read(file.get(), block, sizeof block);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (n == 0)
            break;
        decoder.Feed({block, static_cast<size_t>(n)}, read);
    }
    decoder.Finish(read);
    lines = std::move(read);
    return true;
}

bool VTextFile::WriteLines(const VUnicodeString& path, const VStringArray& lines, int& error)
{
    std::string name;
    if (!ToFileName(path, name)) {
        error = EINVAL;
        return false;
    }
    std::string bytes;
    try {
        for (const VUnicodeString& line : lines) {
            bytes += line.ToUtf8();
            bytes += '\n';
        }
    } catch (const std::exception&) {
        error = EILSEQ; // a line holds a lone surrogate
        return false;
    }

    mode_t mode = 0644;
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temporary = name + ".XXXXXX";
    FileDescriptor file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) {
        error = errno;
        return false;
    }
    const bool written = ::fchmod(file.get(), mode) == 0 && WriteAll(file.get(), bytes) && ::fsync(file.get()) == 0;
    const int writeError = errno;
    if (!file.Close() || !written) {
        error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), name.c_str()) != 0) {
        error = errno;
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}
