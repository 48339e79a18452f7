// The C compiler page's plain switch patterns (each a flag-only option), in
// the order the page adds them. Shared by the tests, the fuzzers and the
// benchmark.
#ifndef SUITE_TESTS_COMPILER_SWITCH_PATTERNS_H
#define SUITE_TESTS_COMPILER_SWITCH_PATTERNS_H

#include <cstddef>

inline constexpr const char* kCompilerSwitchPatterns[] = {
    "%n(-[sS][iI][gG][nN][eE][dD]_[cC][hH][aA][rR])($| )",
    "%n(-[sS][tT][rR][iI][cC][tT])($| )",
    "%n(-D32)($| )",
    "%n(-Zg-10)($| )",
    "%n(-Zg-9)($| )",
    "%n(-Zg-8)($| )",
    "%n(-Zg-7)($| )",
    "%n(-Zg-6)($| )",
    "%n(-Zg-5)($| )",
    "%n(-Zg-4)($| )",
    "%n(-Zg-3)($| )",
    "%n(-Zg-2)($| )",
    "%n(-Zg-1)($| )",
    "%n(-Zg1)($| )",
    "%n(-Zg2)($| )",
    "%n(-Zg3)($| )",
    "%n(-Zg4)($| )",
    "%n(-Zg5)($| )",
    "%n(-Zg6)($| )",
    "%n(-Zg7)($| )",
    "%n(-Zg8)($| )",
    "%n(-Zg9)($| )",
    "%n(-Zg10)($| )",
    "%n(-[oO])($| )",
    "%n(-[xX])($| )",
    "%n(-[gG])($| )",
    "%n(-[iI][cC][dD])($| )",
    "%n(-[aA][sS][mM][lL][iI][sS][tT])($| )",
    "%n(-[pP][rR][eE])($| )",
    "%n(-[pP][rR][oO][tT][oO])($| )",
    "%n(-[sS])($| )",
    "%n(-W-10)($| )",
    "%n(-W-9)($| )",
    "%n(-W-8)($| )",
    "%n(-W-7)($| )",
    "%n(-W-6)($| )",
    "%n(-W-5)($| )",
    "%n(-W-4)($| )",
    "%n(-W-3)($| )",
    "%n(-W-2)($| )",
    "%n(-W-1)($| )",
    "%n(-W1)($| )",
    "%n(-W2)($| )",
    "%n(-W3)($| )",
    "%n(-W4)($| )",
    "%n(-W5)($| )",
    "%n(-W6)($| )",
    "%n(-W7)($| )",
    "%n(-W8)($| )",
    "%n(-W9)($| )",
    "%n(-W10)($| )",
};

inline constexpr std::size_t kCompilerSwitchCount =
    sizeof kCompilerSwitchPatterns / sizeof kCompilerSwitchPatterns[0];
static_assert(kCompilerSwitchCount == 51, "the compiler page has 51 plain switches");

#endif // SUITE_TESTS_COMPILER_SWITCH_PATTERNS_H
