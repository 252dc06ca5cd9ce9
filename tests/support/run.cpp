#include "run.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace torvex::testing {

std::map<std::string, std::string> Snapshot(const std::string& root) {
    std::map<std::string, std::string> shot;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat s {};
        if (lstat(entry.path().c_str(), &s) != 0) continue;
        shot[entry.path()] = std::to_string(s.st_mode) + "/" + std::to_string(s.st_ino) +
                             (S_ISDIR(s.st_mode) ? "" : "/" + std::to_string(s.st_size) + "/" +
                                                            std::to_string(s.st_mtim.tv_sec) + "." +
                                                            std::to_string(s.st_mtim.tv_nsec));
    }
    return shot;
}

void DropPrivileges() {
    if (geteuid() != 0) return;
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(125);
}

RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env,
              const std::string& input, const std::string& directory, const std::function<void()>& in_child) {
    int in[2], out[2], err[2];
    if (pipe(in) || pipe(out) || pipe(err)) throw std::runtime_error("pipe failed");
    const bool bare = !env.empty() && env[0] == "-i";
    std::vector<std::string> envText = {"PATH=/usr/bin:/bin", "HOME=/tmp", "LANG=C.UTF-8"};
    if (bare) envText.clear();
    envText.insert(envText.end(), env.begin() + bare, env.end());
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        if (in_child) in_child();
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]), close(out[1]), close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    RunResult r;
    size_t written = 0;
    if (input.empty()) close(in[1]);
    fcntl(in[1], F_SETFL, O_NONBLOCK);
    bool inOpen = !input.empty(), outOpen = true, errOpen = true;
    char buffer[65536];
    while (outOpen || errOpen) {
        pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {inOpen ? in[1] : -1, POLLOUT, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR) break;
        for (int k = 0; k < 2; ++k) {
            if (!fds[k].revents) continue;
            const ssize_t n = read(fds[k].fd, buffer, sizeof buffer);
            if (n > 0) {
                (k == 0 ? r.out : r.err).append(buffer, static_cast<size_t>(n));
            } else {
                int& fd = k == 0 ? out[0] : err[0];
                (k == 0 ? outOpen : errOpen) = false;
                close(fd);
                fd = -1;  // poll() skips negative descriptors
            }
        }
        if (inOpen && fds[2].revents) {
            const ssize_t n = write(in[1], input.data() + written, input.size() - written);
            if (n > 0) written += static_cast<size_t>(n);
            if (n < 0 || written == input.size()) {
                close(in[1]);
                inOpen = false;
            }
        }
    }
    if (inOpen) close(in[1]);
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.peak_kb = usage.ru_maxrss;
    return r;
}

}  // namespace torvex::testing
