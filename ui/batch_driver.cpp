#include "batch_driver.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "page_names.h"
#include "stderr_host.h"

namespace torvex {

namespace {

// How often a batch on several threads looks at the stop flag and the progress.
constexpr auto PollEvery = std::chrono::milliseconds(50);

std::string JoinNames(const std::vector<size_t>& files, const std::vector<std::string>& names) {
    std::string text;
    for (size_t k = 0; k < files.size(); ++k)
        text += (k == 0 ? "" : k + 1 == files.size() ? " and " : ", ") + names[files[k]];
    return text;
}

// path with its folder resolved to the real one (links followed, "." and
// ".." gone), so that "a/x.txt" and "./a/x.txt" meet; a folder that does
// not exist is only made absolute and tidied. Folders are looked up once.
class RealPaths {
public:
    std::string Of(const std::string& path) {
        const std::string written = FolderOf(path);
        // "a/" is "a", "/" stays, and no folder is the current one.
        const std::string folder = written.size() > 1 ? written.substr(0, written.size() - 1)
                                   : written.empty()  ? std::string(".")
                                                      : written;
        auto [it, fresh] = folders_.try_emplace(folder);
        if (fresh) {
            std::error_code error;
            std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
            if (error) real = std::filesystem::absolute(folder, error).lexically_normal();
            it->second = real.string();
        }
        return JoinPath(it->second, FileNameOf(path));
    }

private:
    std::unordered_map<std::string, std::string> folders_;
};

// A folder that gets at least this many pages is listed rather than asked
// about each name.
constexpr size_t ListFrom = 16;

// The pages (by their real paths) that may exist: those whose name is in
// their folder's listing, and every one of a folder that is not listed.
std::vector<size_t> ExistingPages(const std::vector<std::string>& realPages) {
    std::unordered_map<std::string, std::vector<size_t>> byFolder;
    for (size_t i = 0; i < realPages.size(); ++i) byFolder[FolderOf(realPages[i])].push_back(i);
    std::vector<size_t> existing;
    for (const auto& [folder, pages] : byFolder) {
        DIR* listing = pages.size() >= ListFrom ? opendir(folder.c_str()) : nullptr;
        if (listing == nullptr) {
            existing.insert(existing.end(), pages.begin(), pages.end());
            continue;
        }
        std::unordered_set<std::string> names;
        while (const dirent* entry = readdir(listing)) names.insert(entry->d_name);
        closedir(listing);
        for (const size_t i : pages)
            if (names.count(FileNameOf(realPages[i])) != 0) existing.push_back(i);
    }
    std::sort(existing.begin(), existing.end());
    return existing;
}

}  // namespace

std::string DescribeClash(const BatchClash& clash, const std::vector<std::string>& names) {
    if (clash.kind == BatchClash::Kind::InputIsPage) {
        const size_t writer = clash.files[0], input = clash.files[1];
        if (writer == input) return names[writer] + " would be written to itself";
        return names[writer] + " would be written to " + clash.page + ", which is also being converted";
    }
    return JoinNames(clash.files, names) + (clash.files.size() == 2 ? " would both" : " would all") +
           " be written to " + clash.page;
}

// A thread's host: it keeps the messages of the file in hand for the
// listener, which hears them once that file's turn comes, and gives the
// conversion up once the batch is to stop.
class BatchDriver::Worker : public ConversionHost {
public:
    explicit Worker(BatchDriver& driver) : driver_(driver) {}

    void Warn(const std::string& text) override { outcome->messages.push_back(text); }
    bool MayReplaceNonPage(const std::string& path) override {
        Warn(NotAPageMessage(path));
        return false;
    }
    // The bytes are read now and then by the reporting thread, which needs
    // no order. Alone on the calling thread, the batch shows its progress
    // only from here.
    int Progress(unsigned long long done, unsigned long long /*total*/) override {
        bytes.store(done, std::memory_order_relaxed);
        if (listener != nullptr) listener->Working(driver_.Progress(done));
        return driver_.StopRequested() ? TORVEX_ABANDON : TORVEX_GO_ON;
    }

    // The file in hand is done: its bytes join those of the files done.
    void FileDone() { driver_.bytes_done_ += bytes.exchange(0, std::memory_order_relaxed); }

    FileOutcome* outcome = nullptr;           // of the file in hand
    std::atomic<unsigned long long> bytes{0};  // read of the file in hand
    BatchListener* listener = nullptr;         // told of the progress when on the calling thread

private:
    BatchDriver& driver_;
};

BatchDriver::BatchDriver(std::vector<BatchFile> files, ConversionOptions options)
    : files_(std::move(files)), options_(std::move(options)), outcomes_(files_.size()) {}

BatchDriver::~BatchDriver() = default;

// Most pages of a batch are new, and a look at a name costs a system call:
// a folder that gets many pages is listed once instead, and only the pages
// that exist are looked at, to see whether one of them is an input under
// another name.
std::vector<BatchClash> BatchDriver::Check() {
    RealPaths real;
    const size_t n = files_.size();
    std::vector<std::string> pages(n), realPages(n);
    std::unordered_map<std::string, size_t> inputAt;  // by real path: the first file
    for (size_t i = 0; i < n; ++i) {
        inputAt.try_emplace(real.Of(files_[i].input), i);
        // A split set is known by its contents page; its section pages are
        // named by the text, and only the conversion learns them.
        pages[i] = options_.split ? FolderOf(files_[i].input) + std::string(SplitContentsPage) : files_[i].output;
        realPages[i] = real.Of(pages[i]);
    }
    std::vector<BatchClash> clashes;
    std::unordered_map<std::string, size_t> firstWriter;
    std::unordered_map<size_t, size_t> clashOf;  // by first writer
    for (size_t i = 0; i < n; ++i) {
        const auto [first, fresh] = firstWriter.try_emplace(realPages[i], i);
        if (fresh) continue;
        const auto [clash, made] = clashOf.try_emplace(first->second, clashes.size());
        if (made) clashes.push_back({BatchClash::Kind::SamePage, {first->second}, pages[first->second]});
        clashes[clash->second].files.push_back(i);
    }
    std::vector<bool> byPath(n, false);
    for (size_t i = 0; i < n; ++i) {
        if (const auto input = inputAt.find(realPages[i]); input != inputAt.end()) {
            clashes.push_back({BatchClash::Kind::InputIsPage, {i, input->second}, pages[i]});
            byPath[i] = true;
        }
    }
    if (const std::vector<size_t> existing = ExistingPages(realPages); !existing.empty()) {
        std::map<std::pair<dev_t, ino_t>, size_t> inputId;
        struct stat info {};
        for (size_t i = 0; i < n; ++i)
            if (stat(files_[i].input.c_str(), &info) == 0) inputId.try_emplace({info.st_dev, info.st_ino}, i);
        for (const size_t i : existing) {
            if (byPath[i] || stat(pages[i].c_str(), &info) != 0) continue;
            if (const auto same = inputId.find({info.st_dev, info.st_ino}); same != inputId.end())
                clashes.push_back({BatchClash::Kind::InputIsPage, {i, same->second}, pages[i]});
        }
    }
    std::stable_sort(clashes.begin(), clashes.end(),
                     [](const BatchClash& a, const BatchClash& b) { return a.files[0] < b.files[0]; });
    return clashes;
}

void BatchDriver::ConvertOne(size_t index, ConversionHost& host, const ConversionOptions& options) {
    FileOutcome& outcome = outcomes_[index];
    ConversionResult result = Convert(files_[index].input, files_[index].output, options, host);
    outcome.output = result.page.empty() ? files_[index].output : std::move(result.page);
    // A stop may have removed the page's temporary file under it: what
    // failed once the stop came is only interrupted. A page that is not
    // one was refused by the host, which said why.
    if (result.status == TORVEX_OK) {
        outcome.state = FileOutcome::State::Converted;
    } else if (result.status == TORVEX_STOPPED || result.status == TORVEX_ABANDONED || StopRequested()) {
        outcome.state = FileOutcome::State::Interrupted;
        outcome.messages.clear();
    } else {
        outcome.state = FileOutcome::State::Failed;
        if (result.status != TORVEX_ERROR_NOT_A_PAGE) outcome.messages.push_back(std::move(result.message));
    }
    ++done_;
}

BatchProgress BatchDriver::Progress(unsigned long long running) const {
    return {done_, files_.size(), bytes_done_ + running};
}

BatchSummary BatchDriver::Summary() const {
    BatchSummary summary;
    for (const FileOutcome& outcome : outcomes_) {
        if (outcome.state == FileOutcome::State::Converted) ++summary.converted;
        else if (outcome.state == FileOutcome::State::Failed) ++summary.failed;
        else ++summary.not_converted;
    }
    summary.interrupted = StopRequested();
    return summary;
}

BatchSummary BatchDriver::Run(ConversionHost& host, BatchListener& listener) { return RunHere(host, nullptr, listener); }

BatchSummary BatchDriver::Run(unsigned jobs, BatchListener& listener) {
    jobs = static_cast<unsigned>(std::clamp<size_t>(jobs, 1, std::max<size_t>(files_.size(), 1)));
    std::vector<std::unique_ptr<Worker>> workers;
    for (unsigned j = 0; j < jobs; ++j) workers.push_back(std::make_unique<Worker>(*this));
    return jobs > 1 ? RunOnThreads(workers, listener) : RunAlone(*workers[0], listener);
}

BatchSummary BatchDriver::RunAlone(Worker& worker, BatchListener& listener) {
    worker.listener = &listener;
    return RunHere(worker, &worker, listener);
}

BatchSummary BatchDriver::RunHere(ConversionHost& host, Worker* worker, BatchListener& listener) {
    ConversionOptions options = options_;
    for (size_t i = 0; i < files_.size() && !StopRequested(); ++i) {
        listener.Starting(i, options);
        if (worker != nullptr) worker->outcome = &outcomes_[i];
        ConvertOne(i, host, options);
        if (worker != nullptr) worker->FileDone();
        const FileOutcome::State state = outcomes_[i].state;
        listener.Finished(i, outcomes_[i]);
        if (state == FileOutcome::State::Interrupted) break;
        if (state == FileOutcome::State::Failed && worker == nullptr) break;  // the caller's own host
        listener.Working(Progress(0));
    }
    return Summary();
}

// Each thread takes the next file not yet taken, so the files taken are
// always the first ones; this thread reports their outcomes in input order
// as they become available, and watches the stop flag meanwhile.
BatchSummary BatchDriver::RunOnThreads(std::vector<std::unique_ptr<Worker>>& workers, BatchListener& listener) {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<bool> finished(files_.size(), false);
    size_t running = 0;  // threads still taking files
    std::atomic<size_t> next{0};

    const auto work = [&](Worker& worker) {
        while (!StopRequested()) {
            const size_t i = next++;
            if (i >= files_.size()) break;
            worker.outcome = &outcomes_[i];
            ConvertOne(i, worker, options_);
            worker.FileDone();
            // Told at the next look, not at once: waking the reporting
            // thread for every small file would cost more than the file.
            std::lock_guard lock(mutex);
            finished[i] = true;
        }
        std::lock_guard lock(mutex);
        --running;
        changed.notify_one();
    };
    std::vector<std::thread> threads;
    for (auto& worker : workers) {
        std::lock_guard lock(mutex);
        ++running;
        try {
            threads.emplace_back(work, std::ref(*worker));
        } catch (const std::system_error&) {  // no more threads to be had: fewer jobs
            --running;
            break;
        }
    }
    if (threads.empty()) return RunAlone(*workers[0], listener);

    size_t reported = 0;
    std::unique_lock lock(mutex);
    for (;;) {
        for (; reported < files_.size() && finished[reported]; ++reported) {
            lock.unlock();
            listener.Finished(reported, outcomes_[reported]);
            lock.lock();
        }
        if (running == 0) break;
        changed.wait_for(lock, PollEvery);
        lock.unlock();
        unsigned long long inHand = 0;
        for (const auto& worker : workers) inHand += worker->bytes;
        listener.Working(Progress(inHand));
        lock.lock();
    }
    lock.unlock();
    for (std::thread& thread : threads) thread.join();
    return Summary();
}

}  // namespace torvex
