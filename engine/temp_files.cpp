#include "temp_files.h"

#include <fcntl.h>
#include <sched.h>
#include <stdio.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

#include "handler_list.h"

namespace torvex {

namespace {

// Where the renaming of a set stands; kept by the set's leader.
enum SetState : int { Publishing = 1, Committed, Restored };

}  // namespace

// An entry is never freed: a handler on another thread may be reading it.
// Freed entries are kept for reuse by the thread that let them go, so the
// list grows only with the most files any thread had in flight at once.
struct TempFileEntry {
    std::atomic<bool> live{false};
    char* path = nullptr;  // written only while not live
    size_t capacity = 0;
    // In a set: the name to take and where the file that has it waits
    // ("" for none), written before leader is set.
    std::string name, aside;
    std::atomic<TempFileEntry*> leader{nullptr};
    std::atomic<int> state{0};  // of a set, in its leader
    TempFileEntry* next = nullptr;  // fixed once the entry is in the list
};

namespace {

static_assert(std::atomic<TempFileEntry*>::is_always_lock_free && std::atomic<int>::is_always_lock_free,
              "a signal handler reads and changes these");

std::atomic<TempFileEntry*> entries{nullptr};
thread_local std::vector<TempFileEntry*> spare_entries;
// Cleanups under way. An entry let go is written again only once none is,
// so that a cleanup never reads names half rewritten.
std::atomic<int> sweeps{0};

TempFileEntry* Register(const std::string& path) {
    const size_t need = path.size() + 1;
    TempFileEntry* entry = nullptr;
    if (!spare_entries.empty() && spare_entries.back()->capacity >= need) {
        entry = spare_entries.back();
        spare_entries.pop_back();
        while (sweeps.load() != 0) sched_yield();
    }
    const bool fresh = entry == nullptr;
    if (fresh) {
        entry = new TempFileEntry;
        entry->capacity = (need + 31) / 32 * 32;  // room for a slightly longer name next time
        entry->path = new char[entry->capacity];
    }
    std::memcpy(entry->path, path.c_str(), need);
    entry->live.store(true, std::memory_order_release);
    if (fresh) AddForHandlers(entries, entry);
    return entry;
}

// Six characters for the name: from the kernel's generator, or failing that
// from the clock; a name that is taken is simply tried again.
void RandomCharacters(char* out) {
    static constexpr char Letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char bytes[6];
    if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
        auto seed = static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
        for (unsigned char& b : bytes) b = static_cast<unsigned char>(seed >>= 7);
    }
    for (size_t i = 0; i < sizeof bytes; ++i) out[i] = Letters[bytes[i] % (sizeof Letters - 1)];
}

}  // namespace

int CreateRegisteredTempFile(const std::string& prefix, std::string& name, TempFileEntry*& entry) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix + "XXXXXX";
        RandomCharacters(name.data() + prefix.size());
        entry = Register(name);
        // Readable too: a page written here may move what it holds to make room.
        const int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) return fd;
        const int err = errno;
        UnregisterTempFile(entry);  // not ours: it existed, or nothing was created
        entry = nullptr;
        if (err != EEXIST) {
            errno = err;
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

void UnregisterTempFile(TempFileEntry* entry) {
    if (entry == nullptr) return;
    entry->leader.store(nullptr);
    entry->live.store(false);
    spare_entries.push_back(entry);
}

void JoinSet(TempFileEntry* leader, TempFileEntry* entry, const std::string& name, const std::string& aside) {
    entry->name = name;
    entry->aside = aside;
    if (entry == leader) leader->state.store(Publishing);
    entry->leader.store(leader);
}

bool CommitSet(TempFileEntry* leader) {
    int state = Publishing;
    return leader->state.compare_exchange_strong(state, Committed);
}

// Each name changes at once (a rename), so a temporary file that is gone
// has taken its name. A file kept aside goes back over the new page; while
// it is still a second name of the old page (a link), that name just goes.
void RestoreName(TempFileEntry* entry) {
    const bool placed = unlink(entry->path) != 0 && errno == ENOENT;
    if (!entry->aside.empty()) {
        rename(entry->aside.c_str(), entry->name.c_str());
        unlink(entry->aside.c_str());
    } else if (placed) {
        unlink(entry->name.c_str());
    }
}

// The first cleanup to reach a set that is still being renamed decides
// that it goes back; the set's own thread then learns it at CommitSet.
void RemoveTempFilesNow() noexcept {
    ++sweeps;
    for (TempFileEntry* e = entries.load(std::memory_order_acquire); e != nullptr; e = e->next) {
        if (!e->live.load()) continue;
        TempFileEntry* leader = e->leader.load();
        int state = Publishing;
        if (leader == nullptr)
            unlink(e->path);
        else if (leader->state.compare_exchange_strong(state, Restored) || state == Restored)
            RestoreName(e);
        else if (state == Committed && !e->aside.empty())
            unlink(e->aside.c_str());
    }
    --sweeps;
}

}  // namespace torvex
