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
    // Progress of the current input, for front ends that show it. Called at
    // each yield with the bytes read so far and the input's size (0 if unknown).
    virtual void Progress(unsigned long long /*done*/, unsigned long long /*total*/) {}
};

}  // namespace torvex
