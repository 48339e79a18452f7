#include "text.h"

#include <cstring>
#include <cwchar>

namespace suite::text {

std::wstring widen(const char* bytes) {
    std::wstring wide;
    if (!bytes)
        return wide;
    wide.resize(std::strlen(bytes)); // one allocation: paths are widened once per message
    for (size_t i = 0; i < wide.size(); ++i)
        wide[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]));
    return wide;
}

void append_widened(std::wstring& out, std::string_view bytes) {
    for (const char c : bytes)
        out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

std::wstring widen(const std::string& bytes) {
    return widen(bytes.c_str());
}

bool narrow(const wchar_t* wide, std::string& out) {
    out.clear();
    if (!wide)
        return true;
    const size_t length = std::wcslen(wide);
    out.resize(length); // one allocation: a build narrows every path it is handed
    for (size_t i = 0; i < length; ++i) {
        if (static_cast<unsigned long>(wide[i]) > 255) {
            out.resize(i);
            return false;
        }
        out[i] = static_cast<char>(static_cast<unsigned char>(wide[i]));
    }
    return true;
}

void narrow_bounded(char* dest, size_t capacity, const wchar_t* wide) noexcept {
    if (!dest || capacity == 0)
        return;
    size_t i = 0;
    for (; wide && wide[i] && i + 1 < capacity; ++i)
        dest[i] = static_cast<unsigned long>(wide[i]) <= 255 ? static_cast<char>(wide[i]) : '?';
    dest[i] = '\0';
}

template <class Char> static bool copy_impl(Char* dest, size_t capacity, const Char* source) noexcept {
    if (!dest || capacity == 0)
        return false;
    size_t i = 0;
    if (source)
        for (; source[i] && i + 1 < capacity; ++i)
            dest[i] = source[i];
    dest[i] = Char(0);
    return !source || source[i] == Char(0);
}

bool copy_bounded(char* dest, size_t capacity, const char* source) noexcept {
    return copy_impl(dest, capacity, source);
}

bool copy_bounded(wchar_t* dest, size_t capacity, const wchar_t* source) noexcept {
    return copy_impl(dest, capacity, source);
}

bool append_bounded(char* dest, size_t capacity, const char* source) noexcept {
    if (!dest || capacity == 0)
        return false;
    const size_t used = strnlen(dest, capacity - 1);
    return copy_impl(dest + used, capacity - used, source);
}

} // namespace suite::text
