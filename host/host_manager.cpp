#include "host_manager.h"

#include "child_process.h"

#include <algorithm>
#include <cstring>

namespace veska::host {

namespace {
// A GUID [in] pointer as the host keeps it: null reads as none.
std::optional<GUID> optional_of(const GUID* guid) {
    return guid ? std::optional<GUID>(*guid) : std::nullopt;
}
} // namespace

HostProjectManager::HostProjectManager(std::shared_ptr<Recorder> recorder)
    : recording_(std::move(recorder), "IProjectManager"), workspace_(std::make_shared<Workspace>()),
      projects_(workspace_->projects),
      display_(suite::com::make<HostDisplay>(recording_.recorder(), workspace_)) {}

HostProjectManager::~HostProjectManager() {
    shutdown();
}

suite::ComPtr<HostProject> HostProjectManager::add_project(std::wstring location) {
    auto project = suite::com::make<HostProject>(recording_.recorder());
    project->set_location(std::move(location));
    projects_.push_back(project);
    return project;
}

std::wstring HostProjectManager::build_output() const {
    std::wstring text;
    for (const BuildMessage& message : messages_)
        text += message.text;
    return text;
}

void HostProjectManager::shutdown() noexcept {
    // The suites first: each holds a reference to this manager.
    std::vector<suite::ComPtr<ISuite>> suites = std::move(suites_);
    suites_.clear();
    for (const auto& project : projects_)
        if (project->suite() && std::none_of(suites.begin(), suites.end(),
                                             [&](const auto& known) { return known == project->suite(); }))
            suites.push_back(project->suite());
    for (const auto& suite : suites)
        if (suite)
            suite->Unload();
    suites.clear();
    for (const auto& project : projects_)
        project->unload();
    projects_.clear();
}

HRESULT HostProjectManager::process(const ProcessRequest& request) {
    if (script_.process)
        return script_.process(request);
    suite::ComPtr<ISuite> suite;
    for (const auto& project : projects_)
        if (static_cast<IProject*>(project.get()) == request.project)
            suite = project->suite();
    if (!suite && !suites_.empty())
        suite = suites_.front();
    if (!suite || !request.project)
        return E_FAIL;
    std::vector<_NodeTag> inputs = request.inputs;
    return suite->Process(request.command, inputs.empty() ? nullptr : inputs.data(),
                          static_cast<unsigned long>(inputs.size()), request.project, this);
}

HRESULT HostProjectManager::Process(unsigned long Cmd, _NodeTag* pInputNode, unsigned long ulNumInputs,
                                    IProject* pProject, IProjectManager*) {
    return recording_.call(__func__, {Cmd, {"tag", pInputNode}, {"count", ulNumInputs}}, [&] {
        ProcessRequest request{Cmd, {}, pProject};
        if (pInputNode)
            request.inputs.assign(pInputNode, pInputNode + ulNumInputs);
        if (!request.project && pInputNode && ulNumInputs)
            request.project = workspace_->project(pInputNode->project);
        return process(request);
    });
}

HRESULT HostProjectManager::Build() {
    return recording_.call(__func__, [&] {
        HostProject* project = workspace_->project(activeProject_);
        if (!project)
            return E_FAIL;
        return process(ProcessRequest{CMD_BUILD_ALL, {_NodeTag{activeProject_, -1, -1}}, project});
    });
}

HRESULT HostProjectManager::GetPlatInfo(_PlatInfo* pPlatInfo) {
    return recording_.call(__func__, [&] {
        if (!pPlatInfo)
            return E_POINTER;
        const DeviceInfo& device = script_.device;
        suite::CoTaskString name = suite::CoTaskString::copy_of(device.name.c_str(), device.name.size());
        suite::CoTaskString type = suite::CoTaskString::copy_of(device.type.c_str(), device.type.size());
        if (!name || !type)
            return E_OUTOFMEMORY;
        pPlatInfo->pwszName = name.release();
        pPlatInfo->ulFamily = device.family;
        pPlatInfo->pwszDevType = type.release();
        pPlatInfo->ulWidth = device.width;
        return S_OK;
    });
}

HRESULT HostProjectManager::ExecuteCmdLine(LPCWSTR pwszCmdLine, unsigned long* pulReturnCode,
                                           GUID* pclsidTool, IProject* pProject, ECLFlag Flags) {
    return recording_.call(__func__, {pwszCmdLine, {"tool", pclsidTool}, {"flags", Flags}}, [&] {
        if (!pwszCmdLine || !pulReturnCode)
            return E_POINTER;
        ExecutedLine executed;
        executed.request = {pwszCmdLine, optional_of(pclsidTool), pProject, Flags, current_directory()};
        if (script_.onExecuting)
            script_.onExecuting(executed.request);
        const auto started = std::chrono::steady_clock::now();
        executed.result = script_.execute ? script_.execute(executed.request, executed.exitCode)
                                          : run_command_line(executed.request.line, Flags, executed.exitCode,
                                                             &executed.output);
        executed.elapsed = std::chrono::steady_clock::now() - started;
        executed_.push_back(executed);
        if (script_.onExecuted)
            script_.onExecuted(executed_.back());
        if (SUCCEEDED(executed.result))
            *pulReturnCode = executed.exitCode;
        return executed.result;
    });
}

HRESULT HostProjectManager::WriteBuildMessage(LPCWSTR pwszMsg, GUID* pclsidTool) {
    return recording_.call(__func__, {pwszMsg, {"tool", pclsidTool}}, [&] {
        if (!pwszMsg)
            return E_POINTER;
        messages_.push_back(BuildMessage{pwszMsg, optional_of(pclsidTool)});
        if (script_.onBuildMessage)
            script_.onBuildMessage(messages_.back());
        return S_OK;
    });
}

HRESULT HostProjectManager::GetSuiteWithGUID(GUID* clsidSuite, ISuite** ppSuite) {
    return recording_.call(__func__, {clsidSuite}, [&] {
        if (!ppSuite || !clsidSuite)
            return E_POINTER;
        *ppSuite = nullptr;
        for (const auto& suite : suites_) {
            GUID clsid;
            if (SUCCEEDED(tool_class_of(suite.get(), clsid)) && IsEqualGUID(clsid, *clsidSuite))
                return suite.copy_to(ppSuite);
        }
        return E_FAIL;
    });
}

HRESULT HostProjectManager::SetActiveProjectIndex(int nIndex) {
    return recording_.call(__func__, {nIndex}, [&] {
        if (nIndex < 0 || static_cast<size_t>(nIndex) >= projects_.size())
            return E_INVALIDARG;
        activeProject_ = nIndex;
        return S_OK;
    });
}

HRESULT HostProjectManager::GetIndexOfProject(unsigned long* pulIndex, IProject* pProject) {
    return recording_.call(__func__, [&] {
        for (size_t i = 0; i < projects_.size(); ++i)
            if (static_cast<IProject*>(projects_[i].get()) == pProject)
                return value_out(i, pulIndex);
        return pulIndex ? E_INVALIDARG : E_POINTER;
    });
}

HRESULT HostProjectManager::InsertProject(LPCWSTR pwszFilename) {
    return recording_.call(__func__, {pwszFilename}, [&] {
        const HRESULT room = room_for(pwszFilename);
        if (FAILED(room))
            return room;
        const suite::ComPtr<HostProject> project = add_project(pwszFilename);
        const HRESULT loaded = project->LoadProjectFile(pwszFilename);
        if (FAILED(loaded)) {
            project->unload();
            projects_.pop_back();
        }
        return loaded;
    });
}

HRESULT HostProjectManager::InsertNewProject(LPCWSTR pwszFilename) {
    return recording_.call(__func__, {pwszFilename}, [&] {
        const HRESULT room = room_for(pwszFilename);
        if (SUCCEEDED(room))
            add_project(pwszFilename)->set_save_required(true);
        return room;
    });
}

HRESULT HostProjectManager::room_for(LPCWSTR file) const noexcept {
    return !file ? E_POINTER : projects_.size() >= kMaxProjects ? E_FAIL : S_OK;
}

HRESULT HostProjectManager::remove_project(unsigned long index) {
    if (index >= projects_.size())
        return E_INVALIDARG;
    projects_[index]->unload();
    projects_.erase(projects_.begin() + static_cast<std::ptrdiff_t>(index));
    // The active project stays a project of the workspace.
    if (activeProject_ >= static_cast<int>(projects_.size()))
        activeProject_ = static_cast<int>(projects_.size()) - 1;
    return S_OK;
}

HRESULT HostProjectManager::NotifyBuildStarted(LPCWSTR pwszTarget) {
    return recording_.call(__func__, {pwszTarget}, [&] {
        started_.push_back(in_text(pwszTarget));
        // Memory that is still locked (the target is running) refuses a build.
        const HRESULT answer =
            script_.notifyBuildStarted ? *script_.notifyBuildStarted : (memoryLocked_ ? S_FALSE : S_OK);
        if (answer == S_OK)
            memoryLocked_ = true;
        return answer;
    });
}

HRESULT HostProjectManager::NotifyBuildSucceeded(LPCWSTR pwszTarget) {
    return recording_.call(__func__, {pwszTarget}, [&] {
        succeeded_.push_back(in_text(pwszTarget));
        memoryLocked_ = false;
    });
}

HRESULT HostProjectManager::NotifyBufferModified(LPCWSTR pwszFilename) {
    return recording_.call(__func__, {pwszFilename}, [&] {
        for (const auto& project : projects_)
            project->set_build_required(true);
    });
}

HRESULT HostProjectManager::IsBuildRequired() {
    return recording_.call(__func__, [&] {
        for (const auto& project : projects_)
            if (project->build_required())
                return S_OK;
        return S_FALSE;
    });
}

HRESULT HostProjectManager::UIProjectSave(unsigned long ulProjectIndex) {
    return recording_.call(__func__, {ulProjectIndex}, [&] {
        HostProject* project = workspace_->project(ulProjectIndex);
        if (!project)
            return E_INVALIDARG;
        return project->SaveProjectFile(ulProjectIndex, nullptr);
    });
}

HRESULT HostProjectManager::RemoveNode(_NodeTag tag) {
    return recording_.call(__func__, {tag}, [&] {
        HostProject* project = workspace_->project(tag.project);
        if (!project || tag.file < 0)
            return E_INVALIDARG;
        return project->RemoveNode(static_cast<FileCat>(tag.folder), static_cast<unsigned long>(tag.file));
    });
}

HRESULT HostProjectManager::SetSuite(ISuite* pSuite, unsigned long ulProjectIndex) {
    return recording_.call(__func__, {ulProjectIndex}, [&] {
        HostProject* project = workspace_->project(ulProjectIndex);
        if (!project)
            return E_INVALIDARG;
        project->set_suite(suite::ComPtr<ISuite>(pSuite));
        return S_OK;
    });
}

HRESULT HostProjectManager::GetPreference(unsigned char* pData, unsigned long dwKey) {
    return recording_.call(__func__, {dwKey}, [&] {
        if (!pData)
            return E_POINTER;
        const auto found = script_.preferences.find(dwKey);
        if (found == script_.preferences.end())
            return E_INVALIDARG;
        std::memcpy(pData, &found->second, sizeof found->second); // the caller's 4-byte buffer
        return S_OK;
    });
}

HRESULT HostProjectManager::NotifyToolLocationChanged(ITool* pTool, LPCWSTR pwszPreviousLocation) {
    const auto tool = [&] {
        GUID clsid{};
        return guid_text(pTool && SUCCEEDED(tool_class_of(pTool, clsid)) ? &clsid : nullptr);
    };
    return recording_.call(__func__, {{"tool", Argument::deferred(tool)}, {"previous", pwszPreviousLocation}},
                           [&] {
                               if (!pTool)
                                   return E_POINTER;
                               if (script_.onToolLocationChanged)
                                   script_.onToolLocationChanged(pTool, in_text(pwszPreviousLocation));
                               return S_OK;
                           });
}

HostDisplay::HostDisplay(std::shared_ptr<Recorder> recorder, std::shared_ptr<Workspace> workspace)
    : recording_(std::move(recorder), "IProjectDisplay"), workspace_(std::move(workspace)) {}

HRESULT HostDisplay::InsertProject(IProject* pProject, LPCWSTR pwszName) {
    return recording_.call(__func__, {pwszName}, [&] {
        // The view shows the workspace's own projects, under the name given.
        for (const auto& project : workspace_->projects)
            if (static_cast<IProject*>(project.get()) == pProject) {
                project->set_name(in_text(pwszName));
                return S_OK;
            }
        return pProject ? E_INVALIDARG : E_POINTER;
    });
}

HRESULT HostDisplay::InsertNode(IProjectNode* pNode, unsigned long ulProjectIndex, FileCat FolderIndex,
                                unsigned long* pulFileIndex) {
    return recording_.call(__func__, {{"project", ulProjectIndex}, {"folder", FolderIndex}}, [&] {
        if (!pNode)
            return E_POINTER;
        // The view lists the node after those it already shows in that folder.
        unsigned long& shown = shownNodes_[{ulProjectIndex, FolderIndex}];
        if (pulFileIndex)
            *pulFileIndex = shown;
        ++shown;
        return S_OK;
    });
}

HRESULT HostDisplay::RemoveNode(_NodeTag tag) {
    return recording_.call(__func__, {tag}, [&] {
        auto shown = shownNodes_.find({static_cast<unsigned long>(tag.project), tag.folder});
        if (shown != shownNodes_.end() && shown->second > 0)
            --shown->second;
    });
}

} // namespace veska::host
