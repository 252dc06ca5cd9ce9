// The engine's only door to the outside world. Each front end (the command
// line, the window) implements it; the engine never talks to a terminal, a
// toolkit or the system clock itself.
#pragma once

#include <string>

namespace torvex {

// One reading of the clock, already broken down. Month is 1..12.
struct StampTime {
    int year = 0, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
};

class Host {
public:
    virtual ~Host() = default;
    // A message for the user (a modal box in the window, stderr on the
    // command line). The text is raw bytes: paths appear as the system gave them.
    virtual void ShowMessage(const std::string& text) = 0;
    // Called every 25 lines so that a window can handle its events; this is
    // where a Cancel or Close may clear Engine::Processing.
    virtual void Yield() = 0;
    // The current date and time for the footer's stamp; read once per page.
    virtual StampTime Now() = 0;
    // A remark on a conversion that went through all the same (a heading
    // kept as a cross reference, a reference to a page the set lacks). The
    // command line prints it; the window, whose pages show what happened,
    // need not.
    virtual void Warn(const std::string& /*text*/) {}
    // May the existing file at path, which is not an HTML page (a text file
    // named by mistake as the output), be replaced? A host that refuses
    // tells the user why; the conversion then ends without a message of its own.
    virtual bool MayReplaceNonPage(const std::string& /*path*/) { return false; }
    // Progress of the current input, for front ends that show it. Called at
    // each yield, and once the input is read to its end, with the bytes read
    // so far and the input's size (0 if unknown).
    virtual void Progress(unsigned long long /*done*/, unsigned long long /*total*/) {}
};

}  // namespace torvex
