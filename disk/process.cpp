#include "disk/process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>

extern char** environ;

namespace rotopal {
namespace {

// Closes what it holds when it goes.
class Pipe {
public:
    Pipe() {
        if (::pipe2(ends_.data(), O_CLOEXEC) != 0) {
            ends_ = {-1, -1};
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    ~Pipe() {
        CloseRead();
        CloseWrite();
    }
    bool valid() const { return ends_[0] >= 0; }
    int read() const { return ends_[0]; }
    int write() const { return ends_[1]; }
    void CloseRead() { Close(ends_[0]); }
    void CloseWrite() { Close(ends_[1]); }

private:
    static void Close(int& fd) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
    std::array<int, 2> ends_{-1, -1};
};

}  // namespace

Result<ProcessOutput, ProcessError> RunProgram(
    const std::vector<std::string>& arguments,
    const std::vector<std::pair<std::string, std::string>>& extra) {
    Pipe out, err;
    if (arguments.empty() || !out.valid() || !err.valid()) {
        return Failure{ProcessError{arguments.empty() ? EINVAL : errno}};
    }
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    // The environment as it is, with the extra settings in place of any of the same name.
    std::vector<std::string> settings;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string setting = *entry;
        const auto name = setting.substr(0, setting.find('='));
        bool replaced = false;
        for (const auto& [key, value] : extra) {
            replaced = replaced || key == name;
        }
        if (!replaced) {
            settings.push_back(setting);
        }
    }
    for (const auto& [key, value] : extra) {
        settings.push_back(key + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& setting : settings) {
        envp.push_back(setting.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err.write(), STDERR_FILENO);
    pid_t pid = 0;
    const int spawned =
        ::posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    out.CloseWrite();
    err.CloseWrite();
    if (spawned != 0) {
        return Failure{ProcessError{spawned}};
    }

    // Both pipes are drained together, so that a child filling one never waits on the other.
    ProcessOutput output;
    std::array<pollfd, 2> open{{{out.read(), POLLIN, 0}, {err.read(), POLLIN, 0}}};
    std::array<char, 4096> buffer{};
    while (open[0].fd >= 0 || open[1].fd >= 0) {
        if (::poll(open.data(), open.size(), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        for (std::size_t i = 0; i < open.size(); ++i) {
            if (open[i].fd < 0 || open[i].revents == 0) {
                continue;
            }
            const ssize_t n = ::read(open[i].fd, buffer.data(), buffer.size());
            if (n > 0) {
                if (i == 0) {
                    output.out.insert(output.out.end(), buffer.begin(), buffer.begin() + n);
                } else {
                    output.err.append(buffer.data(), static_cast<std::size_t>(n));
                }
            } else if (n == 0 || errno != EINTR) {
                open[i].fd = -1;  // the pipe's end; Pipe closes it
            }
        }
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    output.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return output;
}

}  // namespace rotopal
