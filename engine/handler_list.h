// A list that signal handlers walk while any thread may add to it. An
// entry is never taken out nor freed, as a handler on another thread may
// be reading it; its owner marks it unused and reuses it instead.
#pragma once

#include <atomic>

namespace torvex {

// Puts a new entry at the head of list; its next stays as it is from then on.
template <class Entry>
void AddForHandlers(std::atomic<Entry*>& list, Entry* entry) {
    entry->next = list.load(std::memory_order_relaxed);
    while (!list.compare_exchange_weak(entry->next, entry, std::memory_order_release, std::memory_order_relaxed)) {
    }
}

}  // namespace torvex
