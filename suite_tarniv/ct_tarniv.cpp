#include "ct_tarniv.h"

#include "tool_message.h"

#include <cwchar>
#include <initializer_list>
#include <new>
#include <string>

namespace {

using suite::CoTaskString;

// Devices of the family this toolchain serves are named "ZOR..."; the rest of
// the name selects the processor.
constexpr wchar_t kDeviceFamily[] = L"ZOR";
constexpr size_t kDeviceFamilyLength = 3;

// True when the location, in its one-byte form, names an existing file or
// directory. A location with a character above 255 has no one-byte form and
// names nothing: testing the text before that character could find some
// other file.
bool names_existing_file(const wchar_t* location) {
    std::string narrow;
    if (!suite::text::narrow(location, narrow) || narrow.empty())
        return false;
    return GetFileAttributesA(narrow.c_str()) != INVALID_FILE_ATTRIBUTES;
}

wchar_t* allocate_task_string(size_t characters) {
    return static_cast<wchar_t*>(CoTaskMemAlloc(characters * sizeof(wchar_t)));
}

} // namespace

namespace suite::tools {

HRESULT QuoteToolPath(const wchar_t* location, std::wstring& quoted) noexcept {
    try {
        quoted.clear();
        if (!location)
            return E_FAIL;
        const size_t length = wcslen(location);
        if (length == 0)
            return S_OK;
        const bool opens = location[0] == L'"';
        const bool closes = location[length - 1] == L'"';
        if (opens != closes)
            return E_FAIL;
        if (opens) {
            quoted.assign(location, length);
            return S_OK;
        }
        quoted.reserve(length + 2);
        quoted.push_back(L'"');
        quoted.append(location, length);
        quoted.push_back(L'"');
        return S_OK;
    } catch (const std::bad_alloc&) {
        quoted.clear();
        return E_FAIL;
    }
}

HRESULT GenerateCommandLine(const ToolLine& shape, const wchar_t* location, LPWSTR* commandLine,
                            const _PlatInfo* platform, IProject* project) noexcept {
    // Unwinds to the common exit; the result is kept in a local.
    struct HRException {};
    HRESULT result = S_OK;
    try {
        if (!commandLine) {
            result = E_POINTER;
            throw HRException();
        }
        *commandLine = nullptr;

        if (!names_existing_file(location)) {
            result = TOOL_E_NOTLOCATED;
            throw HRException();
        }

        // No record or no device name: no device of the family is selected.
        const wchar_t* device = platform ? platform->pwszName : nullptr;
        if (!device || wcsncmp(device, kDeviceFamily, kDeviceFamilyLength) != 0) {
            result = TOOL_E_UNSUPPORTEDDEVICE;
            throw HRException();
        }
        const wchar_t* deviceSuffix = device + kDeviceFamilyLength;

        // Without the project's answer there is no telling whether the include
        // option belongs in the line: the step fails rather than guess.
        const wchar_t* includePiece = L"";
        if (shape.readsIncludePath) {
            if (!project) {
                result = E_INVALIDARG;
                throw HRException();
            }
            CoTaskString includePath;
            result = project->GetPath(includePath.put(), shape.includePath);
            if (FAILED(result))
                throw HRException();
            result = S_OK;
            if (!includePath.empty())
                includePiece = shape.includeOption;
        }

        std::wstring quotedLocation;
        if (FAILED(suite::tools::QuoteToolPath(location, quotedLocation))) {
            result = E_FAIL;
            throw HRException();
        }

        std::wstring text = quotedLocation;
        for (const wchar_t* piece : {shape.afterLocation, deviceSuffix, shape.afterDevice, includePiece})
            text += piece;
        CoTaskString line = CoTaskString::copy_of(text.c_str(), text.size());
        if (!line) {
            result = E_OUTOFMEMORY;
            throw HRException();
        }
        *commandLine = line.release();
    } catch (const HRException&) {
        // result holds the failure; the temporaries are gone with the scope.
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    return result;
}

HRESULT ParseToolMessage(LPWSTR* file, ULONG* line, ULONG* column, LPCWSTR message) noexcept {
    return static_cast<HRESULT>(
        suite::tool_message::ParseToolMessage(file, line, column, message, &allocate_task_string));
}

} // namespace suite::tools
