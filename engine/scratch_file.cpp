#include "scratch_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "read_at.h"

namespace torvex {

// Where the file system cannot make a file without a name, a named one is
// made and its name removed at once.
bool ScratchFile::Open() {
    const char* tmpdir = std::getenv("TMPDIR");
    folder_ = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    fd_ = ::open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ >= 0) return true;
    std::string name = folder_ + "/torvex-XXXXXX";
    fd_ = mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) return Fail(errno);
    unlink(name.c_str());
    return true;
}

bool ScratchFile::Fail(int err) {
    if (error_ == 0) error_ = err;
    return false;
}

std::string ScratchFile::Describe(const std::string& what) const {
    return "Cannot hold " + what + " in a temporary file in " + folder_ + ": " + std::strerror(error_);
}

bool ScratchFile::Append(std::string_view bytes) {
    if (failed() || (fd_ < 0 && !Open())) return false;
    while (!bytes.empty()) {
        const ssize_t n = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(size_));
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
            size_ += static_cast<unsigned long long>(n);
        } else if (n == 0 || errno != EINTR) {
            return Fail(n == 0 ? EIO : errno);
        }
    }
    return true;
}

size_t ScratchFile::ReadAt(unsigned long long offset, char* to, size_t n) {
    if (fd_ < 0 || failed()) return 0;
    int error = 0;
    const size_t done = torvex::ReadAt(fd_, offset, to, n, error);
    if (error != 0) Fail(error);
    return done;
}

void ScratchFile::Clear() {
    if (fd_ >= 0 && (size_ > 0 || failed()) && ftruncate(fd_, 0) != 0) Close();
    size_ = 0;
    error_ = 0;
}

void ScratchFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    size_ = 0;
    error_ = 0;
}

int ScratchFile::Release() {
    if (fd_ >= 0 && lseek(fd_, 0, SEEK_SET) != 0) Fail(errno);
    size_ = 0;
    return std::exchange(fd_, -1);
}

}  // namespace torvex
