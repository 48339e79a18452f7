// Recording stand-ins for the host objects the suite talks to (manager,
// display, project, menu, toolbar) and for the tool and suite-arguments
// classes the suite creates. Unused host methods answer E_NOTIMPL.
#pragma once

#include "com_object.h"

#include <functional>
#include <string>
#include <vector>

namespace suite_test {

using suite::ComPtr;

inline std::wstring text_of(const wchar_t* text) {
    return text ? std::wstring(text) : std::wstring(L"<null>");
}

// Reference count of an object, read by a balanced AddRef/Release.
inline ULONG ref_count(IUnknown* object) {
    object->AddRef();
    return object->Release();
}

class FakeProject : public suite::com::Object<FakeProject, IProject> {
public:
    struct PathCall {
        std::wstring path;
        PathType type;
    };
    std::vector<PathCall> setPathCalls;

    HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR path, PathType type) override {
        setPathCalls.push_back({text_of(path), type});
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR*, _NodeTag*, unsigned long, unsigned long,
                                         _PlatInfo*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE LoadProjectFile(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveProjectFile(unsigned long, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clean() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveAllNodes() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetManager(IProjectManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDisplay(IProjectDisplay*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNumNodes(unsigned long*, FileCat) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertNode(IProjectNode*, FileCat*, unsigned long*, long) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveNode(FileCat, unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNode(IProjectNode**, FileCat, unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSuiteArgs(ISuiteArgs**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProjectToolArgsByCLSID(GUID*, IToolArgs**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProjectToolArgsByIndex(unsigned int, IToolArgs**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetFileToolArgsByCLSID(FileCat, unsigned long, GUID*, IToolArgs**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetFileToolArgsByIndex(FileCat, unsigned long, unsigned int,
                                                     IToolArgs**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetFileToolArgsBySuffix(IToolArgs***, unsigned long*, FileCat,
                                                      unsigned long) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetFolderSuffix(LPWSTR*, FileCat) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetFolderSuffix(LPCWSTR, FileCat) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SortBySuffix() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetLocation(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLocation(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProjectDirectory(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPath(LPWSTR*, PathType) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSuite(ISuite**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSuite(ISuite*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR*, unsigned long*, unsigned long*, LPCWSTR,
                                                   GUID*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE NotifyBufferModified(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsBuildRequired() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBuildRequired(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsSaveRequired() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CheckFileTimestamps() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Unload() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsStable() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetStable(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetDefaultNodesStable(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetToolLocStamp(LPWSTR*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetToolLocStamp(LPCWSTR, LPCWSTR) override { return E_NOTIMPL; }
};

class FakeDisplay : public suite::com::Object<FakeDisplay, IProjectDisplay> {
public:
    // What GetCurrentNodeTag reports as selected.
    _NodeTag currentTag{-1, -1, -1};

    HRESULT STDMETHODCALLTYPE GetCurrentNodeTag(_NodeTag* tag) override {
        *tag = currentTag;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetVisibility() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetVisibility(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetManager(IProjectManager*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWorkspaceName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWorkspaceName(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProjectName(unsigned long, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProjectName(unsigned long, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertProject(IProject*, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveProject(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveProject(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RefreshProject(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SortFilteredFolders(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertNode(IProjectNode*, unsigned long, FileCat, unsigned long*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RemoveNode(_NodeTag) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetReqSave(unsigned long, long) override { return E_NOTIMPL; }
};

class FakeManager : public suite::com::Object<FakeManager, IProjectManager> {
public:
    struct ProcessCall {
        unsigned long command;
        _NodeTag tag;
        unsigned long inputCount;
        IProject* project;
        IProjectManager* manager;
    };
    std::vector<ProcessCall> processCalls;
    HRESULT processResult = S_OK;

    ComPtr<FakeDisplay> display = suite::com::make<FakeDisplay>();
    HRESULT displayResult = S_OK;
    int activeProject = 0;
    HRESULT activeProjectResult = S_OK;
    std::vector<ComPtr<FakeProject>> projects;
    HRESULT buildIsUnderway = S_FALSE;

    HRESULT STDMETHODCALLTYPE Process(unsigned long command, _NodeTag* tag, unsigned long inputCount,
                                      IProject* project, IProjectManager* manager) override {
        processCalls.push_back({command, *tag, inputCount, project, manager});
        return processResult;
    }
    HRESULT STDMETHODCALLTYPE GetDisplay(IProjectDisplay** out) override {
        *out = nullptr;
        if (FAILED(displayResult))
            return displayResult;
        IProjectDisplay* handed = display.get();
        handed->AddRef();
        *out = handed;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetActiveProjectIndex(int* index) override {
        *index = activeProject;
        return activeProjectResult;
    }
    HRESULT STDMETHODCALLTYPE GetProject(IProject** out, unsigned long index) override {
        *out = nullptr;
        if (index >= projects.size())
            return E_INVALIDARG;
        IProject* handed = projects[index].get();
        handed->AddRef();
        *out = handed;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE BuildIsUnderway() override { return buildIsUnderway; }

    HRESULT STDMETHODCALLTYPE QuickBuild(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Build() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPlatInfo(_PlatInfo*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ExecuteCmdLine(LPCWSTR, unsigned long*, GUID*, IProject*, ECLFlag) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE WriteBuildMessage(LPCWSTR, GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNumSuites(unsigned long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSuite(unsigned long, ISuite**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetSuiteWithGUID(GUID*, ISuite**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNumProjects(unsigned long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMaxProjects(unsigned long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetActiveProjectIndex(int) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIndexOfProject(unsigned long*, IProject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertProject(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InsertNewProject(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveProject(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyBuildStarted(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyBuildSucceeded(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetWorkspaceName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetWorkspaceName(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetProjectName(unsigned long, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetProjectName(unsigned long, LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsInQuickMode() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyBufferModified(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsBuildRequired() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CheckFileTimestamps() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveAllFiles(long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIShowInsertFilesDialog(_NodeTag) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIShowProjectSettingsSheet(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIShowFileSettingsSheet(_NodeTag) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIShowSelectSuiteDialog(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIShowLocateToolsDialog() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIProjectSave(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UIProjectRemove(unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveNode(_NodeTag) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetSuite(ISuite*, unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPreference(unsigned char*, unsigned long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockMemory() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockMemory() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetBuildIsUnderway(long) override { return E_NOTIMPL; }
};

class FakeMenu : public suite::com::Object<FakeMenu, IMenu> {
public:
    struct Item {
        long commandId;
        long insertionPointField;
        long flags;
        long specialFlags;
        long state;
        std::wstring name;
        std::wstring statusBarText;
        unsigned short hotKey;
        unsigned char hotKeyModifier;
    };
    std::vector<Item> inserted;       // InsertItemBeforeID calls, in order
    std::vector<long> insertedBefore; // their reference ids
    std::vector<long> removed;
    std::vector<std::pair<long, long>> states; // SetItemState (id, state)

    HRESULT STDMETHODCALLTYPE InsertItemBeforeID(_MENUITEM* item, long referenceId) override {
        inserted.push_back({item->lCommandID, item->lInsertionPoint, item->fFlags, item->fSpecialFlags,
                            item->fState, text_of(item->pszName), text_of(item->pszStatusBarText),
                            item->HotKey.wKey, item->HotKey.bModifier});
        insertedBefore.push_back(referenceId);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveItem(long id) override {
        removed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetItemState(long id, long state) override {
        states.emplace_back(id, state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddItem(_MENUITEM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemState(long, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetItemText(long, LPCWSTR) override { return E_NOTIMPL; }
};

class FakeToolbar : public suite::com::Object<FakeToolbar, IToolbar> {
public:
    struct Control {
        long commandId;
        long insertionPoint;
        long flags;
        long style;
        long state;
        std::wstring statusBarText;
        std::wstring tooltip;
        short width;
    };
    struct BitmapCall {
        unsigned count;
        HBITMAP small;
        HBITMAP large;
        unsigned long maskColor;
    };
    std::vector<BitmapCall> bitmapCalls;
    // Runs inside AddBitmap, while the handles are valid.
    std::function<void(HBITMAP small, HBITMAP large)> inspectBitmaps;
    std::vector<Control> added;
    std::vector<unsigned> removed;
    std::vector<std::pair<unsigned, long>> states;

    HRESULT STDMETHODCALLTYPE AddBitmap(unsigned count, HBITMAP small, HBITMAP large,
                                        unsigned long mask) override {
        bitmapCalls.push_back({count, small, large, mask});
        if (inspectBitmaps)
            inspectBitmaps(small, large);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE AddControl(_TOOLBARCONTROL* control) override {
        added.push_back({control->lCommandID, control->lInsertionPoint, control->fFlags, control->fStyle,
                         control->fState, text_of(control->pszStatusBarText),
                         text_of(control->pszTooltipText), control->sWidth});
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE RemoveControl(unsigned id) override {
        removed.push_back(id);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetItemState(unsigned id, long state) override {
        states.emplace_back(id, state);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetControl(unsigned, HWND*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RemoveControls() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetItemState(unsigned, long*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE AutoResize() override { return E_NOTIMPL; }
};

// Calls the suite made on tools, shared by every fake tool: "as.LoadLocation".
inline std::vector<std::string>& tool_calls() {
    static std::vector<std::string> calls;
    return calls;
}

// A tool class the suite creates by CLSID; it records LoadLocation and
// SaveLocation and counts its live objects.
class FakeTool : public suite::com::Object<FakeTool, ITool, IPersist> {
public:
    FakeTool(const CLSID& clsid, std::string name, int& liveCount)
        : clsid_(clsid), name_(std::move(name)), liveCount_(liveCount) {
        ++liveCount_;
    }
    ~FakeTool() override { --liveCount_; }

    HRESULT STDMETHODCALLTYPE LoadLocation() override {
        tool_calls().push_back(name_ + ".LoadLocation");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SaveLocation() override {
        tool_calls().push_back(name_ + ".SaveLocation");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* out) override {
        *out = clsid_;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR*, unsigned long, _PlatInfo*, IProject*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetLocation(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetLocation(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR*, unsigned long*, unsigned long*,
                                                   LPCWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateArgs(IToolArgs**, long) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EvalReturnCode(int) override { return E_NOTIMPL; }

private:
    CLSID clsid_;
    std::string name_;
    int& liveCount_;
};

class FakeSuiteArgs : public suite::com::Object<FakeSuiteArgs, ISuiteArgs> {
public:
    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR*, unsigned long, _PlatInfo*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetOwnerGUID(GUID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCmdLine(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SetCmdLine(LPCWSTR) override { return E_NOTIMPL; }
};

// A class object registered with COM for the test's apartment, so that
// creation by CLSID finds it before anything in the registry.
class RegisteredClass : public IClassFactory {
public:
    using Factory = std::function<HRESULT(REFIID iid, void** out)>;

    RegisteredClass(const CLSID& clsid, Factory factory) : factory_(std::move(factory)) {
        registration_result_ =
            CoRegisterClassObject(clsid, this, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
    }
    ~RegisteredClass() {
        if (SUCCEEDED(registration_result_))
            CoRevokeClassObject(cookie_);
    }
    RegisteredClass(const RegisteredClass&) = delete;
    RegisteredClass& operator=(const RegisteredClass&) = delete;
    HRESULT registration_result() const noexcept { return registration_result_; }
    int creations() const noexcept { return creations_; }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = suite::com::find_interface<IClassFactory>(this, iid);
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        ++creations_;
        return factory_(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

private:
    Factory factory_;
    DWORD cookie_ = 0;
    HRESULT registration_result_ = E_FAIL;
    int creations_ = 0;
};

// Stand-ins for the three tool classes; a class whose factory fails leaves
// the suite's entry empty.
struct FakeToolClasses {
    int liveTools = 0;
    HRESULT compilerCreation = S_OK;
    RegisteredClass assembler{CLSID_T_TARNIV18as, [this](REFIID iid, void** out) {
                                  return make("as", CLSID_T_TARNIV18as, iid, out);
                              }};
    RegisteredClass compiler{CLSID_T_TARNIV18cc, [this](REFIID iid, void** out) {
                                 return FAILED(compilerCreation) ? compilerCreation
                                                                 : make("cc", CLSID_T_TARNIV18cc, iid, out);
                             }};
    RegisteredClass linker{CLSID_T_TARNIV18ld, [this](REFIID iid, void** out) {
                               return make("ld", CLSID_T_TARNIV18ld, iid, out);
                           }};

    HRESULT make(const char* name, const CLSID& clsid, REFIID iid, void** out) {
        return suite::com::make<FakeTool>(clsid, name, liveTools)->QueryInterface(iid, out);
    }
};

} // namespace suite_test
