// An output page on disk: opened under the rules that keep a conversion from
// clobbering what it must not (devices, the input itself, a link planted
// between delete and create), written through one buffer, closed with its
// errors reported.
#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace torvex {

// Identity of an open file, to recognise the input under another name.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

class PageFile {
public:
    PageFile() = default;
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;
    ~PageFile();

    // What happened when a page was opened.
    enum class OpenResult { Opened, Failed, SameAsInput };

    // Replaces a regular file (or a link to one, or a dangling link) at path
    // by a new, exclusively created file; opens anything else that exists
    // (a device, a FIFO) as it is, without deleting it; a name of the
    // program's own standard output or error (/dev/stdout) writes to that
    // stream. Refuses a path that is the file `input`. On failure error()
    // describes why.
    OpenResult Open(const std::string& path, const FileId* input);

    // Opens standard output as the page (not closed by Close); refuses it
    // when it is the file `input`.
    OpenResult OpenStandardOutput(const FileId* input);

    bool is_open() const { return fd_ >= 0; }
    void Write(std::string_view bytes);
    // Flushes and closes; false (with error()) when any write or the close failed.
    bool Close();

    bool failed() const { return !error_.empty(); }
    const std::string& error() const { return error_; }

private:
    void Flush();
    void WriteAll(std::string_view bytes);
    void Fail(int err);

    int fd_ = -1;
    bool owns_fd_ = true;
    std::string path_;
    std::string buffer_;
    std::string error_;
};

}  // namespace torvex
