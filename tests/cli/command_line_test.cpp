// The command line as parsed, and the page names batches derive, against
// the table in tests/data/cli/command_lines.txt.
#include <gtest/gtest.h>

#include "command_line.h"
#include "page_names.h"
#include "run.h"
#include "table.h"

namespace torvex {
namespace {

// The request in a line of the table: the action, its names in brackets,
// then what differs from the defaults.
std::string Describe(const CommandLine& cl) {
    using Action = CommandLine::Action;
    static const char* const Actions[] = {"convert", "batch", "window", "help", "version", "error: "};
    std::string text = Actions[static_cast<int>(cl.action)];
    if (cl.action == Action::Error) return text + cl.error;
    if (cl.action == Action::Window && !cl.input.empty()) return text + " [" + cl.input + "]";
    if (cl.action != Action::Convert && cl.action != Action::Batch) return text;
    for (const std::string& name : cl.action == Action::Batch ? cl.inputs : std::vector{cl.input, cl.output})
        text += " [" + name + "]";
    const ConversionOptions& o = cl.options;
    if (!o.title.empty()) text += " title=[" + o.title + "]";
    if (o.line_break_mode != TORVEX_LINE_BREAKS_ADD) text += " mode=" + std::to_string(o.line_break_mode);
    if (!o.time_stamp) text += " no-stamp";
    if (o.force) text += " force";
    if (o.split) text += " split";
    if (o.encoding != TORVEX_CHARSET_AUTO) text += o.encoding == TORVEX_CHARSET_UTF8 ? " utf-8" : " latin-1";
    if (!cl.output_dir.empty()) text += " dir=" + cl.output_dir;
    if (cl.jobs != 0) text += " jobs=" + std::to_string(cl.jobs);
    if (!cl.files_from.empty()) text += " files-from=" + cl.files_from;
    if (cl.null_separated) text += " null";
    if (o.style == TORVEX_STYLE_MODERN) text += " modern";
    if (!o.language.empty()) text += " lang=" + o.language;
    for (const std::string& sheet : o.stylesheets) text += " css=[" + sheet + "]";
    if (!o.credit) text += " no-credit";
    return text;
}

TEST(CommandLine, Table) {
    for (const auto& row : testing::ReadTable(TORVEX_SOURCE_DIR "/tests/data/cli/command_lines.txt", 3)) {
        SCOPED_TRACE(row[1]);
        if (row[0] == "parse") {
            EXPECT_EQ(Describe(ParseCommandLine(testing::Words(row[1]))), row[2]);
        } else {
            EXPECT_EQ(row[0] == "window page" ? DerivedPageName(row[1]) : BatchPageName(row[1]), row[2]);
        }
    }
}

}  // namespace
}  // namespace torvex
