// The option pages' option sets: a text parsed into the page's state and
// generated back, as the pages do on opening and on every control change.
#include "tool_options.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

using namespace suite::options;

template <class Options> struct Page {
    Page() {
        parser.SetLineBuffer(line, sizeof line);
        options.AddPatterns(parser);
    }
    // ResetOptions, ParseLine, GenerateLine: what a page shows for text.
    std::string Regenerate(const std::string& text) {
        Load(text);
        return Generate();
    }
    void Load(const std::string& text) {
        std::strncpy(line, text.c_str(), sizeof line - 1);
        options.Reset();
        parser.ParseLine();
    }
    std::string Generate() {
        parser.GenerateLine();
        return line;
    }
    Options options;
    OptionParser parser;
    char line[OptionParser::kLineSize] = {};
};

struct Case {
    const char* text;
    const char* regenerated;
};

TEST(ToolOptions, AssemblerSwitchesInPatternOrderUpperCase) {
    const Case cases[] = {{"", ""}, {"-x -c", "-C -X"}, {"-o -Q", "-O"}, {"-X -O -C", "-C -O -X"}};
    for (const Case& c : cases)
        EXPECT_EQ(c.regenerated, Page<AssemblerOptions>().Regenerate(c.text)) << c.text;
}

TEST(ToolOptions, CompilerLinesRegenerate) {
    const Case cases[] = {
        {"-G", "-G"},
        {"-strict -w3 -Zg5", "-STRICT -Zg5"},
        {"-strict -W3 -Zg5", "-STRICT -Zg5 -W3"},
        {"-Zg3 -DLEVEL=2 -D32 -DDEBUG", "-D32 -DLEVEL=2 -DDEBUG -Zg3"},
        {"-D NAME", "-DNAME"},
        {"-DNAME=\"a b\" -DQ='x y'", "-DNAME=\"a b\" -DQ='x y'"},
        {"-DNAME=\"a b", ""},
        {"-D1X -D=3 -DA+B", ""},
        {"-D", ""},
        {"-W2 -W7 -Zg-10 -Zg10", "-Zg-10 -Zg10 -W2 -W7"},
        {"-signed_char -ICD -asmlist -pre -proto -s -o -x",
         "-SIGNED_CHAR -O -X -ICD -ASMLIST -PRE -PROTO -S"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.regenerated, Page<CompilerOptions>().Regenerate(c.text)) << c.text;
}

TEST(ToolOptions, LinkerKeepsFakeLocalsAndOutputAndReadsTheRootBack) {
    const Case cases[] = {
        {"-O\"$(TARGETBASE).cof\"", "-FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {"", "-FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {"-intel -bin -mot", "-INTEL -BIN -MOT -FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {"-M\"$(TARGETBASE).map\" -m\"$(TARGETBASE).map\"",
         "-M\"$(TARGETBASE).map\" -FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {"-O \"$(TARGETBASE)_v2.hex\"", "-FAKELOCAL -O\"_v2.hex\""},
        {"-O\"out.hex\"", "-FAKELOCAL -O\"out.hex\""},
        {"-Oout", "-FAKELOCAL -O\"out.hex\""},
        {"-O\"$(TARGETBASE)b)c.cof\"", "-FAKELOCAL -O\"c.hex\""},
        {"-O\"$(TARGETBASE).cof).\"", "-FAKELOCAL -O\"$(TARGETBASE).hex\""},
        {"-O\"first.hex\" -O\"second.hex\"", "-FAKELOCAL -O\"first.hex\""},
        {"-PSECTMAP -D32 -icd -W-3", "-PSECTMAP -FAKELOCAL -D32 -ICD -W-3 -O\"$(TARGETBASE).hex\""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.regenerated, Page<LinkerOptions>().Regenerate(c.text)) << c.text;
}

TEST(ToolOptions, LevelListShowsTheHighestSetLevel) {
    LevelFlags levels;
    EXPECT_EQ(LevelFlags::kNoLevelItem, levels.ShownItem());
    *levels.Flag(-3) = true;
    *levels.Flag(7) = true;
    EXPECT_EQ(17, levels.ShownItem());
    levels.SetFromItem(levels.ShownItem());
    EXPECT_TRUE(levels.IsSet(7));
    EXPECT_FALSE(levels.IsSet(-3));
    levels.SetFromItem(LevelFlags::kNoLevelItem);
    EXPECT_EQ(LevelFlags::kNoLevelItem, levels.ShownItem());
    EXPECT_EQ(nullptr, levels.Flag(0));
    EXPECT_EQ("-10", LevelFlags::ItemText(0));
    EXPECT_EQ("10", LevelFlags::ItemText(LevelFlags::kItemCount - 1));
}

// Options that do not fit are left out whole and the line stays valid: the
// 1023-character pattern output for the macros and the root, 2047 in all.
// A root that does not fit gives way to the default one, as reading the line
// back would.
TEST(ToolOptions, WhatDoesNotFitIsLeftOutWhole) {
    Page<CompilerOptions> compiler;
    compiler.options.hasMacros = true;
    for (int i = 0; i < 40; ++i)
        compiler.options.macros.push_back("M" + std::to_string(i) + "=" + std::string(40, 'v'));
    compiler.options.debugInfo = true;
    const std::string line = compiler.Generate();
    ASSERT_GT(line.size(), 3u);
    EXPECT_EQ(" -G", line.substr(line.size() - 3));
    EXPECT_LE(line.size() - 3, OptionParser::kScratchSize - 1);
    Page<CompilerOptions> reread;
    EXPECT_EQ(line, reread.Regenerate(line));
    EXPECT_EQ(line, reread.Generate());

    Page<LinkerOptions> linker;
    linker.options.outputValues.push_back(std::string(1100, 'r'));
    const std::string defaultRoot = "-FAKELOCAL -O\"$(TARGETBASE).hex\"";
    EXPECT_EQ(PatternEngine::kTruncated, linker.parser.GenerateLine());
    EXPECT_EQ(defaultRoot, linker.line);
    EXPECT_EQ(defaultRoot, Page<LinkerOptions>().Regenerate(linker.line));
    linker.options.outputValues[0] = std::string(1015, 'r'); // -O" + root + .hex" is 1023
    EXPECT_EQ(10u + 1 + 1023, linker.Generate().size());
}

} // namespace
