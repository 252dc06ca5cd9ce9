// The cross references of a page set, with the lines they are on, kept for
// the check at the end of the set. Past a small bound they go to an unnamed
// temporary file, so that a document with millions of them needs no more
// memory than a small one.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "scratch_file.h"

namespace torvex {

class ReferenceLog {
public:
    ReferenceLog() = default;
    ReferenceLog(const ReferenceLog&) = delete;
    ReferenceLog& operator=(const ReferenceLog&) = delete;

    void Add(long long line, std::string_view label);
    // None kept any more.
    void Clear();
    // Each reference in the order added. False when they could not all be
    // kept (no room for the temporary file): then none is visited.
    bool ForEach(const std::function<void(long long line, std::string_view label)>& visit);

private:
    void Spill();

    std::string buffer_;
    ScratchFile scratch_;
    bool lost_ = false;
};

}  // namespace torvex
