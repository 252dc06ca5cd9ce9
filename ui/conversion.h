// One conversion as the front ends ask for it: the options that shape it,
// whatever the names, and the call that hands them to the engine.
#pragma once

#include <string>

#include "engine.h"

namespace torvex {

// The same for every file of a batch.
struct ConversionOptions {
    std::string title;
    LineBreakMode line_break_mode = LineBreakMode::Add;
    bool time_stamp = true;
    bool force = false;  // replace an output that is not an HTML page (the host's answer)
    bool split = false;  // a page set beside the input instead of one page
    CharacterSet encoding = CharacterSet::Auto;
    // The page style and, for modern pages, their language (empty: the
    // locale's), stylesheets and credit.
    PageOptions page{PageOptions::Style::Classic, "", {}, true};
};

// The language of the user's locale as a BCP 47 tag: from LC_ALL,
// LC_MESSAGES or LANG (the first that is set), "de_CH.UTF-8" giving
// "de-CH"; "en" for the C and POSIX locales, none, or one that names no
// language.
std::string LocaleLanguage();

// Converts input into the page output (with split, into a set beside the
// input; output then names the set's last page) through engine, whose host
// hears the conversion's own messages. What the engine does not report
// itself (an input that cannot be opened, running out of memory) is put in
// failure. True when the page or set was written.
bool Convert(Engine& engine, const std::string& input, std::string& output, const ConversionOptions& options,
             std::string& failure);

}  // namespace torvex
