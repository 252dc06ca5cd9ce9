// The command line's batch: every INPUT gets the page the window's batch
// would give it, beside it or in one folder, converted on every processor.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

int RunBatch(CommandLine& request) {
    StderrHost out;
    const std::string& folder = request.output_dir;
    if (!folder.empty()) {
        struct stat info {};
        const int error = stat(folder.c_str(), &info) != 0 ? errno : S_ISDIR(info.st_mode) ? 0 : ENOTDIR;
        if (error != 0) return Refuse(out, {"cannot write pages into " + folder + ": " + std::strerror(error)});
    }
    std::vector<BatchFile> files;
    files.reserve(request.inputs.size());
    for (const std::string& input : request.inputs) {
        std::string page;
        if (!request.options.split) page = DerivedPageName(folder.empty() ? input : JoinPath(folder, FileNameOf(input)));
        files.push_back({input, std::move(page)});
    }
    BatchDriver batch(files, request.options);
    if (const auto clashes = batch.Check(); !clashes.empty()) {
        std::vector<std::string> problems;
        for (const BatchClash& clash : clashes) problems.push_back(DescribeClash(clash, request.inputs));
        return Refuse(out, problems);
    }

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
