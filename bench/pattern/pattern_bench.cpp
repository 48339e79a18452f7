// ParseLine + GenerateLine of the C compiler page's 51 switch patterns, on a
// realistic option text and on a line of the full 2047 characters.
#include "compiler_switch_patterns.h"
#include "option_parser.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cstring>
#include "full_line.h"

#include <string>

namespace {

const char kRealisticLine[] =
    "-G -signed_char -STRICT -D32 -DDEBUG -DLEVEL=2 -Zg5 -O -X -ICD -asmlist -proto -W3";

std::string LongLine() {
    return full_line("-g -x -W3 -Zg-5 -proto -DNAME=\"a b\" -strict -Q ");
}

struct CompilerPage {
    CompilerPage() {
        parser.SetLineBuffer(line, sizeof line);
        for (std::size_t i = 0; i < kCompilerSwitchCount; ++i)
            parser.AddPattern(kCompilerSwitchPatterns[i], &flags[i]);
    }
    char line[OptionParser::kLineSize] = "";
    std::array<bool, kCompilerSwitchCount> flags{};
    OptionParser parser;
};

void RunParseAndGenerate(benchmark::State& state, const std::string& text) {
    CompilerPage page;
    for (auto _ : state) {
        std::memcpy(page.line, text.c_str(), text.size() + 1);
        page.flags.fill(false);
        page.parser.ParseLine();
        page.parser.GenerateLine();
        benchmark::DoNotOptimize(page.line);
        benchmark::ClobberMemory();
    }
    state.SetLabel(page.line);
}

void BM_ParseAndGenerateRealistic(benchmark::State& state) {
    RunParseAndGenerate(state, kRealisticLine);
}
BENCHMARK(BM_ParseAndGenerateRealistic);

void BM_ParseAndGenerate2047(benchmark::State& state) {
    RunParseAndGenerate(state, LongLine());
}
BENCHMARK(BM_ParseAndGenerate2047);

void BM_ParseRealistic(benchmark::State& state) {
    CompilerPage page;
    for (auto _ : state) {
        std::memcpy(page.line, kRealisticLine, sizeof kRealisticLine);
        page.flags.fill(false);
        page.parser.ParseLine();
        benchmark::DoNotOptimize(page.flags);
    }
}
BENCHMARK(BM_ParseRealistic);

void BM_GenerateRealistic(benchmark::State& state) {
    CompilerPage page;
    std::memcpy(page.line, kRealisticLine, sizeof kRealisticLine);
    page.parser.ParseLine();
    for (auto _ : state) {
        page.parser.GenerateLine();
        benchmark::DoNotOptimize(page.line);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GenerateRealistic);

} // namespace

BENCHMARK_MAIN();
