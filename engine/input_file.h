// The text file being converted, read through one buffer and cut at LF.
#pragma once

#include <string>
#include <vector>

#include "character_set.h"
#include "page_file.h"

namespace torvex {

class InputFile {
public:
    InputFile() = default;
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Opens path for reading; throws InputError naming the file and the
    // system's reason (a directory is refused here, not halfway through).
    void Open(const std::string& path);
    void OpenStandardInput();
    void Close();

    // Reads the whole input once, before any line is read, to tell the
    // character set of its text: Utf8 for valid UTF-8 that goes beyond
    // ASCII, Latin1 otherwise. A regular file is read again from where it
    // began; any other input (a pipe) is held meanwhile, in memory up to a
    // few megabytes and beyond that in an unnamed temporary file. Throws
    // InputError when the input cannot be read or held.
    CharacterSet Examine();
    // Passes over a UTF-8 byte-order mark at the start of the input.
    void SkipByteOrderMark();

    // The next line into raw, with its LF; a last line without one gets one,
    // so that it is converted like any other. False when nothing is left.
    bool ReadLine(std::string& raw);
    bool AtEnd();

    // Non-empty when a read failed; the input then counts as ended.
    const std::string& error() const { return error_; }
    const FileId& id() const { return id_; }
    unsigned long long size() const { return size_; }
    unsigned long long consumed() const { return consumed_; }

private:
    bool Fill();
    bool ReadMore();
    CharacterSet ExamineInPlace();
    CharacterSet ExamineAndHold();
    [[noreturn]] void Fail(const std::string& what, int err) const;
    [[noreturn]] void FailToHold(const std::string& folder) const;

    int fd_ = -1;
    bool owns_fd_ = true;
    std::string path_;
    std::vector<char> buffer_;
    size_t pos_ = 0, len_ = 0;
    bool eof_ = false;
    std::string error_;
    FileId id_;
    bool regular_ = false;
    unsigned long long size_ = 0, consumed_ = 0;
};

}  // namespace torvex
