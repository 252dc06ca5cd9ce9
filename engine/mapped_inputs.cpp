#include "mapped_inputs.h"

#include <sched.h>
#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <vector>

#include "handler_list.h"

namespace torvex {

// An entry is never freed: a handler on another thread may be reading it.
// Freed entries are kept for reuse by the thread that let them go, so the
// list grows only with the most inputs any thread had mapped at once.
struct MappedInputEntry {
    std::atomic<bool> live{false};
    std::atomic<bool> changed{false};
    uintptr_t start = 0;  // written only while not live
    size_t length = 0;
    MappedInputEntry* next = nullptr;  // fixed once the entry is in the list
};

namespace {

static_assert(std::atomic<MappedInputEntry*>::is_always_lock_free && std::atomic<bool>::is_always_lock_free &&
                  std::atomic<int>::is_always_lock_free,
              "a signal handler reads and changes these");

std::atomic<MappedInputEntry*> entries{nullptr};
thread_local std::vector<MappedInputEntry*> spare_entries;
// Handlers under way. An entry let go is written again only once none is,
// so that a handler never reads a range half rewritten.
std::atomic<int> covering{0};

}  // namespace

MappedInputEntry* RegisterMappedInput(const void* start, size_t length) {
    MappedInputEntry* entry = nullptr;
    if (!spare_entries.empty()) {
        entry = spare_entries.back();
        spare_entries.pop_back();
        while (covering.load() != 0) sched_yield();
    }
    const bool fresh = entry == nullptr;
    if (fresh) entry = new MappedInputEntry;
    entry->start = reinterpret_cast<uintptr_t>(start);
    entry->length = length;
    entry->changed.store(false);
    entry->live.store(true, std::memory_order_release);
    if (fresh) AddForHandlers(entries, entry);
    return entry;
}

void UnregisterMappedInput(MappedInputEntry* entry) {
    if (entry == nullptr) return;
    entry->live.store(false);
    spare_entries.push_back(entry);
}

bool MappedInputChanged(const MappedInputEntry* entry) { return entry->changed.load(std::memory_order_relaxed); }

// mmap is a plain system call here, which a handler may make: it takes no
// lock of the process's own.
bool CoverMappedInput(const void* address) noexcept {
    const auto at = reinterpret_cast<uintptr_t>(address);
    bool covered = false;
    ++covering;
    for (MappedInputEntry* e = entries.load(std::memory_order_acquire); e != nullptr && !covered; e = e->next) {
        if (!e->live.load() || at < e->start || at - e->start >= e->length) continue;
        covered = mmap(reinterpret_cast<void*>(e->start), e->length, PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED;
        if (covered) e->changed.store(true);
    }
    --covering;
    return covered;
}

}  // namespace torvex
