#include "command_line.h"

#include <array>
#include <cstdio>
#include <utility>

#include "engine.h"
#include "stderr_host.h"

namespace torvex {

namespace {

// The plain form: the arguments joined by single spaces, then cut at the
// first two spaces. Anything short of two names opens the window.
CommandLine ParsePlain(const std::vector<std::string>& args) {
    std::string text;
    for (size_t i = 0; i < args.size(); ++i) text += (i ? " " : "") + args[i];
    CommandLine cl;
    const auto space = text.find(' ');
    if (space == std::string::npos) return cl;
    cl.input = text.substr(0, space);
    const std::string rest = text.substr(space + 1);
    const auto second = rest.find(' ');
    cl.output = rest.substr(0, second);
    if (second != std::string::npos) cl.title = rest.substr(second + 1);
    if (!cl.input.empty() && !cl.output.empty()) cl.action = CommandLine::Action::Convert;
    return cl;
}

CommandLine Error(std::string message) {
    CommandLine cl;
    cl.action = CommandLine::Action::Error;
    cl.error = std::move(message);
    return cl;
}

bool SetMode(CommandLine& cl, const std::string& word) {
    static constexpr std::array<const char*, 3> Modes = {"keep", "add", "none"};
    for (size_t i = 0; i < Modes.size(); ++i) {
        if (word == Modes[i]) {
            cl.line_break_mode = static_cast<int>(i) + 1;
            return true;
        }
    }
    return false;
}

// -e, --encoding: the input's character set, named exactly.
bool SetEncoding(CommandLine& cl, const std::string& word) {
    static constexpr std::pair<const char*, CharacterSet> Encodings[] = {
        {"auto", CharacterSet::Auto}, {"utf-8", CharacterSet::Utf8}, {"latin-1", CharacterSet::Latin1}};
    for (const auto& [name, set] : Encodings) {
        if (word == name) {
            cl.encoding = set;
            return true;
        }
    }
    return false;
}

struct LongOption {
    const char* name;
    char letter;
    bool takes_value;
};
constexpr std::array<LongOption, 5> LongOptions = {{
    {"help", 'h', false}, {"version", 'V', false}, {"line-breaks", 'b', true}, {"no-time-stamp", 'n', false},
    {"encoding", 'e', true}}};

// Applies one option; value is its argument for -b and -e. Empty result: fine.
std::string Apply(CommandLine& cl, char letter, const std::string& value) {
    switch (letter) {
    case 'h': cl.action = CommandLine::Action::Help; break;
    case 'V': cl.action = CommandLine::Action::Version; break;
    case 'n': cl.time_stamp = false; break;
    case 'b':
        if (!SetMode(cl, value)) return "invalid line-break mode '" + value + "' (use keep, add or none)";
        break;
    case 'e':
        if (!SetEncoding(cl, value)) return "invalid encoding '" + value + "' (use auto, utf-8 or latin-1)";
        break;
    }
    return {};
}

// "--name", "--name=value" or "--name value"; a unique prefix of a name will do.
std::string ParseLong(CommandLine& cl, const std::vector<std::string>& args, size_t& i) {
    const std::string arg = args[i].substr(2);
    const auto eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const LongOption* match = nullptr;
    for (const auto& option : LongOptions) {
        if (name == option.name) {
            match = &option;
            break;
        }
        if (std::string_view(option.name).starts_with(name)) {
            if (match != nullptr) return "option '--" + name + "' is ambiguous";
            match = &option;
        }
    }
    if (match == nullptr || name.empty()) return "unrecognized option '" + args[i] + "'";
    std::string value;
    if (match->takes_value) {
        if (eq != std::string::npos)
            value = arg.substr(eq + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            return "option '--" + std::string(match->name) + "' requires an argument";
    } else if (eq != std::string::npos) {
        return "option '--" + std::string(match->name) + "' doesn't allow an argument";
    }
    return Apply(cl, match->letter, value);
}

// A cluster of short options such as "-n", "-nbkeep" or "-b keep"; -e
// takes its value as -b does.
std::string ParseShort(CommandLine& cl, const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    for (size_t k = 1; k < arg.size(); ++k) {
        const char letter = arg[k];
        if (letter != 'h' && letter != 'V' && letter != 'n' && letter != 'b' && letter != 'e')
            return std::string("invalid option -- '") + letter + "'";
        if (letter != 'b' && letter != 'e') {
            Apply(cl, letter, {});
            continue;
        }
        std::string value = arg.substr(k + 1);
        if (value.empty()) {
            if (i + 1 >= args.size()) return std::string("option requires an argument -- '") + letter + "'";
            value = args[++i];
        }
        return Apply(cl, letter, value);
    }
    return {};
}

CommandLine ParseOptions(const std::vector<std::string>& args) {
    CommandLine cl;
    cl.action = CommandLine::Action::Convert;
    size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') break;  // "-" is standard input, an operand
        const std::string problem = arg[1] == '-' ? ParseLong(cl, args, i) : ParseShort(cl, args, i);
        if (!problem.empty()) return Error(problem);
    }
    if (cl.action == CommandLine::Action::Help || cl.action == CommandLine::Action::Version) return cl;
    if (i < args.size()) cl.input = args[i++];
    if (i < args.size()) cl.output = args[i++];
    for (size_t k = i; k < args.size(); ++k) cl.title += (k > i ? " " : "") + args[k];
    if (cl.input.empty()) return Error("missing or empty INPUT");
    if (cl.output.empty()) return Error("missing or empty OUTPUT");
    return cl;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    if (!args.empty() && args[0].size() > 0 && args[0][0] == '-') return ParseOptions(args);
    return ParsePlain(args);
}

const char* UsageText() {
    return "Usage: torvex INPUT OUTPUT [TITLE...]\n"
           "       torvex [OPTION...] [--] INPUT OUTPUT [TITLE...]\n"
           "       torvex                 (opens the window)\n"
           "Converts the plain-text file INPUT into the HTML page OUTPUT.\n"
           "The OUTPUT name FAQ splits a numbered document into a set of pages\n"
           "in INPUT's folder.\n"
           "\n"
           "Options:\n"
           "  -b, --line-breaks=MODE  keep: every line break; add: where the text\n"
           "                          needs one (the default); none: no line breaks\n"
           "  -n, --no-time-stamp     leave the date and time out of the footer\n"
           "  -e, --encoding=SET      auto (the default): a UTF-8 page when all of\n"
           "                          INPUT is valid UTF-8 beyond ASCII, else an\n"
           "                          ISO 8859-1 page; utf-8: bytes that are not\n"
           "                          UTF-8 read as ISO 8859-1; latin-1: the bytes\n"
           "                          as they are\n"
           "  -h, --help              show this help and exit\n"
           "  -V, --version           show the version and exit\n";
}

int RunConversion(CommandLine& request) {
    StderrHost host;
    Engine engine(host);
    engine.Processing = true;
    engine.Encoding = request.encoding;
    try {
        return engine.ConvertFile(request.input, request.output, request.title, request.line_break_mode,
                                  request.time_stamp)
                   ? 0
                   : 1;
    } catch (const InputError& e) {
        host.ShowMessage(e.what());
        return 1;
    } catch (const std::exception& e) {  // such as a line larger than memory
        host.ShowMessage(std::string("Conversion failed: ") + e.what());
        return 1;
    }
}

}  // namespace torvex
