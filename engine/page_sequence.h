// The pages of one conversion, one after the other: each opened, written
// through the line writer and closed into a set that takes its names only
// when the whole conversion has gone through. In split mode the set is a
// contents page and one page per section, and it keeps what it needs to
// tell the user what the document lacks.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine.h"  // Failure
#include "host.h"
#include "line_writer.h"
#include "page_file.h"
#include "reference_log.h"

namespace torvex {

struct FileId;

class PageSequence {
public:
    // name: the caller's output name, which always names the page in hand.
    PageSequence(Host& host, LineWriter& writer, std::string& name) : host_(host), writer_(writer), name_(name) {}

    // split: the pages are a set in folder, named by their sections.
    void Start(bool split, std::string folder, const FileId* input);
    // Instead of Start: the one page goes to sink as it is made, and there
    // is no file to open, to replace or to publish.
    void StartTo(CallbackSink& sink);
    // Opens the page the output name names, the first of the conversion.
    bool OpenFirst();
    // Back to no page, to start over: whatever was written goes.
    void Restart();

    // Tells the user (unless the host already has), leaves no page
    // replaced, no temporary file behind and nothing held back for the
    // next page. Gives false.
    bool Fail(const std::string& message, Failure failure = Failure::Output);
    // A page could not be opened, closed or written.
    bool failed() const { return failed_ || out().failed() || writer_.failed(); }
    // Why the conversion failed (None while it has not).
    Failure failure() const { return failure_; }
    // The failure's message, once failed() says so (empty: already told).
    void ReportFailure();

    // Closes the last page and gives every page its name (unless the
    // conversion was abandoned; where the user stopped it, only if no page
    // replaces a file). False when it failed.
    bool Finish(const std::atomic<bool>& abandoned, bool stopped);

    bool split() const { return split_; }
    // Whether the page in hand can have bytes put in before what it holds.
    bool CanInsert() const { return out().CanInsert(); }
    bool to_sink() const { return sink_ != nullptr; }
    const std::string& name() const { return name_; }
    // Split mode: a section's page is in hand (the contents page has closed).
    bool in_section() const { return !section_pages_.empty(); }

    // Split mode. Closes the page in hand and opens the section page
    // pageName, whose heading is on line.
    bool OpenSection(const std::string& pageName, long long line);
    // Whether a heading (on line, its label being label) that names
    // pageName stays a cross reference in the page in hand: a set has one
    // page of each name, and the contents page is not a section's. warn:
    // say so, with the heading's line number.
    bool KeptAsReference(const std::string& pageName, std::string_view label, long long line, bool warn);
    // A cross reference to the section label, on line.
    void NoteReference(long long line, std::string_view label) { references_.Add(line, label); }
    // Says what the set lacks, without changing any page: references to
    // sections that have no page, or no section at all after the contents.
    void ReportMissingPages();

private:
    bool Open();
    bool Close();
    const PageSink& out() const { return sink_ != nullptr ? static_cast<const PageSink&>(*sink_) : page_; }

    Host& host_;
    LineWriter& writer_;
    std::string& name_;
    const FileId* input_ = nullptr;
    PageFile page_;
    CallbackSink* sink_ = nullptr;  // where the page goes instead of a file
    PageSet finished_;  // complete pages, renamed into place together at the end
    bool failed_ = false;
    Failure failure_ = Failure::None;
    bool may_replace_ = false;  // the host let a file that is no page be replaced
    std::string first_;         // the first page's name

    bool split_ = false;
    std::string folder_;
    // The section pages of this set, each with the line of its heading.
    std::unordered_map<std::string, long long> section_pages_;
    ReferenceLog references_;
};

}  // namespace torvex
