#include "version_text.h"

#include <vector>

namespace suite::module {

std::wstring normalize_version(const wchar_t* productVersion) {
    std::wstring result;
    for (const wchar_t* p = productVersion; p && *p; ++p) {
        if (*p == L' ')
            continue;
        result.push_back(*p == L',' ? L'.' : *p);
    }
    return result;
}

std::wstring version_replacement(HMODULE module) {
    const std::wstring unavailable = L"not available";
    wchar_t path[MAX_PATH + 1] = L"";
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH)
        return unavailable;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    if (size == 0)
        return unavailable;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoW(path, 0, size, block.data()))
        return unavailable;
    wchar_t* value = nullptr;
    UINT valueLength = 0;
    if (!VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\ProductVersion",
                        reinterpret_cast<void**>(&value), &valueLength) ||
        !value)
        return unavailable;
    return normalize_version(value);
}

std::wstring quote_for_script(const std::wstring& path) {
    std::wstring result;
    for (wchar_t c : path) {
        result.push_back(c);
        if (c == L'\'')
            result.push_back(L'\'');
    }
    return result;
}

} // namespace suite::module
