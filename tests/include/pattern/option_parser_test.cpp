// OptionPattern and OptionParser: word skipping and pattern order in
// ParseLine, the rebuilt line of GenerateLine (upper-case switches, pattern
// order, the per-value loop), ownership, and the hard bounds of the line and
// of the scratch buffer.
#include "compiler_switch_patterns.h"
#include "option_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char kOutputPattern[] = "%n(-O)( )*%v(((\"[^\"]*\")|([^ ]+))+)";

// A page with its own line buffer and state.
class AssemblerPage : public ::testing::Test {
protected:
    void SetUp() override {
        parser.SetLineBuffer(line, sizeof line);
        parser.AddPattern("%n(-[cC])($| )", &c_flag);
        parser.AddPattern("%n(-[oO])($| )", &o_flag);
        parser.AddPattern("%n(-[xX])($| )", &x_flag);
    }
    void Parse(const char* text) {
        std::strcpy(line, text);
        c_flag = o_flag = x_flag = false;
        parser.ParseLine();
    }

    char line[OptionParser::kLineSize] = "";
    bool c_flag = false;
    bool o_flag = false;
    bool x_flag = false;
    OptionParser parser;
};

TEST_F(AssemblerPage, ParseSetsFlagsRegenerateWritesUpperCaseInPatternOrder) {
    Parse("-x -c");
    EXPECT_TRUE(c_flag);
    EXPECT_FALSE(o_flag);
    EXPECT_TRUE(x_flag);
    EXPECT_EQ(parser.GenerateLine(), 0);
    EXPECT_STREQ(line, "-C -X");
}

TEST_F(AssemblerPage, UnknownWordsAreSkippedAndDropped) {
    Parse("-o -Q\t-x");
    EXPECT_TRUE(o_flag);
    EXPECT_TRUE(x_flag);
    parser.GenerateLine();
    EXPECT_STREQ(line, "-O -X");
}

TEST_F(AssemblerPage, EmptyOrBlankLineSetsNothing) {
    for (const char* text : {"", "   ", "\t \t"}) {
        Parse(text);
        EXPECT_FALSE(c_flag || o_flag || x_flag) << '"' << text << '"';
    }
}

TEST_F(AssemblerPage, AllFlagsFalseGiveAnEmptyLine) {
    std::strcpy(line, "stale text");
    EXPECT_EQ(parser.GenerateLine(), 0);
    EXPECT_STREQ(line, "");
}

TEST_F(AssemblerPage, SwitchMustEndAtABlankOrTheEnd) {
    Parse("-xc -cx -o\n");
    EXPECT_FALSE(c_flag);
    EXPECT_FALSE(x_flag);
    EXPECT_TRUE(o_flag); // a line feed ends it too
}

TEST_F(AssemblerPage, QuotesDoNotProtectBlanksWhenSkipping) {
    Parse("\"a -c \"");
    EXPECT_TRUE(c_flag);
}

TEST_F(AssemblerPage, LineWithoutTerminatorIsReadOnlyUpToItsCapacity) {
    char unterminated[6] = {'-', 'x', ' ', '-', 'c', '!'};
    parser.SetLineBuffer(unterminated, sizeof unterminated);
    parser.ParseLine();
    EXPECT_TRUE(x_flag);
    EXPECT_FALSE(c_flag); // "-c!" is the last word
}

TEST(OptionParserParse, PatternResumesRightAfterWhatItTook) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "12 3x4";
    ValueList digits;
    parser.SetLineBuffer(line);
    parser.AddPattern("%v([0-9])", nullptr, &digits);
    parser.ParseLine();
    // "1" and "2" from the first word; "3" from the second, whose "x4" is
    // then skipped as a word the pattern does not take.
    EXPECT_EQ(digits, (ValueList{"1", "2", "3"}));
}

TEST(OptionParserParse, OneWordMaySetSeveralPatterns) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "-ab";
    bool a = false;
    bool ab = false;
    parser.SetLineBuffer(line);
    parser.AddPattern("%n(-[aA])", &a);
    parser.AddPattern("%n(-[aA][bB])", &ab);
    parser.ParseLine();
    EXPECT_TRUE(a);
    EXPECT_TRUE(ab);
}

TEST(OptionParserParse, PatternTakesSeveralWords) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "-O  out.hex -x -O \"my file.hex\"";
    bool output = false;
    bool strip = false;
    ValueList files;
    parser.SetLineBuffer(line);
    parser.AddPattern(kOutputPattern, &output, &files);
    parser.AddPattern("%n(-[xX])($| )", &strip);
    parser.ParseLine();
    EXPECT_TRUE(output);
    EXPECT_TRUE(strip);
    EXPECT_EQ(files, (ValueList{"out.hex", "\"my file.hex\""}));
    parser.GenerateLine();
    EXPECT_STREQ(line, "-O out.hex -O \"my file.hex\" -X");
}

TEST(OptionParserParse, SuccessThatTakesNothingCountsAsNoMatch) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "a b -c";
    bool empty_match = false;
    bool c = false;
    parser.SetLineBuffer(line);
    parser.AddPattern("%n(z?)", &empty_match);
    parser.AddPattern("%n(-c)", &c);
    parser.ParseLine(); // must move on word by word and end
    EXPECT_TRUE(empty_match);
    EXPECT_TRUE(c);
}

TEST(OptionParserParse, FaultyPatternTakesNothing) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "-a -b";
    bool faulty = false;
    bool b = false;
    parser.SetLineBuffer(line);
    parser.AddPattern("%n(-a()", &faulty);
    parser.AddPattern(nullptr, &faulty);
    parser.AddPattern("%n(-b)", &b);
    parser.ParseLine();
    EXPECT_FALSE(faulty);
    EXPECT_TRUE(b);
    parser.GenerateLine();
    EXPECT_STREQ(line, "-b");
}

class CompilerPage : public ::testing::Test {
protected:
    void SetUp() override {
        parser.SetLineBuffer(line, sizeof line);
        for (std::size_t i = 0; i < kCompilerSwitchCount; ++i)
            parser.AddPattern(kCompilerSwitchPatterns[i], &flags[i]);
    }
    std::string Regenerate(const char* text) {
        std::strcpy(line, text);
        flags.fill(false);
        parser.ParseLine();
        parser.GenerateLine();
        return line;
    }

    char line[OptionParser::kLineSize] = "";
    std::array<bool, kCompilerSwitchCount> flags{};
    OptionParser parser;
};

TEST_F(CompilerPage, LowerCaseSwitchesComeBackInUpperCase) {
    EXPECT_EQ(Regenerate("-strict -w3 -Zg5"), "-STRICT -Zg5");
    EXPECT_EQ(Regenerate("-strict -W3 -Zg5"), "-STRICT -Zg5 -W3");
    EXPECT_EQ(Regenerate("-s -proto -pre -asmlist -icd -g -x -o -signed_char"),
              "-SIGNED_CHAR -O -X -G -ICD -ASMLIST -PRE -PROTO -S");
    EXPECT_EQ(Regenerate("-d32 -D32 -zg1 -ZG2 -w-1"), "-D32");
}

TEST_F(CompilerPage, LongerSwitchesDoNotSetShorterOnes) {
    EXPECT_EQ(Regenerate("-W10 -Zg-10 -STRICT"), "-STRICT -Zg-10 -W10");
}

TEST_F(CompilerPage, EveryFlagSetRoundTrips) {
    flags.fill(true);
    parser.GenerateLine();
    const std::string all = line;
    EXPECT_EQ(all.rfind("-SIGNED_CHAR -STRICT -D32 -Zg-10 ", 0), 0u);
    EXPECT_EQ(all.size() - all.rfind(" -W10"), 5u);
    flags.fill(false);
    parser.ParseLine();
    for (std::size_t i = 0; i < kCompilerSwitchCount; ++i)
        EXPECT_TRUE(flags[i]) << kCompilerSwitchPatterns[i];
    parser.GenerateLine();
    EXPECT_EQ(all, line);
}

TEST(OptionPatternGenerate, OneCopyPerValueSeparatedByBlanks) {
    OptionParser parser;
    bool flag = true;
    ValueList macros{"DEBUG", "LEVEL=2"};
    OptionPattern* pattern = parser.AddPattern("%n(-D)( )%v([^ ]+)", &flag, &macros);
    char out[OptionParser::kScratchSize] = "";
    EXPECT_EQ(pattern->Generate(parser, out, sizeof out), 19);
    EXPECT_STREQ(out, "-D DEBUG -D LEVEL=2");

    ValueList none;
    OptionPattern* empty = parser.AddPattern("%n(-D)( )%v([^ ]+)", &flag, &none);
    out[0] = '\0';
    EXPECT_EQ(empty->Generate(parser, out, sizeof out), 0);
    EXPECT_STREQ(out, "");
}

TEST(OptionPatternGenerate, FailingLaterCopyLeavesItsBlankCounted) {
    OptionParser parser;
    ValueList values{"a", "b"};
    bool strip = true;
    // Each copy wants two values: the second copy finds none.
    OptionPattern* pattern = parser.AddPattern("%v(x)%v(y)", nullptr, &values);
    char out[OptionParser::kScratchSize] = "";
    EXPECT_EQ(pattern->Generate(parser, out, sizeof out), 3);
    EXPECT_STREQ(out, "ab ");

    char line[OptionParser::kLineSize] = "";
    parser.SetLineBuffer(line);
    parser.AddPattern("%n(-[xX])($| )", &strip);
    parser.GenerateLine();
    EXPECT_STREQ(line, "ab  -X");
}

TEST(OptionPatternGenerate, FlagFalseWithValuesWritesNothing) {
    OptionParser parser;
    bool flag = false;
    ValueList values{"out.hex"};
    OptionPattern* pattern = parser.AddPattern(kOutputPattern, &flag, &values);
    char out[OptionParser::kScratchSize] = "";
    EXPECT_EQ(pattern->Generate(parser, out, sizeof out), 0);
    EXPECT_STREQ(out, "");
}

TEST(OptionPatternBindings, OnlyTheFirstBindingIsUsed) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "-x";
    bool first = false;
    bool second = false;
    auto pattern =
        std::make_unique<OptionPattern>(&parser, "%n(-x)", std::make_unique<OptionBinding>(&first));
    pattern->AddBinding(std::make_unique<OptionBinding>(&second));
    parser.AddPattern(std::move(pattern));
    parser.SetLineBuffer(line);
    parser.ParseLine();
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
}

TEST(OptionPatternBindings, BindingAddedBeforeTheOwnerIsAdoptedLater) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "-y";
    bool flag = false;
    auto pattern = std::make_unique<OptionPattern>();
    pattern->SetCtrl("%n(-y)");
    OptionBinding* binding = pattern->AddBinding(std::make_unique<OptionBinding>(&flag));
    OptionPattern* added = parser.AddPattern(std::move(pattern));
    EXPECT_EQ(added->Owner(), &parser);
    ASSERT_EQ(added->Bindings().size(), 1u);
    EXPECT_EQ(added->Bindings().front(), binding);
    parser.SetLineBuffer(line);
    parser.ParseLine();
    EXPECT_TRUE(flag);
}

TEST(OptionPatternBindings, PatternWithoutBindingTakesAndWritesNothing) {
    OptionParser parser;
    OptionPattern* pattern = parser.AddPattern(std::make_unique<OptionPattern>(&parser, "-x"));
    char out[16] = "";
    EXPECT_EQ(pattern->Parse(parser, "-x"), 0);
    EXPECT_EQ(pattern->Generate(parser, out, sizeof out), 0);
    EXPECT_STREQ(out, "");
}

// A pattern that reads its binding while it is destroyed: the parser must
// destroy its patterns before its bindings.
class InspectingPattern : public OptionPattern {
public:
    InspectingPattern(OptionParser* owner, bool* flag, bool* seen_at_destruction)
        : OptionPattern(owner, "%n(-i)", std::make_unique<OptionBinding>(flag)), seen_(seen_at_destruction) {}
    ~InspectingPattern() override { *seen_ = Bindings().front()->flag != nullptr; }

private:
    bool* seen_;
};

TEST(OptionParserOwnership, PatternsAreDestroyedBeforeBindings) {
    bool flag = false;
    bool seen = false;
    {
        OptionParser parser;
        parser.AddPattern(std::make_unique<InspectingPattern>(&parser, &flag, &seen));
    }
    EXPECT_TRUE(seen);
}

// A pattern with its own Parse and Generate (like the macro list).
class PrefixListPattern : public OptionPattern {
public:
    PrefixListPattern(ValueList* list) : list_(list) {}
    int Parse(OptionParser&, const char* text) override {
        if (std::strncmp(text, "-I", 2) != 0 || text[2] == '\0' || text[2] == ' ')
            return 0;
        std::size_t n = 2;
        while (text[n] != '\0' && text[n] != ' ')
            ++n;
        list_->emplace_back(text + 2, n - 2);
        return static_cast<int>(n);
    }
    int Generate(OptionParser&, char* out, std::size_t capacity) override {
        std::string text;
        for (const std::string& dir : *list_)
            text += (text.empty() ? "-I" : " -I") + dir;
        if (text.size() >= capacity)
            return 0;
        std::memcpy(out, text.c_str(), text.size() + 1);
        return static_cast<int>(text.size());
    }

private:
    ValueList* list_;
};

TEST(OptionParserOverrides, DerivedPatternsTakePartInBothDirections) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "-Iinc -x -Isrc";
    ValueList dirs;
    bool strip = false;
    parser.SetLineBuffer(line);
    parser.AddPattern("%n(-[xX])($| )", &strip);
    parser.AddPattern(std::make_unique<PrefixListPattern>(&dirs));
    parser.ParseLine();
    EXPECT_EQ(dirs, (ValueList{"inc", "src"}));
    parser.GenerateLine();
    EXPECT_STREQ(line, "-X -Iinc -Isrc");
}

TEST(OptionParserBounds, OptionThatDoesNotFitTheLineIsLeftOutWhole) {
    OptionParser parser;
    char line[12];
    bool a = true;
    bool b = true;
    bool c = true;
    parser.SetLineBuffer(line, sizeof line);
    parser.AddPattern("%n(-AAAA)", &a);
    parser.AddPattern("%n(-BBBBBB)", &b); // "-AAAA -BBBBBB" needs 13
    parser.AddPattern("%n(-C)", &c);
    EXPECT_EQ(parser.GenerateLine(), PatternEngine::kTruncated);
    EXPECT_STREQ(line, "-AAAA -C");
    b = false;
    EXPECT_EQ(parser.GenerateLine(), 0);
}

TEST(OptionParserBounds, LineNeverExceedsItsHardSize) {
    OptionParser parser;
    auto line = std::make_unique<char[]>(OptionParser::kLineSize);
    bool flag = true;
    ValueList values(8, std::string(300, 'v')); // 8 copies of "-D" + 300
    parser.SetLineBuffer(line.get(), 1 << 20);  // a claim beyond the hard size
    parser.AddPattern("%n(-D)%v([^ ]+)", &flag, &values);
    parser.AddPattern("%n(-D)%v([^ ]+)", &flag, &values);
    parser.AddPattern("%n(-D)%v([^ ]+)", &flag, &values);
    EXPECT_EQ(parser.GenerateLine(), PatternEngine::kTruncated);
    const std::size_t length = std::strlen(line.get());
    EXPECT_LT(length, OptionParser::kLineSize);
    // Three copies fit the scratch buffer; two options of three copies fit
    // the line.
    EXPECT_EQ(length, 2 * (3 * 302 + 2) + 1);
}

TEST(OptionParserBounds, PerValueCopyThatDoesNotFitTheScratchIsRemovedWithItsBlank) {
    OptionParser parser;
    bool flag = true;
    // Copies of 402 characters: the third does not fit in 1023.
    ValueList values{std::string(400, 'a'), std::string(400, 'b'), std::string(400, 'c'), "d"};
    OptionPattern* pattern = parser.AddPattern("%n(-D)%v([^ ]+)", &flag, &values);
    char out[OptionParser::kScratchSize] = "";
    const int count = pattern->Generate(parser, out, sizeof out);
    EXPECT_EQ(count, 805);
    EXPECT_EQ(std::strlen(out), 805u);
    EXPECT_EQ(out[804], 'b');
}

TEST(OptionParserBounds, OptionLongerThanTheScratchBufferIsLeftOut) {
    OptionParser parser;
    char line[OptionParser::kLineSize] = "";
    bool flag = true;
    bool strip = true;
    ValueList values{std::string(1500, 'v')};
    parser.SetLineBuffer(line);
    parser.AddPattern("%n(-O)( )*%v([^ ]+)", &flag, &values);
    parser.AddPattern("%n(-[xX])($| )", &strip);
    EXPECT_EQ(parser.GenerateLine(), PatternEngine::kTruncated);
    EXPECT_STREQ(line, "-X");
}

} // namespace
