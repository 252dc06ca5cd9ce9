// The options object behind torvex.h: what the caller set, kept as given,
// and checked when a conversion starts.
#pragma once

#include <string>
#include <vector>

#include "torvex.h"

template <class Fn>
struct TorvexCallback {
    Fn fn = nullptr;
    void* user_data = nullptr;
};

struct torvex_options {
    std::string title;
    int line_breaks = TORVEX_LINE_BREAKS_ADD;
    int charset = TORVEX_CHARSET_AUTO;
    bool time_stamp = true;
    bool fixed_time = false;
    torvex_time time{};
    bool split = false;
    bool replace_non_page = false;
    int style = TORVEX_STYLE_CLASSIC;
    std::string language = "en";
    std::vector<std::string> stylesheets;
    bool credit = true;
    std::string text_name;  // of a text in memory; empty: "Untitled"
    TorvexCallback<torvex_text_fn> message, warning;
    TorvexCallback<torvex_replace_fn> replace;
    TorvexCallback<torvex_clock_fn> clock;
    TorvexCallback<torvex_progress_fn> progress;
};

namespace torvex {

// What is wrong with the options, for the caller; empty when nothing is.
std::string OptionsProblem(const torvex_options& options);

// Whether time is a date and time that a footer can show.
bool IsDateAndTime(const torvex_time& time);

// "2027-03-05 14:07:09", field by field as given.
std::string DescribeTime(const torvex_time& time);

}  // namespace torvex
