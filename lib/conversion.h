// What every conversion of the library shares: the engine with a host that
// hands what the engine asks and tells on to the caller's callbacks, the
// outcome as a status and a message, and a guard that lets nothing be
// thrown to the caller.
#pragma once

#include <exception>
#include <string>

#include "engine.h"
#include "options.h"

struct torvex_result {
    std::string message;
    std::string page;
};

namespace torvex {

// The engine of one conversion, with a host made of the caller's options.
// A stop asked for at a progress report takes effect at the yield that
// follows it: after the last report there is none, and the pages are
// complete.
class CallbackHost : public Host {
public:
    explicit CallbackHost(const torvex_options& options);

    void ShowMessage(const std::string& text) override { message = text; }
    void Warn(const std::string& text) override;
    bool MayReplaceNonPage(const std::string& path) override;
    void Progress(unsigned long long done, unsigned long long total) override;
    void Yield() override;
    StampTime Now() override;

    // The status of a conversion that ran (converted: what the engine
    // gave), with its message in result. abandoned: the message of a
    // conversion given up.
    int Outcome(bool converted, torvex_result& result, const char* abandoned) const;

    Engine engine{*this};
    std::string message;    // told by the engine: why it failed
    std::string refused;    // the file that is no page, once asked about
    std::string bad_clock;  // what was wrong with the clock's time
    bool stopped = false;

private:
    const torvex_options& options_;
    bool stop_asked_ = false;
};

// status, with message as the result's.
int Set(torvex_result& result, int status, std::string message);

// Runs convert(options, result) for a function of the C interface, with
// the defaults for NULL options and a result of its own for a NULL one:
// whatever is thrown becomes a status, and a failure is told to the
// message callback.
template <class Convert>
int Guarded(const torvex_options* options, torvex_result* result, Convert convert) {
    static const torvex_options defaults;
    torvex_result own;  // when the caller wants no result
    torvex_result& out = result != nullptr ? *result : own;
    const torvex_options& o = options != nullptr ? *options : defaults;
    out.message.clear();
    out.page.clear();
    int status = TORVEX_ERROR_MEMORY;
    try {
        try {
            status = convert(o, out);
        } catch (const std::exception& e) {  // such as a line larger than memory; nothing of the conversion is left
            status = TORVEX_ERROR_MEMORY;
            out.message = std::string("Conversion failed: ") + e.what();
        }
        if (status < 0 && o.message.fn != nullptr) o.message.fn(out.message.c_str(), o.message.user_data);
    } catch (...) {  // no memory even for the message, or a callback that threw
        if (status >= 0) status = TORVEX_ERROR_MEMORY;
    }
    return status;
}

}  // namespace torvex
