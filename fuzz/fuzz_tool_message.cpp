// Fuzz target: ParseToolMessage on an arbitrary driver output line, asked
// for every output, for the line alone, and with an allocator that fails.
//
// Input: byte 0 = options (bit 0: the bytes after it are read in pairs, low
// byte first, as wide characters; otherwise each byte is one character),
// then the message. A NUL ends the message early.
#include "fuzz_check.h"
#include "tool_message.h"

#include <cstdint>
#include <cstdlib>
#include <cwctype>
#include <string>

namespace {

using namespace suite::tool_message;

wchar_t* AllocateWithMalloc(std::size_t characters) {
    return static_cast<wchar_t*>(std::malloc(characters * sizeof(wchar_t)));
}
wchar_t* AllocateNothing(std::size_t) {
    return nullptr;
}

std::wstring LoadMessage(const uint8_t* data, std::size_t size) {
    std::wstring message;
    if (size == 0)
        return message;
    const bool wide = (data[0] & 1) != 0;
    for (std::size_t i = 1; i < size; i += wide ? 2 : 1) {
        wchar_t c = static_cast<wchar_t>(data[i]);
        if (wide && i + 1 < size)
            c = static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
        if (c == L'\0')
            break;
        message.push_back(c);
    }
    return message;
}

bool IsWhiteSpace(wchar_t c) {
    return c == L'\t' || std::iswspace(static_cast<std::wint_t>(c));
}

// The "]" that closes the first "[".
std::size_t FirstClose(const std::wstring& message) {
    const std::size_t open = message.find(L'[');
    FUZZ_CHECK(open != std::wstring::npos);
    const std::size_t close = message.find(L']', open + 1);
    FUZZ_CHECK(close != std::wstring::npos);
    return close;
}

// The line a found message reports: the digits that start the word right
// before " :" somewhere after the file name.
void CheckLine(const std::wstring& message, const std::wstring& file, unsigned long line) {
    FUZZ_CHECK(line <= kLineMax);
    const std::size_t fileAt = message.find(file, FirstClose(message));
    bool seen = false;
    for (std::size_t colon = message.find(L':', fileAt + file.size()); colon != std::wstring::npos && !seen;
         colon = message.find(L':', colon + 1)) {
        if (colon < 2 || !IsWhiteSpace(message[colon - 1]))
            continue;
        std::size_t wordBegin = colon - 1;
        while (wordBegin > 0 && !IsWhiteSpace(message[wordBegin - 1]))
            --wordBegin;
        unsigned long value = 0;
        bool capped = false;
        std::size_t i = wordBegin;
        for (; i < colon - 1 && message[i] >= L'0' && message[i] <= L'9'; ++i) {
            const unsigned long digit = static_cast<unsigned long>(message[i] - L'0');
            capped = capped || value > (kLineMax - digit) / 10;
            value = capped ? kLineMax : value * 10 + digit;
        }
        seen = i > wordBegin && value == line;
    }
    FUZZ_CHECK(seen);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::wstring message = LoadMessage(data, size);

    wchar_t* file = nullptr;
    unsigned long line = 12345;
    unsigned long column = 12345;
    const std::int32_t result = ParseToolMessage(&file, &line, &column, message.c_str(), &AllocateWithMalloc);
    FUZZ_CHECK(result == kFound || result == kNotFound);
    FUZZ_CHECK(column == 0);
    const bool fileHandedOut = file != nullptr;
    std::wstring fileText;
    if (fileHandedOut) {
        fileText = file;
        std::free(file);
        // The file name is the message's own text, from a word start to a
        // word end, past a "]".
        FUZZ_CHECK(!fileText.empty());
        FUZZ_CHECK(!IsWhiteSpace(fileText.front()) && !IsWhiteSpace(fileText.back()));
        FUZZ_CHECK(message.find(fileText, FirstClose(message)) != std::wstring::npos);
    }
    if (result == kFound) {
        FUZZ_CHECK(!fileText.empty());
        CheckLine(message, fileText, line);
    } else {
        FUZZ_CHECK(line == 12345);
    }

    // Outputs not asked for change nothing about the answer.
    unsigned long lineOnly = 12345;
    FUZZ_CHECK(ParseToolMessage(nullptr, &lineOnly, nullptr, message.c_str(), &AllocateWithMalloc) == result);
    FUZZ_CHECK(lineOnly == line);

    // Without memory the answer is out-of-memory exactly when a file name was
    // to be handed out; nothing is written then.
    wchar_t* noFile = reinterpret_cast<wchar_t*>(&lineOnly);
    unsigned long noLine = 12345;
    const std::int32_t starved =
        ParseToolMessage(&noFile, &noLine, nullptr, message.c_str(), &AllocateNothing);
    if (fileHandedOut) {
        FUZZ_CHECK(starved == kOutOfMemory);
        FUZZ_CHECK(noFile == nullptr);
        FUZZ_CHECK(noLine == 12345);
    } else {
        FUZZ_CHECK(starved == result);
        FUZZ_CHECK(noFile == reinterpret_cast<wchar_t*>(&lineOnly));
    }

    FUZZ_CHECK(ParseToolMessage(&noFile, &noLine, nullptr, nullptr, &AllocateWithMalloc) == kNoMessage);
    return 0;
}
