// The text rules behind the command-line macros and the build paths.
#include "command_line_text.h"

#include <cctype>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace suite::cmdline;

namespace {

std::string directory_macro(std::string_view list, TrailingSeparator rule) {
    std::string processed;
    EXPECT_TRUE(apply_trailing_separator_rule(list, rule, processed));
    return join_directory_list(processed);
}

} // namespace

TEST(DirectoryListTest, EachEntryGetsTheSeparatorRuleAndEmptyEntriesAddNothing) {
    constexpr auto kRemove = TrailingSeparator::Remove, kAdd = TrailingSeparator::Add;
    const struct {
        const char* list;
        TrailingSeparator rule;
        const char* macro;
    } cases[] = {
        {"C:\\", kRemove, "\"C:\""},
        {"C:", kAdd, "\"C:\\\""},
        {"C:\\a;C:\\b\\", kRemove, "\"C:\\a\" -I\"C:\\b\""},
        {"C:\\a;C:\\b\\", kAdd, "\"C:\\a\\\" -I\"C:\\b\\\""},
        {"C:\\a\\\\", kRemove, "\"C:\\a\\\""}, // only one separator comes off
        // Empty entries and runs of separators.
        {";;C:\\x;;", kRemove, "\"C:\\x\""},
        {";;C:\\x;;", kAdd, "\"C:\\x\\\""},
        {"a;;;b", kRemove, "\"a\" -I\"b\""},
        {"", kAdd, ""},
        {";;;", kAdd, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(directory_macro(c.list, c.rule), c.macro) << c.list;
}

TEST(DirectoryListTest, ProcessedListBoundedAt260Characters) {
    std::string out = "kept";
    // 259 characters gain a separator: exactly 260 is allowed.
    EXPECT_TRUE(apply_trailing_separator_rule(std::string(259, 'd'), TrailingSeparator::Add, out));
    EXPECT_EQ(out.size(), 260u);
    out = "kept";
    EXPECT_FALSE(apply_trailing_separator_rule(std::string(260, 'd'), TrailingSeparator::Add, out));
    EXPECT_EQ(out, "kept");
    EXPECT_FALSE(apply_trailing_separator_rule(std::string(300, 'd') + "\\", TrailingSeparator::Remove, out));
}

TEST(ObjectListTest, QuotingRules) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"C:\\a.obj", "\"C:\\a.obj\""},
        {"\"C:\\a b.obj\"", "\"C:\\a b.obj\""},
        {"\"C:\\a.obj", "\"C:\\a.obj"},
        {"C:\\a.obj\"", "C:\\a.obj\""},
        {"\"", "\""},
        {std::string(259, 'p'), "\"" + std::string(259, 'p') + "\""},
        {std::string(260, 'p'), std::string(260, 'p')},
    };
    for (const auto& [path, quoted] : cases)
        EXPECT_EQ(quote_list_path(path), quoted) << path;
}

TEST(ObjectListTest, JoinedWithSingleBlanksAndBounded) {
    std::string list;
    ASSERT_TRUE(append_list_path(list, "C:\\a.obj"));
    ASSERT_TRUE(append_list_path(list, ""));
    ASSERT_TRUE(append_list_path(list, "C:\\c.lib"));
    EXPECT_EQ(list, "\"C:\\a.obj\" \"C:\\c.lib\"");

    // The list holds at most 32767 characters.
    std::string full(32763, 'x');
    EXPECT_FALSE(append_list_path(full, "ab")); // blank + 4 characters: one too many
    EXPECT_EQ(full.size(), 32763u);
    full.pop_back();
    EXPECT_TRUE(append_list_path(full, "ab"));
    EXPECT_EQ(full.size(), 32767u);
}

TEST(BaseNameTest, DirectoryAndExtensionRemoved) {
    EXPECT_EQ(base_name("C:\\src\\main.c"), "main");
    EXPECT_EQ(base_name("main.tar.gz"), "main.tar");
    EXPECT_EQ(base_name("C:\\dir.d\\noext"), "noext");
    EXPECT_EQ(base_name("C:/x/y.as"), "y");
    EXPECT_EQ(file_suffix("C:\\src\\Main.AS"), ".AS");
    EXPECT_EQ(file_suffix("C:\\dir.d\\noext"), "");
    EXPECT_EQ(directory_part("C:\\src\\main.c"), "C:\\src\\");
    EXPECT_EQ(directory_part("main.c"), "");
}

TEST(BaseNameTest, TargetBaseNeedsADirectory) {
    std::string base;
    ASSERT_TRUE(target_base_name("C:\\work\\proj.ext", base));
    EXPECT_EQ(base, "proj");
    ASSERT_TRUE(target_base_name("C:\\work\\proj", base));
    EXPECT_EQ(base, "proj");
    ASSERT_TRUE(target_base_name("C:\\work.v2\\proj", base));
    EXPECT_EQ(base, "proj");
    base = "unchanged";
    EXPECT_FALSE(target_base_name("proj.ext", base));
    EXPECT_EQ(base, "unchanged");
}

TEST(TargetValueTest, FirstLowerOptionWinsWhereverTheUpperStands) {
    std::wstring value;
    ASSERT_EQ(find_target_value(L"-O\"proj.cof\"", value), TargetValueStatus::Found);
    EXPECT_EQ(value, L"proj.cof");
    ASSERT_EQ(find_target_value(L"-O\"a.cof\" -W3 -o\"b.hex\" -o\"c.hex\"", value), TargetValueStatus::Found);
    EXPECT_EQ(value, L"b.hex");
    ASSERT_EQ(find_target_value(L"-INTEL -O   out.hex -W2", value), TargetValueStatus::Found);
    EXPECT_EQ(value, L"out.hex");
    ASSERT_EQ(find_target_value(L"-o\"my dir\\out file.hex\" -MOT", value), TargetValueStatus::Found);
    EXPECT_EQ(value, L"my dir\\out file.hex");
    // Quotes inside the value switch quoting; only an enclosing pair comes off.
    ASSERT_EQ(find_target_value(L"-ob\"c d\"e", value), TargetValueStatus::Found);
    EXPECT_EQ(value, L"b\"c d\"e");
}

TEST(TargetValueTest, OptionMustStartAnArgument) {
    std::wstring value;
    ASSERT_EQ(find_target_value(L"-M\"C:\\build-out\\p.map\" -O\"p.hex\"", value), TargetValueStatus::Found);
    EXPECT_EQ(value, L"p.hex");
    EXPECT_EQ(find_target_value(L"-FAKELOCAL-o -MOT", value), TargetValueStatus::NoOutputOption);
}

TEST(TargetValueTest, Failures) {
    std::wstring value = L"unchanged";
    EXPECT_EQ(find_target_value(L"", value), TargetValueStatus::NoOutputOption);
    EXPECT_EQ(find_target_value(L"-INTEL -W3", value), TargetValueStatus::NoOutputOption);
    EXPECT_EQ(find_target_value(L"-O\"proj.cof", value), TargetValueStatus::UnbalancedQuote);
    EXPECT_EQ(find_target_value(L"-Oproj.cof\"", value), TargetValueStatus::UnbalancedQuote);
    EXPECT_EQ(find_target_value(L"-O\"", value), TargetValueStatus::UnbalancedQuote);
    EXPECT_EQ(find_target_value(L"-O", value), TargetValueStatus::EmptyValue);
    EXPECT_EQ(find_target_value(L"-o\"\" -O\"x\"", value), TargetValueStatus::EmptyValue);
    EXPECT_EQ(value, L"unchanged");
}

namespace {

struct Expansion {
    Expansion(std::vector<std::wstring_view> macroNames, std::vector<std::wstring> macroValues)
        : names(std::move(macroNames)), values(std::move(macroValues)) {}

    std::vector<std::wstring_view> names;
    std::vector<std::wstring> values;
    std::vector<size_t> asked;
    bool refuse = false;

    MacroStatus run(std::wstring_view line, std::wstring& out, size_t maxLength = kMaxCommandLine) {
        return expand_macros(
            line, names.data(), names.size(),
            [this](size_t index, std::wstring& value) {
                asked.push_back(index);
                value = values[index];
                return !refuse;
            },
            maxLength, out);
    }
};

} // namespace

TEST(MacroExpansionTest, ExactNamesEveryOccurrenceNoRescan) {
    Expansion e{{L"$(INCDIR)", L"$(INCDIR_)"}, {L"\"C:\\i\"", L"$(INCDIR)"}};
    std::wstring out;
    ASSERT_EQ(e.run(L"a -I$(INCDIR) $(incdir) $(INCDIR_)$ $(INCDIR) $(INC", out), MacroStatus::Expanded);
    // The value of $(INCDIR_) is the text "$(INCDIR)": inserted, never expanded again.
    EXPECT_EQ(out, L"a -I\"C:\\i\" $(incdir) $(INCDIR)$ \"C:\\i\" $(INC");
    EXPECT_EQ(e.asked, (std::vector<size_t>{0, 1}));
}

TEST(MacroExpansionTest, LineWithoutMacrosUnchanged) {
    Expansion e{{L"$(X)"}, {L"y"}};
    std::wstring out = L"stale";
    ASSERT_EQ(e.run(L"plain $ line $(", out), MacroStatus::Expanded);
    EXPECT_EQ(out, L"plain $ line $(");
    EXPECT_TRUE(e.asked.empty());
    ASSERT_EQ(e.run(L"", out), MacroStatus::Expanded);
    EXPECT_EQ(out, L"");
}

TEST(MacroExpansionTest, FailuresLeaveOutputUntouched) {
    Expansion e{{L"$(X)"}, {L"12345"}};
    std::wstring out = L"stale";
    e.refuse = true;
    EXPECT_EQ(e.run(L"a$(X)b", out), MacroStatus::ValueFailed);
    EXPECT_EQ(out, L"stale");
    e.refuse = false;
    EXPECT_EQ(e.run(L"a$(X)b", out, 6), MacroStatus::TooLong);
    EXPECT_EQ(out, L"stale");
    EXPECT_EQ(e.run(L"a$(X)b", out, 7), MacroStatus::Expanded);
    EXPECT_EQ(out, L"a12345b");
    EXPECT_EQ(e.run(L"too long without macros", out, 5), MacroStatus::TooLong);
}

TEST(CaseTest, FoldsOnlyAsciiLetters) {
    EXPECT_TRUE(equals_ignoring_case(std::string_view("C:\\Tools\\VELC18.exe"), "c:\\tools\\velc18.EXE"));
    EXPECT_FALSE(equals_ignoring_case(std::string_view("a"), "ab"));
    EXPECT_FALSE(equals_ignoring_case(std::string_view("["), "{"));
    EXPECT_TRUE(equals_ignoring_case(std::wstring_view(L"Main.OBJ"), L"main.obj"));
    // Texts are compared eight bytes at a time: a difference before, at and
    // after each eight-byte boundary, in the case of a letter (equal) or not
    // ("@" and "`" differ in the bit that "A" and "a" differ in: unequal).
    const std::string text = "c:\\objects\\source17.obj";
    for (size_t at : {0, 6, 7, 8, 9, 15, 16, 22}) {
        std::string cased = text, other = text, otherFolded = text;
        cased[at] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[at])));
        other[at] = '@';
        otherFolded[at] = '`';
        EXPECT_TRUE(equals_ignoring_case(std::string_view(text), cased)) << at;
        EXPECT_FALSE(equals_ignoring_case(std::string_view(text), other)) << at;
        EXPECT_FALSE(equals_ignoring_case(std::string_view(other), otherFolded)) << at;
    }
}

TEST(FullPathFormTest, OnlyTextThePlatformWouldHandBackUnchanged) {
    EXPECT_TRUE(is_full_path_form("C:\\work\\main.obj"));
    EXPECT_TRUE(is_full_path_form("z:\\a b\\x.y.z"));
    EXPECT_TRUE(is_full_path_form("C:\\console\\com10.c"));
    for (const char* path : {"C:\\", "C:x\\y", "main.c", "\\\\server\\share\\x", "C:/work/x", "C:\\a\\\\b",
                             "C:\\a\\.\\b", "C:\\a\\..\\b", "C:\\a\\b.", "C:\\a\\b ", "C:\\dir\\",
                             "C:\\x\\CON", "C:\\x\\nul.txt", "C:\\x\\Com1.c", "C:\\lpt9\\y"})
        EXPECT_FALSE(is_full_path_form(path)) << path;
}
