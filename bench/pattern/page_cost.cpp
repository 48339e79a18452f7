// One parse and generate of a full 2,047-character line on each option page,
// repeated a given number of times, for an instruction counter:
//
//   valgrind --tool=callgrind page_cost compiler 0
//   valgrind --tool=callgrind page_cost compiler 100
//
// The difference of the two totals, divided by 100, is the cost of one parse
// and generate; counted instructions do not depend on the machine's load.
// Pages: switches (the compiler's 51 plain switches, as pattern_bench),
// assembler, compiler, linker (the pages' complete pattern sets).
#include "compiler_switch_patterns.h"
#include "option_parser.h"
#include "tool_options.h"

#include "full_line.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace suite::options;

struct SwitchOptions {
    std::array<bool, kCompilerSwitchCount> flags{};
    void Reset() { flags.fill(false); }
    void AddPatterns(OptionParser& parser) {
        for (std::size_t i = 0; i < kCompilerSwitchCount; ++i)
            parser.AddPattern(kCompilerSwitchPatterns[i], &flags[i]);
    }
};

template <class Options> int Run(const std::string& words, long count) {
    static char line[OptionParser::kLineSize];
    Options options;
    OptionParser parser;
    parser.SetLineBuffer(line, sizeof line);
    options.AddPatterns(parser);
    const std::string text = full_line(words);
    for (long i = 0; i < count; ++i) {
        std::memcpy(line, text.c_str(), text.size() + 1);
        options.Reset();
        parser.ParseLine();
        parser.GenerateLine();
    }
    std::printf("%zu characters in, %zu out\n", text.size(), std::strlen(line));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: page_cost switches|assembler|compiler|linker COUNT\n");
        return 2;
    }
    const std::string page = argv[1];
    const long count = std::strtol(argv[2], nullptr, 10);
    if (page == "switches")
        return Run<SwitchOptions>("-g -x -W3 -Zg-5 -proto -DNAME=\"a b\" -strict -Q ", count);
    if (page == "assembler")
        return Run<AssemblerOptions>("-c -o -X -Q -list ", count);
    if (page == "compiler")
        return Run<CompilerOptions>("-g -x -W3 -Zg-5 -proto -DNAME=\"a b\" -strict -Q ", count);
    if (page == "linker")
        return Run<LinkerOptions>("-intel -bin -W3 -fakelocal -O\"$(TARGETBASE).cof\" -Q ", count);
    std::fprintf(stderr, "page_cost: unknown page %s\n", page.c_str());
    return 2;
}
