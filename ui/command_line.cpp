#include "command_line.h"

#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

#include "engine.h"
#include "stderr_host.h"

namespace torvex {

namespace {

// What the options say, and what only the parsing needs to know.
struct Parse {
    CommandLine cl;
    bool batch = false;
    bool title_option = false;
};

// One row per option: parsing and --help both follow this table. effect
// gets the option's argument (empty when it takes none) and gives a
// problem to report, or nothing.
struct Option {
    char short_name;        // '\0': a long name only
    const char* long_name;
    const char* argument;  // its name in the help, or nullptr
    const char* help;      // lines after the first start with "\n"
    std::string (*effect)(Parse&, const std::string&);
};

std::string SetMode(Parse& p, const std::string& word) {
    static constexpr std::array<const char*, 3> Modes = {"keep", "add", "none"};
    for (size_t i = 0; i < Modes.size(); ++i) {
        if (word == Modes[i]) {
            p.cl.options.line_break_mode = static_cast<int>(i) + 1;
            return {};
        }
    }
    return "invalid line-break mode '" + word + "' (use keep, add or none)";
}

std::string SetJobs(Parse& p, const std::string& word) {
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), jobs);
    if (error != std::errc() || end != word.data() + word.size() || jobs < 1)
        return "invalid number of jobs '" + word + "' (use a whole number, 1 or more)";
    p.cl.jobs = jobs;
    return {};
}

std::string SetOutputDir(Parse& p, const std::string& folder) {
    if (folder.empty()) return "the output folder's name is empty";
    p.cl.output_dir = folder;
    p.batch = true;
    return {};
}

// -e, --encoding: the input's character set, named exactly.
std::string SetEncoding(Parse& p, const std::string& word) {
    static constexpr std::pair<const char*, CharacterSet> Encodings[] = {
        {"auto", CharacterSet::Auto}, {"utf-8", CharacterSet::Utf8}, {"latin-1", CharacterSet::Latin1}};
    for (const auto& [name, set] : Encodings) {
        if (word == name) {
            p.cl.options.encoding = set;
            return {};
        }
    }
    return "invalid encoding '" + word + "' (use auto, utf-8 or latin-1)";
}

constexpr std::array<Option, 11> Options = {{
    {'b', "line-breaks", "MODE",
     "keep: every line break; add: where the text\nneeds one (the default); none: no line breaks", SetMode},
    {'n', "no-time-stamp", nullptr, "leave the date and time out of the footer",
     [](Parse& p, const std::string&) { return p.cl.options.time_stamp = false, std::string(); }},
    {'e', "encoding", "SET",
     "auto (the default): a UTF-8 page when all of\nINPUT is valid UTF-8 beyond ASCII, else an\nISO 8859-1 page; utf-8: bytes that are not\nUTF-8 read as ISO 8859-1; latin-1: the bytes\nas they are",
     SetEncoding},
    {'t', "title", "TEXT", "the page title (in a batch, of every page);\ninstead of the TITLE words",
     [](Parse& p, const std::string& text) {
         p.title_option = true;
         return p.cl.options.title = text, std::string();
     }},
    {'f', "force", nullptr, "replace OUTPUT even if it is not an HTML page",
     [](Parse& p, const std::string&) { return p.cl.options.force = true, std::string(); }},
    {'B', "batch", nullptr,
     "every name is an INPUT, whose page goes beside\nit, named after it: Read.Me.txt gives read.html",
     [](Parse& p, const std::string&) { return p.batch = true, std::string(); }},
    {'d', "output-dir", "DIR", "a batch whose pages all go into DIR, which\nmust exist", SetOutputDir},
    {'j', "jobs", "N", "convert N files of a batch at once (default:\none per processor)", SetJobs},
    {'\0', "split", nullptr,
     "split INPUT into a page set in its folder, as\nthe OUTPUT name FAQ does (then no OUTPUT is\ngiven); in a batch, every INPUT",
     [](Parse& p, const std::string&) { return p.cl.options.split = true, std::string(); }},
    {'h', "help", nullptr, "show this help and exit",
     [](Parse& p, const std::string&) { return p.cl.action = CommandLine::Action::Help, std::string(); }},
    {'V', "version", nullptr, "show the version and exit",
     [](Parse& p, const std::string&) { return p.cl.action = CommandLine::Action::Version, std::string(); }},
}};

const Option* ByShortName(char name) {
    for (const auto& option : Options)
        if (option.short_name == name && name != '\0') return &option;
    return nullptr;
}

// "--name", "--name=value" or "--name value"; a unique prefix of a name will do.
std::string ParseLong(Parse& p, const std::vector<std::string>& args, size_t& i) {
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
    return match->effect(p, value);
}

// A cluster of short options such as "-n", "-nbkeep" or "-b keep".
std::string ParseShort(Parse& p, const std::vector<std::string>& args, size_t& i) {
    const std::string& arg = args[i];
    for (size_t k = 1; k < arg.size(); ++k) {
        const Option* option = ByShortName(arg[k]);
        if (option == nullptr) return std::string("invalid option -- '") + arg[k] + "'";
        if (option->argument == nullptr) {
            if (auto problem = option->effect(p, {}); !problem.empty() || p.cl.action != CommandLine::Action::Convert)
                return problem;
            continue;
        }
        std::string value = arg.substr(k + 1);
        if (value.empty()) {
            if (i + 1 >= args.size()) return std::string("option requires an argument -- '") + arg[k] + "'";
            value = args[++i];
        }
        return option->effect(p, value);
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
    Parse p;
    CommandLine& cl = p.cl;
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
        const std::string problem = arg[1] == '-' ? ParseLong(p, args, i) : ParseShort(p, args, i);
        if (!problem.empty()) return Error(problem);
        if (cl.action != CommandLine::Action::Convert) return cl;
    }
    if (p.batch) {
        // Standard input cannot be told apart from the other inputs' pages,
        // nor read twice: a batch converts named files only.
        if (names.empty()) return Error("missing INPUT");
        for (const std::string& name : names)
            if (name.empty() || name == "-") return Error("a batch converts named files only, not '" + name + "'");
        if (cl.options.split && !cl.output_dir.empty())
            return Error("--split writes each page set beside its input; it cannot go with --output-dir");
        cl.action = CommandLine::Action::Batch;
        cl.inputs = std::move(names);
        return cl;
    }
    // INPUT OUTPUT [TITLE...], or with --split INPUT [TITLE...].
    const size_t titleFrom = cl.options.split ? 1 : 2;
    if (!names.empty()) cl.input = names[0];
    if (cl.options.split) cl.output = SplitOutputName;
    else if (names.size() > 1) cl.output = names[1];
    if (names.size() > titleFrom && p.title_option) return Error("the title is given both by --title and after OUTPUT");
    for (size_t k = titleFrom; k < names.size(); ++k) cl.options.title += (k > titleFrom ? " " : "") + names[k];
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
            "       torvex --batch [OPTION...] [--] INPUT...\n"
            "       torvex                 (opens the window)\n"
            "Converts the plain-text file INPUT into the HTML page OUTPUT; \"-\" is\n"
            "standard input or output. The OUTPUT name FAQ splits a numbered document\n"
            "into a set of pages in INPUT's folder. A page is written to a temporary\n"
            "file and replaces the old one only when complete; an interrupt, a full\n"
            "disk or any other failure leaves the old page as it was.\n"
            "A batch converts many files on every processor; messages come in the\n"
            "order of the files and a summary ends them. Nothing is converted when\n"
            "two files would write one page or a page is one of the inputs. Ctrl-C\n"
            "keeps the pages already complete. Example: torvex -n -d site notes/*.txt\n"
            "\n"
            "Options:\n";
        constexpr size_t HelpColumn = 26;
        for (const auto& option : Options) {
            std::string left = option.short_name == '\0' ? std::string("      --") + option.long_name
                                                           : std::string("  -") + option.short_name + ", --" +
                                                                 option.long_name;
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
    host.force = request.options.force;
    Engine engine(host);
    engine.Processing = true;
    std::string failure;
    if (Convert(engine, request.input, request.output, request.options, failure)) return 0;
    if (!failure.empty()) host.ShowMessage(failure);
    return 1;
}

}  // namespace torvex
