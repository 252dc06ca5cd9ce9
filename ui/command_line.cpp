#include "command_line.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <string_view>
#include <utility>

#include "language_tag.h"
#include "page_names.h"
#include "stderr_host.h"

namespace torvex {

namespace {

// What the options say, and what only the parsing needs to know.
struct Parse {
    CommandLine cl;
    bool batch = false;
    bool title_option = false;
};

// What the shell offers for an option's argument.
enum class Offer { Nothing, Values, Files, Folders, Counts };

// One row per option: parsing, --help and the bash completion all follow
// this table. effect gets the option's argument (empty when it takes none)
// and gives a problem to report, or nothing.
struct Option {
    char short_name;        // '\0': a long name only
    const char* long_name;
    const char* argument;  // its name in the help, or nullptr
    const char* values;    // the words the argument may be, or nullptr for any
    const char* what;      // the argument in a message about a word not in values
    Offer offer;
    const char* help;      // lines after the first start with "\n"
    std::string (*effect)(Parse&, const std::string&);
    // The shortest prefix of long_name that stands for it: an option added
    // later takes no abbreviation an older one had ("--no" stays --no-time-stamp).
    size_t shortest = 1;
};

// The position of word among the space-separated words, or -1.
int WordIndex(std::string_view words, std::string_view word) {
    int index = 0;
    for (size_t at = 0; at <= words.size(); ++index) {
        const size_t end = std::min(words.find(' ', at), words.size());
        if (words.substr(at, end - at) == word) return index;
        at = end + 1;
    }
    return -1;
}

// "keep, add or none"
std::string Alternatives(std::string_view words) {
    const size_t last = words.rfind(' ');
    std::string text(words.substr(0, last));
    for (size_t at = 0; (at = text.find(' ', at)) != std::string::npos; at += 2) text.replace(at, 1, ", ");
    return text + " or " + std::string(words.substr(last + 1));
}

constexpr const char* ModeWords = "keep add none";  // in the order of the library's modes, from 1
constexpr const char* EncodingWords = "auto utf-8 latin-1";
constexpr int Encodings[] = {TORVEX_CHARSET_AUTO, TORVEX_CHARSET_UTF8, TORVEX_CHARSET_LATIN1};
constexpr const char* StyleWords = "classic modern";
constexpr int Styles[] = {TORVEX_STYLE_CLASSIC, TORVEX_STYLE_MODERN};

// Other spellings of the words an argument may be, as people write
// character sets; any of them in any case.
constexpr std::pair<std::string_view, std::string_view> Spellings[] = {
    {"utf8", "utf-8"}, {"latin1", "latin-1"}, {"iso-8859-1", "latin-1"}, {"iso8859-1", "latin-1"}};

std::string Spelt(std::string word) {
    for (char& c : word)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    for (const auto& [other, usual] : Spellings)
        if (word == other) return std::string(usual);
    return word;
}

std::string SetMode(Parse& p, const std::string& word) {
    p.cl.options.line_break_mode = TORVEX_LINE_BREAKS_KEEP + WordIndex(ModeWords, word);
    return {};
}

// -e, --encoding: the input's character set, named exactly.
std::string SetEncoding(Parse& p, const std::string& word) {
    p.cl.options.encoding = Encodings[WordIndex(EncodingWords, word)];
    return {};
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

// -s, --style: the classic page or the modern one.
std::string SetStyle(Parse& p, const std::string& word) {
    p.cl.options.style = Styles[WordIndex(StyleWords, word)];
    return {};
}

std::string SetLanguage(Parse& p, const std::string& tag) {
    if (!WellFormedLanguageTag(tag))
        return "invalid language tag '" + tag + "' (use a BCP 47 tag such as en, de-CH or pt-BR)";
    p.cl.options.language = tag;
    return {};
}

std::string AddStylesheet(Parse& p, const std::string& url) {
    if (url.empty()) return "the stylesheet's address is empty";
    p.cl.options.stylesheets.push_back(url);
    return {};
}

std::string SetFilesFrom(Parse& p, const std::string& list) {
    if (list.empty()) return "the list's name is empty";
    p.cl.files_from = list;
    p.batch = true;
    return {};
}

constexpr std::array<Option, 17> Options = {{
    {'s', "style", "STYLE", StyleWords, "style", Offer::Values,
     "classic (the default): the page as Torvex has\nalways written it; modern: HTML5 in UTF-8 that\nkeeps the text's shape (lists, columns, code)\nand reads well on any screen",
     SetStyle, 2},
    {'\0', "lang", "TAG", nullptr, nullptr, Offer::Nothing,
     "the language of the text, a BCP 47 tag such as\nen or pt-BR (modern pages; default: the\nlocale's)",
     SetLanguage, 2},
    {'\0', "css", "URL", nullptr, nullptr, Offer::Nothing,
     "link the stylesheet at URL instead of the page's\nown (modern pages; may be given again)", AddStylesheet},
    {'\0', "no-credit", nullptr, nullptr, nullptr, Offer::Nothing,
     "leave the converter's credit out of the footer\n(modern pages)",
     [](Parse& p, const std::string&) { return p.cl.options.credit = false, std::string(); }, 4},
    {'b', "line-breaks", "MODE", ModeWords, "line-break mode", Offer::Values,
     "keep: every line break; add: where the text\nneeds one (the default); none: no line breaks", SetMode},
    {'n', "no-time-stamp", nullptr, nullptr, nullptr, Offer::Nothing, "leave the date and time out of the footer",
     [](Parse& p, const std::string&) { return p.cl.options.time_stamp = false, std::string(); }},
    {'e', "encoding", "SET", EncodingWords, "encoding", Offer::Values,
     "auto (the default): INPUT read as UTF-8 when\nall of it is valid UTF-8 beyond ASCII, else as\nISO 8859-1; utf-8: bytes that are not UTF-8\nread as ISO 8859-1; latin-1: the bytes as they\nare (also utf8, latin1, iso-8859-1; in any\ncase). A classic page is in INPUT's character\nset, a modern one always in UTF-8",
     SetEncoding},
    {'t', "title", "TEXT", nullptr, nullptr, Offer::Nothing,
     "the page title (in a batch, of every page);\ninstead of the TITLE words",
     [](Parse& p, const std::string& text) {
         p.title_option = true;
         return p.cl.options.title = text, std::string();
     }},
    {'f', "force", nullptr, nullptr, nullptr, Offer::Nothing, "replace OUTPUT even if it is not an HTML page",
     [](Parse& p, const std::string&) { return p.cl.options.force = true, std::string(); }},
    {'B', "batch", nullptr, nullptr, nullptr, Offer::Nothing,
     "every name is an INPUT, whose page goes beside\nit, named after it: notes.v1.txt gives\nnotes.v1.html",
     [](Parse& p, const std::string&) { return p.batch = true, std::string(); }},
    {'d', "output-dir", "DIR", nullptr, nullptr, Offer::Folders,
     "a batch whose pages all go into DIR (made if\nmissing)", SetOutputDir},
    {'\0', "files-from", "FILE", nullptr, nullptr, Offer::Files,
     "a batch of the INPUTs named in FILE, one a\nline (\"-\": standard input)", SetFilesFrom},
    {'0', "null", nullptr, nullptr, nullptr, Offer::Nothing,
     "the names in FILE end with a NUL, not a line\nend (as find -print0 writes them)",
     [](Parse& p, const std::string&) { return p.cl.null_separated = true, std::string(); }},
    {'j', "jobs", "N", nullptr, nullptr, Offer::Counts,
     "convert N files of a batch at once (default:\none per processor)", SetJobs},
    {'\0', "split", nullptr, nullptr, nullptr, Offer::Nothing,
     "split INPUT into a page set in its folder, as\nthe OUTPUT name FAQ does (then no OUTPUT is\ngiven); in a batch, every INPUT",
     [](Parse& p, const std::string&) { return p.cl.options.split = true, std::string(); }},
    {'h', "help", nullptr, nullptr, nullptr, Offer::Nothing, "show this help and exit",
     [](Parse& p, const std::string&) { return p.cl.action = CommandLine::Action::Help, std::string(); }},
    {'V', "version", nullptr, nullptr, nullptr, Offer::Nothing, "show the version and exit",
     [](Parse& p, const std::string&) { return p.cl.action = CommandLine::Action::Version, std::string(); }},
}};

// The option's effect, once its argument is known to be one of its values.
std::string Apply(const Option& option, Parse& p, const std::string& value) {
    if (option.values == nullptr) return option.effect(p, value);
    const std::string word = Spelt(value);
    if (WordIndex(option.values, word) < 0)
        return std::string("invalid ") + option.what + " '" + value + "' (use " + Alternatives(option.values) + ")";
    return option.effect(p, word);
}

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
    std::string possibilities;
    for (const auto& option : Options) {
        if (name == option.long_name) {
            match = &option;
            possibilities.clear();
            break;
        }
        if (std::string_view(option.long_name).starts_with(name) && name.size() >= option.shortest) {
            if (match != nullptr && possibilities.empty()) possibilities = " '--" + std::string(match->long_name) + "'";
            if (match != nullptr) possibilities += " '--" + std::string(option.long_name) + "'";
            match = &option;
        }
    }
    if (!possibilities.empty()) return "option '--" + name + "' is ambiguous; possibilities:" + possibilities;
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
    return Apply(*match, p, value);
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
        return Apply(*option, p, value);
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
    if (cl.null_separated && cl.files_from.empty()) return Error("-0 (--null) is for the names of --files-from");
    if (p.batch) {
        // Standard input cannot be told apart from the other inputs' pages,
        // nor read twice: a batch converts named files only.
        if (names.empty() && cl.files_from.empty()) return Error("missing INPUT");
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
        // A bare command line short of two names asks for the window, which
        // opens the one name given.
        if (!options) {
            CommandLine window;
            if (names.size() == 1) window.input = names[0];
            return window;
        }
        if (names.size() == 1 && !cl.input.empty()) return Error(MissingOutput(cl.input));
        return Error(cl.input.empty() ? "missing or empty INPUT" : "missing or empty OUTPUT");
    }
    return cl;
}

const std::string& UsageText() {
    static const std::string text = [] {
        std::string usage =
            "Usage: torvex [OPTION...] [--] INPUT OUTPUT [TITLE...]\n"
            "       torvex --batch [OPTION...] [--] INPUT...\n"
            "       torvex --files-from=FILE [OPTION...] [--] [INPUT...]\n"
            "       torvex                 (opens the window)\n"
            "Converts the plain-text file INPUT into the HTML page OUTPUT; \"-\" is\n"
            "standard input or output. The OUTPUT name FAQ splits a numbered document\n"
            "into a set of pages in INPUT's folder. A page is written to a temporary\n"
            "file and replaces the old one only when complete; an interrupt, a full\n"
            "disk or any other failure leaves the old page as it was.\n"
            "--style=modern writes a page that keeps the text's shape and reads well\n"
            "on a phone: torvex -s modern README readme.html\n"
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

// What bash offers for an option's argument, the argument being in $word.
std::string CompletionReply(const Option& option) {
    switch (option.offer) {
    case Offer::Values:
        return std::string("COMPREPLY=($(compgen -W '") + option.values + "' -- \"$word\"))";
    case Offer::Files:
        return "compopt -o filenames\n            COMPREPLY=($(compgen -f -- \"$word\"))";
    case Offer::Folders:
        return "compopt -o filenames\n            COMPREPLY=($(compgen -d -- \"$word\"))";
    case Offer::Counts:
        return "COMPREPLY=($(compgen -W \"$(seq 1 \"$(nproc 2>/dev/null || echo 1)\")\" -- \"$word\"))";
    case Offer::Nothing:
        break;
    }
    return "COMPREPLY=()";
}

std::string BashCompletion() {
    std::string afterOption, inOption, names;
    for (const auto& option : Options) {
        const std::string name = std::string("--") + option.long_name;
        if (option.short_name != '\0') names += std::string("-") + option.short_name + " ";
        names += name + (option.argument != nullptr ? "= " : " ");
        if (option.argument == nullptr) continue;
        const std::string pattern =
            option.short_name != '\0' ? std::string("-") + option.short_name + "|" + name : name;
        afterOption += "        " + pattern + ")\n            word=$cur\n            " + CompletionReply(option) +
                       "\n            return ;;\n";
        inOption += "        " + name + "=*)\n            word=${cur#*=}\n            " + CompletionReply(option) +
                    "\n            return ;;\n";
    }
    return "# bash completion for torvex, made from its option table when torvex is built\n"
           "_torvex() {\n"
           "    local cur prev word\n"
           "    cur=${COMP_WORDS[COMP_CWORD]}\n"
           "    prev=${COMP_WORDS[COMP_CWORD-1]}\n"
           "    # \"--jobs=2\": bash usually makes \"=\" a word of its own.\n"
           "    [ \"$prev\" = \"=\" ] && [ \"$COMP_CWORD\" -ge 2 ] && prev=${COMP_WORDS[COMP_CWORD-2]}\n"
           "    case $prev in\n" + afterOption +
           "    esac\n"
           "    case $cur in\n" + inOption +
           "        -*)\n"
           "            COMPREPLY=($(compgen -W '" + names + "--' -- \"$cur\"))\n"
           "            [[ ${COMPREPLY-} == *= ]] && compopt -o nospace\n"
           "            return ;;\n"
           "    esac\n"
           "    # The operands: text files to read, pages to write (or FAQ); in a batch,\n"
           "    # text files only.\n"
           "    compopt -o filenames\n"
           "    COMPREPLY=($(compgen -f -- \"$cur\"))\n"
           "}\n"
           "complete -F _torvex torvex\n";
}

int UsageError(const std::string& problem) {
    StderrHost(stderr).ShowMessage(problem);
    std::fputs("Try 'torvex --help' for more information.\n", stderr);
    return 2;
}

std::string MissingOutput(const std::string& input) {
    const std::string missing = "missing OUTPUT after '" + input + "'";
    if (input == "-") return missing + " (to write standard output, give - as OUTPUT)";
    return missing + " (to write " + BatchPageName(input) + ", add -B)";
}

int RunConversion(CommandLine& request) {
    StderrHost host;
    const ConversionResult result = Convert(request.input, request.output, request.options, host);
    if (result.status == TORVEX_OK) return 0;
    if (result.status != TORVEX_ERROR_NOT_A_PAGE) host.ShowMessage(result.message);  // else the host told
    return 1;
}

}  // namespace torvex
