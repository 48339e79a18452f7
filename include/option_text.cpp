#include "option_text.h"

#include "com_ptr.h"
#include "text.h"
#include "xlogged.h"

#include <cstring>
#include <cwchar>

namespace suite {

namespace {

// Widens length bytes of text into dest, each byte to the character of the same code.
void widen_into(wchar_t* dest, const char* text, size_t length) noexcept {
    for (size_t i = 0; i < length; ++i)
        dest[i] = static_cast<wchar_t>(static_cast<unsigned char>(text[i]));
}

wchar_t* allocate_chars(size_t count) noexcept {
    return static_cast<wchar_t*>(CoTaskMemAlloc(count * sizeof(wchar_t)));
}

HRESULT log_and_return(const XLogged& failure) noexcept {
    failure.Log();
    return failure.GetHResult();
}

} // namespace

OptionText::OptionText(const char* initial) noexcept {
    text::copy_bounded(bytes_, kCapacity, initial);
}

HRESULT OptionText::Get(wchar_t** out) const noexcept {
    try {
        if (!out)
            THROW_XLOGGED(E_POINTER);
        *out = nullptr;
        const size_t length = strlen(bytes_);
        CoTaskPtr<wchar_t> copy(allocate_chars(length + 1));
        if (!copy)
            THROW_XLOGGED(E_OUTOFMEMORY);
        widen_into(copy.get(), bytes_, length);
        copy.get()[length] = L'\0';
        *out = copy.release();
        return S_OK;
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}

HRESULT OptionText::Set(const wchar_t* text) noexcept {
    try {
        if (!text)
            THROW_XLOGGED(E_POINTER);
        // Checked whole before anything is written, so a refused text leaves
        // the stored one as it was.
        const size_t length = wcsnlen(text, kCapacity);
        if (length > kMaxLength)
            THROW_XLOGGED(E_INVALIDARG);
        for (size_t i = 0; i < length; ++i)
            if (static_cast<unsigned long>(text[i]) > 255)
                THROW_XLOGGED(E_INVALIDARG);
        for (size_t i = 0; i < length; ++i)
            bytes_[i] = static_cast<char>(static_cast<unsigned char>(text[i]));
        bytes_[length] = '\0';
        return S_OK;
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}

HRESULT OptionText::AppendTo(wchar_t** line) const noexcept {
    try {
        if (!line || !*line)
            THROW_XLOGGED(E_POINTER);
        const size_t lineLength = wcslen(*line);
        const size_t textLength = strlen(bytes_);
        const size_t total = lineLength + (textLength ? 1 + textLength : 0);
        CoTaskPtr<wchar_t> joined(allocate_chars(total + 1));
        if (!joined)
            THROW_XLOGGED(E_OUTOFMEMORY);
        wchar_t* chars = joined.get();
        wmemcpy(chars, *line, lineLength);
        if (textLength) {
            chars[lineLength] = L' ';
            widen_into(chars + lineLength + 1, bytes_, textLength);
        }
        chars[total] = L'\0';
        const CoTaskString incoming(*line);
        *line = joined.release();
        return S_OK;
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}

} // namespace suite
