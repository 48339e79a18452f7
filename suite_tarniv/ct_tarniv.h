// The three build tools of the TARNIV VELC-18 toolchain. One driver,
// velc18.exe, does all three steps; the tools differ in the fixed text of
// their command lines, the project directory they consult and whether they
// read the driver's messages.
#pragma once

#include "ct_base.h"

#include <string>

inline constexpr wchar_t kAssemblerInternalName[] = L"T_TARNIV18as";
inline constexpr wchar_t kCompilerInternalName[] = L"T_TARNIV18cc";
inline constexpr wchar_t kLinkerInternalName[] = L"T_TARNIV18ld";

inline constexpr wchar_t kAssemblerDisplayName[] = L"TARNIV18 Assembler (velc18.exe)";
inline constexpr wchar_t kCompilerDisplayName[] = L"TARNIV18 C Compiler (velc18.exe)";
inline constexpr wchar_t kLinkerDisplayName[] = L"TARNIV18 Linker (velc18.exe)";

namespace suite::tools {

// The location as it opens a command line: put in double quotes unless it is
// empty or already quoted at both ends. E_FAIL for a quote at one end only,
// or when memory runs out.
HRESULT QuoteToolPath(const wchar_t* location, std::wstring& quoted) noexcept;

// The source file and line a driver message refers to (see tool_message.h);
// the file comes from the task allocator and belongs to the caller.
HRESULT ParseToolMessage(LPWSTR* file, ULONG* line, ULONG* column, LPCWSTR message) noexcept;

// The driver's exit code: 0 is success (S_OK), anything else failure (S_FALSE).
inline HRESULT EvaluateExitCode(int code) noexcept {
    return code == 0 ? S_OK : S_FALSE;
}

// What differs between the tools' base command lines. The pieces are written
// in order: quoted location, afterLocation, device suffix, afterDevice and,
// for tools with an include directory, includeOption when the project has
// such a directory.
struct ToolLine {
    const wchar_t* afterLocation;
    const wchar_t* afterDevice;
    bool readsIncludePath;
    PathType includePath;
    const wchar_t* includeOption;
    // Whether the driver's messages name a source position for this tool.
    bool readsMessages;
};

inline constexpr ToolLine kAssemblerLine = {
    L" -Q -VESKA -C -",
    L" \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\" -E\"$(TMPDIR_)$(INFILEBASE).ase\"",
    true,
    PT_AIN,
    L" -I$(AINDIR)",
    true,
};

inline constexpr ToolLine kCompilerLine = {
    L" -Q -VESKA -C -E\"$(TMPDIR_)$(INFILEBASE).cce\" -",
    L" \"$(INFILE)\" -O\"$(TMPDIR_)$(INFILEBASE).obj\"",
    true,
    PT_INC,
    L" -I$(INCDIR)",
    true,
};

// The linker's messages name no source position.
inline constexpr ToolLine kLinkerLine = {
    L" -Q -VESKA -E\"$(TMPDIR_)$(TARGETBASE).lde\" -", L" $(OBJSANDLIBS)", false, PT_SRC, L"", false,
};

// The base command line of the tool at location for the device of platform.
HRESULT GenerateCommandLine(const ToolLine& shape, const wchar_t* location, LPWSTR* commandLine,
                            const _PlatInfo* platform, IProject* project) noexcept;

} // namespace suite::tools

// A tool of the suite: the framework's tool with the tool's line.
template <class Derived, const CLSID* ToolClass, const wchar_t* InternalName, const wchar_t* DisplayName,
          const CLSID* ArgsClass, const suite::tools::ToolLine& Line>
class CT_TARNIV : public CT_Base<Derived, ToolClass, InternalName, DisplayName, ArgsClass> {
public:
    // Unwinds an operation to its exit; the result is kept in a local.
    struct HRException {};

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* commandLine, ULONG, _PlatInfo* platform,
                                         IProject* project) override {
        return suite::tools::GenerateCommandLine(Line, this->location(), commandLine, platform, project);
    }
    // S_FALSE, nothing written, for a tool whose messages name no source position.
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR* file, ULONG* line, ULONG* column,
                                                   LPCWSTR message) override {
        return Line.readsMessages ? suite::tools::ParseToolMessage(file, line, column, message) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int code) override {
        return suite::tools::EvaluateExitCode(code);
    }
};

class CT_TARNIVas final
    : public CT_TARNIV<CT_TARNIVas, &CLSID_T_TARNIV18as, kAssemblerInternalName, kAssemblerDisplayName,
                       &CLSID_TA_TARNIV18as, suite::tools::kAssemblerLine> {};

class CT_TARNIVcc final
    : public CT_TARNIV<CT_TARNIVcc, &CLSID_T_TARNIV18cc, kCompilerInternalName, kCompilerDisplayName,
                       &CLSID_TA_TARNIV18cc, suite::tools::kCompilerLine> {};

class CT_TARNIVld final
    : public CT_TARNIV<CT_TARNIVld, &CLSID_T_TARNIV18ld, kLinkerInternalName, kLinkerDisplayName,
                       &CLSID_TA_TARNIV18ld, suite::tools::kLinkerLine> {};
