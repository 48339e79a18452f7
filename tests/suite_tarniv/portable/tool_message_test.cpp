// The driver's message form: bracket pair, file name across blanks, the line
// word before a single white-space character and ":".
#include "tool_message.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

using suite::tool_message::kFound;
using suite::tool_message::kLineMax;
using suite::tool_message::kNoMessage;
using suite::tool_message::kNotFound;
using suite::tool_message::kOutOfMemory;
using suite::tool_message::ParseToolMessage;

wchar_t* allocate(std::size_t characters) {
    return static_cast<wchar_t*>(std::malloc(characters * sizeof(wchar_t)));
}
wchar_t* allocate_nothing(std::size_t) {
    return nullptr;
}

struct FreeDeleter {
    void operator()(wchar_t* p) const { std::free(p); }
};

// One parse with every output asked for; outputs start with markers that
// show whether they were written.
struct Parsed {
    explicit Parsed(const wchar_t* message, suite::tool_message::Allocate allocator = &allocate) {
        wchar_t* raw = nullptr;
        result = ParseToolMessage(&raw, &line, &column, message, allocator);
        fileWritten = raw != nullptr;
        file.reset(raw);
    }
    std::wstring file_text() const { return file ? std::wstring(file.get()) : std::wstring(L"<none>"); }

    std::int32_t result = -1;
    std::unique_ptr<wchar_t, FreeDeleter> file;
    bool fileWritten = false;
    unsigned long line = 999;
    unsigned long column = 999;
};

TEST(ToolMessage, WorkedExample) {
    Parsed parsed(L"Error[000] C:\\My Work\\main.c 57 : undefined symbol");
    EXPECT_EQ(kFound, parsed.result);
    EXPECT_EQ(L"C:\\My Work\\main.c", parsed.file_text());
    EXPECT_EQ(57ul, parsed.line);
    EXPECT_EQ(0ul, parsed.column);
}

TEST(ToolMessage, LineWordMustBeFollowedByExactlyOneBlankAndAColon) {
    for (const wchar_t* message :
         {L"Error[000] C:\\My Work\\main.c 57  : undefined symbol",
          L"Error[000] C:\\My Work\\main.c 57: undefined symbol", L"Error[000] C:\\My Work\\main.c 57 ",
          L"Error[000] C:\\My Work\\main.c 57"}) {
        Parsed parsed(message);
        EXPECT_EQ(kNotFound, parsed.result) << message;
        EXPECT_FALSE(parsed.fileWritten) << message;
        EXPECT_EQ(999ul, parsed.line) << message;
        EXPECT_EQ(0ul, parsed.column) << message;
    }
    // Nothing needs to follow the ":".
    Parsed atEnd(L"Error[000] C:\\My Work\\main.c 57 :");
    EXPECT_EQ(kFound, atEnd.result);
    EXPECT_EQ(57ul, atEnd.line);
}

TEST(ToolMessage, BracketPairAndBlankAfterItAreRequired) {
    for (const wchar_t* message : {L"", L"main.c 57 : x", L"Error[000 main.c 57 : x",
                                   L"Error]000[ main.c 57 : x", L"Error[000]main.c 57 : x", L"Error[000]",
                                   L"Error[000]   ", L"Error[000] main.c", L"Error[000] main.c   "}) {
        Parsed parsed(message);
        EXPECT_EQ(kNotFound, parsed.result) << message;
        EXPECT_FALSE(parsed.fileWritten) << message;
        EXPECT_EQ(999ul, parsed.line) << message;
    }
}

TEST(ToolMessage, TextBeforeTheBracketIsNotLookedAt) {
    Parsed parsed(L"pre]x[y] f 1 :");
    EXPECT_EQ(kFound, parsed.result);
    EXPECT_EQ(L"f", parsed.file_text());
    EXPECT_EQ(1ul, parsed.line);
}

TEST(ToolMessage, BlanksInsideTheFileNameAreKeptThoseBeforeTheLineWordDropped) {
    Parsed parsed(L"[1] my  file.c   123 : z");
    EXPECT_EQ(kFound, parsed.result);
    EXPECT_EQ(L"my  file.c", parsed.file_text());
    EXPECT_EQ(123ul, parsed.line);
}

TEST(ToolMessage, TabsAndOtherWhiteSpaceCountEverywhere) {
    Parsed tabs(L"Warning[2]\tC:\\a\tb.c\t\t42\t: z");
    EXPECT_EQ(kFound, tabs.result);
    EXPECT_EQ(L"C:\\a\tb.c", tabs.file_text());
    EXPECT_EQ(42ul, tabs.line);

    Parsed mixed(L"[x]\r\v f\fg.c \n7\r:");
    EXPECT_EQ(kFound, mixed.result);
    EXPECT_EQ(L"f\fg.c", mixed.file_text());
    EXPECT_EQ(7ul, mixed.line);
}

TEST(ToolMessage, OnlyTheLeadingDigitsOfTheLineWordAreRead) {
    Parsed parsed(L"[e] f.c 12x :");
    EXPECT_EQ(kFound, parsed.result);
    EXPECT_EQ(12ul, parsed.line);

    Parsed huge(L"[e] f.c 123456789012345678901234567890 :");
    EXPECT_EQ(kFound, huge.result);
    EXPECT_EQ(kLineMax, huge.line);

    Parsed largest(L"[e] f.c 4294967295 :");
    EXPECT_EQ(4294967295ul, largest.line);
}

TEST(ToolMessage, LineWordStartingWithALetterLeavesTheFileSet) {
    Parsed parsed(L"Error[1] main.c x57 : y");
    EXPECT_EQ(kNotFound, parsed.result);
    EXPECT_EQ(L"main.c", parsed.file_text());
    EXPECT_EQ(999ul, parsed.line);
    EXPECT_EQ(0ul, parsed.column);
}

TEST(ToolMessage, FirstWordIsAlwaysPartOfTheFileName) {
    // "57" is the first word, so it cannot be the line word.
    Parsed parsed(L"[1] 57 : x 9 :");
    EXPECT_EQ(kFound, parsed.result);
    EXPECT_EQ(L"57 : x", parsed.file_text());
    EXPECT_EQ(9ul, parsed.line);
}

TEST(ToolMessage, NullOutputsAreNotWrittenButTheFormIsStillTested) {
    EXPECT_EQ(kFound, ParseToolMessage(nullptr, nullptr, nullptr, L"[1] a.c 3 : x", &allocate));
    EXPECT_EQ(kNotFound, ParseToolMessage(nullptr, nullptr, nullptr, L"[1] a.c 3: x", &allocate));
    EXPECT_EQ(kNotFound, ParseToolMessage(nullptr, nullptr, nullptr, L"[1] a.c x3 : x", &allocate));
    // Without a file output nothing is allocated.
    unsigned long line = 0;
    EXPECT_EQ(kFound, ParseToolMessage(nullptr, &line, nullptr, L"[1] a.c 3 : x", &allocate_nothing));
    EXPECT_EQ(3ul, line);
}

TEST(ToolMessage, NullMessageIsAPointerFailureAndWritesNothing) {
    Parsed parsed(nullptr);
    EXPECT_EQ(kNoMessage, parsed.result);
    EXPECT_FALSE(parsed.fileWritten);
    EXPECT_EQ(999ul, parsed.line);
    EXPECT_EQ(999ul, parsed.column);
}

TEST(ToolMessage, FileNameCopyThatCannotBeAllocatedIsAFailure) {
    Parsed parsed(L"Error[000] C:\\My Work\\main.c 57 : undefined symbol", &allocate_nothing);
    EXPECT_EQ(kOutOfMemory, parsed.result);
    EXPECT_FALSE(parsed.fileWritten);
    EXPECT_EQ(999ul, parsed.line);
}

} // namespace
