#include "platform/DesktopShortcut.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/BaseFolders.h"
#include "platform/Products.h"

namespace {

bool IsExecutableFile(const std::string& path)
{
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::string OnPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        const std::string folder(rest.substr(0, colon));
        if (!folder.empty() && IsExecutableFile(folder + "/" + program))
            return folder + "/" + program;
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return {};
}

std::string Home()
{
    const char* home = std::getenv("HOME");
    return home && *home ? home : "";
}

// The characters that make a Desktop Entry argument need quotes.
bool NeedsQuotes(std::string_view argument)
{
    return argument.empty() || argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") != std::string_view::npos;
}

// An argument as the Exec key takes it: quoted when it must be, with '"',
// '`', '$' and '\' escaped inside the quotes, and '%' doubled.
std::string ExecArgument(std::string_view argument)
{
    std::string out;
    const bool quoted = NeedsQuotes(argument);
    if (quoted)
        out += '"';
    for (char c : argument) {
        if (quoted && (c == '"' || c == '`' || c == '$' || c == '\\'))
            out += '\\';
        if (c == '%')
            out += '%';
        out += c;
    }
    if (quoted)
        out += '"';
    return out;
}

// A string value of the file: backslashes and control characters escaped.
std::string EntryValue(std::string_view text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '\r': out += "\\r"; break;
        default: out += c; break;
        }
    }
    return out;
}

// A file name for the shortcut: no slashes, not hidden, not empty.
std::string FileStem(const VUnicodeString& name)
{
    std::string stem = name.ToUtf8();
    for (char& c : stem)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20)
            c = '-';
    if (stem.empty())
        stem = "shortcut";
    if (stem[0] == '.')
        stem[0] = '_';
    if (stem.size() > 200)
        stem.resize(200);
    return stem;
}

bool WriteAll(int fd, const std::string& text)
{
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        done += static_cast<size_t>(written);
    }
    return true;
}

// Moves `from` to `to` unless `to` exists. EEXIST when it does.
int MoveIfFree(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the exclusive rename: a hard link never replaces.
    if (link(from.c_str(), to.c_str()) != 0)
        return errno;
    unlink(from.c_str());
    return 0;
}

} // namespace

std::string ProgramNameFor(int applicationNumber)
{
    return IsTerminalFamilyApplication(applicationNumber) ? "kestrune" : "pellowin";
}

bool GetExecutablePath(int applicationNumber, VUnicodeString& path)
{
    const std::string program = ProgramNameFor(applicationNumber);
    const char* variable = program == "kestrune" ? "ORV_EXECUTABLE_KESTRUNE" : "ORV_EXECUTABLE_PELLOWIN";
    if (const char* overridden = std::getenv(variable); overridden && *overridden) {
        if (!IsExecutableFile(overridden))
            return false;
        path = VUnicodeString::FromUtf8(overridden);
        return true;
    }
    std::string found;
    try {
        const std::string install = GetOrvInstallPathSub().ToUtf8();
        if (!install.empty() && IsExecutableFile(install + "/" + program))
            found = install + "/" + program;
    } catch (const std::exception&) {
    }
    if (found.empty())
        found = OnPath(program);
    path = VUnicodeString::FromUtf8(found.empty() ? program : found);
    return true;
}

std::string GetDesktopFolder()
{
    const std::string home = Home();
    if (home.empty())
        return {};
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const std::string config = configHome && *configHome == '/' ? configHome : home + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    while (std::getline(dirs, line)) {
        constexpr std::string_view key = "XDG_DESKTOP_DIR=";
        if (!line.starts_with(key))
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.starts_with("$HOME"))
            value = home + value.substr(5);
        // A desktop that is the home folder itself means there is none.
        if (value.starts_with("/") && value != home && value != home + "/")
            return value;
        break;
    }
    return home + "/Desktop";
}

std::vector<std::u16string> SplitShortcutArguments(std::u16string_view line)
{
    std::vector<std::u16string> arguments;
    size_t i = 0;
    while (i < line.size()) {
        if (line[i] == u' ') {
            ++i;
            continue;
        }
        std::u16string argument;
        if (line[i] == u'"') {
            ++i;
            while (i < line.size() && !(line[i] == u'"' && (i + 1 == line.size() || line[i + 1] == u' ')))
                argument += line[i++];
            ++i; // the closing quote
        } else {
            while (i < line.size() && line[i] != u' ')
                argument += line[i++];
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string DesktopEntryText(const VUnicodeString& target, const VUnicodeString& arguments,
                             const VUnicodeString& name, const std::string& icon)
{
    std::string exec = ExecArgument(target.ToUtf8());
    for (const std::u16string& argument : SplitShortcutArguments(arguments.str()))
        exec += " " + ExecArgument(VUnicodeString(argument).ToUtf8());
    return "[Desktop Entry]\n"
           "Version=1.0\n"
           "Type=Application\n"
           "Name=" +
           EntryValue(name.ToUtf8()) + "\nExec=" + EntryValue(exec) + "\nIcon=" + EntryValue(icon) +
           "\nTerminal=false\n";
}

bool VCreateDesktopShortcut(const VUnicodeString& target, const VUnicodeString& arguments,
                            const VUnicodeString& name, QWidget*, std::string* created)
{
    std::string text;
    std::string stem;
    try {
        text = DesktopEntryText(target, arguments, name, ProgramNameFor(GetApplicationNumber()));
        stem = FileStem(name);
    } catch (const std::exception&) {
        return false; // a text that is not valid Unicode
    }
    const std::string folder = GetDesktopFolder();
    if (folder.empty())
        return false;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    std::string temporary = folder + "/." + stem + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    const bool written = WriteAll(fd, text) && fchmod(fd, 0755) == 0 && fsync(fd) == 0;
    if (close(fd) != 0 || !written) {
        unlink(temporary.c_str());
        return false;
    }
    for (int n = 0; n < 1000; ++n) {
        const std::string path =
            folder + "/" + stem + (n == 0 ? std::string() : " (" + std::to_string(n) + ")") + ".desktop";
        const int result = MoveIfFree(temporary, path);
        if (result == 0) {
            if (created)
                *created = path;
            return true;
        }
        if (result != EEXIST)
            break;
    }
    unlink(temporary.c_str());
    return false;
}

VUnicodeString AbbreviatePathname(const VUnicodeString& path, const std::function<bool(std::u16string_view)>& fits)
{
    if (fits(path.str()))
        return path;
    std::vector<std::u16string> names;
    size_t from = 0;
    for (size_t at; (at = path.str().find(u'\\', from)) != std::u16string::npos; from = at + 1)
        names.push_back(path.str().substr(from, at - from));
    names.push_back(path.str().substr(from));
    // First\...\Last, dropping middle names from the front.
    for (size_t kept = names.size() - 2; names.size() > 2 && kept >= 1; --kept) {
        std::u16string text = names.front() + u"\\...";
        for (size_t i = names.size() - kept; i < names.size(); ++i)
            text += u"\\" + names[i];
        if (fits(text))
            return VUnicodeString(text);
    }
    std::u16string last = names.size() > 1 ? u"...\\" + names.back() : names.back();
    if (fits(last))
        return VUnicodeString(last);
    // The last name itself, cut.
    std::u16string cut = names.back();
    while (!cut.empty() && !fits(cut + u"..."))
        cut.pop_back();
    return VUnicodeString(cut + u"...");
}

VUnicodeString EscapeAmpersand(const VUnicodeString& text)
{
    std::u16string out;
    for (char16_t c : text.str()) {
        out += c;
        if (c == u'&')
            out += u'&';
    }
    return VUnicodeString(out);
}
