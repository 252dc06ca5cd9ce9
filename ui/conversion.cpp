#include "conversion.h"

#include <cstdlib>
#include <exception>

namespace torvex {

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

// The engine takes its request by reference and may rewrite it: it gets
// copies, and only the output name it leaves is handed back.
bool Convert(Engine& engine, const std::string& input, std::string& output, const ConversionOptions& options,
             std::string& failure) {
    std::string inputName = input, outputName = options.split ? std::string(SplitOutputName) : output, title = options.title;
    int mode = static_cast<int>(options.line_break_mode);
    bool timeStamp = options.time_stamp;
    engine.Encoding = options.encoding;
    engine.Page = options.page;
    if (engine.Page.language.empty()) engine.Page.language = LocaleLanguage();
    try {
        const bool converted = engine.ConvertFile(inputName, outputName, title, mode, timeStamp);
        output = outputName;
        return converted;
    } catch (const InputError& e) {
        failure = e.what();
    } catch (const std::exception& e) {  // such as a line larger than memory
        failure = std::string("Conversion failed: ") + e.what();
    }
    return false;
}

}  // namespace torvex
