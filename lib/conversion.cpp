#include "conversion.h"

#include "clock.h"

namespace torvex {

namespace {

StampTime StampOf(const torvex_time& t) { return {t.year, t.month, t.day, t.hour, t.minute, t.second}; }

CharacterSet CharacterSetOf(int charset) {
    return charset == TORVEX_CHARSET_UTF8     ? CharacterSet::Utf8
           : charset == TORVEX_CHARSET_LATIN1 ? CharacterSet::Latin1
                                              : CharacterSet::Auto;
}

}  // namespace

CallbackHost::CallbackHost(const torvex_options& options) : options_(options) {
    engine.Processing = true;
    engine.Encoding = CharacterSetOf(options.charset);
    engine.Page.style = options.style == TORVEX_STYLE_MODERN ? PageOptions::Style::Modern : PageOptions::Style::Classic;
    engine.Page.language = options.language;
    engine.Page.stylesheets = options.stylesheets;
    engine.Page.credit = options.credit;
}

void CallbackHost::Warn(const std::string& text) {
    if (options_.warning.fn != nullptr) options_.warning.fn(text.c_str(), options_.warning.user_data);
}

bool CallbackHost::MayReplaceNonPage(const std::string& path) {
    refused = path;
    return options_.replace_non_page ||
           (options_.replace.fn != nullptr && options_.replace.fn(path.c_str(), options_.replace.user_data) != 0);
}

void CallbackHost::Progress(unsigned long long done, unsigned long long total) {
    if (options_.progress.fn == nullptr) return;
    const int answer = options_.progress.fn(done, total, options_.progress.user_data);
    if (answer == TORVEX_ABANDON) engine.Abandoned = true;
    else if (answer != TORVEX_GO_ON) stop_asked_ = true;
}

void CallbackHost::Yield() {
    if (!stop_asked_ || !engine.Processing) return;
    engine.Processing = false;
    stopped = true;
}

StampTime CallbackHost::Now() {
    if (options_.fixed_time) return StampOf(options_.time);
    if (options_.clock.fn == nullptr) return StampNow();
    torvex_time now{};
    options_.clock.fn(&now, options_.clock.user_data);
    if (!IsDateAndTime(now) && bad_clock.empty()) {
        bad_clock = "the clock gave " + DescribeTime(now) + ", which is no date and time";
        engine.Abandoned = true;  // no page with it is kept
    }
    return StampOf(now);
}

int CallbackHost::Outcome(bool converted, torvex_result& result, const char* abandoned) const {
    if (converted) return stopped ? Set(result, TORVEX_STOPPED, "Processing interrupted") : TORVEX_OK;
    switch (engine.LastFailure) {
    case Failure::Input:
        return Set(result, TORVEX_ERROR_INPUT, message);
    case Failure::EmptyInput:
        return Set(result, TORVEX_ERROR_EMPTY_INPUT, message);
    case Failure::NotAPage:
        return Set(result, TORVEX_ERROR_NOT_A_PAGE, refused + " exists and is not an HTML page");
    case Failure::Abandoned:
        if (!bad_clock.empty()) return Set(result, TORVEX_ERROR_OPTION, bad_clock);
        return Set(result, TORVEX_ABANDONED, abandoned);
    case Failure::None:
    case Failure::Output:
        break;
    }
    return Set(result, TORVEX_ERROR_OUTPUT, message);
}

int Set(torvex_result& result, int status, std::string message) {
    result.message = std::move(message);
    return status;
}

}  // namespace torvex
