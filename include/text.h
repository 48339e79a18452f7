// Narrow text inside the suite is one byte per character: character codes 0
// to 255 map to the byte of the same value, as the C runtime's default
// conversions do. These helpers make that mapping explicit and bounded.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace suite::text {

// Each byte becomes the wide character of the same value.
std::wstring widen(const char* bytes);
std::wstring widen(const std::string& bytes);
// Appends each byte of bytes to out as its wide character.
void append_widened(std::wstring& out, std::string_view bytes);

// Each wide character 0..255 becomes its byte. Returns false (and stops at
// the offending character) when a character above 255 has no one-byte form.
bool narrow(const wchar_t* wide, std::string& out);

// Copies at most capacity-1 characters of wide into dest, one byte each; a
// character above 255 becomes '?' (text shown in a control may hold any).
void narrow_bounded(char* dest, size_t capacity, const wchar_t* wide) noexcept;

// Copies at most capacity-1 characters of source into dest and terminates it.
// Returns false when the text had to be cut.
bool copy_bounded(char* dest, size_t capacity, const char* source) noexcept;
bool copy_bounded(wchar_t* dest, size_t capacity, const wchar_t* source) noexcept;

// Appends source to the terminated text in dest, never past capacity-1
// characters. Returns false when the text had to be cut.
bool append_bounded(char* dest, size_t capacity, const char* source) noexcept;

} // namespace suite::text
