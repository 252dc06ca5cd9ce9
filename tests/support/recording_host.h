// A Host for tests: keeps every message, counts the yields, runs an optional
// action at each yield (to stop a pass) and always gives the same time.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "host.h"

namespace torvex::testing {

class RecordingHost : public Host {
public:
    void ShowMessage(const std::string& text) override { messages.push_back(text); }
    void Yield() override {
        ++yields;
        if (on_yield) on_yield();
    }
    StampTime Now() override { return now; }

    std::vector<std::string> messages;
    int yields = 0;
    std::function<void()> on_yield;
    // 14:07:09 on 5 March 2027.
    StampTime now{2027, 3, 5, 14, 7, 9};
};

}  // namespace torvex::testing
