#include "host_common.h"

#include <cwchar>
#include <cwctype>
#include <vector>

namespace veska::host {

HRESULT copy_out(const std::wstring& text, LPWSTR* out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    suite::CoTaskString copy = suite::CoTaskString::copy_of(text.c_str(), text.size());
    if (!copy)
        return E_OUTOFMEMORY;
    *out = copy.release();
    return S_OK;
}

std::wstring hresult_explained(HRESULT hr) {
    // Win32 codes wrapped as HRESULTs are looked up by their own number.
    const DWORD code = HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : static_cast<DWORD>(hr);
    wchar_t text[512] = {};
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                  0, text, 512, nullptr);
    while (length && (text[length - 1] == L'\n' || text[length - 1] == L'\r' || text[length - 1] == L' '))
        --length;
    const std::wstring number = from_utf8(hresult_text(hr));
    if (length)
        return number + L" (" + std::wstring(text, length) + L")";
    // The two failures the contract gives the tools.
    if (hr == TOOL_E_UNSUPPORTEDDEVICE)
        return number + L" (the tool does not support the selected device)";
    if (hr == TOOL_E_NOTLOCATED)
        return number + L" (the tool cannot be located)";
    return number;
}

namespace paths {

bool is_absolute(const std::wstring& path) {
    return (path.size() >= 2 && path[1] == L':') || (!path.empty() && (path[0] == L'\\' || path[0] == L'/'));
}

static size_t last_separator(const std::wstring& path) {
    return path.find_last_of(L"\\/");
}

std::wstring directory_of(const std::wstring& path) {
    const size_t separator = last_separator(path);
    if (separator == std::wstring::npos)
        return path.size() >= 2 && path[1] == L':' ? path.substr(0, 2) : std::wstring();
    if (separator == 0 || (separator == 2 && path[1] == L':'))
        return path.substr(0, separator + 1);
    return path.substr(0, separator);
}

static std::wstring file_name_of(const std::wstring& path) {
    const size_t separator = last_separator(path);
    std::wstring name = separator == std::wstring::npos ? path : path.substr(separator + 1);
    if (separator == std::wstring::npos && name.size() >= 2 && name[1] == L':')
        name.erase(0, 2);
    return name;
}

std::wstring extension_of(const std::wstring& path) {
    const std::wstring name = file_name_of(path);
    const size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? std::wstring() : name.substr(dot);
}

std::wstring base_name(const std::wstring& path) {
    const std::wstring name = file_name_of(path);
    return name.substr(0, name.size() - extension_of(name).size());
}

std::wstring with_separator(const std::wstring& path) {
    if (path.empty() || path.back() == L'\\' || path.back() == L'/')
        return path;
    return path + L"\\";
}

std::wstring absolute(const std::wstring& path, const std::wstring& base) {
    const std::wstring joined = is_absolute(path) || base.empty() ? path : with_separator(base) + path;
    if (joined.empty())
        return joined;
    const DWORD needed = GetFullPathNameW(joined.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return joined;
    std::vector<wchar_t> full(needed + 1);
    const DWORD written =
        GetFullPathNameW(joined.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (written == 0 || written >= full.size())
        return joined;
    return std::wstring(full.data(), written);
}

std::wstring upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

bool equal_ignoring_case(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

bool is_inside(const std::wstring& path, const std::wstring& directory) {
    const std::wstring prefix = with_separator(directory);
    return !directory.empty() && path.size() > prefix.size() &&
           equal_ignoring_case(path.substr(0, prefix.size()), prefix);
}

std::wstring relative_to(const std::wstring& path, const std::wstring& directory) {
    return is_inside(path, directory) ? path.substr(with_separator(directory).size()) : path;
}

HRESULT create_directories(const std::wstring& directory) {
    const DWORD attributes = GetFileAttributesW(directory.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes & FILE_ATTRIBUTE_DIRECTORY ? S_OK : HRESULT_FROM_WIN32(ERROR_DIRECTORY);
    const std::wstring parent = directory_of(directory);
    if (!parent.empty() && parent != directory) {
        const HRESULT made = create_directories(parent);
        if (FAILED(made))
            return made;
    }
    if (!CreateDirectoryW(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return HRESULT_FROM_WIN32(GetLastError());
    return S_OK;
}

} // namespace paths

} // namespace veska::host
