// Small pieces every host class uses: exception-free method bodies, [out]
// strings from the task allocator, and path text helpers.
#pragma once

#include "com_ptr.h"
#include "contract.h"
#include "recorder.h"
#include "unique_handles.h"

#include <string>

namespace veska::host {

using suite::UniqueFileHandle;
using suite::UniqueHandle;

// Hands a task-allocated copy of text to an [out] string.
HRESULT copy_out(const std::wstring& text, LPWSTR* out) noexcept;

// Hands a value (a count, an index, a tag) to an [out] argument.
template <class Out, class Value> HRESULT value_out(const Value& value, Out* out) noexcept {
    if (!out)
        return E_POINTER;
    *out = static_cast<Out>(value);
    return S_OK;
}

// Hands a reference to object to an [out] pointer (null without one):
// E_POINTER without the pointer, `missing` without the object.
template <class Interface>
HRESULT object_out(Interface* object, Interface** out, HRESULT missing = E_INVALIDARG) noexcept {
    if (!out)
        return E_POINTER;
    *out = object;
    if (!object)
        return missing;
    object->AddRef();
    return S_OK;
}

// "0x80070005 (Access denied.)": the code and the system's text for it, when
// the system has one.
std::wstring hresult_explained(HRESULT hr);

// A wide [in] string as the host keeps it (null reads as empty).
inline std::wstring in_text(LPCWSTR text) {
    return text ? std::wstring(text) : std::wstring();
}

// Path text as the host handles it: "\" separated, drive letters.
namespace paths {
bool is_absolute(const std::wstring& path);
// The directory part without its last separator ("C:\work" of
// "C:\work\p.ini"); a root keeps its separator ("C:\"); "" when none.
std::wstring directory_of(const std::wstring& path);
// The file name without directory and extension.
std::wstring base_name(const std::wstring& path);
// The text from the last "." of the file name on, or "".
std::wstring extension_of(const std::wstring& path);
// path when absolute, else joined to base; then made full (".." folded).
std::wstring absolute(const std::wstring& path, const std::wstring& base);
// path with one "\" at the end, unless it is empty.
std::wstring with_separator(const std::wstring& path);
bool equal_ignoring_case(const std::wstring& a, const std::wstring& b);
// The text in upper case: the key under which paths compare without case.
std::wstring upper(std::wstring text);
// Whether the absolute path names something under the absolute directory.
bool is_inside(const std::wstring& path, const std::wstring& directory);
// path relative to directory when it lies inside it, else path unchanged.
std::wstring relative_to(const std::wstring& path, const std::wstring& directory);
// Creates directory and the directories above it that are missing.
HRESULT create_directories(const std::wstring& directory);
} // namespace paths

} // namespace veska::host
