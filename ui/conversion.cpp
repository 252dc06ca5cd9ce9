#include "conversion.h"

#include <exception>

namespace torvex {

// The engine takes its request by reference and may rewrite it: it gets
// copies, and only the output name it leaves is handed back.
bool Convert(Engine& engine, const std::string& input, std::string& output, const ConversionOptions& options,
             std::string& failure) {
    std::string inputName = input, outputName = options.split ? std::string(SplitOutputName) : output, title = options.title;
    int mode = static_cast<int>(options.line_break_mode);
    bool timeStamp = options.time_stamp;
    engine.Encoding = options.encoding;
    engine.Page = options.page;
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
