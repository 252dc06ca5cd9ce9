// Many files converted with the same options, on the calling thread or on
// several at once. Each file's outcome is reported in the order the files
// were given, whatever order they finish in.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "conversion.h"

namespace torvex {

struct BatchFile {
    std::string input;
    std::string output;  // the page; not used when every file is split
};

struct FileOutcome {
    enum class State { NotRun, Converted, Failed, Interrupted };
    State state = State::NotRun;
    std::string output;  // the page written (of a set: its last page)
    // The file's warnings (on the batch's own threads) and why it failed. An
    // interrupted file has none.
    std::vector<std::string> messages;
};

// Files that must not be converted in one batch, found before anything is
// written: two that would write one page (two split sets in one folder
// both write its contents page), or a page that is an input of the batch.
struct BatchClash {
    enum class Kind { SamePage, InputIsPage };
    Kind kind = Kind::SamePage;
    // SamePage: every file that would write the page; InputIsPage: the
    // file whose page it is, then the input that it is.
    std::vector<size_t> files;
    std::string page;  // as the first of the files names it
};

// "a.txt and b.txt would both be written to a.html", with each file called
// by its entry in names (in the order of the files).
std::string DescribeClash(const BatchClash& clash, const std::vector<std::string>& names);

struct BatchProgress {
    size_t done = 0, total = 0;   // files
    unsigned long long bytes = 0;  // read so far, of all files
};

struct BatchSummary {
    size_t converted = 0, failed = 0;
    size_t not_converted = 0;  // interrupted or never started
    bool interrupted = false;  // the stop flag was raised
};

// Told of the batch on the thread that runs it.
class BatchListener {
public:
    virtual ~BatchListener() = default;
    // Before each file when the batch runs on the calling thread; the
    // options may be changed for this file and those after it.
    virtual void Starting(size_t /*index*/, ConversionOptions& /*options*/) {}
    // Once for every file that was started, in input order.
    virtual void Finished(size_t index, const FileOutcome& outcome) = 0;
    // Now and then while files are being converted.
    virtual void Working(const BatchProgress& /*progress*/) {}
};

class BatchDriver {
public:
    BatchDriver(std::vector<BatchFile> files, ConversionOptions options);
    ~BatchDriver();

    // What forbids this batch, in the order of the files; nothing when it
    // may run. Pages are compared by their folder's real path and their
    // name, inputs and pages also as files (device and inode) where they
    // exist.
    std::vector<BatchClash> Check();

    // A flag that anything (a signal handler) may raise: no further file
    // starts, the running conversions are abandoned at their next progress
    // report (no page of theirs is replaced), and the batch ends.
    void StopWhen(const std::atomic<int>& flag) { stop_ = &flag; }

    // Converts every file on `jobs` threads at once (1: on the calling
    // thread), each with a host that keeps the file's messages for the
    // listener. Everything the listener is told, it is told on the calling
    // thread. A file that fails stops none of the others.
    BatchSummary Run(unsigned jobs, BatchListener& listener);

    // Converts the files one after the other on the calling thread with
    // host; the batch ends at the first file that fails, or that host
    // stops (the page in hand is finished first).
    BatchSummary Run(ConversionHost& host, BatchListener& listener);

private:
    class Worker;

    bool StopRequested() const { return stop_ != nullptr && stop_->load() != 0; }
    void ConvertOne(size_t index, ConversionHost& host, const ConversionOptions& options);
    BatchSummary RunHere(ConversionHost& host, Worker* worker, BatchListener& listener);
    // On the calling thread with a worker as the host.
    BatchSummary RunAlone(Worker& worker, BatchListener& listener);
    BatchSummary RunOnThreads(std::vector<std::unique_ptr<Worker>>& workers, BatchListener& listener);
    // running: bytes read of the files in hand.
    BatchProgress Progress(unsigned long long running) const;
    BatchSummary Summary() const;

    std::vector<BatchFile> files_;
    const ConversionOptions options_;
    const std::atomic<int>* stop_ = nullptr;
    std::vector<FileOutcome> outcomes_;
    std::atomic<size_t> done_{0};
    std::atomic<unsigned long long> bytes_done_{0};  // read of the files done
};

}  // namespace torvex
