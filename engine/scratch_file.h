// An unnamed temporary file in $TMPDIR (or /tmp): room for what must be
// kept but is too big to keep in memory (a pipe read to its end, a line of
// hundreds of megabytes). Nothing is left behind, however the program ends.
#pragma once

#include <string>
#include <string_view>

namespace torvex {

class ScratchFile {
public:
    ScratchFile() = default;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() { Close(); }

    // Each of these makes the file on first use. False (with error()) when
    // the file cannot be made or written; the file is then unusable until
    // Clear.
    bool Append(std::string_view bytes);
    // Up to n bytes from offset; fewer only at the end of the file.
    size_t ReadAt(unsigned long long offset, char* to, size_t n);

    unsigned long long size() const { return size_; }
    bool failed() const { return error_ != 0; }
    // "Cannot hold WHAT in a temporary file in FOLDER: reason"
    std::string Describe(const std::string& what) const;

    // Empty again (the file stays, for the next use).
    void Clear();
    void Close();
    // Takes the descriptor away, positioned at the start; the caller closes it.
    int Release();

private:
    bool Open();
    bool Fail(int err);

    int fd_ = -1;
    unsigned long long size_ = 0;
    std::string folder_;
    int error_ = 0;
};

}  // namespace torvex
