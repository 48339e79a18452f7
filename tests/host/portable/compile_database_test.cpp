// The compilation database: the driver's line in the form clang reads, and
// merging into a database written before.
#include "compile_database.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace veska::host::portable {
namespace {

using Json = nlohmann::json;

TEST(ClangArguments, KeepsWhatClangReadsTheSameWayAndLeavesOutTheDriversOwnSwitches) {
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> arguments;
    };
    const std::string source = R"(C:\w\src\main.c)";
    const Case cases[] = {
        // The plug-in's line for the compiler, with the project's -G -W3.
        {{"velc18.exe", "-Q", "-VESKA", "-C", R"(-EC:\w\obj\main.cce)", "-18X9", source,
          R"(-OC:\w\obj\main.obj)", R"(-IC:\w\include)", "-G", "-W3"},
         {"velc18.exe", "-c", source, "-o", R"(C:\w\obj\main.obj)", R"(-IC:\w\include)"}},
        // Macros as the compiler page reads them; -D32 is the 32-bit double.
        {{"v", "-D32", "-DDEBUG", "-DLEVEL=2", "-D", "SPACED", "-DNAME=a b", "-D3X", "-D"},
         {"v", "-DDEBUG", "-DLEVEL=2", "-DSPACED", "-DNAME=a b"}},
        // -O alone is the post-pass optimisation; a bare -I names nothing.
        {{"v", "-O", "-I", "-Zg5", "-W-3", "-STRICT", "-signed_char", "-X", "-ICD", "-PRE", "-S"},
         {"v", "-fsigned-char"}},
        // The source is recognised whatever its case; other words are left out.
        {{"v", R"(c:\W\SRC\MAIN.C)", "extra.c"}, {"v", R"(c:\W\SRC\MAIN.C)"}},
        {{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.arguments, clang_arguments(c.words, source)) << ::testing::PrintToString(c.words);
}

CompileRun run_of(const std::string& file, const std::string& extra = "") {
    return CompileRun{R"(C:\w\src)", file, R"("C:\v\velc18.exe" -C ")" + file + R"(" -I"C:\w\inc")" + extra};
}

std::vector<std::string> files_of(const std::string& text) {
    std::vector<std::string> files;
    for (const Json& entry : Json::parse(text))
        files.push_back(entry["file"]);
    return files;
}

TEST(MergeCompileDatabase, AnEntryHoldsTheRunAsRunAndInClangsForm) {
    const DatabaseText merged = merge_compile_database("", {run_of(R"(C:\w\src\a.c)")});
    ASSERT_TRUE(merged.written) << merged.error;
    const Json expected = Json::parse(R"([{
        "directory": "C:\\w\\src",
        "file": "C:\\w\\src\\a.c",
        "arguments": ["C:\\v\\velc18.exe", "-c", "C:\\w\\src\\a.c", "-IC:\\w\\inc"],
        "command": "\"C:\\v\\velc18.exe\" -C \"C:\\w\\src\\a.c\" -I\"C:\\w\\inc\""}])");
    EXPECT_EQ(expected, Json::parse(merged.text));
}

TEST(MergeCompileDatabase, RunsReplaceTheirFilesEntriesInPlaceAndOthersAreKept) {
    const std::string before =
        R"([{"directory": "C:\\w\\src", "file": "a.c", "command": "old a"},
            {"directory": "C:\\other", "file": "C:\\other\\x.c", "command": "x", "output": "x.obj"},
            {"directory": "C:\\w\\src", "file": "C:\\w\\src\\b.c", "command": "old b"}])";
    // a.c named relative to its directory and b.c in another case are the same files.
    const DatabaseText merged = merge_compile_database(
        before, {run_of(R"(C:\W\Src\B.c)", " -DB"), run_of(R"(C:\w\src\a.c)"), run_of(R"(C:\w\src\new.c)")});
    ASSERT_TRUE(merged.written) << merged.error;
    EXPECT_EQ((std::vector<std::string>{R"(C:\w\src\a.c)", R"(C:\other\x.c)", R"(C:\W\Src\B.c)",
                                        R"(C:\w\src\new.c)"}),
              files_of(merged.text));
    const Json database = Json::parse(merged.text);
    EXPECT_EQ("x.obj", database[1]["output"]); // another tool's entry as it was
    EXPECT_EQ("-DB", database[2]["arguments"].back());
}

TEST(MergeCompileDatabase, TextThatIsNoDatabaseIsNotWrittenOver) {
    struct Case {
        const char* existing;
        bool written;
    };
    const Case cases[] = {
        {"", true},
        {" \r\n", true},
        {"[]", true},
        {"{\"file\": \"a.c\"}", false},
        {"[{\"directory\": \"C:\\\\w\"}]", false},
        {"[{\"file\": 7}]", false},
        {"[{\"file\": \"a.c\", \"directory\": 1}]", false},
        {"[\"a.c\"]", false},
        {"[{\"file\": \"a.c\"", false},
        {"# notes", false},
    };
    for (const Case& c : cases) {
        const DatabaseText merged = merge_compile_database(c.existing, {run_of(R"(C:\w\src\a.c)")});
        EXPECT_EQ(c.written, merged.written) << c.existing;
        EXPECT_EQ(c.written, merged.error.empty()) << c.existing;
        EXPECT_EQ(c.written, !merged.text.empty()) << c.existing;
    }
}

} // namespace
} // namespace veska::host::portable
