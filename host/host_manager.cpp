#include "host_manager.h"

#include <algorithm>
#include <cstring>

namespace veska::host {

namespace {

constexpr size_t kMaxCommandLine = 32767;
constexpr unsigned long kMaxProjects = 64;

std::string tag_text(const _NodeTag& tag) {
    return "(" + std::to_string(tag.project) + "," + std::to_string(tag.folder) + "," +
           std::to_string(tag.file) + ")";
}

std::wstring current_directory() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0)
        return {};
    std::wstring directory(needed, L'\0');
    const DWORD written = GetCurrentDirectoryW(needed, directory.data());
    directory.resize(written < needed ? written : 0);
    return directory;
}

// Everything the child has written so far, without waiting for more.
void drain(HANDLE pipe, std::string& output) {
    DWORD available = 0;
    while (PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) && available) {
        const size_t at = output.size();
        output.resize(at + available);
        DWORD read = 0;
        if (!ReadFile(pipe, output.data() + at, available, &read, nullptr))
            read = 0;
        output.resize(at + read);
        if (!read)
            return;
    }
}

} // namespace

HRESULT run_command_line(const std::wstring& line, ECLFlag flags, unsigned long& exitCode,
                         std::string* output) {
    if (line.empty())
        return E_INVALIDARG;
    std::wstring commandLine = line;
    if (flags == ECL_UGLYDOSTOOL) {
        wchar_t interpreter[MAX_PATH] = L"cmd.exe";
        GetEnvironmentVariableW(L"COMSPEC", interpreter, MAX_PATH);
        commandLine = std::wstring(interpreter) + L" /c " + line;
    }
    if (commandLine.size() >= kMaxCommandLine)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');

    // The tool's standard output and error go to one pipe that is drained
    // while it runs (a hidden console costs tens of milliseconds a line
    // under Wine); its standard input is the null device.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 1 << 16))
        return HRESULT_FROM_WIN32(GetLastError());
    const UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    const UniqueFileHandle nothing(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                               &inheritable, OPEN_EXISTING, 0, nullptr));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nothing.get() == INVALID_HANDLE_VALUE ? nullptr : nothing.get();
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    // No console window of its own: the host's standard output stays the
    // build output.
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                        &startup, &process))
        return HRESULT_FROM_WIN32(GetLastError());
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
    writer.reset(); // the child holds the only write end now

    // Polled rather than read to the end: a process the tool leaves behind
    // may keep the pipe open long after the tool itself has finished.
    std::string printed;
    DWORD waited = WAIT_TIMEOUT;
    while (waited == WAIT_TIMEOUT) {
        waited = WaitForSingleObject(process.hProcess, 5);
        drain(readEnd, printed);
    }
    if (output)
        *output = std::move(printed);
    if (waited != WAIT_OBJECT_0)
        return HRESULT_FROM_WIN32(GetLastError());
    DWORD code = 0;
    if (!GetExitCodeProcess(process.hProcess, &code))
        return HRESULT_FROM_WIN32(GetLastError());
    exitCode = code;
    return S_OK;
}

HostProjectManager::HostProjectManager(std::shared_ptr<Recorder> recorder)
    : recording_(std::move(recorder), "IProjectManager"),
      display_(suite::com::make<HostDisplay>(recording_.recorder())) {}

HostProjectManager::~HostProjectManager() {
    shutdown();
}

suite::ComPtr<HostProject> HostProjectManager::add_project(std::wstring location) {
    auto project = suite::com::make<HostProject>(recording_.recorder());
    project->set_location(std::move(location));
    project->set_manager(this);
    project->set_display(display_.get());
    projects_.push_back(project);
    return project;
}

void HostProjectManager::add_suite(suite::ComPtr<ISuite> suite) {
    suites_.push_back(std::move(suite));
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

HostProject* HostProjectManager::project_at(unsigned long index) const {
    return index < projects_.size() ? projects_[index].get() : nullptr;
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
    const auto describe = [&] {
        return std::to_string(Cmd) + ", tag=" + (pInputNode ? tag_text(*pInputNode) : "null") +
               ", count=" + std::to_string(ulNumInputs);
    };
    return recording_.call("Process", describe, [&] {
        ProcessRequest request;
        request.command = Cmd;
        if (pInputNode)
            request.inputs.assign(pInputNode, pInputNode + ulNumInputs);
        request.project = pProject;
        if (!request.project && pInputNode && ulNumInputs && pInputNode->project >= 0)
            request.project = project_at(static_cast<unsigned long>(pInputNode->project));
        return process(request);
    });
}

HRESULT HostProjectManager::QuickBuild(LPCWSTR pwszInputFile) {
    return recording_.call(
        "QuickBuild", [&] { return std::string(quoted(pwszInputFile)); },
        [&] {
            return E_NOTIMPL; // this host has no quick mode
        });
}

HRESULT HostProjectManager::Build() {
    return recording_.call("Build", [&] {
        HostProject* project =
            activeProject_ >= 0 ? project_at(static_cast<unsigned long>(activeProject_)) : nullptr;
        if (!project)
            return E_FAIL;
        ProcessRequest request;
        request.command = CMD_BUILD_ALL;
        request.inputs.push_back(_NodeTag{activeProject_, -1, -1});
        request.project = project;
        return process(request);
    });
}

HRESULT HostProjectManager::GetPlatInfo(_PlatInfo* pPlatInfo) {
    return recording_.call("GetPlatInfo", [&] {
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
    return recording_.call(
        "ExecuteCmdLine",
        [&] {
            return std::string(quoted(pwszCmdLine) + ", tool=" + guid_text(pclsidTool) +
                               ", flags=" + std::to_string(Flags));
        },
        [&] {
            if (!pwszCmdLine || !pulReturnCode)
                return E_POINTER;
            ExecutedLine executed;
            executed.request.line = pwszCmdLine;
            if (pclsidTool)
                executed.request.tool = *pclsidTool;
            executed.request.project = pProject;
            executed.request.flags = Flags;
            executed.request.directory = current_directory();
            unsigned long exitCode = 0;
            if (script_.onExecuting)
                script_.onExecuting(executed.request);
            const auto started = std::chrono::steady_clock::now();
            executed.result =
                script_.execute ? script_.execute(executed.request, exitCode)
                                : run_command_line(executed.request.line, Flags, exitCode, &executed.output);
            executed.elapsed = std::chrono::steady_clock::now() - started;
            executed.exitCode = exitCode;
            executed_.push_back(executed);
            if (script_.onExecuted)
                script_.onExecuted(executed_.back());
            if (SUCCEEDED(executed.result))
                *pulReturnCode = exitCode;
            return executed.result;
        });
}

HRESULT HostProjectManager::WriteBuildMessage(LPCWSTR pwszMsg, GUID* pclsidTool) {
    return recording_.call(
        "WriteBuildMessage", [&] { return std::string(quoted(pwszMsg) + ", tool=" + guid_text(pclsidTool)); },
        [&] {
            if (!pwszMsg)
                return E_POINTER;
            BuildMessage message{pwszMsg, std::nullopt};
            if (pclsidTool)
                message.tool = *pclsidTool;
            messages_.push_back(message);
            if (script_.onBuildMessage)
                script_.onBuildMessage(messages_.back());
            return S_OK;
        });
}

HRESULT HostProjectManager::GetNumSuites(unsigned long* pulNumSuites) {
    return recording_.call("GetNumSuites", [&] {
        if (!pulNumSuites)
            return E_POINTER;
        *pulNumSuites = static_cast<unsigned long>(suites_.size());
        return S_OK;
    });
}

HRESULT HostProjectManager::GetSuite(unsigned long ulIndex, ISuite** ppSuite) {
    return recording_.call(
        "GetSuite", [&] { return std::string(std::to_string(ulIndex)); },
        [&] {
            if (!ppSuite)
                return E_POINTER;
            *ppSuite = nullptr;
            if (ulIndex >= suites_.size())
                return E_INVALIDARG;
            return suites_[ulIndex].copy_to(ppSuite);
        });
}

HRESULT HostProjectManager::GetSuiteWithGUID(GUID* clsidSuite, ISuite** ppSuite) {
    return recording_.call(
        "GetSuiteWithGUID", [&] { return std::string(guid_text(clsidSuite)); },
        [&] {
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

HRESULT HostProjectManager::GetNumProjects(unsigned long* pulNumProjects) {
    return recording_.call("GetNumProjects", [&] {
        if (!pulNumProjects)
            return E_POINTER;
        *pulNumProjects = static_cast<unsigned long>(projects_.size());
        return S_OK;
    });
}

HRESULT HostProjectManager::GetMaxProjects(unsigned long* pulMaxProjects) {
    return recording_.call("GetMaxProjects", [&] {
        if (!pulMaxProjects)
            return E_POINTER;
        *pulMaxProjects = kMaxProjects;
        return S_OK;
    });
}

HRESULT HostProjectManager::GetProject(IProject** ppProject, unsigned long ulIndex) {
    return recording_.call(
        "GetProject", [&] { return std::string(std::to_string(ulIndex)); },
        [&] {
            if (!ppProject)
                return E_POINTER;
            *ppProject = nullptr;
            HostProject* project = project_at(ulIndex);
            if (!project)
                return E_INVALIDARG;
            return suite::ComPtr<IProject>(project).copy_to(ppProject);
        });
}

HRESULT HostProjectManager::GetActiveProjectIndex(int* pnlIndex) {
    return recording_.call("GetActiveProjectIndex", [&] {
        if (!pnlIndex)
            return E_POINTER;
        *pnlIndex = projects_.empty() ? -1 : activeProject_;
        return S_OK;
    });
}

HRESULT HostProjectManager::SetActiveProjectIndex(int nIndex) {
    return recording_.call(
        "SetActiveProjectIndex", [&] { return std::string(std::to_string(nIndex)); },
        [&] {
            if (nIndex < 0 || static_cast<size_t>(nIndex) >= projects_.size())
                return E_INVALIDARG;
            activeProject_ = nIndex;
            return S_OK;
        });
}

HRESULT HostProjectManager::GetIndexOfProject(unsigned long* pulIndex, IProject* pProject) {
    return recording_.call("GetIndexOfProject", [&] {
        if (!pulIndex)
            return E_POINTER;
        for (size_t i = 0; i < projects_.size(); ++i)
            if (static_cast<IProject*>(projects_[i].get()) == pProject) {
                *pulIndex = static_cast<unsigned long>(i);
                return S_OK;
            }
        return E_INVALIDARG;
    });
}

HRESULT HostProjectManager::InsertProject(LPCWSTR pwszFilename) {
    return recording_.call(
        "InsertProject", [&] { return std::string(quoted(pwszFilename)); },
        [&] {
            if (!pwszFilename)
                return E_POINTER;
            if (projects_.size() >= kMaxProjects)
                return E_FAIL;
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
    return recording_.call(
        "InsertNewProject", [&] { return std::string(quoted(pwszFilename)); },
        [&] {
            if (!pwszFilename)
                return E_POINTER;
            if (projects_.size() >= kMaxProjects)
                return E_FAIL;
            add_project(pwszFilename)->set_save_required(true);
            return S_OK;
        });
}

HRESULT HostProjectManager::RemoveProject(unsigned long ulIndex) {
    return recording_.call(
        "RemoveProject", [&] { return std::string(std::to_string(ulIndex)); },
        [&] {
            if (ulIndex >= projects_.size())
                return E_INVALIDARG;
            projects_[ulIndex]->unload();
            projects_.erase(projects_.begin() + static_cast<std::ptrdiff_t>(ulIndex));
            if (activeProject_ >= static_cast<int>(projects_.size()))
                activeProject_ = static_cast<int>(projects_.size()) - 1;
            return S_OK;
        });
}

HRESULT HostProjectManager::NotifyBuildStarted(LPCWSTR pwszTarget) {
    return recording_.call(
        "NotifyBuildStarted", [&] { return std::string(quoted(pwszTarget)); },
        [&] {
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
    return recording_.call(
        "NotifyBuildSucceeded", [&] { return std::string(quoted(pwszTarget)); },
        [&] {
            succeeded_.push_back(in_text(pwszTarget));
            memoryLocked_ = false;
            return S_OK;
        });
}

HRESULT HostProjectManager::GetWorkspaceName(LPWSTR* ppwszName) {
    return recording_.call("GetWorkspaceName", [&] { return copy_out(workspaceName_, ppwszName); });
}

HRESULT HostProjectManager::SetWorkspaceName(LPCWSTR pwszName) {
    return recording_.call(
        "SetWorkspaceName", [&] { return std::string(quoted(pwszName)); },
        [&] {
            workspaceName_ = in_text(pwszName);
            return S_OK;
        });
}

HRESULT HostProjectManager::GetProjectName(unsigned long ulIndex, LPWSTR* ppwszName) {
    return recording_.call(
        "GetProjectName", [&] { return std::string(std::to_string(ulIndex)); },
        [&] {
            HostProject* project = project_at(ulIndex);
            if (!project)
                return E_INVALIDARG;
            const auto named = projectNames_.find(ulIndex);
            return copy_out(named != projectNames_.end() ? named->second
                                                         : paths::base_name(project->location()),
                            ppwszName);
        });
}

HRESULT HostProjectManager::SetProjectName(unsigned long ulIndex, LPCWSTR pwszName) {
    return recording_.call(
        "SetProjectName", [&] { return std::string(std::to_string(ulIndex) + ", " + quoted(pwszName)); },
        [&] {
            if (!project_at(ulIndex))
                return E_INVALIDARG;
            projectNames_[ulIndex] = in_text(pwszName);
            return S_OK;
        });
}

HRESULT HostProjectManager::IsInQuickMode() {
    return recording_.call("IsInQuickMode", [&] { return S_FALSE; });
}

HRESULT HostProjectManager::NotifyBufferModified(LPCWSTR pwszFilename) {
    return recording_.call(
        "NotifyBufferModified", [&] { return std::string(quoted(pwszFilename)); },
        [&] {
            for (const auto& project : projects_)
                project->set_build_required(true);
            return S_OK;
        });
}

HRESULT HostProjectManager::IsBuildRequired() {
    return recording_.call("IsBuildRequired", [&] {
        for (const auto& project : projects_)
            if (project->build_required())
                return S_OK;
        return S_FALSE;
    });
}

HRESULT HostProjectManager::CheckFileTimestamps() {
    return recording_.call("CheckFileTimestamps", [&] { return S_OK; });
}

HRESULT HostProjectManager::SaveAllFiles(long bPrompt) {
    // No editor buffers here: nothing is unsaved.
    return recording_.call(
        "SaveAllFiles", [&] { return std::to_string(bPrompt); }, [&] { return S_OK; });
}

HRESULT HostProjectManager::UIShowInsertFilesDialog(_NodeTag tag) {
    return recording_.call(
        "UIShowInsertFilesDialog", [&] { return std::string(tag_text(tag)); },
        [&] {
            return E_NOTIMPL; // a headless host shows no dialogs
        });
}

HRESULT HostProjectManager::UIShowProjectSettingsSheet(unsigned long ulProjectIndex) {
    return recording_.call(
        "UIShowProjectSettingsSheet", [&] { return std::string(std::to_string(ulProjectIndex)); },
        [&] { return E_NOTIMPL; });
}

HRESULT HostProjectManager::UIShowFileSettingsSheet(_NodeTag tag) {
    return recording_.call(
        "UIShowFileSettingsSheet", [&] { return std::string(tag_text(tag)); }, [&] { return E_NOTIMPL; });
}

HRESULT HostProjectManager::UIShowSelectSuiteDialog(unsigned long ulProjectIndex) {
    return recording_.call(
        "UIShowSelectSuiteDialog", [&] { return std::string(std::to_string(ulProjectIndex)); },
        [&] { return E_NOTIMPL; });
}

HRESULT HostProjectManager::UIShowLocateToolsDialog() {
    return recording_.call("UIShowLocateToolsDialog", [&] { return E_NOTIMPL; });
}

HRESULT HostProjectManager::UIProjectSave(unsigned long ulProjectIndex) {
    return recording_.call(
        "UIProjectSave", [&] { return std::string(std::to_string(ulProjectIndex)); },
        [&] {
            HostProject* project = project_at(ulProjectIndex);
            if (!project)
                return E_INVALIDARG;
            return project->SaveProjectFile(ulProjectIndex, nullptr);
        });
}

HRESULT HostProjectManager::UIProjectRemove(unsigned long ulProjectIndex) {
    return recording_.call(
        "UIProjectRemove", [&] { return std::string(std::to_string(ulProjectIndex)); },
        [&] {
            if (ulProjectIndex >= projects_.size())
                return E_INVALIDARG;
            projects_[ulProjectIndex]->unload();
            projects_.erase(projects_.begin() + static_cast<std::ptrdiff_t>(ulProjectIndex));
            return S_OK;
        });
}

HRESULT HostProjectManager::RemoveNode(_NodeTag tag) {
    return recording_.call(
        "RemoveNode", [&] { return std::string(tag_text(tag)); },
        [&] {
            HostProject* project =
                tag.project >= 0 ? project_at(static_cast<unsigned long>(tag.project)) : nullptr;
            if (!project || tag.file < 0)
                return E_INVALIDARG;
            return project->RemoveNode(static_cast<FileCat>(tag.folder),
                                       static_cast<unsigned long>(tag.file));
        });
}

HRESULT HostProjectManager::SetSuite(ISuite* pSuite, unsigned long ulProjectIndex) {
    return recording_.call(
        "SetSuite", [&] { return std::string(std::to_string(ulProjectIndex)); },
        [&] {
            HostProject* project = project_at(ulProjectIndex);
            if (!project)
                return E_INVALIDARG;
            project->set_suite(suite::ComPtr<ISuite>(pSuite));
            return S_OK;
        });
}

HRESULT HostProjectManager::GetDisplay(IProjectDisplay** ppDisplay) {
    return recording_.call("GetDisplay", [&] {
        if (!ppDisplay)
            return E_POINTER;
        return suite::ComPtr<IProjectDisplay>(display_.get()).copy_to(ppDisplay);
    });
}

HRESULT HostProjectManager::GetPreference(unsigned char* pData, unsigned long dwKey) {
    return recording_.call(
        "GetPreference", [&] { return std::string(std::to_string(dwKey)); },
        [&] {
            if (!pData)
                return E_POINTER;
            const auto found = script_.preferences.find(dwKey);
            if (found == script_.preferences.end())
                return E_INVALIDARG;
            const uint32_t value = found->second;
            std::memcpy(pData, &value, sizeof value); // the caller's 4-byte buffer
            return S_OK;
        });
}

HRESULT HostProjectManager::LockMemory() {
    return recording_.call("LockMemory", [&] {
        memoryLocked_ = true;
        return S_OK;
    });
}

HRESULT HostProjectManager::UnlockMemory() {
    return recording_.call("UnlockMemory", [&] {
        memoryLocked_ = false;
        return S_OK;
    });
}

HRESULT HostProjectManager::SetBuildIsUnderway(long bNewState) {
    return recording_.call(
        "SetBuildIsUnderway", [&] { return std::string(std::to_string(bNewState)); },
        [&] {
            underway_ = bNewState != 0;
            return S_OK;
        });
}

HRESULT HostProjectManager::BuildIsUnderway() {
    return recording_.call("BuildIsUnderway", [&] { return underway_ ? S_OK : S_FALSE; });
}

HRESULT HostProjectManager::SaveFile(LPCWSTR pwszFile, long bPrompt) {
    return recording_.call(
        "SaveFile", [&] { return std::string(quoted(pwszFile) + ", prompt=" + std::to_string(bPrompt)); },
        [&] {
            if (!pwszFile)
                return E_POINTER;
            return S_OK;
        });
}

HRESULT HostProjectManager::HostReserved48() {
    return E_NOTIMPL;
}
HRESULT HostProjectManager::HostReserved49() {
    return E_NOTIMPL;
}
HRESULT HostProjectManager::HostReserved50() {
    return E_NOTIMPL;
}

HRESULT HostProjectManager::NotifyToolLocationChanged(ITool* pTool, LPCWSTR pwszPreviousLocation) {
    const auto describe = [&] {
        GUID clsid{};
        const bool known = pTool && SUCCEEDED(tool_class_of(pTool, clsid));
        return "tool=" + (known ? guid_text(&clsid) : "null") + ", previous=" + quoted(pwszPreviousLocation);
    };
    return recording_.call("NotifyToolLocationChanged", describe, [&] {
        if (!pTool)
            return E_POINTER;
        if (script_.onToolLocationChanged)
            script_.onToolLocationChanged(pTool, in_text(pwszPreviousLocation));
        return S_OK;
    });
}

// --- HostDisplay ---

HostDisplay::HostDisplay(std::shared_ptr<Recorder> recorder)
    : recording_(std::move(recorder), "IProjectDisplay") {}

HRESULT HostDisplay::GetVisibility() {
    return recording_.call("GetVisibility", [&] { return visible_ ? S_OK : S_FALSE; });
}

HRESULT HostDisplay::SetVisibility(long bVisible) {
    return recording_.call(
        "SetVisibility", [&] { return std::string(std::to_string(bVisible)); },
        [&] {
            visible_ = bVisible != 0;
            return S_OK;
        });
}

HRESULT HostDisplay::SetManager(IProjectManager* pMgr) {
    // The manager owns the display; nothing to keep.
    return recording_.call(
        "SetManager", [&] { return std::string(pMgr ? "manager" : "null"); }, [&] { return S_OK; });
}

HRESULT HostDisplay::GetWorkspaceName(LPWSTR* ppwszName) {
    return recording_.call("GetWorkspaceName", [&] { return copy_out(workspaceName_, ppwszName); });
}

HRESULT HostDisplay::SetWorkspaceName(LPCWSTR pwszName) {
    return recording_.call(
        "SetWorkspaceName", [&] { return std::string(quoted(pwszName)); },
        [&] {
            workspaceName_ = in_text(pwszName);
            return S_OK;
        });
}

HRESULT HostDisplay::GetProjectName(unsigned long ulIndex, LPWSTR* ppwszName) {
    return recording_.call(
        "GetProjectName", [&] { return std::string(std::to_string(ulIndex)); },
        [&] {
            if (ulIndex >= projectNames_.size())
                return E_INVALIDARG;
            return copy_out(projectNames_[ulIndex], ppwszName);
        });
}

HRESULT HostDisplay::SetProjectName(unsigned long ulIndex, LPCWSTR pwszName) {
    return recording_.call(
        "SetProjectName", [&] { return std::string(std::to_string(ulIndex) + ", " + quoted(pwszName)); },
        [&] {
            if (ulIndex >= projectNames_.size())
                return E_INVALIDARG;
            projectNames_[ulIndex] = in_text(pwszName);
            return S_OK;
        });
}

HRESULT HostDisplay::InsertProject(IProject* pProject, LPCWSTR pwszName) {
    return recording_.call(
        "InsertProject", [&] { return std::string(quoted(pwszName)); },
        [&] {
            if (!pProject)
                return E_POINTER;
            projectNames_.push_back(in_text(pwszName));
            return S_OK;
        });
}

HRESULT HostDisplay::RemoveProject(unsigned long ulIndex) {
    return recording_.call(
        "RemoveProject", [&] { return std::string(std::to_string(ulIndex)); },
        [&] {
            if (ulIndex >= projectNames_.size())
                return E_INVALIDARG;
            projectNames_.erase(projectNames_.begin() + static_cast<std::ptrdiff_t>(ulIndex));
            return S_OK;
        });
}

HRESULT HostDisplay::SetActiveProject(int nIndex) {
    return recording_.call(
        "SetActiveProject", [&] { return std::string(std::to_string(nIndex)); }, [&] { return S_OK; });
}

HRESULT HostDisplay::RefreshProject(unsigned long ulIndex) {
    return recording_.call(
        "RefreshProject", [&] { return std::string(std::to_string(ulIndex)); }, [&] { return S_OK; });
}

HRESULT HostDisplay::SortFilteredFolders(unsigned long ulIndex) {
    return recording_.call(
        "SortFilteredFolders", [&] { return std::string(std::to_string(ulIndex)); }, [&] { return S_OK; });
}

HRESULT HostDisplay::InsertNode(IProjectNode* pNode, unsigned long ulProjectIndex, FileCat FolderIndex,
                                unsigned long* pulFileIndex) {
    return recording_.call(
        "InsertNode",
        [&] {
            return std::string("project=" + std::to_string(ulProjectIndex) +
                               ", folder=" + std::to_string(FolderIndex));
        },
        [&] {
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
    return recording_.call(
        "RemoveNode", [&] { return std::string(tag_text(tag)); },
        [&] {
            auto shown = shownNodes_.find({static_cast<unsigned long>(tag.project), tag.folder});
            if (shown != shownNodes_.end() && shown->second > 0)
                --shown->second;
            return S_OK;
        });
}

HRESULT HostDisplay::SetReqSave(unsigned long ulProjectIndex, long bNewState) {
    return recording_.call(
        "SetReqSave",
        [&] { return std::string(std::to_string(ulProjectIndex) + ", " + std::to_string(bNewState)); },
        [&] {
            saveRequired_[ulProjectIndex] = bNewState != 0;
            return S_OK;
        });
}

HRESULT HostDisplay::GetCurrentNodeTag(_NodeTag* pTag) {
    return recording_.call("GetCurrentNodeTag", [&] {
        if (!pTag)
            return E_POINTER;
        *pTag = current_;
        return S_OK;
    });
}

} // namespace veska::host
