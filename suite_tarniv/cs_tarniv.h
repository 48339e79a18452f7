// The TARNIV VELC-18 suite object (coclass S_TARNIV18): the suite framework
// with the toolchain's tables and answers, and its build driver.
#pragma once

#include "resource.h"
#include "s_base2.h"

class CS_TARNIV : public CS_Base2<CS_TARNIV, CLSID_S_TARNIV18, CLSID_SA_TARNIV18, IDR_S_TARNIV18, 3> {
public:
    // Unwinds to an operation's common exit; the HRESULT stays in a local.
    struct HRException {};

    // --- The toolchain's constant tables, read by the framework ---
    static constexpr const wchar_t* kDisplayName = L"TARNIV VELC-18 Toolsuite";
    static constexpr const wchar_t* kInternalName = L"CS_TARNIV18";
    // In tool-table order (BuildDriver::ToolIndex): assembler, C compiler, linker.
    static constexpr const CLSID* kToolClasses[] = {&CLSID_T_TARNIV18as, &CLSID_T_TARNIV18cc,
                                                    &CLSID_T_TARNIV18ld};
    // By FileCat, for the filtered folders FCAT_SRC to FCAT_LKR.
    static constexpr const wchar_t* kFolderFilters[] = {L"*.as;*.c", L"*.h;", L"*.obj", L"*.lib", L""};
    // The add-files dialog: description and pattern pairs.
    static constexpr const wchar_t* kFileDialogStrings[] = {
        L"All Source Files (*.as;*.c;*.h)",
        L"*.as;*.c;*.h",
        L"Assembly Source Files (*.as)",
        L"*.as;",
        L"C Source Files (*.c)",
        L"*.c",
        L"Header Files (*.h)",
        L"*.h",
        L"Object Files (*.obj)",
        L"*.obj",
        L"Library Files (*.lib)",
        L"*.lib",
        L"All Files (*.*)",
        L"*.*",
    };
    // Registry value of each default directory, by PathType; null: not stored.
    static constexpr const char* kDefaultPathValueNames[PT_NUM_PATH_TYPES] = {
        nullptr,
        "S_TARNIV18_dir_bin",
        "S_TARNIV18_dir_tmp",
        "S_TARNIV18_dir_ain",
        "S_TARNIV18_dir_inc",
        "S_TARNIV18_dir_lib",
        nullptr,
    };
    static constexpr UINT kToolbarBitmap = IDB_TOOLBAR;

    CS_TARNIV() = default;

    // ISuite: the toolchain's answers
    HRESULT STDMETHODCALLTYPE GetVisibleFolders(VisibleFolderFlag* flags) override;
    HRESULT STDMETHODCALLTYPE GetCLSIDOfToolForSuffix(GUID*** toolClasses, unsigned long* count,
                                                      LPCWSTR suffix) override;
    HRESULT STDMETHODCALLTYPE GetFileDialogStringIndex(int* index, FileCat folder) override;

    // ISuiteEx: the toolchain's answers
    HRESULT STDMETHODCALLTYPE ApplyDefaultPaths(DWORD, IProject* project) override;
    HRESULT STDMETHODCALLTYPE IsGenericDeviceName(DWORD, LPCWSTR device) override;
    HRESULT STDMETHODCALLTYPE QueryPathTypeFlag(PathType type, DWORD letter) override;

    // --- Build driver (build_driver.cpp) ---
    HRESULT STDMETHODCALLTYPE Process(unsigned long command, _NodeTag* inputs, unsigned long inputCount,
                                      IProject* project, IProjectManager* manager) override;
    HRESULT STDMETHODCALLTYPE Build(_NodeTag* inputs, unsigned long inputCount, IProject* project,
                                    IProjectManager* manager) override;
    HRESULT STDMETHODCALLTYPE Make(_NodeTag* inputs, unsigned long inputCount, IProject* project,
                                   IProjectManager* manager) override;

protected:
    ~CS_TARNIV() override = default;
};
