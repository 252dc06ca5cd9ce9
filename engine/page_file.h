// An output page on disk. A page that goes to a regular file is written to
// a temporary file beside it and takes its name only once it is complete,
// so that the old page stays whole until then; anything else the user
// names (a device, a FIFO, standard output) is written in place.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "page_sink.h"

namespace torvex {

struct FileId;
struct TempFileEntry;

// Pages that are complete under their temporary names and wait to take
// their own names together. What has not been renamed is removed when the
// set is discarded or destroyed.
class PageSet {
public:
    PageSet() = default;
    PageSet(const PageSet&) = delete;
    PageSet& operator=(const PageSet&) = delete;
    ~PageSet() { Discard(); }

    void Add(std::string temp, std::string path, TempFileEntry* entry);
    // Whether the pages may take the place of files of their names (Any),
    // or only of nothing: then where any name is taken (also by a file that
    // appeared meanwhile), no page takes its name.
    enum class Replace { Any, Nothing };
    // Renames the pages into place, as one: a failure, or a signal's
    // cleanup, at any point leaves every name as it was before. False
    // (with error) on a failure; true also when Nothing kept every page out.
    bool Publish(std::string& error, Replace replace = Replace::Any);
    void Discard();

    // Tests: called after each step of the renaming of a set.
    std::function<void()> OnStep;

private:
    struct Pending {
        std::string temp, path;
        std::string aside;  // where the old page waits while the set is put in place
        TempFileEntry* entry;
    };
    int PublishTogether(Replace replace, size_t& failed);
    void Step() const {
        if (OnStep) OnStep();
    }

    std::vector<Pending> pages_;
};

class PageFile final : public PageSink {
public:
    PageFile() = default;
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;
    ~PageFile();

    // Named: an output the user named ("-" is standard output). InSet: a page
    // of a set, whose name comes from the document's text: written only as a
    // new file or over a regular file, and never put to the not-a-page test.
    enum class Kind { Named, InSet };
    enum class OpenResult { Opened, Failed, SameAsInput, NotAPage };

    // Refuses a path that is the file `input`; a named regular file that
    // does not look like an HTML page (NotAPage) unless replaceNonPage; an
    // existing page the user may not write to. On failure error() says why.
    OpenResult Open(const std::string& path, const FileId* input, Kind kind, bool replaceNonPage);

    bool is_open() const { return fd_ >= 0; }
    // A page written through a temporary file can; a device or a pipe cannot.
    bool CanInsert() const override { return fd_ >= 0 && !temp_.empty(); }
    void Insert(unsigned long long offset, std::string_view bytes) override;
    size_t ReadAt(unsigned long long offset, char* to, size_t n) override;
    // Flushes and closes. A page written through a temporary file gets the
    // old page's permissions (or those of a new file) and joins `set`, to be
    // renamed into place with it. False (with error()) when any write, the
    // close or the attributes failed; the temporary file is then removed.
    bool Close(PageSet& set);
    // Closes without keeping anything: a temporary file is removed.
    void Abandon();

private:
    bool taking() const override { return fd_ >= 0; }
    void Send(std::string_view bytes) override;
    void Fail(int err);
    OpenResult Refuse(int err);
    bool CreateTemp();
    bool SetAttributes();

    int fd_ = -1;
    bool owns_fd_ = true;
    std::string path_;  // the page's own name, as messages show it
    std::string temp_;  // the temporary file, when the page is written through one
    TempFileEntry* entry_ = nullptr;
    bool replacing_ = false;
    mode_t old_mode_ = 0;
    uid_t old_owner_ = 0;
    gid_t old_group_ = 0;
};

// Leaves an empty page at path where nothing existed (as the page of an
// empty input), written as every page is: through a temporary file renamed
// into place. Anything already there, or put there meanwhile, stays.
void CreateEmptyPage(const std::string& path);

}  // namespace torvex
