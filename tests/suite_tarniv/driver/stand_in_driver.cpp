#include "stand_in_driver.h"

#include "test_support.h"
#include "text.h"

namespace driver_test {

namespace {

// The value of the first ` -X"..."` of line, or empty.
std::wstring quoted_option(const std::wstring& line, const wchar_t* option) {
    const size_t start = line.find(option);
    if (start == std::wstring::npos)
        return std::wstring();
    const size_t value = start + wcslen(option);
    const size_t end = line.find(L'"', value);
    return end == std::wstring::npos ? std::wstring() : line.substr(value, end - value);
}

std::wstring in_directory(const std::wstring& path, const std::wstring& directory) {
    if (path.size() > 1 && path[1] == L':')
        return path;
    return directory + (directory.empty() || directory.back() == L'\\' ? L"" : L"\\") + path;
}

std::wstring base_of(const std::wstring& path) {
    size_t start = path.find_last_of(L"\\/");
    std::wstring name = start == std::wstring::npos ? path : path.substr(start + 1);
    return name.substr(0, name.rfind(L'.'));
}

std::string narrow(const std::wstring& wide) {
    std::string out;
    suite::text::narrow(wide.c_str(), out);
    return out;
}

} // namespace

ExecuteHandler stand_in_driver(std::function<bool(const std::wstring& input, bool link)> fails) {
    return [fails](const veska::host::ExecuteRequest& request, unsigned long& exitCode) {
        const std::wstring output = quoted_option(request.line, L" -O\"");
        const std::wstring errors = quoted_option(request.line, L" -E\"");
        const bool link = request.line.find(L" -C ") == std::wstring::npos;
        const std::wstring input = base_of(output);
        const bool failing = fails(input, link);
        if (!errors.empty())
            suite::test::write_file(in_directory(errors, request.directory),
                                    failing ? "Error[100] " + narrow(input) + " 3 : boom\n" : "");
        if (!failing && !output.empty())
            suite::test::write_file(in_directory(output, request.directory), "object");
        exitCode = failing ? 1 : 0;
        return S_OK;
    };
}

} // namespace driver_test
