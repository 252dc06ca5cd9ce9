#include "temp_files.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <vector>

namespace torvex {

// An entry is never freed: a handler on another thread may be reading it.
// Freed entries are kept for reuse by the thread that let them go, so the
// list grows only with the most files any thread had in flight at once.
struct TempFileEntry {
    std::atomic<bool> live{false};
    char* path = nullptr;  // written only while not live
    size_t capacity = 0;
    TempFileEntry* next = nullptr;  // fixed once the entry is in the list
};

namespace {

std::atomic<TempFileEntry*> entries{nullptr};
thread_local std::vector<TempFileEntry*> spare_entries;

TempFileEntry* Register(const std::string& path) {
    const size_t need = path.size() + 1;
    TempFileEntry* entry = nullptr;
    if (!spare_entries.empty() && spare_entries.back()->capacity >= need) {
        entry = spare_entries.back();
        spare_entries.pop_back();
    }
    const bool fresh = entry == nullptr;
    if (fresh) {
        entry = new TempFileEntry;
        entry->capacity = (need + 31) / 32 * 32;  // room for a slightly longer name next time
        entry->path = new char[entry->capacity];
    }
    std::memcpy(entry->path, path.c_str(), need);
    entry->live.store(true, std::memory_order_release);
    if (fresh) {
        entry->next = entries.load(std::memory_order_relaxed);
        while (!entries.compare_exchange_weak(entry->next, entry, std::memory_order_release,
                                              std::memory_order_relaxed)) {
        }
    }
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
    entry->live.store(false, std::memory_order_release);
    spare_entries.push_back(entry);
}

void RemoveTempFilesNow() noexcept {
    for (TempFileEntry* e = entries.load(std::memory_order_acquire); e != nullptr; e = e->next)
        if (e->live.load(std::memory_order_acquire)) unlink(e->path);
}

}  // namespace torvex
