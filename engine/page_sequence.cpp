#include "page_sequence.h"

#include "engine.h"
#include "input_file.h"
#include "labels.h"

namespace torvex {

namespace {

// Warnings about references to missing pages: this many, then a count.
constexpr long long ShownMissingReferences = 10;

}  // namespace

void PageSequence::Start(bool split, std::string folder, const FileId* input) {
    split_ = split;
    folder_ = std::move(folder);
    input_ = input;
    first_ = name_;
}

void PageSequence::StartTo(CallbackSink& sink) {
    Start(false, {}, nullptr);
    sink_ = &sink;
}

bool PageSequence::OpenFirst() {
    first_ = name_;
    return Open();
}

bool PageSequence::Open() {
    if (sink_ != nullptr) {
        writer_.SetPage(sink_);
        return true;
    }
    writer_.SetPage(&page_);
    const auto kind = split_ ? PageFile::Kind::InSet : PageFile::Kind::Named;
    auto opened = page_.Open(name_, input_, kind, may_replace_);
    if (opened == PageFile::OpenResult::NotAPage) {
        if (!host_.MayReplaceNonPage(name_)) return Fail("", Failure::NotAPage);
        may_replace_ = true;
        opened = page_.Open(name_, input_, kind, true);
    }
    switch (opened) {
    case PageFile::OpenResult::Opened:
        return true;
    case PageFile::OpenResult::SameAsInput:
        return Fail("Output file is the same as the input file");
    case PageFile::OpenResult::Failed:
    case PageFile::OpenResult::NotAPage:
        break;
    }
    return Fail(page_.error());
}

bool PageSequence::Close() {
    if (sink_ != nullptr) sink_->Close();
    if (sink_ != nullptr || page_.Close(finished_)) return true;
    return Fail(page_.error());
}

bool PageSequence::Fail(const std::string& message, Failure failure) {
    if (!failed_) failure_ = failure;  // the first failure is the one that counts
    failed_ = true;
    if (!message.empty()) host_.ShowMessage(message);
    page_.Abandon();
    finished_.Discard();
    writer_.Discard();
    writer_.SetPage(nullptr);
    return false;
}

void PageSequence::ReportFailure() {
    if (failed_) return;
    Fail(out().failed() ? out().error() : writer_.error());
}

void PageSequence::Restart() {
    page_.Abandon();
    finished_.Discard();
    writer_.Discard();
    name_ = first_;
    section_pages_.clear();
    references_.Clear();
}

bool PageSequence::Finish(const std::atomic<bool>& abandoned, bool stopped) {
    if (!Close()) return false;
    writer_.SetPage(nullptr);
    // Whoever abandoned the conversion may already have removed its
    // temporary files: a page that then cannot take its name is no news.
    if (abandoned) return Fail("", Failure::Abandoned);
    const auto replace = stopped ? PageSet::Replace::Nothing : PageSet::Replace::Any;
    if (std::string error; !finished_.Publish(error, replace))
        return abandoned ? Fail("", Failure::Abandoned) : Fail(error);
    return true;
}

bool PageSequence::OpenSection(const std::string& pageName, long long line) {
    if (!Close()) return false;
    name_ = folder_ + pageName;
    section_pages_.emplace(pageName, line);
    return Open();
}

bool PageSequence::KeptAsReference(const std::string& pageName, std::string_view label, long long line, bool warn) {
    if (pageName.empty()) return true;
    const std::string where = "line " + std::to_string(line) + ": " + std::string(label);
    if (pageName == SplitContentsPage) {
        if (warn) host_.Warn(where + " names the page contents.html, the contents page; kept as a cross reference");
        return true;
    }
    const auto written = section_pages_.find(pageName);
    if (written == section_pages_.end()) return false;
    if (warn)
        host_.Warn(where + " names the page " + pageName + ", already written from line " +
                   std::to_string(written->second) + "; kept as a cross reference");
    return true;
}

void PageSequence::ReportMissingPages() {
    if (section_pages_.empty()) {
        host_.Warn("no section heading follows the contents list; only contents.html was written");
        return;
    }
    long long missing = 0;
    references_.ForEach([&](long long line, std::string_view label) {
        const std::string pageName = PageNameOfLabel(label);
        if (pageName == SplitContentsPage || section_pages_.count(pageName) != 0) return;
        if (++missing <= ShownMissingReferences)
            host_.Warn("line " + std::to_string(line) + ": [" + std::string(label) + "] refers to the page " +
                       pageName + ", which this document does not have");
    });
    if (const long long more = missing - ShownMissingReferences; more > 0)
        host_.Warn("... and " + std::to_string(more) + " more cross reference" + (more == 1 ? "" : "s") +
                   " to missing pages");
}

}  // namespace torvex
