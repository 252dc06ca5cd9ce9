// Link detection on lines of about ten megabytes: full of addresses against
// the same shape of text with none, so the cost per address shows.
#include <benchmark/benchmark.h>

#include <string>
#include <string_view>

#include "links.h"

namespace {

std::string Repeat(std::string_view piece, size_t bytes) {
    std::string out;
    out.reserve(bytes + piece.size());
    while (out.size() < bytes) out += piece;
    return out;
}

constexpr size_t LineBytes = 10'000'000;

struct Line {
    const char* name;
    const char* key;
    const char* piece;
};

// Each line with addresses is followed by its plain twin: same words and
// length, nothing for the key to find.
constexpr Line Lines[] = {
    {"mail", "@", "abcd@example.net.uk "},
    {"mail/plain", "@", "abcd.example.net.uk "},
    {"mail-bracketed-no-space", "@", "&lt;abcd@example.net&gt;"},
    {"mail-bracketed-no-space/plain", "@", "&lt;abcd.example.net&gt;"},
    {"news", "news:", "news:alt.test NEWS:abc "},
    {"news/plain", "news:", "nows.alt.test NOWS.abc "},
    {"web", "://", "http://example.com/a "},
    {"web/plain", "://", "http.//example.com/a "},
};

void BM_MakeLinks(benchmark::State& state) {
    const Line& line = Lines[state.range(0)];
    state.SetLabel(line.name);
    const std::string text = Repeat(line.piece, LineBytes);
    std::string out;
    for (auto _ : state) {
        out.clear();
        torvex::AppendLinks(text, line.key, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_MakeLinks)->DenseRange(0, std::size(Lines) - 1)->Unit(benchmark::kMillisecond);

// The three keys in turn, as the conversion pass applies them to each line.
void BM_AllKeys(benchmark::State& state) {
    const bool plain = state.range(0) != 0;
    state.SetLabel(plain ? "plain" : "mail, web and news");
    const std::string text = Repeat(plain ? "abcd.example.net.uk http.//example.com/a nows.alt.test "
                                          : "abcd@example.net.uk http://example.com/a news:alt.test ",
                                    LineBytes);
    std::string line, work;
    for (auto _ : state) {
        line = text;
        for (std::string_view key : {"@", "://", "news:"}) {
            work.clear();
            torvex::AppendLinks(line, key, work);
            line.swap(work);
        }
        benchmark::DoNotOptimize(line.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_AllKeys)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace
