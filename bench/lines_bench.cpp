// The hot operations on realistic lines (the licence texts every Debian
// machine ships), and the whole pass over an ordinary corpus.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine.h"
#include "recording_host.h"
#include "escape.h"
#include "labels.h"
#include "line_writer.h"
#include "underline.h"
#include "page_file.h"

namespace {

namespace fs = std::filesystem;

// The licences, read once.
const std::string& Corpus() {
    static const std::string text = [] {
        std::string all;
        for (const auto& entry : fs::directory_iterator("/usr/share/common-licenses")) {
            if (!entry.is_regular_file()) continue;
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            all += bytes.str();
        }
        return all;
    }();
    return text;
}

std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::istringstream in(Corpus());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

void BM_EscapeText(benchmark::State& state) {
    const auto lines = Lines();
    size_t bytes = 0;
    for (auto _ : state)
        for (const auto& line : lines) {
            benchmark::DoNotOptimize(torvex::EscapeText(line));
            bytes += line.size();
        }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_EscapeText);

// Every line as the pass submits it, a fifth of them followed by an underline.
void BM_WriteLine(benchmark::State& state) {
    auto lines = Lines();
    for (size_t i = 0; i < lines.size(); ++i) lines[i] += (i % 5 == 4) ? "\r\n==========<BR>\r\n" : "<BR>\r\n";
    torvex::PageFile page;
    if (page.Open("/dev/null", nullptr, torvex::PageFile::Kind::Named, false) != torvex::PageFile::OpenResult::Opened) {
        state.SkipWithError("cannot open /dev/null");
        return;
    }
    torvex::LineWriter writer;
    writer.SetPage(&page);
    size_t bytes = 0;
    for (auto _ : state)
        for (const auto& line : lines) {
            writer.WriteLine(line, torvex::HeadingUnder(line), false);
            bytes += line.size();
        }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_WriteLine);

// Lines of a FAQ: contents entries, headings and references in prose.
void BM_LinkCrossReferences(benchmark::State& state) {
    std::vector<std::string> lines;
    char line[160];
    for (int i = 1; i <= 200; ++i) {
        std::snprintf(line, sizeof line, "[%d.%d] How do I convert file %d?", i, i % 7, i);
        lines.push_back(line);
        std::snprintf(line, sizeof line, "See [%d] and [%d.2] for the details of this option, and the notes below.",
                      i, i + 1);
        lines.push_back(line);
        lines.push_back("An ordinary line of prose without any label in it, as most lines are.");
    }
    size_t bytes = 0;
    for (auto _ : state)
        for (const auto& line : lines) {
            benchmark::DoNotOptimize(torvex::LinkCrossReferences(line));
            bytes += line.size();
        }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_LinkCrossReferences);

// The whole pass over 32 MB of the licences, in each line-break mode, into
// /dev/null (the input comes from the page cache).
void BM_ConvertCorpus(benchmark::State& state) {
    const fs::path input = fs::temp_directory_path() / "torvex-bench-corpus.txt";
    std::string text;
    while (text.size() < (32u << 20)) text += Corpus();
    std::ofstream(input, std::ios::binary) << text;
    torvex::testing::RecordingHost host;
    torvex::Engine engine(host);
    for (auto _ : state) {
        std::string in = input.string(), out = "/dev/null", title = "Bench";
        int mode = static_cast<int>(state.range(0));
        bool stamp = false;
        engine.Processing = true;
        benchmark::DoNotOptimize(engine.ConvertFile(in, out, title, mode, stamp));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    fs::remove(input);
}
BENCHMARK(BM_ConvertCorpus)->DenseRange(1, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
