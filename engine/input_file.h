// The text file being converted, read through one buffer and cut at LF.
// Lines up to a limit are handed out where they lie in the buffer; a
// longer line is read where it lies in the file (or, from a pipe, from a
// temporary copy), as often as its conversion needs. A text in memory is
// read where it lies, lines and long lines alike, but for its last bytes;
// so is a great file read through a mapping, a window at a time.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/types.h>

#include "character_set.h"
#include "line_scanner.h"
#include "mapped_inputs.h"
#include "scratch_file.h"
#include "utf8.h"

namespace torvex {

// The input file could not be opened or read as a file. The conversion
// does not turn this into a result: the caller decides how to report it.
// No output file has been touched when it is thrown.
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Identity of an open file, to recognise the input under another name.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
};

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
    // The text in memory, which stays as it is until Close; name stands for
    // it in messages.
    void OpenMemory(std::string_view text, std::string name);
    void Close();

    // How much is read at a time, the longest line held whole, and from
    // what size on a file opened by name is read through a mapping. A
    // mapped file that changes meanwhile ends the input with an error; one
    // cut short raises SIGBUS, which the process must hand to
    // CoverMappedInput (see mapped_inputs.h).
    void SetLimits(size_t readSize, size_t lineInMemory, unsigned long long mapFrom);

    // Reads the whole input once, before any line is read, to tell the
    // character set of its text: Utf8 for valid UTF-8 that goes beyond
    // ASCII, Latin1 otherwise. A regular file is read again from where it
    // began; any other input (a pipe) is held meanwhile, in memory up to a
    // few megabytes and beyond that in an unnamed temporary file. Throws
    // InputError when the input cannot be read or held.
    CharacterSet Examine();
    // Passes over a UTF-8 byte-order mark at the start of the input.
    void SkipByteOrderMark();

    // Instead of Examine, for a regular file: every byte is checked as it
    // is read, once, however often it is read. Guess gives the character
    // set of what was read so far (Utf8 once valid UTF-8 beyond ASCII has
    // been seen); Settle reads what is left unread to tell it for certain.
    void CheckAsRead();
    bool checking() const { return checking_; }
    CharacterSet Guess() const { return guess_; }
    CharacterSet Settle();
    // Back to where the input started, to be converted again.
    void Rewind();
    // Whether a regular file starts with a UTF-8 byte-order mark.
    bool StartsWithByteOrderMark();
    bool regular() const { return regular_ && !held_; }
    // Which bytes the lines are scanned for (see LineScanner::Configure).
    void SetAttention(bool labels, CharacterSet set, bool valid, bool html = false, bool shape = true) {
        scanner_.Configure(labels, set, valid, html, shape);
    }

    struct Line {
        bool whole = true;  // false: longer than the limit, read with the calls below
        std::string_view content;  // without its LF
        bool attention = false;
        // In content, the first and the last byte that end four spaces in a row.
        size_t four_spaces = std::string_view::npos, last_four_spaces = std::string_view::npos;
        size_t continuations = 0;  // of valid UTF-8: the bytes that start no character
    };
    // The next line; a last line without an LF is a line all the same.
    // False when nothing is left.
    bool NextLine(Line& line) {
        ScannedLine scanned;
        if (pos_ < len_ && scanner_.Scan(pos_, scanned) && scanned.end - pos_ <= line_in_memory_) {
            const size_t length = scanned.end - pos_;
            line.whole = true;
            line.content = {data_ + pos_, length};
            line.attention = scanned.attention;
            line.four_spaces = scanned.four_spaces - pos_;  // npos stays far beyond any line
            line.last_four_spaces = scanned.last_four_spaces - pos_;
            line.continuations = scanned.continuations;
            pos_ = scanned.end + 1;
            consumed_ += length + (virtual_lf_ && pos_ == len_ ? 0 : 1);
            return true;
        }
        return NextLineAfterRefill(line);
    }
    bool AtEnd() {
        return (pos_ >= len_ && !Refill()) || (mapping_ != nullptr && MappedInputChanged(mapping_) && !Unchanged());
    }

    // The lines that follow while they lie whole in the data in hand, at
    // most `most` of them, each handed to take(line) as NextLine gives it;
    // take returns false to leave the line for NextLine. How many were taken.
    template <class Take>
    size_t WholeLines(size_t most, Take&& take) {
        const char* data = data_;
        Line line;
        const size_t from = pos_;
        size_t taken = 0;
        pos_ = scanner_.Lines(pos_, line_in_memory_, most, [&](size_t start, const ScannedLine& scanned) {
            line.content = {data + start, scanned.end - start};
            line.attention = scanned.attention;
            line.four_spaces = scanned.four_spaces - start;
            line.last_four_spaces = scanned.last_four_spaces - start;
            line.continuations = scanned.continuations;
            if (!take(line)) return false;
            ++taken;
            return true;
        });
        // The LF added to a last line that had none is no byte of the input.
        consumed_ += pos_ - from - (virtual_lf_ && pos_ == len_ && pos_ > from ? 1 : 0);
        return taken;
    }

    // A line longer than the limit. Measure reads it once to its end,
    // handing each stretch of it to `see`, and gives its length (without
    // the LF); then ReadLong gives any of its bytes, and EndLongLine goes
    // on after it. False from Measure when the line cannot be kept (see
    // error()).
    bool Measure(const std::function<void(std::string_view)>& see, unsigned long long& length);
    // Up to n bytes of the line from offset; fewer only at its end.
    size_t ReadLong(unsigned long long offset, char* to, size_t n);
    void EndLongLine();

    // Whether the input is as it was when opened, as far as can be told (a
    // mapped file is looked at anew); if not, error() says so.
    bool Intact() { return map_ == nullptr || (error_.empty() && Unchanged()); }

    // Non-empty when a read failed; the input then counts as ended.
    const std::string& error() const { return error_; }
    const FileId& id() const { return id_; }
    unsigned long long size() const { return size_; }
    unsigned long long consumed() const { return consumed_; }

private:
    bool NextLineAfterRefill(Line& line);
    bool Refill();
    void Map();
    void ShowMapped(unsigned long long at);
    bool Slide();
    bool Unchanged();
    void Check(unsigned long long at, std::string_view bytes);
    void Allocate(size_t capacity);
    size_t ReadSome(char* to, size_t n);
    CharacterSet ExamineInPlace();
    CharacterSet ExamineAndHold();
    [[noreturn]] void Fail(const std::string& what, int err) const;
    void ShowMemory(unsigned long long at);
    void CopyRest(unsigned long long at);
    void MeasureInMemory(const std::function<void(std::string_view)>& see);

    int fd_ = -1;
    bool owns_fd_ = true;
    std::string path_;
    bool regular_ = false;  // read again at any place: a regular file, or the pipe's temporary copy
    bool held_ = false;     // the whole input is in the buffer
    unsigned long long size_ = 0, consumed_ = 0;
    FileId id_;
    std::string error_;

    size_t read_size_ = size_t(1) << 17;
    size_t line_in_memory_ = size_t(1) << 20;
    // Not cleared when made: a batch opens thousands of small files.
    std::unique_ptr<char[]> buffer_;
    size_t capacity_ = 0;       // without the padding
    // A text in memory (see ShowMemory): the lines are read where it lies,
    // but for its last bytes, read from the buffer.
    bool in_memory_ = false;
    std::string_view memory_;
    // A file read through a mapping: the lines are read where they lie in
    // it, but for its last bytes, read from the buffer. The file as it was
    // mapped; what lies before released_ has been given back.
    const char* map_ = nullptr;
    MappedInputEntry* mapping_ = nullptr;
    struct timespec modified_ {};
    size_t released_ = 0;
    const char* data_ = nullptr;  // where the lines are read: the buffer, the text in memory, or the mapping
    size_t pos_ = 0, len_ = 0;  // the next line starts at pos_; the data ends at len_
    unsigned long long offset_ = 0;  // where data_[0] lies in a regular file or the text
    unsigned long long start_ = 0;   // where the input started in it
    bool eof_ = false;
    bool virtual_lf_ = false;  // the LF at the end of the data was added to a last line
    LineScanner scanner_;

    bool checking_ = false;
    Utf8Check check_;
    unsigned long long checked_ = 0;  // the bytes before this have been checked
    CharacterSet guess_ = CharacterSet::Latin1;

    // The long line in hand: where it starts, how long it is, whether an
    // LF ends it, and (from a pipe) its copy.
    unsigned long long long_start_ = 0, long_length_ = 0;
    bool long_lf_ = false;
    ScratchFile long_copy_;
};

}  // namespace torvex
