#include "page_file.h"
#include "input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "path_names.h"
#include "read_at.h"
#include "temp_files.h"

namespace torvex {

namespace {

// A temporary name must fit the folder's limit of 255 bytes per name.
constexpr size_t MaxNameInTempName = 200;

bool SameFile(const struct stat& a, const FileId& b) { return a.st_dev == b.device && a.st_ino == b.inode; }

// The descriptor (1 or 2) of the program's own standard output or error when
// target (what a path names) is it: /dev/stdout is a link to it, through
// /proc, and a link like that must never be replaced, nor the file behind
// it. A stream that is not open for writing is a closed one held by
// /dev/null, which does not make /dev/null a name of it.
int StandardStreamAt(const struct stat& target) {
    for (int fd : {STDOUT_FILENO, STDERR_FILENO}) {
        struct stat stream {};
        if ((fcntl(fd, F_GETFL) & O_ACCMODE) == O_RDONLY) continue;
        if (fstat(fd, &stream) == 0 && stream.st_dev == target.st_dev && stream.st_ino == target.st_ino) return fd;
    }
    return -1;
}

// The umask, read without changing it (other threads may be creating files).
mode_t ProcessUmask() {
    static const mode_t mask = [] {
        if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            unsigned value = 0;
            bool found = false;
            while (!found && std::fgets(line, sizeof line, status) != nullptr)
                found = std::sscanf(line, "Umask: %o", &value) == 1;
            std::fclose(status);
            if (found) return static_cast<mode_t>(value);
        }
        const mode_t old = umask(022);
        umask(old);
        return old;
    }();
    return mask;
}

bool EndsWithNoCase(const std::string& text, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return text.size() >= n && strcasecmp(text.c_str() + text.size() - n, suffix) == 0;
}

// A page by its name, or by its first bytes after an optional byte-order
// mark and white space. A file that cannot be read cannot be shown to be one.
bool LooksLikePage(const std::string& path) {
    if (EndsWithNoCase(path, ".html") || EndsWithNoCase(path, ".htm")) return true;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    char buffer[4096];
    bool first = true, page = false;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::string_view bytes(buffer, static_cast<size_t>(n));
        if (first && bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
        first = false;
        const auto start = bytes.find_first_not_of(" \t\r\n\f\v");
        if (start != std::string_view::npos) {
            page = bytes[start] == '<';
            break;
        }
    }
    ::close(fd);
    return page;
}

// The page takes its name: in place of any file there, or only where none is.
int TakeName(const std::string& temp, const std::string& path, PageSet::Replace replace) {
    const int done = replace == PageSet::Replace::Any
                         ? ::rename(temp.c_str(), path.c_str())
                         : ::renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    return done == 0 ? 0 : errno;
}

// A second name for the page at path, so that path shows it until the new
// page takes its place; on a file system without second names, the page
// itself moves there.
int KeepAside(const std::string& path, const std::string& aside) {
    if (link(path.c_str(), aside.c_str()) == 0) return 0;
    if (errno != EEXIST && ::rename(path.c_str(), aside.c_str()) == 0) return 0;
    return errno;
}

// What has the name path: its type and mode, or 0 for nothing.
mode_t ModeAt(const std::string& path) {
    struct stat here {};
    return lstat(path.c_str(), &here) == 0 ? here.st_mode : 0;
}

}  // namespace

void PageSet::Add(std::string temp, std::string path, TempFileEntry* entry) {
    pages_.push_back({std::move(temp), std::move(path), {}, entry});
}

bool PageSet::Publish(std::string& error, Replace replace) {
    if (pages_.empty()) return true;
    size_t failed = 0;
    int err = 0;
    const auto taken = [](const Pending& page) { return ModeAt(page.path) != 0; };
    if (pages_.size() == 1)
        err = TakeName(pages_[0].temp, pages_[0].path, replace);
    else if (replace == Replace::Nothing && std::any_of(pages_.begin(), pages_.end(), taken))
        err = EEXIST;
    else
        err = PublishTogether(replace, failed);
    if (err == 0) {
        for (const Pending& page : pages_) UnregisterTempFile(page.entry);
        pages_.clear();
        return true;
    }
    const std::string path = pages_[failed].path;
    Discard();
    if (replace == Replace::Nothing && err == EEXIST) return true;  // nothing published, as asked
    error = Describe(path, err);
    return false;
}

// Each page in turn: its old page kept aside, then the new one in its
// place; the old ones are let go only once the whole set is in. Should a
// rename fail, or a signal's cleanup come first, every name goes back as
// it was. failed: the page that could not take its name.
int PageSet::PublishTogether(Replace replace, size_t& failed) {
    TempFileEntry* leader = pages_[0].entry;
    for (Pending& page : pages_) {
        // Anything else that took a page's name meanwhile (a folder) fails its rename.
        if (S_ISREG(ModeAt(page.path))) page.aside = page.temp + "-old";
        JoinSet(leader, page.entry, page.path, page.aside);
    }
    int err = 0;
    for (failed = 0; failed < pages_.size(); ++failed) {
        const Pending& page = pages_[failed];
        if (!page.aside.empty()) {
            if ((err = KeepAside(page.path, page.aside)) != 0) break;
            Step();
        }
        if ((err = TakeName(page.temp, page.path, replace)) != 0) break;
        Step();
    }
    if (err == 0 && !CommitSet(leader)) {
        err = EINTR;
        failed = 0;
    }
    for (const Pending& page : pages_) {
        if (err != 0) {
            RestoreName(page.entry);
        } else if (!page.aside.empty()) {
            ::unlink(page.aside.c_str());
            Step();
        }
    }
    return err;
}

void PageSet::Discard() {
    for (const auto& page : pages_) {
        ::unlink(page.temp.c_str());
        UnregisterTempFile(page.entry);
    }
    pages_.clear();
}

PageFile::~PageFile() { Abandon(); }

PageFile::OpenResult PageFile::Refuse(int err) {
    Fail(err);
    return OpenResult::Failed;
}

PageFile::OpenResult PageFile::Open(const std::string& path, const FileId* input, Kind kind, bool replaceNonPage) {
    Abandon();
    const bool standardOutput = kind == Kind::Named && path == "-";
    path_ = standardOutput ? "standard output" : path;
    error_.clear();
    buffer_.clear();
    written_ = 0;
    owns_fd_ = true;
    replacing_ = false;
    struct stat target {};
    const bool exists = !standardOutput && stat(path.c_str(), &target) == 0;
    const int stat_error = exists ? 0 : errno;
    if (input != nullptr) {
        struct stat out {};
        if (standardOutput ? fstat(STDOUT_FILENO, &out) == 0 && SameFile(out, *input)
                           : exists && SameFile(target, *input))
            return OpenResult::SameAsInput;  // "torvex a.txt - >> a.txt" would feed on itself
    }
    if (standardOutput) {
        fd_ = STDOUT_FILENO;
        owns_fd_ = false;
        buffer_.reserve(BufferSize);
        return OpenResult::Opened;
    }
    if (const int stream = kind == Kind::Named && exists ? StandardStreamAt(target) : -1; stream >= 0) {
        fd_ = dup(stream);  // its own descriptor, so that closing the page leaves the stream open
        if (fd_ < 0) return Refuse(errno);
        buffer_.reserve(BufferSize);
        return OpenResult::Opened;
    }
    struct stat here {};
    if (lstat(path.c_str(), &here) != 0) {
        if (errno != ENOENT) return Refuse(errno);
    } else if (kind == Kind::InSet && !S_ISREG(here.st_mode)) {
        // The name comes from the document: never followed, never written into.
        error_ = path + ": not a regular file; a page of a set is only written as a new file or over a "
                        "regular file";
        return OpenResult::Failed;
    } else if (S_ISDIR(here.st_mode) || (exists && S_ISDIR(target.st_mode))) {
        return Refuse(EISDIR);
    } else if (exists && S_ISREG(target.st_mode)) {
        // A regular file, or a link to one: the page replaces the name, and a
        // link's target is never written.
        if (access(path.c_str(), W_OK) != 0) return Refuse(errno);
        if (kind == Kind::Named && !replaceNonPage && !LooksLikePage(path)) return OpenResult::NotAPage;
        replacing_ = true;
        old_mode_ = target.st_mode;
        old_owner_ = target.st_uid;
        old_group_ = target.st_gid;
    } else if (!exists) {
        // A link that leads nowhere (to nothing, through a file, round in a
        // loop) takes the page like a new name; one that cannot be followed
        // (a folder we may not enter) may lead to anything: an error.
        if (stat_error != ENOENT && stat_error != ENOTDIR && stat_error != ELOOP) return Refuse(stat_error);
    } else {
        // A device, a FIFO, a socket, or a link to one: written as it is,
        // never replaced.
        fd_ = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd_ < 0) return Refuse(errno);
        buffer_.reserve(BufferSize);
        return OpenResult::Opened;
    }
    if (!CreateTemp()) return OpenResult::Failed;
    buffer_.reserve(BufferSize);
    return OpenResult::Opened;
}

// ".NAME.torvex-XXXXXX" in the page's folder: the same file system, so that
// the rename is atomic, and a hidden name that tells whose it is.
bool PageFile::CreateTemp() {
    const std::string folder = FolderOf(path_);
    const std::string name = path_.substr(folder.size(), MaxNameInTempName);
    fd_ = CreateRegisteredTempFile(folder + "." + name + ".torvex-", temp_, entry_);
    if (fd_ >= 0) return true;
    Fail(errno);
    return false;
}

// The owner and group first: changing them may clear the set-id bits.
bool PageFile::SetAttributes() {
    mode_t mode = 0666 & ~ProcessUmask();
    if (replacing_) {
        mode = old_mode_ & 07777;
        if (fchown(fd_, old_owner_, old_group_) != 0) {
            if (errno != EPERM) return false;
            mode &= 0777;  // set-id bits only for the owner they were meant for
            if (fchown(fd_, static_cast<uid_t>(-1), old_group_) != 0 && errno != EPERM) return false;
        }
    }
    return fchmod(fd_, mode) == 0;
}

// A line held back as it is written is moved on to make room for a
// heading's tag before it: rare, and only ever over one line.
void PageFile::Insert(unsigned long long offset, std::string_view bytes) {
    Flush();
    if (failed() || !CanInsert() || offset > written_) return;
    std::string chunk(BufferSize, '\0');
    for (unsigned long long end = written_; end > offset && !failed();) {
        const size_t n = static_cast<size_t>(std::min<unsigned long long>(chunk.size(), end - offset));
        end -= n;
        if (ReadAt(end, chunk.data(), n) != n) {
            if (!failed()) Fail(EIO);
            break;
        }
        if (pwrite(fd_, chunk.data(), n, static_cast<off_t>(end + bytes.size())) != static_cast<ssize_t>(n)) Fail(errno);
    }
    if (!failed() && pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset)) != static_cast<ssize_t>(bytes.size()))
        Fail(errno);
    written_ += bytes.size();
    if (!failed() && lseek(fd_, static_cast<off_t>(written_), SEEK_SET) < 0) Fail(errno);
}

size_t PageFile::ReadAt(unsigned long long offset, char* to, size_t n) {
    Flush();
    if (!CanInsert() || failed()) return 0;
    int error = 0;
    const size_t done = torvex::ReadAt(fd_, offset, to, n, error);
    if (error != 0) Fail(error);
    return done;
}

void PageFile::Send(std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size() && !failed()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno != EINTR)
            Fail(errno);
        else if (n == 0)
            Fail(EIO);
    }
    written_ += done;
}

bool PageFile::Close(PageSet& set) {
    if (fd_ < 0) return !failed();
    Flush();
    if (!temp_.empty() && !failed() && !SetAttributes()) Fail(errno);
    if (owns_fd_ && ::close(fd_) != 0 && !failed()) Fail(errno);
    fd_ = -1;
    if (temp_.empty()) return !failed();
    if (failed()) {
        Abandon();
        return false;
    }
    set.Add(std::move(temp_), path_, entry_);
    temp_.clear();
    entry_ = nullptr;
    return true;
}

void PageFile::Abandon() {
    if (fd_ >= 0 && owns_fd_) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) {
        ::unlink(temp_.c_str());
        UnregisterTempFile(entry_);
        temp_.clear();
        entry_ = nullptr;
    }
}

void PageFile::Fail(int err) {
    if (error_.empty()) error_ = Describe(path_, err);
}

void CreateEmptyPage(const std::string& path) {
    struct stat here {};
    if (path == "-" || lstat(path.c_str(), &here) == 0 || errno != ENOENT) return;
    PageFile page;
    PageSet set;
    std::string error;
    if (page.Open(path, nullptr, PageFile::Kind::InSet, true) == PageFile::OpenResult::Opened && page.Close(set))
        set.Publish(error, PageSet::Replace::Nothing);
}

}  // namespace torvex
