#include "conversion.h"

#include <cstdlib>
#include <memory>
#include <new>

#include "language_tag.h"

namespace torvex {

namespace {

struct FreeOptions {
    void operator()(torvex_options* options) const { torvex_options_free(options); }
};
struct FreeResult {
    void operator()(torvex_result* result) const { torvex_result_free(result); }
};

void Warn(const char* text, void* host) { static_cast<ConversionHost*>(host)->Warn(text); }

int MayReplace(const char* path, void* host) { return static_cast<ConversionHost*>(host)->MayReplaceNonPage(path); }

int Progress(unsigned long long done, unsigned long long total, void* host) {
    return static_cast<ConversionHost*>(host)->Progress(done, total);
}

}  // namespace

std::string LocaleLanguage() {
    std::string locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            locale = value;
            break;
        }
    }
    // language[_territory][.codeset][@modifier]
    locale = locale.substr(0, locale.find_first_of(".@"));
    for (char& c : locale)
        if (c == '_') c = '-';
    if (locale.empty() || locale == "C" || locale == "POSIX" || !WellFormedLanguageTag(locale)) return "en";
    return locale;
}

// Nothing is thrown: running out of memory is a result like any other.
ConversionResult Convert(const std::string& input, const std::string& output, const ConversionOptions& options,
                         ConversionHost& host) try {
    const std::unique_ptr<torvex_options, FreeOptions> o(torvex_options_new());
    const std::unique_ptr<torvex_result, FreeResult> result(torvex_result_new());
    if (o == nullptr || result == nullptr || torvex_options_set_title(o.get(), options.title.c_str()) != TORVEX_OK)
        throw std::bad_alloc();
    torvex_options_set_line_breaks(o.get(), options.line_break_mode);
    torvex_options_set_time_stamp(o.get(), options.time_stamp);
    torvex_options_set_charset(o.get(), options.encoding);
    torvex_options_set_split(o.get(), options.split);
    torvex_options_set_replace_non_page(o.get(), options.force);
    torvex_options_set_map_input(o.get(), 1);  // SIGBUS goes to torvex_handle_input_fault (signals.cpp)
    torvex_options_set_style(o.get(), options.style);
    if (torvex_options_set_language(o.get(), (options.language.empty() ? LocaleLanguage() : options.language).c_str()) ==
        TORVEX_ERROR_MEMORY)
        throw std::bad_alloc();
    for (const std::string& sheet : options.stylesheets)
        if (torvex_options_add_stylesheet(o.get(), sheet.c_str()) != TORVEX_OK) throw std::bad_alloc();
    torvex_options_set_credit(o.get(), options.credit);
    torvex_options_on_warning(o.get(), Warn, &host);
    torvex_options_on_replace(o.get(), MayReplace, &host);
    torvex_options_on_progress(o.get(), Progress, &host);
    const int status = torvex_convert_file(input.c_str(), output.c_str(), o.get(), result.get());
    return {status, torvex_result_message(result.get()), torvex_result_page(result.get())};
} catch (const std::bad_alloc&) {
    return {TORVEX_ERROR_MEMORY, "Conversion failed: out of memory", {}};
}

}  // namespace torvex
