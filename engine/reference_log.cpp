#include "reference_log.h"

#include <cstdint>
#include <cstring>

namespace torvex {

namespace {

constexpr size_t MemoryBound = 1 << 20;

// A record: the line number and the label's length, each 8 bytes, then the label.
void AppendNumber(std::string& out, uint64_t value) { out.append(reinterpret_cast<const char*>(&value), 8); }

uint64_t NumberAt(const char* at) {
    uint64_t value = 0;
    std::memcpy(&value, at, 8);
    return value;
}

}  // namespace

void ReferenceLog::Add(long long line, std::string_view label) {
    if (lost_) return;
    AppendNumber(buffer_, static_cast<uint64_t>(line));
    AppendNumber(buffer_, label.size());
    buffer_.append(label);
    if (buffer_.size() > MemoryBound) Spill();
}

void ReferenceLog::Clear() {
    scratch_.Clear();
    buffer_.clear();
    lost_ = false;
}

void ReferenceLog::Spill() {
    lost_ |= !scratch_.Append(buffer_);
    buffer_.clear();
    buffer_.shrink_to_fit();
}

bool ReferenceLog::ForEach(const std::function<void(long long, std::string_view)>& visit) {
    const bool spilled = scratch_.size() > 0;
    if (spilled && !buffer_.empty()) Spill();
    if (lost_) return false;
    std::string records;
    if (!spilled) records.swap(buffer_);
    const unsigned long long end = spilled ? scratch_.size() : records.size();
    std::string label;
    for (unsigned long long at = 0; end - at >= 16;) {
        char header[16];
        const char* head = header;
        if (!spilled)
            head = records.data() + at;
        else if (scratch_.ReadAt(at, header, sizeof header) != sizeof header)
            return false;
        const auto line = static_cast<long long>(NumberAt(head));
        const uint64_t length = NumberAt(head + 8);
        at += 16;
        if (end - at < length) return false;
        if (spilled) {
            label.resize(length);
            if (scratch_.ReadAt(at, label.data(), length) != length) return false;
            visit(line, label);
        } else {
            visit(line, std::string_view(records).substr(at, length));
        }
        at += length;
    }
    return true;
}

}  // namespace torvex
