#include "command_line.h"

#include <array>
#include <cstdio>
#include <utility>

#include "engine.h"
#include "stderr_host.h"

namespace torvex {

namespace {

// One row per option: parsing and --help both follow this table. effect
// gets the option's argument (empty when it takes none) and gives a
// problem to report, or nothing.
struct Option {
    char short_name;
    const char* long_name;
    const char* argument;  // its name in the help, or nullptr
    const char* help;      // lines after the first start with "\n"
    std::string (*effect)(CommandLine&, const std::string&);
};

std::string SetMode(CommandLine& cl, const std::string& word) {
    static constexpr std::array<const char*, 3> Modes = {"keep", "add", "none"};
    for (size_t i = 0; i < Modes.size(); ++i) {
        if (word == Modes[i]) {
            cl.line_break_mode = static_cast<int>(i) + 1;
            return {};
        }
    }
    return "invalid line-break mode '" + word + "' (use keep, add or none)";
}

// -e, --encoding: the input's character set, named exactly.
std::string SetEncoding(CommandLine& cl, const std::string& word) {
    static constexpr std::pair<const char*, CharacterSet> Encodings[] = {
        {"auto", CharacterSet::Auto}, {"utf-8", CharacterSet::Utf8}, {"latin-1", CharacterSet::Latin1}};
    for (const auto& [name, set] : Encodings) {
        if (word == name) {
            cl.encoding = set;
            return {};
        }
    }
    return "invalid encoding '" + word + "' (use auto, utf-8 or latin-1)";
}

constexpr std::array<Option, 6> Options = {{
    {'b', "line-breaks", "MODE",
     "keep: every line break; add: where the text\nneeds one (the default); none: no line breaks", SetMode},
    {'n', "no-time-stamp", nullptr, "leave the date and time out of the footer",
     [](CommandLine& cl, const std::string&) { return cl.time_stamp = false, std::string(); }},
    {'e', "encoding", "SET",
     "auto (the default): a UTF-8 page when all of\nINPUT is valid UTF-8 beyond ASCII, else an\nISO 8859-1 page; utf-8: bytes that are not\nUTF-8 read as ISO 8859-1; latin-1: the bytes\nas they are",
     SetEncoding},
    {'f', "force", nullptr, "replace OUTPUT even if it is not an HTML page",
     [](CommandLine& cl, const std::string&) { return cl.force = true, std::string(); }},
    {'h', "help", nullptr, "show this help and exit",
     [](CommandLine& cl, const std::string&) { return cl.action = CommandLine::Action::Help, std::string(); }},
    {'V', "version", nullptr, "show the version and exit",
     [](CommandLine& cl, const std::string&) { return cl.action = CommandLine::Action::Version, std::string(); }},
}};

const Option* ByShortName(char name) {
    for (const auto& option : Options)
        if (option.short_name == name) return &option;
    return nullptr;
}

// "--name", "--name=value" or "--name value"; a unique prefix of a name will do.
std::string ParseLong(CommandLine& cl, const std::vector<std::string>& args, size_t& i) {
    const std::string arg = args[i].substr(2);
    const auto eq = arg.find('=');
    const std::string name = arg.substr(0, eq);
    const Option* match = nullptr;
    for (const auto& option : Options) {
        if (name == option.long_name) {
            match = &option;
            break;
        }
        if (std::string_view(option.long_name).starts_with(name)) {
            if (match != nullptr) return "option '--" + name + "' is ambiguous";
            match = &option;
        }
    }
    if (match == nullptr || name.empty()) return "unrecognized option '" + args[i] + "'";
    std::string value;
    if (match->argument != nullptr) {
        if (eq != std::string::npos)
            value = arg.substr(eq + 1);
        else if (i + 1 < args.size())
            value = args[++i];
        else
            return "option '--" + std::string(match->long_name) + "' requires an argument";
    } else if (eq != std::string::npos) {
        return "option '--" + std::string(match->long_name) + "' doesn't allow an argument";
    }
    return match->effect(cl, value);
}

// A cluster of short options such as "-n", "-nbkeep" or "-b keep".
std::string ParseShort(CommandLine& cl, const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    for (size_t k = 1; k < arg.size(); ++k) {
        const Option* option = ByShortName(arg[k]);
        if (option == nullptr) return std::string("invalid option -- '") + arg[k] + "'";
        if (option->argument == nullptr) {
            if (auto problem = option->effect(cl, {}); !problem.empty() || cl.action != CommandLine::Action::Convert)
                return problem;
            continue;
        }
        std::string value = arg.substr(k + 1);
        if (value.empty()) {
            if (i + 1 >= args.size()) return std::string("option requires an argument -- '") + arg[k] + "'";
            value = args[++i];
        }
        return option->effect(cl, value);
    }
    return {};
}

CommandLine Error(std::string message) {
    CommandLine cl;
    cl.action = CommandLine::Action::Error;
    cl.error = std::move(message);
    return cl;
}

}  // namespace

// Left to right: options wherever they stand, until "--"; "-" alone is a
// name. Help and version act at once, as the rest of the line may be anything.
CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine cl;
    cl.action = CommandLine::Action::Convert;
    std::vector<std::string> names;
    bool options = false, ended = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (ended || arg.size() < 2 || arg[0] != '-') {
            names.push_back(arg);
            continue;
        }
        options = true;
        if (arg == "--") {
            ended = true;
            continue;
        }
        const std::string problem = arg[1] == '-' ? ParseLong(cl, args, i) : ParseShort(cl, args, i);
        if (!problem.empty()) return Error(problem);
        if (cl.action != CommandLine::Action::Convert) return cl;
    }
    if (!names.empty()) cl.input = names[0];
    if (names.size() > 1) cl.output = names[1];
    for (size_t k = 2; k < names.size(); ++k) cl.title += (k > 2 ? " " : "") + names[k];
    if (cl.input.empty() || cl.output.empty()) {
        // A bare command line short of two names asks for the window.
        if (!options) return CommandLine{};
        return Error(cl.input.empty() ? "missing or empty INPUT" : "missing or empty OUTPUT");
    }
    return cl;
}

const std::string& UsageText() {
    static const std::string text = [] {
        std::string usage =
            "Usage: torvex [OPTION...] [--] INPUT OUTPUT [TITLE...]\n"
            "       torvex                 (opens the window)\n"
            "Converts the plain-text file INPUT into the HTML page OUTPUT; \"-\" is\n"
            "standard input or output. The OUTPUT name FAQ splits a numbered document\n"
            "into a set of pages in INPUT's folder. A page is written to a temporary\n"
            "file and replaces the old one only when complete; an interrupt, a full\n"
            "disk or any other failure leaves the old page as it was.\n"
            "\n"
            "Options:\n";
        constexpr size_t HelpColumn = 26;
        for (const auto& option : Options) {
            std::string left = std::string("  -") + option.short_name + ", --" + option.long_name;
            if (option.argument != nullptr) left += std::string("=") + option.argument;
            left.resize(HelpColumn, ' ');
            for (const char* c = option.help; *c != '\0'; ++c)
                left += *c == '\n' ? "\n" + std::string(HelpColumn, ' ') : std::string(1, *c);
            usage += left + "\n";
        }
        return usage;
    }();
    return text;
}

int RunConversion(CommandLine& request) {
    StderrHost host;
    host.force = request.force;
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
