// A folder whose every file is watched: each case runs torvex in dir/work,
// one level below it, so that a page written above or beside it would show,
// and checks that nothing but the named outputs changed (no temporary file
// left behind, no old page touched).
#pragma once

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "run.h"
#include "temp_dir.h"

namespace torvex::testing {

// Everything below a folder, by name: type and mode, inode, and for all but
// folders size and modification time (a replaced page is a new inode).
using Snapshot = std::map<std::string, std::string>;

inline Snapshot Take(const std::string& root) {
    Snapshot shot;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        struct stat info {};
        if (lstat(entry.path().c_str(), &info) != 0) continue;
        std::string state = std::to_string(info.st_mode) + "/" + std::to_string(info.st_ino);
        if (!S_ISDIR(info.st_mode))  // a folder's own times change with what it holds
            state += "/" + std::to_string(info.st_size) + "/" + std::to_string(info.st_mtim.tv_sec) + "." +
                     std::to_string(info.st_mtim.tv_nsec);
        shot[entry.path().string()] = state;
    }
    return shot;
}

// The names whose state differs between two snapshots.
inline std::set<std::string> Changed(const Snapshot& before, const Snapshot& after) {
    std::set<std::string> names;
    for (const auto& [name, state] : before) {
        const auto it = after.find(name);
        if (it == after.end() || it->second != state) names.insert(name);
    }
    for (const auto& [name, state] : after)
        if (!before.count(name)) names.insert(name);
    return names;
}

class WatchedFolder : public ::testing::Test {
protected:
    void SetUp() override {
        // Open to all, so that a case can run as another user.
        ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
        ASSERT_EQ(mkdir(work.c_str(), 0777), 0);
        ASSERT_EQ(chmod(work.c_str(), 0777), 0);
        WriteFile(dir / "outside.html", "bystander");
    }
    // Runs torvex in the work folder and checks that only `outputs` changed.
    RunResult Torvex(const std::vector<std::string>& args, const std::set<std::string>& outputs,
                     const std::function<void()>& in_child = {}) {
        const Snapshot before = Take(dir.path());
        auto r = torvex::testing::Run(TORVEX_BINARY, args, {"SOURCE_DATE_EPOCH=0"}, "", work, in_child);
        for (const auto& name : Changed(before, Take(dir.path())))
            EXPECT_TRUE(outputs.count(name)) << "changed: " << name;
        EXPECT_EQ(ReadFile(dir / "outside.html"), "bystander");
        return r;
    }
    std::string In(const std::string& name) const { return work + "/" + name; }
    std::string Page(const std::string& name) { return ReadFile(In(name)); }
    TempDir dir;
    const std::string work = dir / "work";
};

}  // namespace torvex::testing
