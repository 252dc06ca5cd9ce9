// Whole conversions of a ten-megabyte, one-line file: full of addresses
// against the same shape of text with none, as the command line runs them.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "engine.h"
#include "recording_host.h"

namespace {

void BM_ConvertFile(benchmark::State& state) {
    const bool plain = state.range(0) != 0;
    state.SetLabel(plain ? "plain" : "mail, web and news");
    const std::string piece = plain ? "<abcd.example.net> http.//example.com/a nows.alt.test, "
                                    : "<abcd@example.net> http://example.com/a news:alt.test, ";
    std::string folder = (std::filesystem::temp_directory_path() / "torvex-bench-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string input = folder + "/in.txt";
    std::string text;
    while (text.size() < 10'000'000) text += piece;
    std::ofstream(input, std::ios::binary) << text << '\n';

    torvex::testing::RecordingHost host;
    torvex::Engine engine(host);
    for (auto _ : state) {
        std::string in = input, out = folder + "/out.html", title = "Bench";
        int mode = 2;
        bool stamp = false;
        engine.Processing = true;
        benchmark::DoNotOptimize(engine.ConvertFile(in, out, title, mode, stamp));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_ConvertFile)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
