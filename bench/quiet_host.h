// A host that says nothing and never waits: the engine alone is timed.
#pragma once

#include "host.h"

namespace torvex::bench {

class QuietHost : public Host {
public:
    void ShowMessage(const std::string&) override {}
    void Yield() override {}
    StampTime Now() override { return {}; }
};

}  // namespace torvex::bench
