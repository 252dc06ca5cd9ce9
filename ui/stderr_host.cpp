#include "stderr_host.h"

#include <unistd.h>

namespace torvex {

namespace {

constexpr auto Delay = std::chrono::seconds(1);                     // quick conversions show nothing
constexpr auto RedrawEvery = std::chrono::milliseconds(200);        // keep the terminal calm
constexpr auto BatchRedrawEvery = std::chrono::milliseconds(100);  // files come and go faster than bytes

std::string Megabytes(unsigned long long bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

std::string Elapsed(std::chrono::steady_clock::duration taken) {
    const long long s = std::chrono::duration_cast<std::chrono::seconds>(taken).count();
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

}  // namespace

std::string NotAPageMessage(const std::string& path) {
    return path + " exists and is not an HTML page; use --force to replace it";
}

std::string WithThousands(unsigned long long n) {
    std::string digits = std::to_string(n);
    for (size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, 1, ',');
    return digits;
}

StderrHost::StderrHost(std::FILE* stream)
    : stream_(stream), terminal_(isatty(fileno(stream)) == 1), start_(Clock::now()) {}

StderrHost::~StderrHost() { ClearProgress(); }

void StderrHost::ShowMessage(const std::string& text) {
    ClearProgress();
    std::fprintf(stream_, "torvex: %s\n", text.c_str());
}

bool StderrHost::MayReplaceNonPage(const std::string& path) {
    ShowMessage(NotAPageMessage(path));
    return false;
}

bool StderrHost::Due(Clock::duration every) {
    if (!terminal_) return false;
    const auto now = Clock::now();
    if (now - start_ < Delay || (showing_ && now - last_draw_ < every)) return false;
    last_draw_ = now;
    return true;
}

void StderrHost::Draw(const std::string& line) {
    showing_ = true;
    std::fprintf(stream_, "\rtorvex: %s\033[K", line.c_str());
    std::fflush(stream_);
}

int StderrHost::Progress(unsigned long long done, unsigned long long total) {
    if (!Due(RedrawEvery)) return TORVEX_GO_ON;
    const double seconds = std::chrono::duration<double>(last_draw_ - start_).count();
    const double rate = static_cast<double>(done) / 1e6 / seconds;
    char line[64];
    if (total > 0)
        std::snprintf(line, sizeof line, "%3llu%%  %.1f MB/s", done * 100 / total, rate);
    else
        std::snprintf(line, sizeof line, "%.1f MB  %.1f MB/s", static_cast<double>(done) / 1e6, rate);
    Draw(line);
    return TORVEX_GO_ON;
}

void StderrHost::BatchProgress(size_t done, size_t total, unsigned long long bytes) {
    if (!Due(BatchRedrawEvery)) return;
    Draw(WithThousands(done) + " of " + WithThousands(total) + " files, " + Megabytes(bytes) + ", " +
         Elapsed(last_draw_ - start_));
}

void StderrHost::ClearProgress() {
    if (!showing_) return;
    std::fputs("\r\033[K", stream_);
    std::fflush(stream_);
    showing_ = false;
}

}  // namespace torvex
