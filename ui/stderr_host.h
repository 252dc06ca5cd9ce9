// The command line's host: messages on stderr and, when stderr is a
// terminal and a conversion or a batch takes more than a second, a
// progress line.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "conversion.h"

namespace torvex {

class StderrHost : public ConversionHost {
public:
    explicit StderrHost(std::FILE* stream = stderr);
    ~StderrHost() override;

    void ShowMessage(const std::string& text);
    void Warn(const std::string& text) override { ShowMessage(text); }
    // No (asked only without --force), and says how to get a yes.
    bool MayReplaceNonPage(const std::string& path) override;
    int Progress(unsigned long long done, unsigned long long total) override;

    // The progress of a batch: files done of all, bytes read, time taken.
    void BatchProgress(size_t done, size_t total, unsigned long long bytes);
    // Removes the progress line, if one is showing.
    void ClearProgress();

private:
    using Clock = std::chrono::steady_clock;

    // Whether a line may be drawn now, at most once per `every`.
    bool Due(Clock::duration every);
    void Draw(const std::string& line);

    std::FILE* stream_;
    bool terminal_;
    Clock::time_point start_, last_draw_;
    bool showing_ = false;
};

// What a host that may not replace path tells the user.
std::string NotAPageMessage(const std::string& path);

// 9998 as "9,998".
std::string WithThousands(unsigned long long n);

}  // namespace torvex
