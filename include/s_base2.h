// The suite framework: CS_Base2 is the suite object the host talks to first.
// It names the toolchain, hands out the tools and a suite-arguments object,
// describes the project folders and the add-files dialog, keeps the suite's
// default directories and adds the build commands to menus and toolbar.
//
// A concrete suite derives from it, names its number of tools and supplies
// the toolchain's constant tables (kDisplayName, kInternalName, kToolClasses,
// kFolderFilters, kFileDialogStrings, kDefaultPathValueNames, kToolbarBitmap)
// and the operations that depend on its toolchain: Process, Build, Make,
// GetVisibleFolders, GetCLSIDOfToolForSuffix, GetFileDialogStringIndex,
// ApplyDefaultPaths, IsGenericDeviceName and QueryPathTypeFlag.
#pragma once

#include "com_object.h"
#include "lsc.h"
#include "s_base2_menu.h"
#include "xlogged.h"

#include <array>
#include <cstddef>
#include <iterator>
#include <new>
#include <utility>

namespace suite::s_base2 {

// Every buffer holding a default directory: 260 characters and a terminator.
inline constexpr size_t kPathCapacity = 261;
inline constexpr size_t kPathMaxLength = kPathCapacity - 1;

// A task-allocated copy of text into *out: E_POINTER, E_OUTOFMEMORY or S_OK.
HRESULT copy_out(const wchar_t* text, LPWSTR* out) noexcept;

// A task-allocated buffer of kPathCapacity characters holding text, which
// must be at most kPathMaxLength characters long.
HRESULT path_buffer_copy(const wchar_t* text, CoTaskString& out) noexcept;

// Reads, or writes, paths[i] as the string value valueNames[i] of the tool
// locations key, for every i whose name is not null. Registry failures are
// logged and otherwise silent.
// E_ACCESSDENIED when the registry refuses the key (or, saving, a value):
// the paths, or the stored values, then keep what they held.
HRESULT load_default_paths(const char* const* valueNames, CoTaskString* paths, size_t count) noexcept;
HRESULT save_default_paths(const char* const* valueNames, const CoTaskString* paths, size_t count) noexcept;

// Loads the toolbar bitmap twice (small and large buttons) from the module's
// resources and hands both copies to the toolbar, which keeps its own.
HRESULT add_toolbar_bitmap(IToolbar* toolbar, UINT bitmapId) noexcept;
// The separator and the build command buttons; their images start at imageBase.
void add_toolbar_controls(IToolbar* toolbar, long imageBase) noexcept;
void remove_toolbar_controls(IToolbar* toolbar) noexcept;

} // namespace suite::s_base2

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
class CS_Base2 : public suite::com::Object<Derived, ISuiteEx, IPersist, IExtendToolbar> {
public:
    // Unwinds to an operation's common exit; the HRESULT stays in a local.
    struct HRException {};

    static constexpr UINT kRegistryScript = ScriptId;
    // The toolchain's tools, in the order of Derived::kToolClasses.
    static constexpr size_t kToolCount = ToolCount;

    // ISuite (Process, Build, Make and the toolchain's answers come from Derived)
    HRESULT STDMETHODCALLTYPE GetMainCmds(IExtendMenu** out) override { return hand_out(mainMenu_, out); }
    HRESULT STDMETHODCALLTYPE GetProjectCmds(IExtendMenu** out) override {
        return hand_out(projectMenu_, out);
    }
    HRESULT STDMETHODCALLTYPE GetFileCmds(IExtendMenu** out) override { return hand_out(fileMenu_, out); }
    HRESULT STDMETHODCALLTYPE SetMainMenuInsertionPoint(unsigned int id) override {
        mainMenu_.set_insertion_point(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetProjectMenuInsertionPoint(unsigned int id) override {
        projectMenu_.set_insertion_point(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetFileMenuInsertionPoint(unsigned int id) override {
        fileMenu_.set_insertion_point(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddToolbarBitmap(IToolbar* toolbar, unsigned int* controlCount) override;
    HRESULT STDMETHODCALLTYPE GetNumTools(unsigned long* count) override {
        if (!count)
            return E_POINTER;
        *count = kToolCount;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTool(unsigned long index, ITool** out) override;
    HRESULT STDMETHODCALLTYPE CreateArgs(ISuiteArgs** out) override;
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* out) override {
        return suite::s_base2::copy_out(Derived::kDisplayName, out);
    }
    HRESULT STDMETHODCALLTYPE GetInternalName(LPWSTR* out) override {
        return suite::s_base2::copy_out(Derived::kInternalName, out);
    }
    HRESULT STDMETHODCALLTYPE GetFolderFilter(FileCat folder, LPWSTR* out) override;
    HRESULT STDMETHODCALLTYPE ResetFileDialogString() override {
        dialogCursor_ = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFileDialogString(LPWSTR* out) override;
    HRESULT STDMETHODCALLTYPE LoadToolLocations() override { return for_each_tool(&ITool::LoadLocation); }
    HRESULT STDMETHODCALLTYPE SaveToolLocations() override { return for_each_tool(&ITool::SaveLocation); }
    HRESULT STDMETHODCALLTYPE SetManager(IProjectManager* manager) override {
        manager_ = suite::ComPtr<IProjectManager>(manager);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unload() override;

    // ISuiteEx (ApplyDefaultPaths, IsGenericDeviceName, QueryPathTypeFlag come from Derived)
    HRESULT STDMETHODCALLTYPE GetDefaultPath(LPWSTR* out, int index) override;
    HRESULT STDMETHODCALLTYPE SetDefaultPath(LPCWSTR path, int index) override;
    HRESULT STDMETHODCALLTYPE LoadDefaultPaths() override {
        return suite::s_base2::load_default_paths(Derived::kDefaultPathValueNames, defaultPaths_,
                                                  PT_NUM_PATH_TYPES);
    }
    HRESULT STDMETHODCALLTYPE SaveDefaultPaths() override {
        return suite::s_base2::save_default_paths(Derived::kDefaultPathValueNames, defaultPaths_,
                                                  PT_NUM_PATH_TYPES);
    }

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override {
        if (!out)
            return E_POINTER;
        *out = SuiteClsid;
        return S_OK;
    }

    // IExtendToolbar
    HRESULT STDMETHODCALLTYPE AddControls(IToolbar* toolbar) override {
        if (!toolbar)
            return E_POINTER;
        suite::s_base2::add_toolbar_controls(toolbar, toolbarImageBase_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveControls(IToolbar* toolbar) override {
        if (!toolbar)
            return E_POINTER;
        suite::s_base2::remove_toolbar_controls(toolbar);
        return S_OK;
    }
    // A toolbar button does what the main menu's item of the same id does.
    HRESULT STDMETHODCALLTYPE Command(DWORD, long id, DWORD) override {
        return mainMenu_.Command(nullptr, id);
    }
    HRESULT STDMETHODCALLTYPE UpdateDisplay(IToolbar* toolbar, unsigned int id) override {
        if (!toolbar)
            return E_POINTER;
        toolbar->SetItemState(id, suite::build_command_state(manager_.get()));
        return S_OK;
    }

protected:
    CS_Base2();
    // Destruction releases neither the manager nor the tools: that is Unload's work.
    ~CS_Base2() override = default;

    // --- For the concrete suite and its build driver ---
    IProjectManager* manager() const noexcept { return manager_.get(); }
    // Default directory index (a PathType); never null.
    const wchar_t* default_path(int index) const noexcept { return defaultPaths_[index].c_str(); }
    // A tool of the process-wide table, or null when it could not be created.
    static ITool* tool(size_t index) noexcept { return tool_table()[index].get(); }

private:
    using ToolTable = std::array<suite::ComPtr<ITool>, kToolCount>;

    // The tools are shared by every suite object of the process: each new
    // suite replaces them and any suite's Unload releases them. The table is
    // deliberately never destroyed: releasing objects of other modules while
    // this one unloads is not safe, so the references end with Unload.
    static ToolTable& tool_table() noexcept {
        static ToolTable* const table = new ToolTable();
        return *table;
    }
    // Set once the toolbar bitmap went to the host; one bitmap per process.
    static inline bool bitmapAdded_ = false;

    // Calls operation on every tool that exists, in table order; the tools'
    // results are theirs to report.
    // Every tool that exists, in table order; the first failure, else S_OK.
    static HRESULT for_each_tool(HRESULT (STDMETHODCALLTYPE ITool::*operation)()) {
        HRESULT first = S_OK;
        for (const suite::ComPtr<ITool>& entry : tool_table()) {
            const HRESULT result = entry ? (entry.get()->*operation)() : S_OK;
            if (FAILED(result) && SUCCEEDED(first))
                first = result;
        }
        return first;
    }

    static HRESULT hand_out(suite::MenuExtension& menu, IExtendMenu** out) noexcept {
        return menu.QueryInterface(__uuidof(IExtendMenu), reinterpret_cast<void**>(out));
    }

    suite::ComPtr<IProjectManager> manager_;
    suite::MenuExtension mainMenu_{manager_, suite::MenuKind::Main};
    suite::MenuExtension projectMenu_{manager_, suite::MenuKind::Project};
    suite::MenuExtension fileMenu_{manager_, suite::MenuKind::File};
    int dialogCursor_ = 0;
    long toolbarImageBase_ = 0;
    suite::CoTaskString defaultPaths_[PT_NUM_PATH_TYPES];
};

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::CS_Base2() {
    static_assert(std::size(Derived::kToolClasses) == kToolCount);
    static_assert(std::size(Derived::kDefaultPathValueNames) == PT_NUM_PATH_TYPES);
    ToolTable& tools = tool_table();
    for (size_t i = 0; i < tools.size(); ++i) {
        // A tool that cannot be created leaves its entry empty.
        suite::ComPtr<ITool> created;
        if (FAILED(CreateWithLegacyFallback(*Derived::kToolClasses[i], suite::kClassContext, __uuidof(ITool),
                                            created.put_void())))
            created = nullptr;
        tools[i] = std::move(created);
    }
    for (suite::CoTaskString& path : defaultPaths_) {
        path = suite::CoTaskString::copy_of(L"");
        if (!path)
            throw std::bad_alloc();
    }
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::AddToolbarBitmap(
    IToolbar* toolbar, unsigned int* controlCount) {
    if (bitmapAdded_)
        return S_OK;
    HRESULT hr = S_OK;
    try {
        if (!toolbar || !controlCount) {
            hr = E_POINTER;
            throw HRException();
        }
        hr = suite::s_base2::add_toolbar_bitmap(toolbar, Derived::kToolbarBitmap);
        if (FAILED(hr))
            throw HRException();
        toolbarImageBase_ = static_cast<long>(*controlCount);
        *controlCount += suite::build_commands::kToolbarButtonCount;
        bitmapAdded_ = true;
    } catch (const HRException&) {
    }
    return hr;
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::GetTool(unsigned long index,
                                                                                    ITool** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (index >= kToolCount)
        return E_FAIL;
    tool_table()[index].copy_to(out);
    return *out ? S_OK : S_FALSE;
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::CreateArgs(ISuiteArgs** out) {
    if (out)
        *out = nullptr;
    return CreateWithLegacyFallback(SuiteArgsClsid, suite::kClassContext, __uuidof(ISuiteArgs),
                                    reinterpret_cast<void**>(out));
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::GetFolderFilter(FileCat folder,
                                                                                            LPWSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (static_cast<size_t>(static_cast<unsigned>(folder)) >= std::size(Derived::kFolderFilters))
        return E_FAIL;
    return suite::s_base2::copy_out(Derived::kFolderFilters[folder], out);
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::GetFileDialogString(LPWSTR* out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    constexpr size_t count = std::size(Derived::kFileDialogStrings);
    // Past the last string: the caller missed the S_FALSE and must reset first.
    if (dialogCursor_ < 0 || static_cast<size_t>(dialogCursor_) >= count)
        return E_FAIL;
    const HRESULT hr = suite::s_base2::copy_out(Derived::kFileDialogStrings[dialogCursor_], out);
    if (FAILED(hr))
        return hr;
    ++dialogCursor_;
    return static_cast<size_t>(dialogCursor_) == count ? S_FALSE : S_OK;
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::Unload() {
    manager_ = nullptr;
    for (suite::ComPtr<ITool>& entry : tool_table())
        entry = nullptr;
    return S_OK;
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::GetDefaultPath(LPWSTR* out,
                                                                                           int index) {
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    if (index < 0 || index >= PT_NUM_PATH_TYPES)
        return E_INVALIDARG;
    suite::CoTaskString copy;
    const HRESULT hr = suite::s_base2::path_buffer_copy(defaultPaths_[index].c_str(), copy);
    if (SUCCEEDED(hr))
        *out = copy.release();
    return hr;
}

template <class Derived, const CLSID& SuiteClsid, const CLSID& SuiteArgsClsid, UINT ScriptId,
          size_t ToolCount>
HRESULT CS_Base2<Derived, SuiteClsid, SuiteArgsClsid, ScriptId, ToolCount>::SetDefaultPath(LPCWSTR path,
                                                                                           int index) {
    HRESULT hr = S_OK;
    try {
        // A path the buffers cannot hold whole is refused, not cut.
        if (!path || index < 0 || index >= PT_NUM_PATH_TYPES ||
            wcslen(path) > suite::s_base2::kPathMaxLength) {
            hr = E_INVALIDARG;
            throw HRException();
        }
        suite::CoTaskString copy;
        hr = suite::s_base2::path_buffer_copy(path, copy);
        if (FAILED(hr))
            throw HRException();
        defaultPaths_[index] = std::move(copy);
    } catch (const HRException&) {
    }
    return hr;
}
