// The conversion engine's entry. One Engine lives as long as its front end
// and carries the state that outlives a single conversion.
#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "character_set.h"
#include "host.h"
#include "input_file.h"   // ConvertFile throws its InputError
#include "line_breaks.h"  // the numbers of ConvertFile's LineBreakMode
#include "line_writer.h"
#include "modern_markup.h"  // PageOptions
#include "page_sink.h"     // ConvertText's PageOutput
#include "path_names.h"   // SplitOutputName

namespace torvex {

// Why a ConvertFile gave false.
enum class Failure {
    None,
    Input,       // the input could not be read to its end
    EmptyInput,  // "Input file appears to be empty"
    Output,      // a page could not be written or take its name
    NotAPage,    // the host would not let a file that is no page be replaced
    Abandoned,   // Abandoned was set
};

// How much of its input and output the engine holds in memory at once.
// Tests shrink these to a few bytes, and turn the plain-line copy off, so
// that every way a line can take is taken.
struct ConversionLimits {
    size_t read_size = size_t(1) << 17;       // bytes read from the input at a time
    size_t line_in_memory = size_t(1) << 20;  // a longer line is converted piece by piece, and a longer
                                              // run the link step must see whole waits in a scratch file
    size_t piece = size_t(1) << 18;           // the bytes of such a line converted at a time
    size_t held_line = size_t(4) << 20;       // a longer held-back line waits in a temporary file
    bool copy_plain_lines = true;  // quick paths for plain lines (off: every line goes the whole way, to the same pages)
    // A file named as the input that is this large or larger is read through
    // a mapping: never by default, as a file cut short meanwhile raises
    // SIGBUS, which the process must hand to CoverMappedInput.
    unsigned long long map_from = ~0ULL;
};

class Engine {
public:
    explicit Engine(Host& host) : host_(host) {}

    // Converts InputName into the page OutputName (or, when OutputName is
    // exactly SplitOutputName, into a page set in the input's folder, leaving
    // OutputName naming the last page written). LineBreakMode is a number
    // of the LineBreakMode enum; any other number adds breaks as Add does.
    // True when the pass ran to its end (also when the user stopped it).
    // Throws InputError, before any output is touched, when the input
    // cannot be opened; every other failure is told through
    // Host::ShowMessage and gives false.
    bool ConvertFile(std::string& InputName, std::string& OutputName, std::string& PageTitle,
                     int& LineBreakMode, bool& TimeStamp);

    // Converts text in memory, read where it lies (it must not change
    // meanwhile), into one page handed to output as it is made, mostly a
    // quarter of a megabyte at a time; the engine holds no more of the page
    // than when it writes a file. output answering false gives the
    // conversion up, as Abandoned does: it is handed nothing more. name
    // stands for the text where a file's name would (a modern page with no
    // other title is titled by it). Auto decides the character set from the
    // whole text before anything is written. No page set: the Split output
    // name means nothing here. True when the pass ran to its end; a failure
    // is told through Host::ShowMessage and gives false.
    bool ConvertText(std::string_view text, const std::string& name, const PageOutput& output,
                     const std::string& pageTitle, LineBreakMode mode, bool timeStamp);

    // True while a run is under way; a front end clears it (from within a
    // Host::Yield, or from another thread) to stop the pass after the
    // current line: the page is finished with "Processing interrupted".
    std::atomic<bool> Processing = false;

    // Set (from any thread) to give up the conversion after the current
    // line instead: its temporary files are removed, no page is replaced,
    // and ConvertFile returns false without a message. It stays set, so a
    // later ConvertFile gives up as well until it is cleared.
    std::atomic<bool> Abandoned = false;

    // The character set of the input, and so of the pages: Auto decides it
    // from the whole input at each conversion.
    CharacterSet Encoding = CharacterSet::Auto;

    // How the pages are written: the classic page, or the modern one and
    // its options.
    PageOptions Page;

    ConversionLimits Limits;

    // The page title without its section label, of the last page header written.
    std::string ShortTitle;
    // Label number of the last line seen in split mode (0: none).
    float SectionNumber = 0;
    // Why the last ConvertFile gave false (None when it gave true or threw).
    Failure LastFailure = Failure::None;

private:
    friend class Conversion;
    Host& host_;
    // Holds the last submitted line; lives as long as the engine.
    LineWriter writer_;
};

}  // namespace torvex
