#include "stderr_host.h"

#include <unistd.h>

#include "clock.h"

namespace torvex {

namespace {

constexpr auto Delay = std::chrono::seconds(1);                // quick conversions show nothing
constexpr auto RedrawEvery = std::chrono::milliseconds(200);  // keep the terminal calm

}  // namespace

StderrHost::StderrHost(std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) == 1), start_(Clock::now()) {}

StderrHost::~StderrHost() { ClearProgress(); }

void StderrHost::ShowMessage(const std::string& text) {
    ClearProgress();
    std::fprintf(stream_, "torvex: %s\n", text.c_str());
}

bool StderrHost::MayReplaceNonPage(const std::string& path) {
    if (!force) ShowMessage(path + " exists and is not an HTML page; use --force to replace it");
    return force;
}

StampTime StderrHost::Now() { return StampNow(); }

void StderrHost::Progress(unsigned long long done, unsigned long long total) {
    if (!terminal_) return;
    const auto now = Clock::now();
    if (now - start_ < Delay || (showing_ && now - last_draw_ < RedrawEvery)) return;
    last_draw_ = now;
    showing_ = true;
    const double seconds = std::chrono::duration<double>(now - start_).count();
    const double rate = static_cast<double>(done) / 1e6 / seconds;
    if (total > 0)
        std::fprintf(stream_, "\rtorvex: %3llu%%  %.1f MB/s\033[K", done * 100 / total, rate);
    else
        std::fprintf(stream_, "\rtorvex: %.1f MB  %.1f MB/s\033[K", static_cast<double>(done) / 1e6, rate);
    std::fflush(stream_);
}

void StderrHost::ClearProgress() {
    if (!showing_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    showing_ = false;
}

}  // namespace torvex
