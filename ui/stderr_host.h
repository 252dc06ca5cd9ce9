// The command line's host: messages on stderr and, when stderr is a
// terminal and a conversion takes more than a second, a progress line.
#pragma once

#include <chrono>
#include <cstdio>

#include "host.h"

namespace torvex {

class StderrHost : public Host {
public:
    explicit StderrHost(std::FILE* stream = stderr);
    ~StderrHost() override;

    void ShowMessage(const std::string& text) override;
    void Warn(const std::string& text) override { ShowMessage(text); }
    // Yes with --force; otherwise no, and says how to get a yes.
    bool MayReplaceNonPage(const std::string& path) override;
    void Yield() override {}
    StampTime Now() override;
    void Progress(unsigned long long done, unsigned long long total) override;

    // Removes the progress line, if one is showing.
    void ClearProgress();

    bool force = false;

private:
    using Clock = std::chrono::steady_clock;

    std::FILE* stream_;
    bool terminal_;
    Clock::time_point start_, last_draw_;
    bool showing_ = false;
};

}  // namespace torvex
