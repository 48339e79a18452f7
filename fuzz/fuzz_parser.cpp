// Fuzz target: ParseLine and GenerateLine on an arbitrary command line, with
// the C compiler page's 51 switch patterns, and with value patterns (which
// take the same as when asked at every word, without the words their
// required prefix turns away).
//
// Input: the line. 2048 bytes or more fill the whole buffer without a
// terminator.
#include "compiler_switch_patterns.h"
#include "fuzz_check.h"
#include "option_parser.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

void LoadLine(char* line, const uint8_t* data, std::size_t size) {
    const std::size_t n = size < OptionParser::kLineSize ? size : OptionParser::kLineSize;
    std::memcpy(line, data, n);
    if (n < OptionParser::kLineSize)
        line[n] = '\0';
}

std::size_t CheckedLength(const char* line) {
    const void* nul = std::memchr(line, '\0', OptionParser::kLineSize);
    FUZZ_CHECK(nul != nullptr);
    return static_cast<std::size_t>(static_cast<const char*>(nul) - line);
}

void FuzzCompilerSwitches(const uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> line(new char[OptionParser::kLineSize]);
    std::array<bool, kCompilerSwitchCount> flags{};
    OptionParser parser;
    parser.SetLineBuffer(line.get(), OptionParser::kLineSize);
    for (std::size_t i = 0; i < kCompilerSwitchCount; ++i)
        parser.AddPattern(kCompilerSwitchPatterns[i], &flags[i]);

    LoadLine(line.get(), data, size);
    FUZZ_CHECK(parser.ParseLine() == 0);
    const std::array<bool, kCompilerSwitchCount> parsed = flags;
    FUZZ_CHECK(parser.GenerateLine() == 0); // all 51 switches fit
    const std::string generated(line.get(), CheckedLength(line.get()));

    // The generated line reads back as the same state and regenerates as
    // itself.
    flags.fill(false);
    FUZZ_CHECK(parser.ParseLine() == 0);
    FUZZ_CHECK(flags == parsed);
    FUZZ_CHECK(parser.GenerateLine() == 0);
    FUZZ_CHECK(generated == std::string(line.get(), CheckedLength(line.get())));
}

// Asked at every word: ParseLine cannot pass over a word for it.
class AskedAtEveryWord final : public OptionPattern {
public:
    using OptionPattern::OptionPattern;
};

// The value patterns' state after a parse.
struct ValueState {
    bool output = false;
    bool define = false;
    bool strip = false;
    ValueList outputs;
    ValueList defines;

    bool operator==(const ValueState& other) const {
        return output == other.output && define == other.define && strip == other.strip &&
               outputs == other.outputs && defines == other.defines;
    }
};

const char kOutputCtrl[] = "%n(-O)( )*%v(((\"[^\"]*\")|([^ ]+))+)";
const char kDefineCtrl[] = "%n(-D)( )%v([^ ]+)";
const char kStripCtrl[] = "%n(-[xX])($| )";

void FuzzValuePatterns(const uint8_t* data, std::size_t size) {
    std::unique_ptr<char[]> line(new char[OptionParser::kLineSize]);
    ValueState state;
    OptionParser parser;
    parser.SetLineBuffer(line.get(), OptionParser::kLineSize);
    parser.AddPattern(kOutputCtrl, &state.output, &state.outputs);
    parser.AddPattern(kDefineCtrl, &state.define, &state.defines);
    parser.AddPattern(kStripCtrl, &state.strip);

    // The same patterns asked at every word take the same.
    std::unique_ptr<char[]> asked_line(new char[OptionParser::kLineSize]);
    ValueState asked;
    OptionParser asking;
    asking.SetLineBuffer(asked_line.get(), OptionParser::kLineSize);
    const auto add_asked = [&asking](const char* ctrl, bool* flag, ValueList* values) {
        asking.AddPattern(
            std::make_unique<AskedAtEveryWord>(&asking, ctrl, std::make_unique<OptionBinding>(flag, values)));
    };
    add_asked(kOutputCtrl, &asked.output, &asked.outputs);
    add_asked(kDefineCtrl, &asked.define, &asked.defines);
    add_asked(kStripCtrl, &asked.strip, nullptr);
    LoadLine(asked_line.get(), data, size);
    FUZZ_CHECK(asking.ParseLine() == 0);

    LoadLine(line.get(), data, size);
    FUZZ_CHECK(parser.ParseLine() == 0);
    FUZZ_CHECK(state == asked);
    for (int round = 0; round < 2; ++round) {
        const int result = parser.GenerateLine();
        FUZZ_CHECK(result == 0 || result == PatternEngine::kTruncated);
        CheckedLength(line.get());
        FUZZ_CHECK(parser.ParseLine() == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzCompilerSwitches(data, size);
    FuzzValuePatterns(data, size);
    return 0;
}
