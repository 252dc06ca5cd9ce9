// torvex_convert_file: one conversion through the engine, whose host hands
// what the engine asks and tells on to the caller's callbacks, with its
// outcome as a status, a message and the last page.
#include <exception>
#include <new>
#include <string>

#include "clock.h"
#include "engine.h"
#include "options.h"
#include "product.h"
#include "temp_files.h"

struct torvex_result {
    std::string message;
    std::string page;
};

namespace torvex {

namespace {

StampTime StampOf(const torvex_time& t) { return {t.year, t.month, t.day, t.hour, t.minute, t.second}; }

CharacterSet CharacterSetOf(int charset) {
    return charset == TORVEX_CHARSET_UTF8     ? CharacterSet::Utf8
           : charset == TORVEX_CHARSET_LATIN1 ? CharacterSet::Latin1
                                              : CharacterSet::Auto;
}

// The engine of one conversion, with a host made of the caller's options.
// A stop asked for at a progress report takes effect at the yield that
// follows it: after the last report there is none, and the pages are
// complete.
class CallbackHost : public Host {
public:
    explicit CallbackHost(const torvex_options& options) : options_(options) {
        engine.Processing = true;
        engine.Encoding = CharacterSetOf(options.charset);
        engine.Page.style = options.style == TORVEX_STYLE_MODERN ? PageOptions::Style::Modern : PageOptions::Style::Classic;
        engine.Page.language = options.language;
        engine.Page.stylesheets = options.stylesheets;
        engine.Page.credit = options.credit;
    }

    void ShowMessage(const std::string& text) override { message = text; }
    void Warn(const std::string& text) override {
        if (options_.warning.fn != nullptr) options_.warning.fn(text.c_str(), options_.warning.user_data);
    }
    bool MayReplaceNonPage(const std::string& path) override {
        refused = path;
        return options_.replace_non_page ||
               (options_.replace.fn != nullptr && options_.replace.fn(path.c_str(), options_.replace.user_data) != 0);
    }
    void Progress(unsigned long long done, unsigned long long total) override {
        if (options_.progress.fn == nullptr) return;
        const int answer = options_.progress.fn(done, total, options_.progress.user_data);
        if (answer == TORVEX_ABANDON) engine.Abandoned = true;
        else if (answer != TORVEX_GO_ON) stop_asked_ = true;
    }
    void Yield() override {
        if (!stop_asked_ || !engine.Processing) return;
        engine.Processing = false;
        stopped = true;
    }
    StampTime Now() override {
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

    Engine engine{*this};
    std::string message;    // told by the engine: why it failed
    std::string refused;    // the file that is no page, once asked about
    std::string bad_clock;  // what was wrong with the clock's time
    bool stopped = false;

private:
    const torvex_options& options_;
    bool stop_asked_ = false;
};

int Set(torvex_result& result, int status, std::string message) {
    result.message = std::move(message);
    return status;
}

int Convert(const char* input, const char* output, const torvex_options& options, torvex_result& result) {
    if (input == nullptr || *input == '\0') return Set(result, TORVEX_ERROR_OPTION, "no input file named");
    if (!options.split && (output == nullptr || *output == '\0'))
        return Set(result, TORVEX_ERROR_OPTION, "no output file named");
    if (std::string problem = OptionsProblem(options); !problem.empty())
        return Set(result, TORVEX_ERROR_OPTION, std::move(problem));

    CallbackHost host(options);
    std::string inputName = input, outputName = options.split ? std::string(SplitOutputName) : output;
    std::string title = options.title;
    int mode = options.line_breaks;
    bool timeStamp = options.time_stamp;
    bool converted = false;
    try {
        converted = host.engine.ConvertFile(inputName, outputName, title, mode, timeStamp);
    } catch (const InputError& e) {  // before any file was touched
        return Set(result, TORVEX_ERROR_INPUT, e.what());
    }
    result.page = outputName;
    if (converted) return host.stopped ? Set(result, TORVEX_STOPPED, "Processing interrupted") : TORVEX_OK;
    switch (host.engine.LastFailure) {
    case Failure::Input:
        return Set(result, TORVEX_ERROR_INPUT, host.message);
    case Failure::EmptyInput:
        return Set(result, TORVEX_ERROR_EMPTY_INPUT, host.message);
    case Failure::NotAPage:
        return Set(result, TORVEX_ERROR_NOT_A_PAGE, host.refused + " exists and is not an HTML page");
    case Failure::Abandoned:
        if (!host.bad_clock.empty()) return Set(result, TORVEX_ERROR_OPTION, host.bad_clock);
        return Set(result, TORVEX_ABANDONED, "Conversion abandoned; no page was written");
    case Failure::None:
    case Failure::Output:
        break;
    }
    return Set(result, TORVEX_ERROR_OUTPUT, host.message);
}

// "V2.5" as 0x020500.
constexpr int VersionNumber(const char* text) {
    int parts[3] = {0, 0, 0}, part = 0;
    for (const char* c = text + 1; *c != '\0' && part < 3; ++c) {
        if (*c == '.') ++part;
        else parts[part] = parts[part] * 10 + (*c - '0');
    }
    return parts[0] << 16 | parts[1] << 8 | parts[2];
}

}  // namespace

}  // namespace torvex

extern "C" {

int torvex_version(void) { return torvex::VersionNumber(torvex::ProductVersion); }

const char* torvex_version_string(void) { return torvex::ProductVersion + 1; }

torvex_result* torvex_result_new(void) { return new (std::nothrow) torvex_result; }

void torvex_result_free(torvex_result* result) { delete result; }

const char* torvex_result_message(const torvex_result* result) {
    return result != nullptr ? result->message.c_str() : "";
}

const char* torvex_result_page(const torvex_result* result) { return result != nullptr ? result->page.c_str() : ""; }

// Whatever goes wrong becomes a status: nothing is thrown to the caller.
int torvex_convert_file(const char* input, const char* output, const torvex_options* options,
                        torvex_result* result) {
    static const torvex_options defaults;
    torvex_result own;  // when the caller wants no result
    torvex_result& out = result != nullptr ? *result : own;
    const torvex_options& o = options != nullptr ? *options : defaults;
    out.message.clear();
    out.page.clear();
    int status = TORVEX_ERROR_MEMORY;
    try {
        try {
            status = torvex::Convert(input, output, o, out);
        } catch (const std::exception& e) {  // such as a line larger than memory; nothing of the conversion is left
            status = TORVEX_ERROR_MEMORY;
            out.message = std::string("Conversion failed: ") + e.what();
        }
        if (status < 0 && o.message.fn != nullptr) o.message.fn(out.message.c_str(), o.message.user_data);
    } catch (...) {  // no memory even for the message, or a callback that threw
        if (status >= 0) status = TORVEX_ERROR_MEMORY;
    }
    return status;
}

void torvex_remove_temporary_files(void) { torvex::RemoveTempFilesNow(); }

}  // extern "C"
