// A Host for tests: keeps the messages, answers a fixed clock, and can run
// something at a chosen yield (as a window's Cancel would).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host.h"

namespace torvex::testing {

class RecordingHost : public Host {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Warn(const std::string& text) override { warnings.push_back(text); }
    void Yield() override {
        ++yields;
        if (on_yield) on_yield(yields);
    }
    StampTime Now() override {
        ++clock_reads;
        return now;
    }

    std::vector<std::string> messages, warnings;
    int yields = 0;
    int clock_reads = 0;
    StampTime now{2027, 3, 5, 14, 7, 9};
    std::function<void(int)> on_yield;
};

}  // namespace torvex::testing
