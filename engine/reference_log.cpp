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

ReferenceLog::~ReferenceLog() {
    if (spill_ != nullptr) std::fclose(spill_);
}

void ReferenceLog::Add(long long line, std::string_view label) {
    if (lost_) return;
    AppendNumber(buffer_, static_cast<uint64_t>(line));
    AppendNumber(buffer_, label.size());
    buffer_.append(label);
    if (buffer_.size() > MemoryBound) Spill();
}

void ReferenceLog::Clear() {
    if (spill_ != nullptr) std::fclose(spill_);
    spill_ = nullptr;
    buffer_.clear();
    lost_ = false;
}

void ReferenceLog::Spill() {
    if (spill_ == nullptr) spill_ = std::tmpfile();  // unnamed: gone with the process, whatever ends it
    if (spill_ == nullptr || std::fwrite(buffer_.data(), 1, buffer_.size(), spill_) != buffer_.size()) lost_ = true;
    buffer_.clear();
    buffer_.shrink_to_fit();
}

bool ReferenceLog::ForEach(const std::function<void(long long, std::string_view)>& visit) {
    if (spill_ != nullptr && !buffer_.empty()) Spill();
    if (lost_) return false;
    std::string records;
    if (spill_ != nullptr) {
        if (std::fflush(spill_) != 0) return false;
        std::rewind(spill_);
    } else {
        records.swap(buffer_);
    }
    size_t pos = 0;
    for (;;) {
        if (spill_ != nullptr && records.size() - pos < 16) {
            // Read on until the next record is whole.
            records.erase(0, pos);
            pos = 0;
            char chunk[1 << 16];
            const size_t n = std::fread(chunk, 1, sizeof chunk, spill_);
            if (n == 0 && std::ferror(spill_)) return false;
            records.append(chunk, n);
            if (n == 0) break;
            continue;
        }
        if (records.size() - pos < 16) break;
        const auto line = static_cast<long long>(NumberAt(records.data() + pos));
        const size_t length = NumberAt(records.data() + pos + 8);
        while (spill_ != nullptr && records.size() - pos - 16 < length) {
            char chunk[1 << 16];
            const size_t n = std::fread(chunk, 1, sizeof chunk, spill_);
            if (n == 0) return false;
            records.append(chunk, n);
        }
        if (records.size() - pos - 16 < length) return false;
        visit(line, std::string_view(records).substr(pos + 16, length));
        pos += 16 + length;
    }
    return true;
}

}  // namespace torvex
