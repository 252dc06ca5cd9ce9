#include "input_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine.h"
#include "huge_buffer.h"

namespace torvex {

namespace {

constexpr size_t BufferSize = 1 << 16;
constexpr size_t HugeLine = 1 << 24;
// An input that cannot be read twice is held this far in memory while its
// character set is decided; the rest of it waits in a temporary file.
constexpr size_t HeldInMemory = size_t(4) << 20;

[[noreturn]] void Throw(const std::string& path, int err) {
    throw InputError("Cannot open input file " + path + ": " + std::strerror(err));
}

// A descriptor closed when it goes out of scope, unless released.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    int Release() { return std::exchange(fd, -1); }
};

// A file without a name in $TMPDIR (or /tmp): nothing is left behind,
// however the program ends. Where the file system cannot make one, a named
// file is made and its name removed at once.
int OpenTemporaryFile(std::string& folder) {
    const char* tmpdir = std::getenv("TMPDIR");
    folder = tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp";
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0) return fd;
    std::string name = folder + "/torvex-XXXXXX";
    const int named = mkostemp(name.data(), O_CLOEXEC);
    if (named >= 0) unlink(name.c_str());
    return named;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n > 0) {
            bytes.remove_prefix(static_cast<size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            if (n == 0) errno = EIO;
            return false;
        }
    }
    return true;
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
    buffer_.resize(BufferSize);
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
    buffer_.resize(BufferSize);
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
    return ReadMore();
}

// Reads on into the buffer after the bytes it holds; false at the end.
bool InputFile::ReadMore() {
    while (!eof_ && len_ < buffer_.size()) {
        const ssize_t n = ::read(fd_, buffer_.data() + len_, buffer_.size() - len_);
        if (n > 0) {
            len_ += static_cast<size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error_ = path_ + ": " + std::strerror(errno);
        eof_ = true;
    }
    return false;
}

void InputFile::Fail(const std::string& what, int err) const {
    throw InputError(what + ": " + std::strerror(err));
}

void InputFile::FailToHold(const std::string& folder) const {
    const int err = errno;
    Fail("Cannot hold " + path_ + " in a temporary file in " + folder, err);
}

CharacterSet InputFile::Examine() { return regular_ ? ExamineInPlace() : ExamineAndHold(); }

// Reads at explicit positions, so that the conversion then starts where
// the file stood (standard input may be a file read partly before).
CharacterSet InputFile::ExamineInPlace() {
    off_t at = lseek(fd_, 0, SEEK_CUR);
    if (at < 0) at = 0;
    Utf8Check check;
    while (!check.Failed()) {
        const ssize_t n = pread(fd_, buffer_.data(), buffer_.size(), at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(path_, errno);
        if (n == 0) break;
        check.Add({buffer_.data(), static_cast<size_t>(n)});
        at += n;
    }
    return check.IsUtf8Text() ? CharacterSet::Utf8 : CharacterSet::Latin1;
}

// Reads the input to its end, keeping it to be converted afterwards: in
// memory when it is small, else in a temporary file that then stands in
// for it.
CharacterSet InputFile::ExamineAndHold() {
    Utf8Check check;
    std::vector<char> held;
    Descriptor file;
    std::string folder;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(path_, errno);
        if (n == 0) break;
        const std::string_view piece(buffer_.data(), static_cast<size_t>(n));
        check.Add(piece);
        size_ += piece.size();
        if (file.fd < 0 && held.size() + piece.size() <= HeldInMemory) {
            held.insert(held.end(), piece.begin(), piece.end());
            continue;
        }
        if (file.fd < 0) {
            file.fd = OpenTemporaryFile(folder);
            if (file.fd < 0 || !WriteAll(file.fd, {held.data(), held.size()})) FailToHold(folder);
            held = {};
        }
        if (!WriteAll(file.fd, piece)) FailToHold(folder);
    }
    if (file.fd < 0) {
        buffer_ = std::move(held);
        pos_ = 0;
        len_ = buffer_.size();
        eof_ = true;
    } else {
        if (lseek(file.fd, 0, SEEK_SET) != 0) FailToHold(folder);
        if (owns_fd_) ::close(fd_);
        fd_ = file.Release();
        owns_fd_ = true;
        regular_ = true;
    }
    return check.IsUtf8Text() ? CharacterSet::Utf8 : CharacterSet::Latin1;
}

void InputFile::SkipByteOrderMark() {
    constexpr std::string_view Mark = "\xEF\xBB\xBF";
    while (len_ - pos_ < Mark.size() && ReadMore()) {
    }
    if (std::string_view(buffer_.data() + pos_, len_ - pos_).starts_with(Mark)) {
        pos_ += Mark.size();
        consumed_ += Mark.size();
    }
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
        const char* start = buffer_.data() + pos_;
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
