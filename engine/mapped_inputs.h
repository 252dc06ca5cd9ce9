// The input files read through a mapping, known to the whole process: a
// file cut short by another process while it is mapped makes a read of a
// page past its new end raise SIGBUS, which a handler turns into a failed
// conversion instead of a crash by calling CoverMappedInput.
#pragma once

#include <cstddef>

namespace torvex {

struct MappedInputEntry;

// Registers the mapping of length bytes at start, before it is read.
MappedInputEntry* RegisterMappedInput(const void* start, size_t length);
// The mapping goes: unregister it before it is unmapped, so that no
// handler covers a range that another mapping may take meanwhile.
void UnregisterMappedInput(MappedInputEntry* entry);
// Whether a handler found the file changed under the mapping (its pages
// then read as zeros).
bool MappedInputChanged(const MappedInputEntry* entry);

// When address lies in a registered mapping, puts zero pages in place of
// the whole mapping, so that the read that faulted goes on, marks the
// input changed and gives true; false for any other address.
// Async-signal-safe: made for a SIGBUS handler.
bool CoverMappedInput(const void* address) noexcept;

}  // namespace torvex
