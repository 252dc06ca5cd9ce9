// The conversion pass: one input file (or text in memory), read line by
// line and handed to a page style, which writes the page (or, in split
// mode, the set of pages) through the page sequence. The pass decides the
// character set, gives the front end its yields and progress, and stops
// when asked.
#include <algorithm>
#include <optional>

#include "classic_style.h"
#include "engine.h"
#include "input_file.h"
#include "modern_style.h"
#include "page_sequence.h"
#include "page_style.h"
#include "path_names.h"
#include "section_plan.h"

namespace torvex {

class Conversion {
public:
    Conversion(Engine& engine, std::string& outputName, LineBreakMode mode, bool timeStamp)
        : engine_(engine), host_(engine.host_), output_name_(outputName), mode_(mode),
          pages_(engine.host_, engine.writer_, outputName),
          plan_(engine.SectionNumber, engine.ShortTitle),
          pass_{engine.host_, engine.writer_, input_, pages_, plan_, engine.Limits, timeStamp, {}} {
        if (engine.Page.style == PageOptions::Style::Modern)
            style_ = &modern_.emplace(pass_, mode, engine.Page);
        else
            style_ = &classic_.emplace(pass_, mode);
    }
    // What the engine tells of its last conversion.
    ~Conversion() {
        engine_.SectionNumber = plan_.number();
        engine_.ShortTitle = plan_.short_title();
        engine_.LastFailure = empty_ ? Failure::EmptyInput : pages_.failure();
    }

    bool Run(std::string& inputName, const std::string& pageTitle);
    bool RunText(std::string_view text, const std::string& name, CallbackSink& sink, const std::string& pageTitle);

private:
    bool Convert(const std::string& pageTitle);
    bool Fail(const std::string& message, Failure failure = Failure::Output);
    bool OpenFirstPage();
    void Prepare();
    template <class Style>
    bool ConvertLines(Style& style);
    bool Restart(const std::string& pageTitle);

    Engine& engine_;
    Host& host_;
    std::string& output_name_;
    const LineBreakMode mode_;
    InputFile input_;
    PageSequence pages_;
    SectionPlan plan_;
    PassContext pass_;
    std::optional<ClassicStyle> classic_;
    std::optional<ModernStyle> modern_;
    PageStyle* style_ = nullptr;

    // A regular file's character set is told as it is read: the pages are
    // written for the set guessed so far, and started again should it turn
    // out otherwise. Lines converted before are then converted again with
    // no yield, no warning and no look at Processing in between, as they
    // had those already.
    long long completed_ = 0;  // lines converted, with their yields
    bool empty_ = false;       // the input was empty
    long long next_yield_ = 25;
};

bool Conversion::Fail(const std::string& message, Failure failure) {
    pages_.Fail(message, failure);  // message may be the input's, which closing it clears
    input_.Close();
    return false;
}

bool Conversion::OpenFirstPage() {
    if (pages_.OpenFirst()) return true;
    input_.Close();
    return false;
}

bool Conversion::Run(std::string& inputName, const std::string& pageTitle) {
    std::string& outputName = output_name_;
    if (inputName.empty()) inputName = "c:\\input.txt";
    if (outputName.empty()) outputName = "c:\\output.html";
    StripQuotes(inputName);
    StripQuotes(outputName);
    const bool split = outputName == SplitOutputName;
    std::string folder;
    if (split) {
        // Each document starts from "no label": a letter label on its first
        // lines must not take the number the previous document ended with.
        plan_.Start();
        folder = DirectoryOf(inputName);
        outputName = folder + std::string(SplitContentsPage);
    }

    pass_.input_name = inputName;
    if (inputName == "-")
        input_.OpenStandardInput();
    else
        input_.Open(inputName);  // throws: nothing has been touched yet
    pages_.Start(split, folder, &input_.id());
    return Convert(pageTitle);
}

bool Conversion::RunText(std::string_view text, const std::string& name, CallbackSink& sink,
                         const std::string& pageTitle) {
    pass_.input_name = name;
    input_.OpenMemory(text, name);
    pages_.StartTo(sink);
    return Convert(pageTitle);
}

// The input is open, and the pages know where they go.
bool Conversion::Convert(const std::string& pageTitle) {
    input_.SetLimits(pass_.limits.read_size, pass_.limits.line_in_memory, pass_.limits.map_from);
    // The whole input decides, before anything of a page is written: it is
    // read to its end first, or a regular file is told as it is converted.
    // (A byte-order mark goes in a UTF-8 page only, which may leave nothing.)
    if (engine_.Encoding != CharacterSet::Auto) {
        pass_.set = engine_.Encoding;
    } else if (input_.regular() && !input_.StartsWithByteOrderMark()) {
        input_.CheckAsRead();
        pass_.set = CharacterSet::Latin1;
    } else {
        pass_.set = input_.Examine();
    }
    Prepare();

    if (input_.AtEnd()) {
        // Nothing to convert replaces nothing: only where no file was does
        // an empty one remain.
        if (!input_.error().empty()) return Fail(input_.error(), Failure::Input);
        empty_ = true;
        host_.ShowMessage("Input file appears to be empty");
        input_.Close();
        if (!pages_.to_sink()) CreateEmptyPage(output_name_);
        return false;
    }
    if (!OpenFirstPage()) return false;
    // What is read so far may tell already; a page written in place (a
    // device, a pipe) cannot be started again, so its set is settled now.
    if (input_.checking() && (!pages_.CanInsert() || input_.Guess() != pass_.set)) {
        pass_.set = pages_.CanInsert() ? input_.Guess() : input_.Settle();
        Prepare();
    }
    style_->BeginDocument(pageTitle);
    for (;;) {
        if (!(modern_ ? ConvertLines(*modern_) : ConvertLines(*classic_))) return false;
        if (!pass_.restart && input_.checking() && input_.Settle() != pass_.set) pass_.restart = true;
        if (!pass_.restart) break;
        if (!Restart(pageTitle)) return false;
    }
    if (!input_.error().empty()) return Fail(input_.error(), Failure::Input);

    // Stopped by the user: the pages so far are kept only where they replace nothing.
    const bool stopped = !engine_.Processing;
    style_->EndDocument(stopped);
    host_.Progress(input_.consumed(), input_.size());  // all of it read: a batch counts the bytes
    input_.Close();
    if (!pages_.Finish(engine_.Abandoned, stopped)) return false;
    if (pages_.split()) pages_.ReportMissingPages();
    return true;
}

// What depends on the character set.
void Conversion::Prepare() {
    pass_.make_valid = pass_.set == CharacterSet::Utf8 && engine_.Encoding != CharacterSet::Auto;
    if (pass_.set == CharacterSet::Utf8) input_.SkipByteOrderMark();
    // Only where line breaks are added does a line's shape show (its
    // length in characters, and whether it is laid out by hand).
    input_.SetAttention(pages_.split(), pass_.set, !pass_.make_valid, modern_.has_value(),
                        !modern_ && mode_ == LineBreakMode::Add);
    engine_.writer_.SetHeldInMemory(pass_.limits.held_line);
    style_->Prepare();
}

// The body, line by line, until the input ends, the user stops, or the
// character set turns out to be another than the pages are written in.
// False when the conversion failed.
template <class Style>
bool Conversion::ConvertLines(Style& style) {
    InputFile::Line line;
    long long& number = pass_.line_number;
    for (;;) {
        if (input_.checking() && input_.Guess() != pass_.set) {
            pass_.restart = true;
            return true;
        }
        // The lines in the data in hand, up to the next yield, go in one
        // run where the style has one: none of them can tell another
        // character set, and the page and a stop are looked at after it.
        size_t ran = 0;
        if constexpr (requires { style.Lines(size_t()); }) ran = style.Lines(static_cast<size_t>(next_yield_ - number));
        if (ran == 0) {
            if (!input_.NextLine(line)) break;
            if (input_.checking() && input_.Guess() != pass_.set) {
                pass_.restart = true;
                return true;
            }
            ++number;
            if (line.whole)
                style.Line(line);
            else
                style.LongLine();
            if (pass_.restart) return true;
        }
        if (pages_.failed()) {
            // A great line goes to the page straight from a mapped input;
            // the input cut short meanwhile makes that write fail.
            if (!input_.Intact()) return Fail(input_.error(), Failure::Input);
            pages_.ReportFailure();
            input_.Close();
            return false;
        }
        if (number == next_yield_) {  // every 25th line
            next_yield_ += 25;
            if (number > pass_.replayed) {
                host_.Progress(input_.consumed(), input_.size());
                host_.Yield();
            }
        }
        if (engine_.Abandoned) return Fail("", Failure::Abandoned);
        completed_ = number;
        if ((number >= pass_.replayed && !engine_.Processing) || input_.AtEnd()) break;
    }
    return input_.error().empty() || Fail(input_.error(), Failure::Input);
}

// The pages so far were written in the wrong character set: they go, and
// the conversion starts again from the input's start.
bool Conversion::Restart(const std::string& pageTitle) {
    pass_.restart = false;
    pass_.replayed = std::max(pass_.replayed, completed_);
    pass_.line_number = completed_ = 0;
    next_yield_ = 25;
    pass_.set = input_.Guess();
    pages_.Restart();
    input_.Rewind();
    if (pages_.split()) plan_.Start();
    Prepare();
    if (!OpenFirstPage()) return false;
    style_->BeginDocument(pageTitle);
    return true;
}

bool Engine::ConvertFile(std::string& InputName, std::string& OutputName, std::string& PageTitle,
                         int& LineBreakMode, bool& TimeStamp) {
    Conversion conversion(*this, OutputName, LineBreakModeOf(LineBreakMode), TimeStamp);
    return conversion.Run(InputName, PageTitle);
}

bool Engine::ConvertText(std::string_view text, const std::string& name, const PageOutput& output,
                         const std::string& pageTitle, LineBreakMode mode, bool timeStamp) {
    // A page the caller has stopped taking is given up, as Abandoned does.
    const PageOutput taken = [this, &output](std::string_view bytes) {
        if (output(bytes)) return true;
        Abandoned = true;
        return false;
    };
    CallbackSink sink(taken);
    std::string noFile;
    Conversion conversion(*this, noFile, mode, timeStamp);
    return conversion.RunText(text, name, sink, pageTitle);
}

}  // namespace torvex
