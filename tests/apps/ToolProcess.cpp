#include "ToolProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

namespace {

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

int Finish(pid_t child)
{
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

std::vector<std::string> ToolRun::Lines() const
{
    std::vector<std::string> lines;
    size_t from = 0;
    while (from < out.size()) {
        size_t end = out.find('\n', from);
        if (end == std::string::npos)
            end = out.size();
        lines.push_back(out.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

ToolProcess::ToolProcess(std::string home) : m_home(std::move(home)), m_database(m_home + "/sessions.db") {}

std::vector<std::string> ToolProcess::Command(const std::vector<std::string>& args) const
{
    std::vector<std::string> command{ORV_BINARY_DIR "/orvalis-sessions", "--db", m_database};
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

std::vector<std::string> ToolProcess::Environment() const
{
    std::map<std::string, std::string> variables{
        {"HOME", m_home},
        {"ORV_CONFIG_PATH", m_home + "/config"},
        {"ORV_USER_DATA_PATH", m_home + "/data"},
        {"ORV_INSTALLED_PRODUCTS", "none"},
        {"XDG_RUNTIME_DIR", m_home},
        {"PATH", "/usr/bin:/bin"},
        // No desktop keyring: the passphrase file serves unless a test says otherwise.
        {"DBUS_SESSION_BUS_ADDRESS", "unix:path=" + m_home + "/no-session-bus"},
    };
    for (const char* keep : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"})
        if (const char* value = std::getenv(keep))
            variables[keep] = value;
    for (const auto& [name, value] : environment)
        variables[name] = value;
    std::vector<std::string> list;
    for (const auto& [name, value] : variables)
        list.push_back(name + "=" + value);
    return list;
}

ToolRun ToolProcess::Run(const std::vector<std::string>& args, const std::string& input) const
{
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> command = Command(args);
    std::vector<std::string> environment = Environment();
    std::vector<char*> argv = Pointers(command);
    std::vector<char*> envp = Pointers(environment);
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    ToolRun run;
    size_t written = 0;
    int inFd = in[1];
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    signal(SIGPIPE, SIG_IGN);
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inFd, POLLOUT, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds, 3, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
            } else {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(n));
            }
        }
        if (fds[2].fd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP))) {
            const ssize_t n = write(fds[2].fd, input.data() + written, input.size() - written);
            if (n > 0)
                written += static_cast<size_t>(n);
            if (n <= 0 || written == input.size()) {
                close(fds[2].fd);
                fds[2].fd = -1;
            }
        }
    }
    if (fds[2].fd >= 0)
        close(fds[2].fd);
    run.status = Finish(child);
    return run;
}

ToolRun ToolProcess::RunOnTerminal(const std::vector<std::string>& args) const
{
    std::vector<std::string> command = Command(args);
    std::vector<std::string> environment = Environment();
    std::vector<char*> argv = Pointers(command);
    std::vector<char*> envp = Pointers(environment);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    int terminal = -1;
    const pid_t child = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0)
        throw std::runtime_error("forkpty failed");
    if (child == 0) {
        dup2(out[1], 1); // only standard error stays on the terminal
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(out[1]);
    ToolRun run;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {terminal, POLLIN, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n <= 0) { // a terminal whose other side is gone reads as an error
                close(fds[i].fd);
                fds[i].fd = -1;
            } else {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(n));
            }
        }
    }
    run.status = Finish(child);
    return run;
}

int ToolProcess::Spawn(const std::vector<std::string>& args) const
{
    std::vector<std::string> command = Command(args);
    std::vector<std::string> environment = Environment();
    std::vector<char*> argv = Pointers(command);
    std::vector<char*> envp = Pointers(environment);
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    return child;
}
