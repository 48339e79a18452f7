// The "Version" replacement of the registry scripts.
#pragma once

#include <windows.h>

#include <string>

namespace suite::module {

// "1, 22, 3, 0" -> "1.22.3.0": blanks dropped, "," and "." written as ".".
std::wstring normalize_version(const wchar_t* productVersion);

// The module's ProductVersion (block 040904B0), normalized; "not available"
// when the version block cannot be read.
std::wstring version_replacement(HMODULE module);

// The module path for the scripts' MODULE replacement: single quotes doubled.
std::wstring quote_for_script(const std::wstring& path);

} // namespace suite::module
