#include "ct_tarniv.h"

#include "tool_message.h"

#include <cwchar>
#include <initializer_list>
#include <new>
#include <string>

namespace {

using suite::CoTaskString;

// What differs between the three base command lines. The pieces are written
// in order: quoted location, afterLocation, device suffix, afterDevice and,
// for tools with an include directory, includeOption when the project has
// such a directory.
struct ToolLine {
    const wchar_t* afterLocation;
    const wchar_t* afterDevice;
    bool readsIncludePath;
    PathType includePath;
    const wchar_t* includeOption;
};

const ToolLine kAssemblerLine = {
    L" -Q -VESKA -C -",
    L" \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\" -E\"$(TMPDIR_)$(INFILEBASE).ase\"",
    true,
    PT_AIN,
    L" -I$(AINDIR)",
};

const ToolLine kCompilerLine = {
    L" -Q -VESKA -C -E\"$(TMPDIR_)$(INFILEBASE).cce\" -",
    L" \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\"",
    true,
    PT_INC,
    L" -I$(INCDIR)",
};

const ToolLine kLinkerLine = {
    L" -Q -VESKA -E\"$(TMPDIR_)$(TARGETBASE).lde\" -", L" $(OBJSANDLIBS)", false, PT_SRC, L"",
};

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

// The base command line of one tool; Marker is the tool's HRException.
template <class Marker>
HRESULT generate_command_line(const ToolLine& shape, const wchar_t* location, LPWSTR* commandLine,
                              const _PlatInfo* platform, IProject* project) noexcept {
    HRESULT result = S_OK;
    try {
        if (!commandLine) {
            result = E_POINTER;
            throw Marker();
        }
        *commandLine = nullptr;

        if (!names_existing_file(location)) {
            result = TOOL_E_NOTLOCATED;
            throw Marker();
        }

        // No record or no device name: no device of the family is selected.
        const wchar_t* device = platform ? platform->pwszName : nullptr;
        if (!device || wcsncmp(device, kDeviceFamily, kDeviceFamilyLength) != 0) {
            result = TOOL_E_UNSUPPORTEDDEVICE;
            throw Marker();
        }
        const wchar_t* deviceSuffix = device + kDeviceFamilyLength;

        // Without the project's answer there is no telling whether the include
        // option belongs in the line: the step fails rather than guess.
        const wchar_t* includePiece = L"";
        if (shape.readsIncludePath) {
            if (!project) {
                result = E_INVALIDARG;
                throw Marker();
            }
            CoTaskString includePath;
            result = project->GetPath(includePath.put(), shape.includePath);
            if (FAILED(result))
                throw Marker();
            result = S_OK;
            if (!includePath.empty())
                includePiece = shape.includeOption;
        }

        std::wstring quotedLocation;
        if (FAILED(suite::tools::QuoteToolPath(location, quotedLocation))) {
            result = E_FAIL;
            throw Marker();
        }

        std::wstring text = quotedLocation;
        for (const wchar_t* piece : {shape.afterLocation, deviceSuffix, shape.afterDevice, includePiece})
            text += piece;
        CoTaskString line = CoTaskString::copy_of(text.c_str(), text.size());
        if (!line) {
            result = E_OUTOFMEMORY;
            throw Marker();
        }
        *commandLine = line.release();
    } catch (const Marker&) {
        // result holds the failure; the temporaries are gone with the scope.
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    return result;
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

HRESULT ParseToolMessage(LPWSTR* file, ULONG* line, ULONG* column, LPCWSTR message) noexcept {
    return static_cast<HRESULT>(
        suite::tool_message::ParseToolMessage(file, line, column, message, &allocate_task_string));
}

} // namespace suite::tools

HRESULT CT_TARNIVas::GenCmdLine(LPWSTR* commandLine, ULONG, _PlatInfo* platform, IProject* project) {
    return generate_command_line<HRException>(kAssemblerLine, location(), commandLine, platform, project);
}

HRESULT CT_TARNIVas::TranslateToolMessage(LPWSTR* file, ULONG* line, ULONG* column, LPCWSTR message) {
    return suite::tools::ParseToolMessage(file, line, column, message);
}

HRESULT CT_TARNIVas::EvalReturnCode(int code) {
    return suite::tools::EvaluateExitCode(code);
}

HRESULT CT_TARNIVcc::GenCmdLine(LPWSTR* commandLine, ULONG, _PlatInfo* platform, IProject* project) {
    return generate_command_line<HRException>(kCompilerLine, location(), commandLine, platform, project);
}

HRESULT CT_TARNIVcc::TranslateToolMessage(LPWSTR* file, ULONG* line, ULONG* column, LPCWSTR message) {
    return suite::tools::ParseToolMessage(file, line, column, message);
}

HRESULT CT_TARNIVcc::EvalReturnCode(int code) {
    return suite::tools::EvaluateExitCode(code);
}

HRESULT CT_TARNIVld::GenCmdLine(LPWSTR* commandLine, ULONG, _PlatInfo* platform, IProject*) {
    return generate_command_line<HRException>(kLinkerLine, location(), commandLine, platform, nullptr);
}

HRESULT CT_TARNIVld::TranslateToolMessage(LPWSTR*, ULONG*, ULONG*, LPCWSTR) {
    return S_FALSE;
}

HRESULT CT_TARNIVld::EvalReturnCode(int code) {
    return suite::tools::EvaluateExitCode(code);
}
