// torvex_convert_text and torvex_convert_text_to_buffer: a text in memory
// converted into one page, which the caller takes as it is made, or whole
// in one buffer of its own.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include "conversion.h"

namespace torvex {

namespace {

int ConvertText(const char* text, size_t size, const PageOutput& output, const torvex_options& options,
                torvex_result& result) {
    if (text == nullptr && size > 0) return Set(result, TORVEX_ERROR_OPTION, "no text given");
    if (options.split)
        return Set(result, TORVEX_ERROR_OPTION,
                   "split mode writes a set of pages beside an input file; a text in memory becomes one page "
                   "(turn split off)");
    if (std::string problem = OptionsProblem(options); !problem.empty())
        return Set(result, TORVEX_ERROR_OPTION, std::move(problem));

    CallbackHost host(options);
    const std::string name = options.text_name.empty() ? "Untitled" : options.text_name;
    const bool converted = host.engine.ConvertText({text, size}, name, output, options.title,
                                                   LineBreakModeOf(options.line_breaks), options.time_stamp);
    return host.Outcome(converted, result, "Conversion abandoned; the page was left unfinished");
}

// A page gathered in memory that free() releases, always ended by a NUL.
class Buffer {
public:
    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    ~Buffer() { std::free(bytes_); }

    void Append(std::string_view bytes) {
        if (capacity_ - size_ <= bytes.size()) Grow(bytes.size());
        std::memcpy(bytes_ + size_, bytes.data(), bytes.size());
        size_ += bytes.size();
        bytes_[size_] = '\0';
    }
    // The page, which is the caller's from now on.
    char* Take(size_t& size) {
        if (bytes_ == nullptr) Grow(0);
        size = size_;
        char* page = bytes_;
        bytes_ = nullptr;
        return page;
    }

private:
    void Grow(size_t n) {
        const size_t capacity = std::max({2 * capacity_, size_ + n + 1, size_t(1) << 16});
        char* grown = static_cast<char*>(std::realloc(bytes_, capacity));
        if (grown == nullptr) throw std::bad_alloc();
        bytes_ = grown;
        bytes_[size_] = '\0';
        capacity_ = capacity;
    }

    char* bytes_ = nullptr;
    size_t size_ = 0, capacity_ = 0;
};

}  // namespace

}  // namespace torvex

extern "C" {

int torvex_convert_text(const char* text, size_t size, torvex_output_fn output, void* user_data,
                        const torvex_options* options, torvex_result* result) {
    return torvex::Guarded(options, result, [&](const torvex_options& o, torvex_result& out) {
        if (output == nullptr) return torvex::Set(out, TORVEX_ERROR_OPTION, "no output callback given");
        const torvex::PageOutput give = [output, user_data](std::string_view bytes) {
            return output(bytes.data(), bytes.size(), user_data) == 0;
        };
        return torvex::ConvertText(text, size, give, o, out);
    });
}

int torvex_convert_text_to_buffer(const char* text, size_t size, char** page, size_t* page_size,
                                  const torvex_options* options, torvex_result* result) {
    if (page != nullptr) *page = nullptr;
    if (page_size != nullptr) *page_size = 0;
    return torvex::Guarded(options, result, [&](const torvex_options& o, torvex_result& out) {
        if (page == nullptr) return torvex::Set(out, TORVEX_ERROR_OPTION, "no place given for the page");
        torvex::Buffer buffer;
        const torvex::PageOutput keep = [&buffer](std::string_view bytes) {
            buffer.Append(bytes);
            return true;
        };
        const int status = torvex::ConvertText(text, size, keep, o, out);
        if (status != TORVEX_OK && status != TORVEX_STOPPED) return status;
        size_t kept = 0;
        *page = buffer.Take(kept);
        if (page_size != nullptr) *page_size = kept;
        return status;
    });
}

}  // extern "C"
