#include "conversion.h"

#include <memory>
#include <new>

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
    torvex_options_on_warning(o.get(), Warn, &host);
    torvex_options_on_replace(o.get(), MayReplace, &host);
    torvex_options_on_progress(o.get(), Progress, &host);
    const int status = torvex_convert_file(input.c_str(), output.c_str(), o.get(), result.get());
    return {status, torvex_result_message(result.get()), torvex_result_page(result.get())};
} catch (const std::bad_alloc&) {
    return {TORVEX_ERROR_MEMORY, "Conversion failed: out of memory", {}};
}

}  // namespace torvex
