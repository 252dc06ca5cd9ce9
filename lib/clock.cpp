#include "clock.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace torvex {

namespace {

bool SourceDateEpoch(std::time_t& when) {
    const char* text = std::getenv("SOURCE_DATE_EPOCH");
    if (text == nullptr || *text == '\0') return false;
    long long seconds = 0;
    const char* end = text + std::strlen(text);
    const auto [ptr, ec] = std::from_chars(text, end, seconds);
    if (ec != std::errc() || ptr != end || seconds < 0) return false;
    when = static_cast<std::time_t>(seconds);
    return true;
}

StampTime FromTm(const std::tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace

StampTime StampNow() {
    std::tm tm{};
    std::time_t when = 0;
    if (SourceDateEpoch(when) && gmtime_r(&when, &tm) != nullptr) return FromTm(tm);
    when = std::time(nullptr);
    localtime_r(&when, &tm);
    return FromTm(tm);
}

}  // namespace torvex
