// ParseLine passes over the words a pattern's required prefix turns away:
// patterns added by CTRL string take exactly what the same patterns take
// when asked at every word.
#include "option_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace {

class AskedAtEveryWord final : public OptionPattern {
public:
    using OptionPattern::OptionPattern;
};

const char* const kWalkCtrls[] = {
    "%n(-[xX])($| )",        // two starts
    "%n(-O)( )*%v(([^ ]+))", // takes blanks and the word after them
    "%n(-D)%v([^ ]*)",       // may stop inside a word
    "%n(-[a-c][a-c])",       // too many starts to list: checked word by word
    "%n(-)",                 // a prefix of one character
    "%v([0-9]+)",            // a set of starts
    "%n(a*)",                // no prefix: asked at every word
    "%v(-[0-9])",            // asked again where it stopped inside a word
};
constexpr std::size_t kWalkPatterns = sizeof kWalkCtrls / sizeof kWalkCtrls[0];

struct WalkState {
    std::array<bool, kWalkPatterns> flags{};
    std::array<ValueList, kWalkPatterns> values;
};

WalkState Parse(const std::string& text, bool asked_at_every_word) {
    char line[OptionParser::kLineSize] = "";
    std::memcpy(line, text.c_str(), text.size() + 1);
    WalkState state;
    OptionParser parser;
    parser.SetLineBuffer(line);
    for (std::size_t i = 0; i < kWalkPatterns; ++i) {
        if (asked_at_every_word) {
            parser.AddPattern(std::make_unique<AskedAtEveryWord>(
                &parser, kWalkCtrls[i], std::make_unique<OptionBinding>(&state.flags[i], &state.values[i])));
        } else {
            parser.AddPattern(kWalkCtrls[i], &state.flags[i], &state.values[i]);
        }
    }
    parser.ParseLine();
    return state;
}

TEST(ParseLineWalk, PassingOverTurnedAwayWordsTakesTheSame) {
    const char* const lines[] = {
        "-x -X -xx -O  out -O a -Dname -Dx-x -ab -ca -ad 12 3x - -- a aa -1-2-3",
        "\t-x\t-O\t-x -O -x -D -D-x 7 -D7 -cc",
        "-O -O -O x", // -O takes the -O after it as its value
        "-Dx-O y -x-x -x- 99-x",
        "x -xx-x -X",
        "",
        "   ",
        "-",
    };
    for (const char* line : lines) {
        const WalkState walked = Parse(line, false);
        const WalkState asked = Parse(line, true);
        EXPECT_EQ(walked.flags, asked.flags) << line;
        EXPECT_EQ(walked.values, asked.values) << line;
    }
    // Not vacuous: the line above takes every kind of pattern.
    const WalkState first = Parse(lines[0], false);
    EXPECT_EQ(first.flags,
              (std::array<bool, kWalkPatterns>{true, true, true, true, true, false, true, false}));
    EXPECT_EQ(first.values[1], (ValueList{"out", "a"}));
    EXPECT_EQ(first.values[5], (ValueList{"12", "3"}));
    EXPECT_EQ(first.values[7], (ValueList{"-1", "-2", "-3"}));
}

} // namespace
