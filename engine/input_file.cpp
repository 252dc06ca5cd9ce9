#include "input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "read_at.h"

namespace torvex {

namespace {

// An input that cannot be read twice is held this far in memory while its
// character set is decided; the rest of it waits in a temporary file.
constexpr size_t HeldInMemory = size_t(4) << 20;

// The lines of a text in memory are read where they lie as long as they
// end this far before its end: the scanner reads up to 64 bytes past the
// data it is given, and a short line is copied 64 bytes at a time. The
// last bytes are copied into the buffer, which has room for that.
constexpr size_t MemoryMargin = 2 * LineScanner::Padding;

[[noreturn]] void Throw(const std::string& path, int err) {
    throw InputError("Cannot open input file " + Describe(path, err));
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
    // A file read partly before is converted from where it stands.
    if (regular_) start_ = offset_ = static_cast<unsigned long long>(std::max<off_t>(lseek(fd_, 0, SEEK_CUR), 0));
}

void InputFile::OpenMemory(std::string_view text, std::string name) {
    Close();
    path_ = std::move(name);
    in_memory_ = true;
    memory_ = text;
    size_ = text.size();
    ShowMemory(0);
}

// The text from at on, read where it lies as far as its lines can be;
// from its last bytes on, from a copy.
void InputFile::ShowMemory(unsigned long long at) {
    const size_t inPlace = memory_.size() > MemoryMargin ? memory_.size() - MemoryMargin : 0;
    if (at >= inPlace) return CopyRest(at);
    data_ = memory_.data();
    offset_ = 0;
    pos_ = static_cast<size_t>(at);
    len_ = inPlace;
    eof_ = false;
    scanner_.Reset(data_, len_);
}

// The last bytes of the text in memory, from at on: no more than a line
// held whole and the margin, as a longer line is read where it lies.
void InputFile::CopyRest(unsigned long long at) {
    const size_t rest = memory_.size() - static_cast<size_t>(at);
    pos_ = len_ = 0;
    Allocate(rest);
    data_ = buffer_.get();
    if (rest > 0) std::memcpy(buffer_.get(), memory_.data() + at, rest);
    offset_ = at;
    len_ = rest;
    eof_ = true;
    scanner_.Reset(data_, len_);
}

void InputFile::Close() {
    if (fd_ >= 0 && owns_fd_) ::close(fd_);
    fd_ = -1;
    in_memory_ = false;
    memory_ = {};
    data_ = buffer_.get();
    regular_ = held_ = eof_ = virtual_lf_ = checking_ = false;
    pos_ = len_ = 0;
    start_ = offset_ = consumed_ = 0;
    error_.clear();
    long_copy_.Close();
}

void InputFile::SetLimits(size_t readSize, size_t lineInMemory) {
    read_size_ = std::max<size_t>(readSize, 1);
    line_in_memory_ = lineInMemory;
}

// Room for capacity bytes, keeping those in hand; beyond them lies room for
// the LF a last line may get and the scanner's padding.
void InputFile::Allocate(size_t capacity) {
    if (buffer_ && capacity <= capacity_) return;
    std::unique_ptr<char[]> buffer(new char[capacity + 1 + LineScanner::Padding]);
    if (len_ > 0) std::memcpy(buffer.get(), buffer_.get(), len_);
    buffer_ = std::move(buffer);
    data_ = buffer_.get();
    capacity_ = capacity;
}

size_t InputFile::ReadSome(char* to, size_t n) {
    for (;;) {
        const ssize_t got = ::read(fd_, to, n);
        if (got > 0) return static_cast<size_t>(got);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) error_ = Describe(path_, errno);
        eof_ = true;
        return 0;
    }
}

// Moves the line begun to the front and reads more after it; false when
// nothing more comes.
bool InputFile::Refill() {
    if (in_memory_) {
        if (eof_) return false;
        const size_t before = len_ - pos_;
        CopyRest(offset_ + pos_);
        return len_ > before;
    }
    if (pos_ > 0) {
        std::memmove(buffer_.get(), buffer_.get() + pos_, len_ - pos_);
        offset_ += pos_;
        len_ -= pos_;
        pos_ = 0;
    }
    size_t got = 0;
    if (!eof_ && !held_) {
        // Room for a line begun (at most the limit long) and a read after
        // it, grown as needed; a small file needs no more than itself.
        if (!buffer_ || capacity_ - len_ < read_size_) {
            const size_t most = std::max(line_in_memory_, len_) + read_size_;
            unsigned long long capacity = std::max(std::min(most, std::max<size_t>(2 * capacity_, 1)), len_ + read_size_);
            if (regular_ && size_ >= offset_ + len_)
                capacity = std::min(capacity, std::max<unsigned long long>(size_ - offset_ + 4096, len_ + 1));
            Allocate(static_cast<size_t>(capacity));
        }
        got = ReadSome(buffer_.get() + len_, std::min(read_size_, capacity_ - len_));
        Check(offset_ + len_, {buffer_.get() + len_, got});
        len_ += got;
    }
    scanner_.Reset(buffer_.get(), len_);
    return got > 0;
}

// The line in hand reaches past the data read, or past the limit.
bool InputFile::NextLineAfterRefill(Line& line) {
    for (;;) {
        ScannedLine scanned;
        if (pos_ < len_ && scanner_.Scan(pos_, scanned)) {
            if (scanned.end - pos_ <= line_in_memory_) return NextLine(line);
            line.whole = false;
            return true;
        }
        if (len_ - pos_ > line_in_memory_) {
            line.whole = false;
            return true;
        }
        if (!Refill()) {
            if (pos_ >= len_) return false;
            buffer_[len_++] = '\n';  // the last line has none: it gets one
            virtual_lf_ = true;
            scanner_.Reset(buffer_.get(), len_);
        }
    }
}

void InputFile::Fail(const std::string& what, int err) const { throw InputError(Describe(what, err)); }

CharacterSet InputFile::Examine() {
    if (in_memory_) {
        Utf8Check check;
        check.Add(memory_.substr(static_cast<size_t>(start_)));
        return check.IsUtf8Text() ? CharacterSet::Utf8 : CharacterSet::Latin1;
    }
    return regular_ ? ExamineInPlace() : ExamineAndHold();
}

// Reads at explicit positions, so that the conversion then starts where
// the file stood (standard input may be a file read partly before).
CharacterSet InputFile::ExamineInPlace() {
    Allocate(read_size_);
    unsigned long long at = offset_;
    Utf8Check check;
    while (!check.Failed()) {
        int err = 0;
        const size_t n = torvex::ReadAt(fd_, at, buffer_.get(), capacity_, err);
        if (err != 0) Fail(path_, err);
        if (n == 0) break;
        check.Add({buffer_.get(), n});
        at += n;
    }
    return check.IsUtf8Text() ? CharacterSet::Utf8 : CharacterSet::Latin1;
}

// Reads the input to its end, keeping it to be converted afterwards: in
// memory when it is small, else in a temporary file that then stands in
// for it.
CharacterSet InputFile::ExamineAndHold() {
    Allocate(read_size_);
    Utf8Check check;
    std::string held;
    ScratchFile copy;
    bool copied = false;
    for (;;) {
        const ssize_t n = ::read(fd_, buffer_.get(), capacity_);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail(path_, errno);
        if (n == 0) break;
        const std::string_view piece(buffer_.get(), static_cast<size_t>(n));
        check.Add(piece);
        size_ += piece.size();
        if (!copied && held.size() + piece.size() <= HeldInMemory) {
            held.append(piece);
            continue;
        }
        if (!copied) {
            copied = true;
            copy.Append(held);
            held = {};
        }
        if (!copy.Append(piece)) break;
    }
    if (copy.failed()) throw InputError(copy.Describe(path_));
    if (owns_fd_) ::close(fd_);
    owns_fd_ = true;
    if (copied) {
        fd_ = copy.Release();
        if (fd_ < 0) throw InputError(copy.Describe(path_));
        regular_ = true;
        offset_ = 0;
    } else {
        fd_ = -1;
        held_ = true;
        len_ = 0;
        Allocate(held.size());
        std::memcpy(buffer_.get(), held.data(), held.size());
        len_ = held.size();
        scanner_.Reset(buffer_.get(), len_);
    }
    eof_ = !copied;
    return check.IsUtf8Text() ? CharacterSet::Utf8 : CharacterSet::Latin1;
}

void InputFile::CheckAsRead() {
    checking_ = true;
    check_ = {};
    checked_ = offset_ + len_;
    guess_ = CharacterSet::Latin1;
}

void InputFile::Check(unsigned long long at, std::string_view bytes) {
    if (!checking_ || check_.Failed() || at + bytes.size() <= checked_) return;
    check_.Add(bytes.substr(static_cast<size_t>(checked_ > at ? checked_ - at : 0)));
    checked_ = at + bytes.size();
    guess_ = !check_.Failed() && check_.BeyondAscii() ? CharacterSet::Utf8 : CharacterSet::Latin1;
}

CharacterSet InputFile::Settle() {
    if (!checking_) return guess_;
    std::unique_ptr<char[]> chunk(new char[read_size_]);
    while (!check_.Failed()) {
        int err = 0;
        const size_t n = torvex::ReadAt(fd_, checked_, chunk.get(), read_size_, err);
        if (n > 0) Check(checked_, {chunk.get(), n});
        if (err != 0 && error_.empty()) error_ = Describe(path_, err);
        if (n == 0 || err != 0) break;
    }
    checking_ = false;
    return guess_ = check_.IsUtf8Text() ? CharacterSet::Utf8 : CharacterSet::Latin1;
}

void InputFile::Rewind() {
    pos_ = len_ = 0;
    offset_ = start_;
    consumed_ = 0;
    eof_ = virtual_lf_ = false;
    long_copy_.Clear();
    if (in_memory_) return ShowMemory(start_);
    if (lseek(fd_, static_cast<off_t>(start_), SEEK_SET) < 0 && error_.empty()) error_ = Describe(path_, errno);
    scanner_.Reset(buffer_.get(), len_);
}

bool InputFile::StartsWithByteOrderMark() {
    if (in_memory_) return memory_.substr(static_cast<size_t>(start_)).starts_with("\xEF\xBB\xBF");
    char start[3] = {};
    return pread(fd_, start, sizeof start, static_cast<off_t>(start_)) == 3 && std::string_view(start, 3) == "\xEF\xBB\xBF";
}

void InputFile::SkipByteOrderMark() {
    constexpr std::string_view Mark = "\xEF\xBB\xBF";
    while (len_ - pos_ < Mark.size() && Refill()) {
    }
    if (std::string_view(data_ + pos_, len_ - pos_).starts_with(Mark)) {
        pos_ += Mark.size();
        consumed_ += Mark.size();
    }
}

bool InputFile::Measure(const std::function<void(std::string_view)>& see, unsigned long long& length) {
    if (in_memory_) {
        MeasureInMemory(see);
        length = long_length_;
        return true;
    }
    const bool copy = !regular_ && !held_;  // a pipe: what is read is kept to be read again
    long_copy_.Clear();
    long_start_ = held_ ? pos_ : offset_ + pos_;
    long_lf_ = false;
    unsigned long long total = 0;
    const auto take = [&](std::string_view bytes) {
        if (const void* lf = std::memchr(bytes.data(), '\n', bytes.size())) {
            bytes = bytes.substr(0, static_cast<size_t>(static_cast<const char*>(lf) - bytes.data()));
            long_lf_ = true;
        }
        see(bytes);
        total += bytes.size();
        if (copy) long_copy_.Append(bytes);
        return bytes.size();
    };
    // The line's start is in the buffer; a pipe's bytes after its LF stay there.
    size_t taken = take({buffer_.get() + pos_, len_ - pos_});
    if (copy) {
        const size_t after = long_lf_ ? pos_ + taken + 1 : len_;
        std::memmove(buffer_.get(), buffer_.get() + after, len_ - after);
        len_ -= after;
        pos_ = 0;
    }
    if (!long_lf_ && !held_ && !eof_) {
        std::unique_ptr<char[]> chunk(new char[read_size_]);
        unsigned long long at = offset_ + len_;
        int err = 0;  // a read that fails ends the line after the bytes that came before the failure
        while (!long_lf_ && err == 0) {
            size_t n = 0;
            if (copy) {
                n = ReadSome(chunk.get(), read_size_);
            } else {
                n = torvex::ReadAt(fd_, at, chunk.get(), read_size_, err);
                if (err != 0) error_ = Describe(path_, err);
            }
            if (n == 0) break;
            if (!copy) Check(at, {chunk.get(), n});
            at += n;
            taken = take({chunk.get(), n});
            if (copy && long_lf_) {
                std::memcpy(buffer_.get(), chunk.get() + taken + 1, n - taken - 1);
                len_ = n - taken - 1;
            }
        }
    }
    if (copy && long_copy_.failed()) error_ = long_copy_.Describe("a long line of " + path_);
    long_length_ = length = total;
    return error_.empty();
}

void InputFile::MeasureInMemory(const std::function<void(std::string_view)>& see) {
    long_start_ = offset_ + pos_;
    std::string_view line = memory_.substr(static_cast<size_t>(long_start_));
    const void* lf = std::memchr(line.data(), '\n', line.size());
    long_lf_ = lf != nullptr;
    if (long_lf_) line = line.substr(0, static_cast<size_t>(static_cast<const char*>(lf) - line.data()));
    see(line);
    long_length_ = line.size();
}

size_t InputFile::ReadLong(unsigned long long offset, char* to, size_t n) {
    if (offset >= long_length_) return 0;
    n = static_cast<size_t>(std::min<unsigned long long>(n, long_length_ - offset));
    if (held_ || in_memory_) {
        std::memcpy(to, (held_ ? buffer_.get() : memory_.data()) + long_start_ + offset, n);
        return n;
    }
    if (!regular_) return long_copy_.ReadAt(offset, to, n);
    int error = 0;
    const size_t done = torvex::ReadAt(fd_, long_start_ + offset, to, n, error);
    if (error != 0 && error_.empty()) error_ = Describe(path_, error);
    return done;
}

void InputFile::EndLongLine() {
    const unsigned long long line = long_length_ + (long_lf_ ? 1 : 0);
    consumed_ += line;
    if (in_memory_) return ShowMemory(long_start_ + line);
    if (held_) {
        pos_ += static_cast<size_t>(line);
        if (pos_ > len_) pos_ = len_;
    } else if (regular_) {
        // Read on after the line, from the file.
        pos_ = len_ = 0;
        offset_ = long_start_ + line;
        if (lseek(fd_, static_cast<off_t>(offset_), SEEK_SET) < 0 && error_.empty())
            error_ = Describe(path_, errno);
        eof_ = eof_ || !long_lf_ || !error_.empty();
    } else {
        eof_ = eof_ || !long_lf_;
        long_copy_.Clear();
    }
    scanner_.Reset(buffer_.get(), len_);
}

}  // namespace torvex
