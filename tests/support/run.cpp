#include "run.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "temp_dir.h"

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

std::vector<std::string> Words(const std::string& field) {
    std::vector<std::string> words;
    for (size_t i = field.find_first_not_of(' '); i < field.size(); i = field.find_first_not_of(' ', i)) {
        const bool quoted = field[i] == '"';
        const size_t end = std::min(field.find(quoted ? '"' : ' ', i + 1), field.size());
        words.push_back(field.substr(i + quoted, end - i - quoted));
        i = end + quoted;
    }
    return words;
}

void DropFileOverrides() {
    const auto fail = [](const std::string& what) {
        const std::string text = "cannot drop the capabilities that override file permissions (" + what +
                                 "): " + std::strerror(errno) + "\n";
        [[maybe_unused]] const ssize_t n = write(STDERR_FILENO, text.data(), text.size());
        _exit(125);
    };
    const bool root = getuid() == 0 || geteuid() == 0;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct sets[_LINUX_CAPABILITY_U32S_3]{};
    if (syscall(SYS_capget, &header, sets) != 0) fail("capget");
    for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH}) {
        if (root && prctl(PR_CAPBSET_READ, cap) == 1 && prctl(PR_CAPBSET_DROP, cap) != 0) fail("bounding set");
        const __u32 bit = CAP_TO_MASK(cap);
        __user_cap_data_struct& set = sets[CAP_TO_INDEX(cap)];
        set.effective &= ~bit, set.permitted &= ~bit, set.inheritable &= ~bit;
    }
    if (syscall(SYS_capset, &header, sets) != 0) fail("capset");
    if (prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 && errno != EINVAL) fail("ambient set");
}

// Standard output and error go to files, so that nothing can block; the
// input comes through a pipe, as from another program.
RunResult Run(const std::string& program, const std::vector<std::string>& args, const std::vector<std::string>& env,
              const std::string& input, const std::string& directory, const std::function<void()>& in_child) {
    const bool bare = !env.empty() && env[0] == "-i";
    std::vector<std::string> envText = {"PATH=/usr/bin:/bin", "HOME=/tmp", "LANG=C.UTF-8"};
    if (bare) envText.clear();
    // A variable given replaces the one of the same name set here.
    for (auto e = env.begin() + bare; e != env.end(); ++e) {
        const std::string name = e->substr(0, e->find('=') + 1);
        std::erase_if(envText, [&name](const std::string& set) { return set.starts_with(name); });
        envText.push_back(*e);
    }
    std::vector<char*> argv{const_cast<char*>(program.c_str())}, envp;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    TempDir io;
    const int out = open((io / "out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    const int err = open((io / "err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    int in[2];
    if (out < 0 || err < 0 || pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("cannot start " + program);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0), dup2(out, 1), dup2(err, 2);
        if (!directory.empty() && chdir(directory.c_str()) != 0) _exit(126);
        if (in_child) in_child();
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]), close(out), close(err);
    signal(SIGPIPE, SIG_IGN);  // a program may end without reading its input
    for (size_t done = 0; done < input.size();) {
        const ssize_t n = write(in[1], input.data() + done, input.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    close(in[1]);
    RunResult r;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.peak_kb = usage.ru_maxrss;
    r.out = ReadFile(io / "out");
    r.err = ReadFile(io / "err");
    return r;
}

}  // namespace torvex::testing
