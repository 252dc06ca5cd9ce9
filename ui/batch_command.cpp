// The command line's batch: every INPUT, named on the line or in a list,
// gets a page named after it, beside it or in one folder, converted on
// every processor.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "batch_driver.h"
#include "command_line.h"
#include "page_names.h"
#include "signals.h"
#include "stderr_host.h"

namespace torvex {

namespace {

unsigned OnlineProcessors() {
    const long n = sysconf(_SC_NPROCESSORS_ONLN);
    return n > 0 ? static_cast<unsigned>(n) : 1;
}

// Whether message names path, as the engine's messages name files: at the
// start or after a space, followed by a colon or a space.
bool Names(const std::string& message, const std::string& path) {
    if (path.empty()) return false;
    for (const char after : {':', ' '}) {
        const std::string word = path + after;
        if (message.starts_with(word) || message.find(" " + word) != std::string::npos) return true;
    }
    return false;
}

// Prints each file's messages as its turn comes. Among thousands of files a
// message must say which one it is about: one that names neither the file
// nor its page gets the file's name in front.
class BatchPrinter : public BatchListener {
public:
    BatchPrinter(StderrHost& out, const std::vector<BatchFile>& files) : out_(out), files_(files) {}

    void Finished(size_t index, const FileOutcome& outcome) override {
        const BatchFile& file = files_[index];
        for (const std::string& message : outcome.messages) {
            const bool named = Names(message, file.input) || Names(message, file.output) ||
                               Names(message, outcome.output);
            out_.ShowMessage(named ? message : file.input + ": " + message);
        }
    }
    void Working(const BatchProgress& progress) override {
        out_.BatchProgress(progress.done, progress.total, progress.bytes);
    }

private:
    StderrHost& out_;
    const std::vector<BatchFile>& files_;
};

// A batch that may not run: why, and that nothing was written.
int Refuse(StderrHost& out, const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) out.ShowMessage(problem);
    out.ShowMessage("nothing was converted");
    return 2;
}

std::string ListName(const std::string& list) { return list == "-" ? "standard input" : list; }

// Adds the names of the list file (each ended by separator, the last
// perhaps not) to names; empty names are passed over. Why it failed, or
// nothing.
std::string ReadList(const std::string& list, char separator, std::vector<std::string>& names) {
    std::FILE* in = list == "-" ? stdin : std::fopen(list.c_str(), "rb");
    if (in == nullptr) return "cannot read the list " + list + ": " + std::strerror(errno);
    char* name = nullptr;
    size_t capacity = 0;
    ssize_t n = 0;
    while ((n = getdelim(&name, &capacity, separator, in)) > 0) {
        const size_t length = static_cast<size_t>(n) - (name[n - 1] == separator);
        if (length > 0) names.emplace_back(name, length);
    }
    const int error = std::ferror(in) != 0 ? errno : 0;
    std::free(name);
    if (in != stdin) std::fclose(in);
    if (error != 0) return "cannot read the list " + ListName(list) + ": " + std::strerror(error);
    for (const std::string& input : names)
        if (input == "-") return "a batch converts named files only, not '-' (in " + ListName(list) + ")";
    return {};
}

// Why pages cannot go into folder, or nothing; missing says that it is to
// be made once the batch may run.
std::string CheckFolder(const std::string& folder, bool& missing) {
    struct stat info {};
    const int error = stat(folder.c_str(), &info) != 0 ? errno : S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
    missing = error == ENOENT;
    if (error == 0 || missing) return {};
    return "cannot write pages into " + folder + ": " + std::strerror(error);
}

}  // namespace

int RunBatch(CommandLine& request) {
    StderrHost out;
    std::vector<std::string>& inputs = request.inputs;
    if (!request.files_from.empty()) {
        const std::string problem = ReadList(request.files_from, request.null_separated ? '\0' : '\n', inputs);
        if (!problem.empty()) return Refuse(out, {problem});
        if (inputs.empty()) {
            out.ShowMessage(ListName(request.files_from) + " lists no files; nothing was converted");
            return 0;
        }
    }
    const std::string& folder = request.output_dir;
    bool missing = false;
    if (!folder.empty()) {
        if (const std::string problem = CheckFolder(folder, missing); !problem.empty()) return Refuse(out, {problem});
    }
    std::vector<BatchFile> files;
    files.reserve(inputs.size());
    for (const std::string& input : inputs) {
        std::string page;
        if (!request.options.split) page = BatchPageName(folder.empty() ? input : JoinPath(folder, FileNameOf(input)));
        files.push_back({input, std::move(page)});
    }
    BatchDriver batch(files, request.options);
    if (const auto clashes = batch.Check(); !clashes.empty()) {
        std::vector<std::string> problems;
        for (const BatchClash& clash : clashes) problems.push_back(DescribeClash(clash, inputs));
        return Refuse(out, problems);
    }
    // Made with its parents only now that nothing forbids the batch.
    if (std::error_code error; missing && !std::filesystem::create_directories(folder, error) && error)
        return Refuse(out, {"cannot make the folder " + folder + ": " + error.message()});

    DeferStopSignals();
    batch.StopWhen(StopSignal());
    BatchPrinter printer(out, files);
    const BatchSummary summary = batch.Run(request.jobs > 0 ? request.jobs : OnlineProcessors(), printer);
    std::string line = WithThousands(summary.converted) + " converted, " + WithThousands(summary.failed) + " failed";
    if (summary.interrupted) line += ", " + WithThousands(summary.not_converted) + " not converted (interrupted)";
    out.ShowMessage(line);
    if (summary.interrupted) EndBySignal(StopSignal());
    return summary.failed > 0 ? 1 : 0;
}

}  // namespace torvex
