// The temporary files that pages are being written to, known to the whole
// process: a signal that ends the program must be able to remove every one
// of them, whichever conversion (or thread) is writing it, and to put back
// the old pages of a set caught half-way into place.
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
// already removed), and no longer part of a set being put in place.
// Remove it before unregistering, so that a signal in between leaves
// nothing behind.
void UnregisterTempFile(TempFileEntry* entry);

// Pages that take their names as one set. Each registered temporary file
// joins the set (the first to join leads it) with the name it is to take
// and, when a file has that name, the name `aside` where that file waits
// until the set is in place. From then until the set is committed, a
// cleanup puts every name of the set back as it was, from whatever point
// the renaming has reached.
void JoinSet(TempFileEntry* leader, TempFileEntry* entry, const std::string& name, const std::string& aside);
// The set is in place for good: its files kept aside are only to be
// removed now. False when a cleanup came first and put the old set back.
bool CommitSet(TempFileEntry* leader);
// Puts the name entry was to take back as it was before its set came:
// the file kept aside returns, a new name goes. Any number of times, from
// any point of the renaming.
void RestoreName(TempFileEntry* entry);

// Removes every registered file, and puts back the names of every set not
// yet committed. Async-signal-safe: made for a signal handler, which may
// interrupt any thread at any point of the above.
void RemoveTempFilesNow() noexcept;

}  // namespace torvex
