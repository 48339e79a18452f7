// The option text of an argument object: a narrow buffer of 2,048 bytes (at
// most 2,047 characters and a terminator), one byte per character, and the
// conversions to and from the wide strings the host exchanges.
#pragma once

#include <windows.h>

#include <cstddef>

namespace suite {

class OptionText {
public:
    static constexpr size_t kCapacity = 2048;
    static constexpr size_t kMaxLength = kCapacity - 1;

    // Starts with initial, cut to kMaxLength characters.
    explicit OptionText(const char* initial = "") noexcept;

    // A task-allocated wide copy for the caller (GetCmdLine). E_POINTER for a
    // null out, E_OUTOFMEMORY with *out null when the copy cannot be made.
    HRESULT Get(wchar_t** out) const noexcept;

    // Replaces the text (SetCmdLine). E_POINTER for null; E_INVALIDARG, with
    // the text unchanged, when text holds more than kMaxLength characters or
    // a character above 255: the text is either stored whole or not at all.
    HRESULT Set(const wchar_t* text) noexcept;

    // Replaces the task-allocated *line with a new one holding the old line
    // and, when this text is not empty, one blank and this text (GenCmdLine).
    // E_POINTER for a null line; E_OUTOFMEMORY leaves *line untouched.
    HRESULT AppendTo(wchar_t** line) const noexcept;

    const char* c_str() const noexcept { return bytes_; }
    bool empty() const noexcept { return bytes_[0] == '\0'; }

    // The buffer itself, kCapacity bytes: the option page writes it on Apply.
    char* buffer() noexcept { return bytes_; }

private:
    char bytes_[kCapacity];
};

} // namespace suite
