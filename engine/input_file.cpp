#include "input_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine.h"
#include "huge_buffer.h"

namespace torvex {

namespace {

constexpr size_t BufferSize = 1 << 16;
constexpr size_t HugeLine = 1 << 24;

[[noreturn]] void Throw(const std::string& path, int err) {
    throw InputError("Cannot open input file " + path + ": " + std::strerror(err));
}

}  // namespace

InputFile::~InputFile() { Close(); }

void InputFile::Open(const std::string& path) {
    Close();
    path_ = path;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Throw(path, errno);
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        const int err = errno;
        ::close(fd);
        Throw(path, err);
    }
    if (S_ISDIR(info.st_mode)) {
        ::close(fd);
        Throw(path, EISDIR);
    }
    fd_ = fd;
    owns_fd_ = true;
    id_ = {info.st_dev, info.st_ino};
    regular_ = S_ISREG(info.st_mode);
    size_ = regular_ ? static_cast<unsigned long long>(info.st_size) : 0;
    if (!buffer_) buffer_.reset(new char[BufferSize]);
}

void InputFile::OpenStandardInput() {
    Close();
    path_ = "standard input";
    fd_ = STDIN_FILENO;
    owns_fd_ = false;
    struct stat info {};
    if (fstat(fd_, &info) == 0) {
        id_ = {info.st_dev, info.st_ino};
        regular_ = S_ISREG(info.st_mode);
        size_ = regular_ ? static_cast<unsigned long long>(info.st_size) : 0;
    }
    if (!buffer_) buffer_.reset(new char[BufferSize]);
}

void InputFile::Close() {
    if (fd_ >= 0 && owns_fd_) ::close(fd_);
    fd_ = -1;
    pos_ = len_ = 0;
    eof_ = false;
    consumed_ = 0;
    error_.clear();
}

bool InputFile::Fill() {
    pos_ = len_ = 0;
    while (!eof_) {
        const ssize_t n = ::read(fd_, buffer_.get(), BufferSize);
        if (n > 0) {
            len_ = static_cast<size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error_ = path_ + ": " + std::strerror(errno);
        eof_ = true;
    }
    return false;
}

bool InputFile::AtEnd() { return pos_ >= len_ && !Fill(); }

bool InputFile::ReadLine(std::string& raw) {
    raw.clear();
    for (;;) {
        if (pos_ >= len_ && !Fill()) {
            if (raw.empty()) return false;
            raw.push_back('\n');
            return true;
        }
        const char* start = buffer_.get() + pos_;
        const size_t avail = len_ - pos_;
        const void* lf = std::memchr(start, '\n', avail);
        const size_t take = lf ? static_cast<size_t>(static_cast<const char*>(lf) - start) + 1 : avail;
        if (!lf && regular_ && raw.size() >= HugeLine && size_ > consumed_ &&
            raw.capacity() < raw.size() + (size_ - consumed_)) {
            // A line this long may well run to the end of the file: one
            // allocation for all of it beats doubling (and copying) again and
            // again. (A file that grows while it is read has more than size_.)
            ReserveHuge(raw, raw.size() + (size_ - consumed_) + 32);  // room for the line end and suffix
        }
        raw.append(start, take);
        pos_ += take;
        consumed_ += take;
        if (lf) return true;
    }
}

}  // namespace torvex
