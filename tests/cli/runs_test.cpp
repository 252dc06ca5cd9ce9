// The real torvex binary against the table in tests/data/cli/runs.txt, each
// row in a fresh copy of the same folder of files (tests/data/cli/scene and
// what Scene adds), run one level below the folder it watches: nothing but
// the row's outputs may change there, whatever the row does.
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "command_line.h"
#include "run.h"
#include "table.h"
#include "temp_dir.h"

namespace torvex::testing {
namespace {

namespace fs = std::filesystem;
const std::string Data = TORVEX_SOURCE_DIR "/tests/data";

// The files of a row: the scene's files, the ones that cannot live in git,
// and the large ones only when the row names them.
void Scene(const TempDir& dir, const std::string& w, const std::string& row) {
    WriteFile(dir / "outside.html", "bystander");
    fs::copy(Data + "/cli/scene", w, fs::copy_options::recursive);
    for (const char* folder : {"many", "tmp", "locked"}) fs::create_directory(w + "/" + folder);
    for (const auto& [name, mode] : std::map<std::string, mode_t>{{"secret.txt", 0}, {"out.html", 0640}, {"readonly.html", 0444},
                                                                   {"old.html", 0664}, {"notes.txt", 0604}, {"locked", 0555}})
        chmod((w + "/" + name).c_str(), mode);
    for (const auto& [link, target] : std::map<std::string, std::string>{
             {"notes-link", "notes.txt"}, {"soft.txt", "a.txt"}, {"alias", "a"}, {"link.html", "target.html"},
             {"device/1.html", "/dev/full"}, {"link/2.html", "../../outside.html"}, {"mystdout", "/proc/self/fd/1"},
             {"gone.html", "nowhere/x.html"}, {"through-a-file.html", "a.txt/x"}, {"loop.html", "loop.html"}})
        fs::create_symlink(target, w + "/" + link);
    fs::create_hard_link(w + "/a.txt", w + "/hard.txt");
    fs::create_hard_link(w + "/c.txt", w + "/b.html");
    for (int i = 1; i <= 20; ++i) WriteFile(w + "/m" + std::to_string(i) + ".txt", "text\n");
    fs::create_hard_link(w + "/m7.txt", w + "/many/m3.html");
    mkfifo((w + "/fifo/1.html").c_str(), 0644);
    fs::create_directory(w + "/dirpage/2.html");
    const auto named = [&](const char* name) { return row.find(name) != std::string::npos; };
    if (named("big.txt")) {
        std::ofstream big(w + "/big.txt");
        for (int i = 1; i <= 20000; ++i) big << "Line " << i << " of a text that goes on and on.\n";
    }
    if (named("bigpipe.txt")) {
        std::string text;
        for (int i = 0; i < 400000; ++i) text += "\xD0\xA3\xD1\x84\xD0\xB0 \xD0\xB8 \xD0\x9A\xD1\x91\xD0\xBB\xD1\x8C\n";
        WriteFile(w + "/bigpipe.txt", text);
    }
    if (named("longrun.txt")) WriteFile(w + "/longrun.txt", "see a@" + std::string(3 << 20, 'b') + ".example.org\n");
    if (named("random.bin")) {
        std::mt19937 random(7);
        std::string bytes(1 << 20, '\0');
        for (char& c : bytes) c = static_cast<char>(random());
        WriteFile(w + "/random.bin", bytes);
    }
    if (named("nul.bin")) WriteFile(w + "/nul.bin", std::string(1 << 20, '\0'));
    // Names that only a NUL-separated list can hold, and names.lst listing them.
    if (named("names")) {
        fs::create_directory(w + "/names");
        std::string list;
        for (const char* name : {"a b.txt", "new\nline.txt", "caf\xE9.txt"}) {
            fs::copy_file(w + "/a.txt", w + "/names/" + name);
            list += "names/" + std::string(name) + '\0';
        }
        WriteFile(w + "/names.lst", list);
    }
}

// Runs in the child before torvex starts.
void Prepare(const std::vector<std::string>& setup) {
    for (const std::string& word : setup) {
        if (word == "unprivileged") DropFileOverrides();
        if (word == "umask077") umask(077);
        if (word == "close-stdout") close(STDOUT_FILENO);
        if (word == "fsize") {
            const rlimit limit{1 << 16, 1 << 16};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
    }
}

std::string Expand(std::string text) {
    for (size_t at; (at = text.find("{usage}")) != std::string::npos;) text.replace(at, 7, UsageText());
    for (size_t at; (at = text.find("{try}")) != std::string::npos;)
        text.replace(at, 5, "Try 'torvex --help' for more information.\n");
    for (size_t at; (at = text.find("{data}")) != std::string::npos;) text.replace(at, 6, Data);
    return text;
}

mode_t ModeOf(const std::string& path) {
    struct stat s {};
    return lstat(path.c_str(), &s) == 0 ? s.st_mode & 07777 : 0;
}

// A check of an output: NAME=FILE (its bytes are FILE's in tests/data/cli),
// NAME~TEXT (holds TEXT), NAME!TEXT (does not), NAME:page (a whole page),
// NAME:MODE (octal permissions). NAME "-" is standard output, and -:TEXT
// says what it holds.
void Check(const std::string& check, const std::string& w, const std::string& out) {
    SCOPED_TRACE(check);
    const size_t at = check.find_first_of("=~!:", 1);
    const std::string name = check.substr(0, at), operand = Expand(check.substr(at + 1));
    const std::string bytes = name == "-" ? out : ReadFile(w + "/" + name);
    if (check[at] == '=' && std::getenv("TORVEX_UPDATE_PAGES") != nullptr) WriteFile(Data + "/cli/" + operand, bytes);
    const bool page = bytes.starts_with("<!DOCTYPE html PUBLIC") && bytes.ends_with("</HTML>\r\n");
    switch (check[at]) {
    case '=': EXPECT_TRUE(bytes == ReadFile(Data + "/cli/" + operand)); break;
    case '~': EXPECT_NE(bytes.find(operand), std::string::npos); break;
    case '!': EXPECT_EQ(bytes.find(operand), std::string::npos); break;
    default:
        EXPECT_TRUE(name == "-" ? bytes == operand
                    : operand == "page" ? page : ModeOf(w + "/" + name) == std::stoul(operand, nullptr, 8));
    }
}

// SETUP | ARGUMENTS | STATUS | STDERR | OUTPUTS | CHECKS
TEST(Runs, Table) {
    for (const auto& row : ReadTable(Data + "/cli/runs.txt", 6)) {
        SCOPED_TRACE(row[1]);
        const std::vector<std::string> setup = Words(row[0]);
        std::vector<std::string> env;
        std::string input;
        bool shell = false, script = false, skip = false;
        TempDir dir;
        const std::string w = dir / "work";
        Scene(dir, w, row[0] + row[1] + row[4]);
        for (const std::string& word : setup) {
            if (word == "-i" || word.find('=') != std::string::npos) env.push_back(word);
            if (word.starts_with("<")) input = ReadFile(w + "/" + word.substr(1));
            shell |= word == "shell";
            script |= word == "script";
#ifdef TORVEX_HAS_WINDOW
            skip |= word == "no-window";
#else
            skip |= word == "window";
#endif
        }
        if (skip) continue;
        if (env.empty() || env[0] != "-i") env.insert(env.begin(), "SOURCE_DATE_EPOCH=0");  // unless the row says otherwise
        const auto before = Snapshot(dir.path());
        const std::string command = script ? "PATH=${0%/*}:$PATH; " + Expand(row[1]) : "exec \"$0\" " + row[1];
        const RunResult r = shell || script
                                ? testing::Run("/bin/sh", {"-c", command, TORVEX_BINARY}, env, input, w, [&] { Prepare(setup); })
                                : testing::Run(TORVEX_BINARY, Words(Expand(row[1])), env, input, w, [&] { Prepare(setup); });
        EXPECT_EQ(r.status, std::stoi(row[2])) << r.err;
        const std::string err = Expand(row[3]);
        EXPECT_TRUE(err.starts_with("~") ? r.err.find(err.substr(1)) != std::string::npos : r.err == err) << r.err;
        std::set<std::string> outputs;
        for (const std::string& name : Words(row[4])) outputs.insert((fs::path(w) / name).lexically_normal());
        auto after = Snapshot(dir.path());
        for (const auto& [name, state] : before) after.try_emplace(name);
        for (const auto& [name, state] : after)
            EXPECT_TRUE(outputs.count(name) || state == (before.count(name) ? before.at(name) : "")) << name;
        const std::vector<std::string> checks = Words(row[5]);
        const auto onStdout = [](const std::string& c) { return c.starts_with("-"); };
        EXPECT_TRUE(std::any_of(checks.begin(), checks.end(), onStdout) || r.out.empty());
        for (const std::string& check : checks) Check(check, w, r.out);
    }
}

}  // namespace
}  // namespace torvex::testing
