#include "options.h"

#include <cstdio>
#include <new>

#include "language_tag.h"

namespace torvex {

namespace {

bool IsLineBreakMode(int mode) { return mode >= TORVEX_LINE_BREAKS_KEEP && mode <= TORVEX_LINE_BREAKS_NONE; }

bool IsCharset(int charset) { return charset >= TORVEX_CHARSET_AUTO && charset <= TORVEX_CHARSET_LATIN1; }

bool IsStyle(int style) { return style == TORVEX_STYLE_CLASSIC || style == TORVEX_STYLE_MODERN; }

// Keeps text in to; false when memory is short.
bool Copy(std::string& to, const char* text) try {
    to = text != nullptr ? text : "";
    return true;
} catch (const std::bad_alloc&) {
    return false;
}

int DaysIn(int month, int year) {
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
    return Days[month - 1] + (month == 2 && leap ? 1 : 0);
}

int Status(bool valid) { return valid ? TORVEX_OK : TORVEX_ERROR_OPTION; }

// A callback and its data, or nothing when fn is NULL.
template <class Fn>
int SetCallback(torvex_options* options, TorvexCallback<Fn> torvex_options::*which, Fn fn, void* user_data) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->*which = {fn, fn != nullptr ? user_data : nullptr};
    return TORVEX_OK;
}

}  // namespace

bool IsDateAndTime(const torvex_time& t) {
    return t.year >= 1 && t.year <= 9999 && t.month >= 1 && t.month <= 12 && t.day >= 1 &&
           t.day <= DaysIn(t.month, t.year) && t.hour >= 0 && t.hour <= 23 && t.minute >= 0 && t.minute <= 59 &&
           t.second >= 0 && t.second <= 60;  // 60: a leap second
}

std::string DescribeTime(const torvex_time& t) {
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return text;
}

std::string OptionsProblem(const torvex_options& options) {
    if (!IsLineBreakMode(options.line_breaks))
        return "invalid line-break mode " + std::to_string(options.line_breaks) +
               " (use TORVEX_LINE_BREAKS_KEEP, _ADD or _NONE)";
    if (!IsCharset(options.charset))
        return "invalid character set " + std::to_string(options.charset) +
               " (use TORVEX_CHARSET_AUTO, _UTF8 or _LATIN1)";
    if (!IsStyle(options.style))
        return "invalid page style " + std::to_string(options.style) + " (use TORVEX_STYLE_CLASSIC or _MODERN)";
    if (!WellFormedLanguageTag(options.language))
        return "invalid language tag '" + options.language + "' (use a BCP 47 tag such as en, de-CH or pt-BR)";
    if (options.fixed_time && !IsDateAndTime(options.time))
        return "invalid time " + DescribeTime(options.time) + " (use a date of the years 1 to 9999 and a time of day)";
    return {};
}

}  // namespace torvex

using torvex::Status;

extern "C" {

torvex_options* torvex_options_new(void) { return new (std::nothrow) torvex_options; }

void torvex_options_free(torvex_options* options) { delete options; }

int torvex_options_set_line_breaks(torvex_options* options, int mode) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->line_breaks = mode;
    return Status(torvex::IsLineBreakMode(mode));
}

int torvex_options_set_title(torvex_options* options, const char* title) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    return torvex::Copy(options->title, title) ? TORVEX_OK : TORVEX_ERROR_MEMORY;
}

int torvex_options_set_time_stamp(torvex_options* options, int on) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->time_stamp = on != 0;
    return TORVEX_OK;
}

int torvex_options_set_time(torvex_options* options, const torvex_time* time) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->fixed_time = time != nullptr;
    options->time = time != nullptr ? *time : torvex_time{};
    return Status(time == nullptr || torvex::IsDateAndTime(*time));
}

int torvex_options_set_charset(torvex_options* options, int charset) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->charset = charset;
    return Status(torvex::IsCharset(charset));
}

int torvex_options_set_split(torvex_options* options, int on) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->split = on != 0;
    return TORVEX_OK;
}

int torvex_options_set_style(torvex_options* options, int style) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->style = style;
    return Status(torvex::IsStyle(style));
}

int torvex_options_set_language(torvex_options* options, const char* tag) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    if (!torvex::Copy(options->language, tag != nullptr && *tag != '\0' ? tag : "en")) return TORVEX_ERROR_MEMORY;
    return Status(torvex::WellFormedLanguageTag(options->language));
}

int torvex_options_add_stylesheet(torvex_options* options, const char* url) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    if (url == nullptr) {
        options->stylesheets.clear();
        return TORVEX_OK;
    }
    try {
        options->stylesheets.emplace_back(url);
    } catch (const std::bad_alloc&) {
        return TORVEX_ERROR_MEMORY;
    }
    return TORVEX_OK;
}

int torvex_options_set_credit(torvex_options* options, int on) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->credit = on != 0;
    return TORVEX_OK;
}

int torvex_options_set_text_name(torvex_options* options, const char* name) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    return torvex::Copy(options->text_name, name) ? TORVEX_OK : TORVEX_ERROR_MEMORY;
}

int torvex_options_set_replace_non_page(torvex_options* options, int on) {
    if (options == nullptr) return TORVEX_ERROR_OPTION;
    options->replace_non_page = on != 0;
    return TORVEX_OK;
}

int torvex_options_on_message(torvex_options* options, torvex_text_fn fn, void* user_data) {
    return torvex::SetCallback(options, &torvex_options::message, fn, user_data);
}

int torvex_options_on_warning(torvex_options* options, torvex_text_fn fn, void* user_data) {
    return torvex::SetCallback(options, &torvex_options::warning, fn, user_data);
}

int torvex_options_on_replace(torvex_options* options, torvex_replace_fn fn, void* user_data) {
    return torvex::SetCallback(options, &torvex_options::replace, fn, user_data);
}

int torvex_options_on_clock(torvex_options* options, torvex_clock_fn fn, void* user_data) {
    return torvex::SetCallback(options, &torvex_options::clock, fn, user_data);
}

int torvex_options_on_progress(torvex_options* options, torvex_progress_fn fn, void* user_data) {
    return torvex::SetCallback(options, &torvex_options::progress, fn, user_data);
}

}  // extern "C"
