// torvex_convert_file: one conversion of a file through the engine, with
// its outcome as a status, a message and the last page; the version and
// the results.
#include <new>
#include <string>

#include "conversion.h"
#include "product.h"
#include "temp_files.h"

namespace torvex {

namespace {

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
    return host.Outcome(converted, result, "Conversion abandoned; no page was written");
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
    return torvex::Guarded(options, result, [input, output](const torvex_options& o, torvex_result& out) {
        return torvex::Convert(input, output, o, out);
    });
}

void torvex_remove_temporary_files(void) { torvex::RemoveTempFilesNow(); }

}  // extern "C"
