// The temporary files that pages are being written to, known to the whole
// process: a signal that ends the program must be able to remove every one
// of them, whichever conversion (or thread) is writing it.
#pragma once

#include <string>

namespace torvex {

struct TempFileEntry;

// Creates a new file with a free name made from `prefix` and six random
// characters, exclusively, readable by the owner only and open for reading
// and writing, and registers it before it exists, so that no signal can
// come between the two. Gives the descriptor (-1 with errno set on
// failure) and fills name and entry.
int CreateRegisteredTempFile(const std::string& prefix, std::string& name, TempFileEntry*& entry);

// The file at entry is no longer ours to remove (renamed into place, or
// already removed). Remove it before unregistering, so that a signal in
// between leaves nothing behind.
void UnregisterTempFile(TempFileEntry* entry);

// Removes every registered file. Async-signal-safe: made for a signal
// handler, which may interrupt any thread at any point of the above.
void RemoveTempFilesNow() noexcept;

}  // namespace torvex
