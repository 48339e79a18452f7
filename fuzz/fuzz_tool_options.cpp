// Fuzz target: the three option pages' complete pattern sets (the
// assembler's, the compiler's with its macro definitions, the linker's with
// its output file) on an arbitrary option text, as a page reads and writes
// it: Reset, ParseLine, GenerateLine, then the same once more on the
// generated line.
//
// Invariants: the second generation gives the first line back (a fixed
// point); every line stays within 2,047 characters; the generated line reads
// back as the state the text gave, or, when something had to be left out
// for lack of room, as part of that state and nothing else.
//
// Input: the option text; the first 2,047 bytes are used.
#include "fuzz_check.h"
#include "tool_options.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace suite::options;

// A page's state as flags and values, to compare two parses.
struct State {
    std::vector<bool> flags;
    std::vector<std::string> values;
    std::string root; // the linker's output root
};

void AddLevels(State& state, const LevelFlags& levels) {
    for (int level = LevelFlags::kLowest; level <= LevelFlags::kHighest; ++level)
        if (level != 0)
            state.flags.push_back(levels.IsSet(level));
}

State Capture(const AssemblerOptions& options) {
    return {{options.crossReference, options.optimize, options.stripLocals}, {}, {}};
}

State Capture(const CompilerOptions& options) {
    State state{{options.signedChar, options.strict, options.double32, options.hasMacros, options.postPass,
                 options.stripLocals, options.debugInfo, options.icd, options.asmList, options.preprocessed,
                 options.prototypes, options.asmOnly},
                options.macros,
                {}};
    AddLevels(state, options.optimization);
    AddLevels(state, options.warning);
    return state;
}

State Capture(const LinkerOptions& options) {
    State state{{options.intel, options.binary, options.motorola, options.mapFile, options.segmentMap,
                 options.fakeLocals, options.double32, options.icd, options.output},
                {},
                // No root read is the default root.
                options.outputValues.empty() ? LinkerOptions::kDefaultRoot : options.outputValues.front()};
    AddLevels(state, options.warning);
    return state;
}

bool IsSubsequence(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
    std::size_t at = 0;
    for (const std::string& value : whole)
        if (at < part.size() && part[at] == value)
            ++at;
    return at == part.size();
}

// A page set up once, as a page is, and reused for every input.
template <class Options> struct Page {
    Page() : line(OptionParser::kLineSize, '\0') {
        parser.SetLineBuffer(line.data(), line.size());
        options.AddPatterns(parser);
    }
    std::vector<char> line;
    Options options;
    OptionParser parser;
};

template <class Options> void FuzzPage(const uint8_t* data, std::size_t size) {
    static Page<Options> page;
    std::vector<char>& line = page.line;
    Options& options = page.options;
    OptionParser& parser = page.parser;

    const std::size_t length = size < line.size() - 1 ? size : line.size() - 1;
    std::memcpy(line.data(), data, length);
    line[length] = '\0';
    options.Reset();
    FUZZ_CHECK(parser.ParseLine() == 0);
    const State text = Capture(options);
    const int firstResult = parser.GenerateLine();
    FUZZ_CHECK(firstResult == 0 || firstResult == PatternEngine::kTruncated);
    FUZZ_CHECK(std::memchr(line.data(), '\0', line.size()) != nullptr);
    const std::string first = line.data();

    options.Reset();
    FUZZ_CHECK(parser.ParseLine() == 0);
    const State reread = Capture(options);
    const int secondResult = parser.GenerateLine();
    FUZZ_CHECK(std::memchr(line.data(), '\0', line.size()) != nullptr);
    FUZZ_CHECK(first == line.data());
    FUZZ_CHECK(secondResult == 0);
    FUZZ_CHECK(first.size() <= OptionParser::kLineSize - 1);

    if (firstResult == 0) {
        FUZZ_CHECK(reread.flags == text.flags);
        FUZZ_CHECK(reread.values == text.values);
        FUZZ_CHECK(reread.root == text.root);
    } else {
        // A root too long for the line gives way to the default one.
        FUZZ_CHECK(reread.root == text.root || reread.root == LinkerOptions::kDefaultRoot);
        for (std::size_t i = 0; i < text.flags.size(); ++i)
            FUZZ_CHECK(!reread.flags[i] || text.flags[i]);
        FUZZ_CHECK(IsSubsequence(reread.values, text.values));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzPage<AssemblerOptions>(data, size);
    FuzzPage<CompilerOptions>(data, size);
    FuzzPage<LinkerOptions>(data, size);
    return 0;
}
