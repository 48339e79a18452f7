// The IDE's project manager and display as the plug-in meets them: it owns
// the projects and the suites, runs command lines, collects the build output,
// answers preferences and the device, and keeps the build and memory-lock
// state. Tests script its answers through script().
#pragma once

#include "child_process.h"
#include "com_object.h"
#include "host_common.h"
#include "host_project.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace veska::host {

// The selected device as GetPlatInfo hands it out.
struct DeviceInfo {
    std::wstring name = L"ZOR18X9";
    unsigned long family = 18;
    std::wstring type = L"VELC-18";
    unsigned long width = 16;
};

struct ExecuteRequest {
    std::wstring line;
    std::optional<GUID> tool;
    IProject* project = nullptr;
    ECLFlag flags = ECL_NULL;
    std::wstring directory; // the working directory at the call
};

struct ExecutedLine {
    ExecuteRequest request;
    HRESULT result = S_OK;
    unsigned long exitCode = 0;
    std::string output;                            // what the tool printed on its standard output and error
    std::chrono::steady_clock::duration elapsed{}; // the run, start to exit
};

struct BuildMessage {
    std::wstring text;
    std::optional<GUID> tool; // set for lines copied from a tool's error file
};

struct ProcessRequest {
    unsigned long command = 0;
    std::vector<_NodeTag> inputs;
    IProject* project = nullptr;
};

struct HostScript {
    // GetPreference answers for these keys; other keys are E_INVALIDARG.
    std::map<unsigned long, uint32_t> preferences{{8, 0}, {32, 0}};
    // NotifyBuildStarted's answer; unset: S_OK unless memory is locked (S_FALSE).
    std::optional<HRESULT> notifyBuildStarted;
    DeviceInfo device;
    // Runs a command line instead of the real run: returns the HRESULT and
    // sets the exit code.
    std::function<HRESULT(const ExecuteRequest&, unsigned long& exitCode)> execute;
    // See each command line before it runs and after it ran.
    std::function<void(const ExecuteRequest&)> onExecuting;
    std::function<void(const ExecutedLine&)> onExecuted;
    // Carries out IProjectManager::Process; unset: the project's suite does.
    std::function<HRESULT(const ProcessRequest&)> process;
    // Sees every build message as it is written (the command line prints them).
    std::function<void(const BuildMessage&)> onBuildMessage;
    // The tool whose location changed, with the stamped location.
    std::function<void(ITool*, const std::wstring&)> onToolLocationChanged;
};

// The workspace's name and its projects, kept once: the manager and its
// view both answer from it.
struct Workspace {
    std::wstring name;
    std::vector<suite::ComPtr<HostProject>> projects;

    // The project with this index; null when there is none (a negative index too).
    HostProject* project(long long index) const {
        return index >= 0 && static_cast<size_t>(index) < projects.size() ? projects[index].get() : nullptr;
    }
};

// The workspace methods of a face (the manager, its view), answered from its
// workspace_ and recorded on its recording_.
#define VESKA_HOST_WORKSPACE_METHODS                                                                         \
    HRESULT STDMETHODCALLTYPE GetWorkspaceName(LPWSTR* name) override {                                      \
        return recording_.call(__func__, [&] { return copy_out(workspace_->name, name); });                  \
    }                                                                                                        \
    HRESULT STDMETHODCALLTYPE SetWorkspaceName(LPCWSTR name) override {                                      \
        return recording_.call(__func__, {name}, [&] { workspace_->name = in_text(name); });                 \
    }                                                                                                        \
    HRESULT STDMETHODCALLTYPE GetProjectName(unsigned long index, LPWSTR* name) override {                   \
        return recording_.call(__func__, {index}, [&] {                                                      \
            HostProject* project = workspace_->project(index);                                               \
            return project ? copy_out(project->name(), name) : E_INVALIDARG;                                 \
        });                                                                                                  \
    }                                                                                                        \
    HRESULT STDMETHODCALLTYPE SetProjectName(unsigned long index, LPCWSTR name) override {                   \
        return recording_.call(__func__, {index, name}, [&] {                                                \
            HostProject* project = workspace_->project(index);                                               \
            if (project)                                                                                     \
                project->set_name(in_text(name));                                                            \
            return project ? S_OK : E_INVALIDARG;                                                            \
        });                                                                                                  \
    }

// The headless project view: no tree on screen, a scripted selection.
class HostDisplay : public suite::com::Object<HostDisplay, IProjectDisplay> {
public:
    explicit HostDisplay(std::shared_ptr<Recorder> recorder = nullptr,
                         std::shared_ptr<Workspace> workspace = std::make_shared<Workspace>());

    // What GetCurrentNodeTag answers; (-1, -1, -1) when nothing is selected.
    void select(const _NodeTag& tag) noexcept { current_ = tag; }
    void select_nothing() noexcept { current_ = _NodeTag{-1, -1, -1}; }

    VESKA_HOST_FLAG(GetVisibility, SetVisibility, visible_)
    // The manager owns the display; nothing to keep.
    VESKA_HOST_ANSWER(S_OK, SetManager, (IProjectManager * pMgr), present(pMgr, "manager"))
    VESKA_HOST_WORKSPACE_METHODS
    HRESULT STDMETHODCALLTYPE InsertProject(IProject* pProject, LPCWSTR pwszName) override;
    // The manager owns the projects; the view only stops showing one.
    VESKA_HOST_ANSWER(ulIndex < workspace_->projects.size() ? S_OK : E_INVALIDARG, RemoveProject,
                      (unsigned long ulIndex), ulIndex)
    VESKA_HOST_ANSWER(S_OK, SetActiveProject, (int nIndex), nIndex)
    VESKA_HOST_ANSWER(S_OK, RefreshProject, (unsigned long ulIndex), ulIndex)
    VESKA_HOST_ANSWER(S_OK, SortFilteredFolders, (unsigned long ulIndex), ulIndex)
    HRESULT STDMETHODCALLTYPE InsertNode(IProjectNode* pNode, unsigned long ulProjectIndex,
                                         FileCat FolderIndex, unsigned long* pulFileIndex) override;
    HRESULT STDMETHODCALLTYPE RemoveNode(_NodeTag tag) override;
    // The view marks nothing: the project keeps whether it needs saving.
    VESKA_HOST_ANSWER(S_OK, SetReqSave, (unsigned long ulProjectIndex, long bNewState), ulProjectIndex,
                      bNewState)
    VESKA_HOST_ANSWER(value_out(current_, pTag), GetCurrentNodeTag, (_NodeTag * pTag))

private:
    Recording recording_;
    _NodeTag current_{-1, -1, -1};
    bool visible_ = true;
    std::shared_ptr<Workspace> workspace_;
    std::map<std::pair<unsigned long, long>, unsigned long> shownNodes_;
};

class HostProjectManager : public suite::com::Object<HostProjectManager, IProjectManagerEx> {
public:
    explicit HostProjectManager(std::shared_ptr<Recorder> recorder = std::make_shared<Recorder>());
    ~HostProjectManager() override;

    const std::shared_ptr<Recorder>& recorder() const noexcept { return recording_.recorder(); }
    HostScript& script() noexcept { return script_; }
    HostDisplay& display() noexcept { return *display_.get(); }

    // A new project (recording into this manager's recorder), appended.
    suite::ComPtr<HostProject> add_project(std::wstring location = {});
    const std::vector<suite::ComPtr<HostProject>>& projects() const noexcept { return projects_; }
    void add_suite(suite::ComPtr<ISuite> suite) { suites_.push_back(std::move(suite)); }

    // Everything WriteBuildMessage received, in order, and as one text.
    const std::vector<BuildMessage>& build_messages() const noexcept { return messages_; }
    std::wstring build_output() const;
    const std::vector<ExecutedLine>& executed() const noexcept { return executed_; }
    // Forgets both of the above, for a caller that runs command after
    // command and reads none of them.
    void forget_build_output() noexcept {
        messages_.clear();
        executed_.clear();
    }
    const std::vector<std::wstring>& started_targets() const noexcept { return started_; }
    const std::vector<std::wstring>& succeeded_targets() const noexcept { return succeeded_; }
    bool build_underway() const noexcept { return underway_; }
    bool memory_locked() const noexcept { return memoryLocked_; }
    void set_active_project(int index) noexcept { activeProject_ = index; }

    // Unloads the suites and projects: breaks the reference cycles between
    // the suite (which holds the manager), the projects and their arguments.
    void shutdown() noexcept;

    // --- IProjectManager ---
    HRESULT STDMETHODCALLTYPE Process(unsigned long Cmd, _NodeTag* pInputNode, unsigned long ulNumInputs,
                                      IProject* pProject, IProjectManager* pMgr) override;
    // This host has no quick mode.
    VESKA_HOST_ANSWER(E_NOTIMPL, QuickBuild, (LPCWSTR pwszInputFile), pwszInputFile)
    HRESULT STDMETHODCALLTYPE Build() override;
    HRESULT STDMETHODCALLTYPE GetPlatInfo(_PlatInfo* pPlatInfo) override;
    HRESULT STDMETHODCALLTYPE ExecuteCmdLine(LPCWSTR pwszCmdLine, unsigned long* pulReturnCode,
                                             GUID* pclsidTool, IProject* pProject, ECLFlag Flags) override;
    HRESULT STDMETHODCALLTYPE WriteBuildMessage(LPCWSTR pwszMsg, GUID* pclsidTool) override;
    VESKA_HOST_ANSWER(value_out(suites_.size(), pulNumSuites), GetNumSuites, (unsigned long* pulNumSuites))
    VESKA_HOST_ANSWER(object_out(ulIndex < suites_.size() ? suites_[ulIndex].get() : nullptr, ppSuite),
                      GetSuite, (unsigned long ulIndex, ISuite** ppSuite), ulIndex)
    HRESULT STDMETHODCALLTYPE GetSuiteWithGUID(GUID* clsidSuite, ISuite** ppSuite) override;
    VESKA_HOST_ANSWER(value_out(projects_.size(), pulNumProjects), GetNumProjects,
                      (unsigned long* pulNumProjects))
    VESKA_HOST_ANSWER(value_out(kMaxProjects, pulMaxProjects), GetMaxProjects,
                      (unsigned long* pulMaxProjects))
    VESKA_HOST_ANSWER(object_out<IProject>(workspace_->project(ulIndex), ppProject), GetProject,
                      (IProject * *ppProject, unsigned long ulIndex), ulIndex)
    VESKA_HOST_ANSWER(value_out(projects_.empty() ? -1 : activeProject_, pnlIndex), GetActiveProjectIndex,
                      (int* pnlIndex))
    HRESULT STDMETHODCALLTYPE SetActiveProjectIndex(int nIndex) override;
    HRESULT STDMETHODCALLTYPE GetIndexOfProject(unsigned long* pulIndex, IProject* pProject) override;
    HRESULT STDMETHODCALLTYPE InsertProject(LPCWSTR pwszFilename) override;
    HRESULT STDMETHODCALLTYPE InsertNewProject(LPCWSTR pwszFilename) override;
    VESKA_HOST_ANSWER(remove_project(ulIndex), RemoveProject, (unsigned long ulIndex), ulIndex)
    HRESULT STDMETHODCALLTYPE NotifyBuildStarted(LPCWSTR pwszTarget) override;
    HRESULT STDMETHODCALLTYPE NotifyBuildSucceeded(LPCWSTR pwszTarget) override;
    VESKA_HOST_WORKSPACE_METHODS
    VESKA_HOST_ANSWER(S_FALSE, IsInQuickMode, ())
    HRESULT STDMETHODCALLTYPE NotifyBufferModified(LPCWSTR pwszFilename) override;
    HRESULT STDMETHODCALLTYPE IsBuildRequired() override;
    VESKA_HOST_ANSWER(S_OK, CheckFileTimestamps, ())
    // No editor buffers here: nothing is unsaved.
    VESKA_HOST_ANSWER(S_OK, SaveAllFiles, (long bPrompt), bPrompt)
    // A headless host shows no dialogs.
    VESKA_HOST_ANSWER(E_NOTIMPL, UIShowInsertFilesDialog, (_NodeTag tag), tag)
    VESKA_HOST_ANSWER(E_NOTIMPL, UIShowProjectSettingsSheet, (unsigned long ulProjectIndex), ulProjectIndex)
    VESKA_HOST_ANSWER(E_NOTIMPL, UIShowFileSettingsSheet, (_NodeTag tag), tag)
    VESKA_HOST_ANSWER(E_NOTIMPL, UIShowSelectSuiteDialog, (unsigned long ulProjectIndex), ulProjectIndex)
    VESKA_HOST_ANSWER(E_NOTIMPL, UIShowLocateToolsDialog, ())
    HRESULT STDMETHODCALLTYPE UIProjectSave(unsigned long ulProjectIndex) override;
    VESKA_HOST_ANSWER(remove_project(ulProjectIndex), UIProjectRemove, (unsigned long ulProjectIndex),
                      ulProjectIndex)
    HRESULT STDMETHODCALLTYPE RemoveNode(_NodeTag tag) override;
    HRESULT STDMETHODCALLTYPE SetSuite(ISuite* pSuite, unsigned long ulProjectIndex) override;
    VESKA_HOST_ANSWER(object_out<IProjectDisplay>(display_.get(), ppDisplay), GetDisplay,
                      (IProjectDisplay * *ppDisplay))
    HRESULT STDMETHODCALLTYPE GetPreference(unsigned char* pData, unsigned long dwKey) override;
    HRESULT STDMETHODCALLTYPE LockMemory() override {
        return recording_.call(__func__, [&] { memoryLocked_ = true; });
    }
    HRESULT STDMETHODCALLTYPE UnlockMemory() override {
        return recording_.call(__func__, [&] { memoryLocked_ = false; });
    }
    VESKA_HOST_FLAG(BuildIsUnderway, SetBuildIsUnderway, underway_)
    // --- IProjectManagerEx ---
    VESKA_HOST_ANSWER(pwszFile ? S_OK : E_POINTER, SaveFile, (LPCWSTR pwszFile, long bPrompt), pwszFile,
                      {"prompt", bPrompt})
    HRESULT STDMETHODCALLTYPE HostReserved48() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostReserved49() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE HostReserved50() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NotifyToolLocationChanged(ITool* pTool, LPCWSTR pwszPreviousLocation) override;

private:
    static constexpr unsigned long kMaxProjects = 64;

    HRESULT process(const ProcessRequest& request);
    HRESULT remove_project(unsigned long index);
    // Whether a project for file can join the workspace: S_OK, else why not.
    HRESULT room_for(LPCWSTR file) const noexcept;

    Recording recording_;
    HostScript script_;
    std::shared_ptr<Workspace> workspace_;
    std::vector<suite::ComPtr<HostProject>>& projects_; // the workspace's
    suite::ComPtr<HostDisplay> display_;
    std::vector<suite::ComPtr<ISuite>> suites_;
    std::vector<BuildMessage> messages_;
    std::vector<ExecutedLine> executed_;
    std::vector<std::wstring> started_;
    std::vector<std::wstring> succeeded_;
    int activeProject_ = 0;
    bool underway_ = false;
    bool memoryLocked_ = false;
};

// Shuts the manager down when it leaves scope: ManagerShutdown guard(manager.get()).
struct ShutdownManager {
    void operator()(HostProjectManager* manager) const noexcept { manager->shutdown(); }
};
using ManagerShutdown = std::unique_ptr<HostProjectManager, ShutdownManager>;

#undef VESKA_HOST_WORKSPACE_METHODS

} // namespace veska::host
