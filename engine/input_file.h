// The text file being converted, read through one buffer and cut at LF.
#pragma once

#include <memory>
#include <string>

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

    int fd_ = -1;
    bool owns_fd_ = true;
    std::string path_;
    // Not cleared when made: a batch opens thousands of small files.
    std::unique_ptr<char[]> buffer_;
    size_t pos_ = 0, len_ = 0;
    bool eof_ = false;
    std::string error_;
    FileId id_;
    bool regular_ = false;
    unsigned long long size_ = 0, consumed_ = 0;
};

}  // namespace torvex
