#include "cs_tarniv.h"

#include "build_driver.h"

#include <cwchar>

namespace {

// The add-files dialog's filter for each folder, as an index into the
// dialog's descriptions.
struct FolderDialogIndex {
    FileCat folder;
    int index;
};
constexpr FolderDialogIndex kFolderDialogIndexes[] = {
    {FCAT_SRC, 1}, {FCAT_INC, 4}, {FCAT_OBJ, 6}, {FCAT_LIB, 7}, {FCAT_LKR, 5},
};

// Answers of QueryPathTypeFlag for PT_BIN to PT_LKR.
constexpr HRESULT kReadFlagAnswers[] = {S_FALSE, S_FALSE, E_INVALIDARG, S_FALSE, E_INVALIDARG, S_FALSE};
constexpr HRESULT kSearchFlagAnswers[] = {S_OK, S_OK, S_FALSE, S_OK, S_OK, S_FALSE};

// The device name that stands for every device of the family.
constexpr wchar_t kGenericDeviceName[] = L"18xxxx";

} // namespace

HRESULT CS_TARNIV::GetVisibleFolders(VisibleFolderFlag* flags) {
    if (!flags)
        return E_POINTER;
    *flags = static_cast<VisibleFolderFlag>(VFF_SRC | VFF_INC | VFF_OBJ | VFF_LIB);
    return S_OK;
}

HRESULT CS_TARNIV::GetCLSIDOfToolForSuffix(GUID*** toolClasses, unsigned long* count, LPCWSTR suffix) {
    if (!toolClasses || !count || !suffix)
        return E_POINTER;
    const suite::SourceTool* entry = suite::source_tool_for(std::wstring_view(suffix));
    if (!entry)
        return S_FALSE;
    // The array is the caller's to free; the CLSIDs are constants of the suite.
    auto* array = static_cast<GUID**>(CoTaskMemAlloc(sizeof(GUID*)));
    if (!array)
        return E_OUTOFMEMORY;
    array[0] = const_cast<GUID*>(kToolClasses[entry->tool]);
    *toolClasses = array;
    *count = 1;
    return S_OK;
}

HRESULT CS_TARNIV::GetFileDialogStringIndex(int* index, FileCat folder) {
    if (!index)
        return E_POINTER;
    for (const FolderDialogIndex& entry : kFolderDialogIndexes) {
        if (entry.folder == folder) {
            *index = entry.index;
            return S_OK;
        }
    }
    return S_FALSE;
}

HRESULT CS_TARNIV::ApplyDefaultPaths(DWORD, IProject* project) {
    if (!project)
        return E_INVALIDARG;
    for (int type = PT_BIN; type <= PT_LIB; ++type)
        project->SetPath(default_path(type), static_cast<PathType>(type));
    return S_OK;
}

HRESULT CS_TARNIV::IsGenericDeviceName(DWORD, LPCWSTR device) {
    if (!device)
        return E_INVALIDARG;
    return _wcsicmp(device, kGenericDeviceName) == 0 ? S_OK : S_FALSE;
}

HRESULT CS_TARNIV::QueryPathTypeFlag(PathType type, DWORD letter) {
    const HRESULT* answers = nullptr;
    switch (LOWORD(letter)) {
    case L'R':
    case L'r':
        answers = kReadFlagAnswers;
        break;
    case L'S':
    case L's':
        answers = kSearchFlagAnswers;
        break;
    default:
        return E_INVALIDARG;
    }
    if (type < PT_BIN || type > PT_LKR)
        return E_INVALIDARG;
    return answers[type - PT_BIN];
}
