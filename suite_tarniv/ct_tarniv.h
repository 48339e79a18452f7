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

} // namespace suite::tools

class CT_TARNIVas final : public CT_Base<CT_TARNIVas, &CLSID_T_TARNIV18as, kAssemblerInternalName,
                                         kAssemblerDisplayName, &CLSID_TA_TARNIV18as> {
public:
    // Unwinds GenCmdLine to its exit; the result is kept in a local.
    struct HRException {};

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* commandLine, ULONG op, _PlatInfo* platform,
                                         IProject* project) override;
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR* file, ULONG* line, ULONG* column,
                                                   LPCWSTR message) override;
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int code) override;
};

class CT_TARNIVcc final : public CT_Base<CT_TARNIVcc, &CLSID_T_TARNIV18cc, kCompilerInternalName,
                                         kCompilerDisplayName, &CLSID_TA_TARNIV18cc> {
public:
    struct HRException {};

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* commandLine, ULONG op, _PlatInfo* platform,
                                         IProject* project) override;
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR* file, ULONG* line, ULONG* column,
                                                   LPCWSTR message) override;
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int code) override;
};

class CT_TARNIVld final : public CT_Base<CT_TARNIVld, &CLSID_T_TARNIV18ld, kLinkerInternalName,
                                         kLinkerDisplayName, &CLSID_TA_TARNIV18ld> {
public:
    struct HRException {};

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* commandLine, ULONG op, _PlatInfo* platform,
                                         IProject* project) override;
    // The linker's messages name no source position: S_FALSE, nothing written.
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR* file, ULONG* line, ULONG* column,
                                                   LPCWSTR message) override;
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int code) override;
};
