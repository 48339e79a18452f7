#include "tool_message.h"

#include <cwchar>
#include <cwctype>

namespace suite::tool_message {

namespace {

bool is_blank(wchar_t c) {
    return c == L'\t' || std::iswspace(static_cast<std::wint_t>(c));
}

const wchar_t* skip_blanks(const wchar_t* p) {
    while (*p && is_blank(*p))
        ++p;
    return p;
}

const wchar_t* skip_word(const wchar_t* p) {
    while (*p && !is_blank(*p))
        ++p;
    return p;
}

// The value of the leading decimal digits; kLineMax when it does not fit.
unsigned long leading_number(const wchar_t* p) {
    unsigned long value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p) {
        const unsigned long digit = static_cast<unsigned long>(*p - L'0');
        if (value > (kLineMax - digit) / 10)
            return kLineMax;
        value = value * 10 + digit;
    }
    return value;
}

} // namespace

std::int32_t ParseToolMessage(wchar_t** file, unsigned long* line, unsigned long* column,
                              const wchar_t* message, Allocate allocate) {
    if (!message)
        return kNoMessage;
    if (column)
        *column = 0;

    const wchar_t* open = std::wcschr(message, L'[');
    if (!open)
        return kNotFound;
    const wchar_t* close = std::wcschr(open + 1, L']');
    if (!close)
        return kNotFound;

    const wchar_t* p = close + 1;
    if (!is_blank(*p))
        return kNotFound;
    const wchar_t* fileBegin = skip_blanks(p);
    if (!*fileBegin)
        return kNotFound;
    const wchar_t* fileEnd = skip_word(fileBegin);
    if (!*fileEnd)
        return kNotFound;

    // Each further word joins the file name until one is followed by a
    // single white-space character and ":": that one is the line word.
    const wchar_t* lineWord = nullptr;
    for (p = fileEnd; !lineWord;) {
        const wchar_t* wordBegin = skip_blanks(p);
        if (!*wordBegin)
            return kNotFound;
        const wchar_t* wordEnd = skip_word(wordBegin);
        if (!*wordEnd)
            return kNotFound;
        if (wordEnd[1] == L':')
            lineWord = wordBegin;
        else
            fileEnd = wordEnd;
        p = wordEnd;
    }

    if (file) {
        const std::size_t length = static_cast<std::size_t>(fileEnd - fileBegin);
        wchar_t* copy = allocate ? allocate(length + 1) : nullptr;
        if (!copy) {
            *file = nullptr;
            return kOutOfMemory;
        }
        std::wmemcpy(copy, fileBegin, length);
        copy[length] = L'\0';
        *file = copy;
    }

    if (!std::iswdigit(static_cast<std::wint_t>(*lineWord)))
        return kNotFound;
    if (line)
        *line = leading_number(lineWord);
    return kFound;
}

} // namespace suite::tool_message
