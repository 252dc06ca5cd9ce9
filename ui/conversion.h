// One conversion as the front ends ask for it: the options that shape it,
// whatever the names, what the front end hears while it runs, and the call
// that hands them to the library (torvex.h), the front ends' only way to
// the engine.
#pragma once

#include <string>
#include <vector>

#include "torvex.h"

namespace torvex {

// The same for every file of a batch.
struct ConversionOptions {
    std::string title;
    int line_break_mode = TORVEX_LINE_BREAKS_ADD;
    bool time_stamp = true;
    bool force = false;  // replace an output that is not an HTML page without asking
    bool split = false;  // a page set beside the input instead of one page
    int encoding = TORVEX_CHARSET_AUTO;
    int style = TORVEX_STYLE_CLASSIC;
    // For modern pages: the language of the text (empty: the locale's),
    // stylesheets to link instead of the page's own, the converter's credit.
    std::string language;
    std::vector<std::string> stylesheets;
    bool credit = true;
};

// The language of the user's locale as a BCP 47 tag: from LC_ALL,
// LC_MESSAGES or LANG (the first that is set), "de_CH.UTF-8" giving
// "de-CH"; "en" for the C and POSIX locales, none, or one that names no
// language.
std::string LocaleLanguage();

// What a front end hears of a conversion while it runs, on its thread.
class ConversionHost {
public:
    virtual ~ConversionHost() = default;
    // A remark on a conversion that goes through all the same.
    virtual void Warn(const std::string& /*text*/) {}
    // May the existing file at path, which is not an HTML page, be
    // replaced? Asked only without force. A host that refuses tells the
    // user why; the conversion then fails with TORVEX_ERROR_NOT_A_PAGE.
    virtual bool MayReplaceNonPage(const std::string& /*path*/) { return false; }
    // The bytes of the input read so far and its size (0 if unknown), every
    // 25 lines and at the end; the answer is a torvex_progress_answer.
    virtual int Progress(unsigned long long /*done*/, unsigned long long /*total*/) { return TORVEX_GO_ON; }
};

struct ConversionResult {
    int status = TORVEX_OK;  // a torvex_status
    std::string message;     // why it is not TORVEX_OK
    std::string page;        // the page written last (of a set: its last page), or ""
};

// Converts input into the page output (with split, into a set beside the
// input) with options, telling host what happens.
ConversionResult Convert(const std::string& input, const std::string& output, const ConversionOptions& options,
                         ConversionHost& host);

}  // namespace torvex
