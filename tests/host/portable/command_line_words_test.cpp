// A command line split as the driver's C runtime splits it.
#include "command_line_words.h"

#include <gtest/gtest.h>

namespace veska::host::portable {
namespace {

TEST(SplitCommandLine, FollowsTheRuntimesQuotingRules) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"", {}},
        {"  \t ", {}},
        {"velc18.exe", {"velc18.exe"}},
        // The program name keeps its backslashes; quotes only group.
        {R"("C:\Program Files\velc18\" -Q)", {R"(C:\Program Files\velc18\)", "-Q"}},
        {R"(C:\v\velc18.exe  -Q	-C)", {R"(C:\v\velc18.exe)", "-Q", "-C"}},
        // Quotes inside a word group and are dropped.
        {R"(p -E"C:\My Work\a.cce" -I"C:\inc")", {"p", R"(-EC:\My Work\a.cce)", R"(-IC:\inc)"}},
        {R"(p "C:\w\a.c")", {"p", R"(C:\w\a.c)"}},
        // Backslashes are literal unless a quote follows them.
        {R"(p a\\b c\)", {"p", R"(a\\b)", R"(c\)"}},
        {R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        {R"(p a\"b)", {"p", R"(a"b)"}},
        {R"(p a\\\"b)", {"p", R"(a\"b)"}},
        // A doubled quote inside quotes is one quote.
        {R"(p "a""b c")", {"p", R"(a"b c)"}},
        {R"(p -DNAME="a b")", {"p", "-DNAME=a b"}},
        {R"(p "" x)", {"p", "", "x"}},
        // An unclosed quote runs to the end.
        {R"(p "a b)", {"p", "a b"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.words, split_command_line(c.line)) << c.line;
}

} // namespace
} // namespace veska::host::portable
