// The suite's build commands.
#include "build_driver.h"

#include "command_line_text.h"
#include "cs_tarniv.h"
#include "lsc.h"
#include "macros.h"
#include "module_instance.h"
#include "resource.h"
#include "text.h"
#include "xlogged.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <ctime>
#include <memory>
#include <new>

namespace suite {

namespace {

using HRException = CS_TARNIV::HRException;

constexpr unsigned long kPreferenceHaltOnFailure = 8;
constexpr unsigned long kPreferenceSaveBeforeBuild = 32;
constexpr uint32_t kSaveWithPrompt = 2;
constexpr size_t kMessageCapacity = 2048;
constexpr size_t kResourceStringCapacity = 1024;
constexpr size_t kErrorFilePiece = 1024; // a line is read in pieces of at most 1023 characters

// The device record as GetPlatInfo fills it; frees the host's strings.
struct PlatInfoOwner {
    _PlatInfo info{};
    PlatInfoOwner() = default;
    PlatInfoOwner(const PlatInfoOwner&) = delete;
    PlatInfoOwner& operator=(const PlatInfoOwner&) = delete;
    ~PlatInfoOwner() {
        CoTaskMemFree(info.pwszName);
        CoTaskMemFree(info.pwszDevType);
    }
};

// The host's memory lock, taken by an accepted NotifyBuildStarted. Given
// back by NotifyBuildSucceeded, or by UnlockMemory on every other way out.
class HostLock {
public:
    explicit HostLock(IProjectManager* manager) noexcept : manager_(manager) {}
    ~HostLock() {
        if (held_)
            manager_->UnlockMemory();
    }
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;
    void taken() noexcept { held_ = true; }
    void released_by_success() noexcept { held_ = false; }

private:
    IProjectManager* manager_;
    bool held_ = false;
};

bool file_exists(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

HRESULT tool_class_of(ITool* tool, GUID& toolClass) {
    return GetEffectiveClassID(&toolClass, tool);
}

// The message of a failed ITool::GenCmdLine.
UINT command_line_failure_message(HRESULT hr) noexcept {
    if (hr == TOOL_E_UNSUPPORTEDDEVICE)
        return IDS_DEVICE_UNSUPPORTED;
    if (hr == TOOL_E_NOTLOCATED)
        return IDS_TOOL_NOT_LOCATED;
    return IDS_CMDLINE_FAILED;
}

constexpr SourceTool kSourceTools[] = {
    {".as", BuildDriver::kAssembler, OP_ASSEMBLE},
    {".c", BuildDriver::kCompiler, OP_COMPILE},
};
constexpr size_t kLongestSuffix = 3;

} // namespace

const SourceTool* source_tool_for(std::string_view suffix) noexcept {
    for (const SourceTool& entry : kSourceTools)
        if (cmdline::equals_ignoring_case(suffix, entry.suffix))
            return &entry;
    return nullptr;
}

const SourceTool* source_tool_for(std::wstring_view suffix) noexcept {
    // Every suffix of the table is plain ASCII: no other text can match.
    char ascii[kLongestSuffix];
    if (suffix.size() > kLongestSuffix)
        return nullptr;
    for (size_t i = 0; i < suffix.size(); ++i) {
        if (suffix[i] > 0x7F)
            return nullptr;
        ascii[i] = static_cast<char>(suffix[i]);
    }
    return source_tool_for(std::string_view(ascii, suffix.size()));
}

// "BUILD %s: %s\n" with the time. Formatted on the stack: a build that ran
// out of memory still says that it failed.
void WriteBuildResult(IProjectManager* manager, bool succeeded) {
    const time_t now = time(nullptr);
    const char* timeText =
        now == static_cast<time_t>(-1) ? nullptr : ctime(&now); // "Tue Dec  8 19:16:00 2026\n"
    wchar_t line[96] = L"BUILD ";
    wcscat(line, succeeded ? L"SUCCEEDED: " : L"FAILED: ");
    size_t length = wcslen(line);
    for (const char* p = timeText ? timeText : "\n"; *p && length + 2 < std::size(line); ++p)
        line[length++] = static_cast<unsigned char>(*p);
    line[length++] = L'\n'; // the time text ends in its own line feed: one empty line follows
    line[length] = L'\0';
    try {
        THROW_IF_FAILED_XLOGGED(manager->WriteBuildMessage(line, nullptr));
    } catch (const XLogged& failure) {
        failure.Log();
    }
}

// The host's "build underway" flag: raised for the span of a command and
// lowered on every way out, after the BUILD line.
class BuildUnderway {
public:
    explicit BuildUnderway(IProjectManager* manager) noexcept : manager_(manager) {
        manager_->SetBuildIsUnderway(1);
    }
    ~BuildUnderway() {
        try {
            THROW_IF_FAILED_XLOGGED(manager_->SetBuildIsUnderway(0));
        } catch (const XLogged& failure) {
            failure.Log();
        }
    }
    BuildUnderway(const BuildUnderway&) = delete;
    BuildUnderway& operator=(const BuildUnderway&) = delete;

private:
    IProjectManager* manager_;
};

BuildDriver::BuildDriver(ToolTable tools, IProject* project, IProjectManager* manager,
                         IProjectManager* suiteManager, const wchar_t* suiteDisplayName)
    : tools_(std::move(tools)), project_(project), manager_(manager), suiteManager_(suiteManager),
      suiteDisplayName_(suiteDisplayName) {}

HRESULT BuildDriver::Process(unsigned long command, const _NodeTag* inputs, unsigned long inputCount) {
    const BuildUnderway underway(manager_.get());
    HRESULT result = S_OK;
    try {
        switch (command) {
        case CMD_BUILD_ALL:
        case CMD_MAKE:
            result = BuildProject(command == CMD_MAKE);
            break;
        case CMD_ASSEMBLE:
            result = RunOnInputs(inputs, inputCount, OP_ASSEMBLE, kAssembler);
            break;
        case CMD_COMPILE:
            result = RunOnInputs(inputs, inputCount, OP_COMPILE, kCompiler);
            break;
        default:
            Report(IDS_UNRECOGNIZED_COMMAND);
            result = E_FAIL;
            break;
        }
    } catch (const std::bad_alloc&) {
        result = E_OUTOFMEMORY;
    }
    WriteBuildResult(manager_.get(), result == S_OK);
    return result;
}

HRESULT BuildDriver::BuildProject(bool make) {
    HRESULT result = S_OK;
    HostLock lock(manager_.get());
    ScopedWorkingDirectory linkDirectory; // restored on every way out
    try {
        const uint32_t save = Preference(kPreferenceSaveBeforeBuild);
        if (save != 0)
            manager_->SaveAllFiles(save == kSaveWithPrompt);

        GUID linkerClass{};
        if (!tools_[kLinker]) {
            result = TOOL_E_NOTLOCATED;
            throw SuiteException(manager_.get(), IDS_TOOL_NOT_LOCATED);
        }
        result = tool_class_of(tools_[kLinker].get(), linkerClass);
        if (FAILED(result))
            throw HRException();
        result = GetProjectDirectory(project_.get(), projectDirectory_);
        if (FAILED(result))
            throw HRException();
        std::string target;
        result = GetTargetPath(project_.get(), linkerClass, target);
        if (FAILED(result))
            throw HRException();

        if (!make) {
            result = project_->Clean();
            if (FAILED(result))
                throw SuiteException(manager_.get(), IDS_CLEAN_FAILED);
        }
        result = manager_->NotifyBuildStarted(text::widen(target).c_str());
        if (result != S_OK) {
            ReportMemoryLocked();
            throw HRException();
        }
        lock.taken();

        result = BuildSources(target, make);
        if (FAILED(result))
            throw HRException();
        if (result == S_FALSE)
            throw SuiteException(manager_.get(), IDS_SKIPPING_LINK);

        std::string directory;
        result = GetLinkDirectory(project_.get(), directory);
        if (SUCCEEDED(result))
            result = EnterWorkingDirectory(directory, linkDirectory);
        if (FAILED(result))
            throw HRException();
        result = LinkTarget(target, directory);
        if (result != S_OK)
            throw HRException();

        project_->SetStable(1);
        project_->SetBuildRequired(0);
        std::string absoluteTarget;
        if (!ResolvePath(target, projectDirectory_, absoluteTarget)) {
            result = E_FAIL;
            throw HRException();
        }
        // A host that did not take the target has not seen a build succeed.
        result = manager_->NotifyBuildSucceeded(text::widen(absoluteTarget).c_str());
        if (FAILED(result))
            throw HRException();
        lock.released_by_success();
        result = S_OK;
    } catch (const SuiteException& failure) {
        failure.Report();
    } catch (const HRException&) {
    }
    return result;
}

HRESULT BuildDriver::BuildSources(const std::string& target, bool make) {
    HRESULT result = S_OK;
    try {
        const unsigned long sourceCount = NodeCount(FCAT_SRC, result);
        if (sourceCount == 0) {
            result = E_FAIL;
            throw SuiteException(manager_.get(), IDS_NO_SOURCE_FILES);
        }
        unsigned long failed = 0;
        const auto halt_requested = [&] { return Preference(kPreferenceHaltOnFailure) != 0; };
        // A source, its object and its error file; headers are fewer.
        if (make)
            facts_.expect(3 * static_cast<size_t>(sourceCount));

        // One set of paths for the whole walk: they keep their buffers.
        std::string location;
        std::string sourceDirectory;
        std::string resolvedSource;
        std::string objectPath;
        for (unsigned long j = 0; j < sourceCount; ++j) {
            const _NodeTag tag{0, FCAT_SRC, static_cast<int>(j)};
            const ComPtr<IProjectNode> node = NodeAt(FCAT_SRC, j, result);
            result = GetNodeLocation(node.get(), location);
            if (FAILED(result))
                throw HRException();

            const SourceTool* sourceTool = source_tool_for(cmdline::file_suffix(location));
            if (!sourceTool) {
                Report(IDS_NO_TOOL_FOR_SUFFIX);
                ++failed;
                if (halt_requested()) {
                    result = E_FAIL;
                    throw SuiteException(manager_.get(), IDS_HALTING_BUILD);
                }
                continue;
            }

            const FileFacts::Facts* sourceFacts = nullptr;
            result = GetSourceDirectory(location, projectDirectory_, sourceDirectory, &facts_,
                                        &resolvedSource, &sourceFacts);
            if (FAILED(result))
                throw HRException();

            HRESULT r = S_OK;
            if (make && IsUpToDate(node.get(), location, *sourceFacts, target, sourceDirectory, objectPath)) {
                message_.assign(L"The target \"");
                text::append_widened(message_, objectPath);
                message_.append(L"\" is already up to date.\n");
                manager_->WriteBuildMessage(message_.c_str(), nullptr);
            } else {
                ScopedWorkingDirectory workingDirectory;
                r = EnterWorkingDirectory(sourceDirectory, workingDirectory);
                if (SUCCEEDED(r))
                    r = RunTool(nullptr, &tag, sourceTool->operation, sourceTool->tool, sourceDirectory);
            }
            if (FAILED(r)) {
                result = r;
                throw HRException();
            }
            if (r == S_FALSE) {
                ++failed;
                if (halt_requested()) {
                    result = E_FAIL;
                    throw SuiteException(manager_.get(), IDS_HALTING_BUILD);
                }
            }
        }
        result = failed != 0 ? S_FALSE : S_OK;
    } catch (const SuiteException& failure) {
        failure.Report();
    } catch (const HRException&) {
    }
    return result;
}

bool BuildDriver::IsUpToDate(IProjectNode* node, const std::string& location, const FileFacts::Facts& source,
                             const std::string& target, const std::string& sourceDirectory,
                             std::string& objectPath) {
    // Only a host that says "stable" may skip a source; one that cannot say
    // gets it rebuilt.
    if (project_->IsStable() != S_OK)
        return false;
    if (AnyHeaderNewerThan(target))
        return false;
    if (FAILED(ObjectPathOf(location, sourceDirectory, objectPath)))
        return false;
    // An object that does not resolve does not exist: no intermediate node
    // can stand for it, and it would be out of date all the same.
    const FileFacts::Facts* object = nullptr;
    if (!ResolvePath(objectPath, projectDirectory_, resolvedObject_, &facts_, &object) ||
        !IsIntermediateFile(resolvedObject_))
        return false;
    if (!object->exists || object->isDirectory)
        return false;
    if (CompareWriteTimes(source, *object) == kDependencyNewer)
        return false;
    return node->IsStable() == S_OK;
}

HRESULT BuildDriver::ObjectPathOf(const std::string& location, const std::string& sourceDirectory,
                                  std::string& objectPath) {
    if (!tmpPath_) {
        std::string tmpPath;
        const HRESULT hr = GetProjectPath(project_.get(), PT_TMP, tmpPath);
        if (FAILED(hr))
            return hr;
        tmpPath_ = std::move(tmpPath);
    }
    // Sources mostly share a folder, and so do their objects.
    if (objectDirectory_.empty() || objectDirectorySource_ != sourceDirectory) {
        objectDirectory_.clear();
        const HRESULT hr = GetObjectDirectory(*tmpPath_, sourceDirectory, objectDirectory_, &facts_);
        if (FAILED(hr)) {
            objectDirectory_.clear();
            return hr;
        }
        objectDirectorySource_ = sourceDirectory;
    }
    return ObjectPathIn(objectDirectory_, location, ".obj", objectPath);
}

void BuildDriver::ForgetFiles() noexcept {
    facts_.forget();
    objectDirectory_.clear(); // the tool may have made the temporary folder
}

bool BuildDriver::AnyHeaderNewerThan(const std::string& target) {
    if (headerNewerThanTarget_)
        return *headerNewerThanTarget_;
    bool newer = false;
    unsigned long headerCount = 0;
    if (SUCCEEDED(project_->GetNumNodes(&headerCount, FCAT_INC))) {
        std::string location;
        for (unsigned long i = 0; i < headerCount && !newer; ++i) {
            ComPtr<IProjectNode> header;
            if (FAILED(project_->GetNode(header.put(), FCAT_INC, i)) || !header ||
                FAILED(GetNodeLocation(header.get(), location)))
                continue;
            newer = IsNotNewer(location, target, projectDirectory_, &facts_) == kDependencyNewer;
        }
    }
    headerNewerThanTarget_ = newer;
    return newer;
}

bool BuildDriver::IsIntermediateFile(const std::string& resolvedPath) {
    if (!intermediateFiles_) {
        intermediateFiles_.emplace();
        unsigned long count = 0;
        if (SUCCEEDED(project_->GetNumNodes(&count, FCAT_INT))) {
            std::string location;
            for (unsigned long i = 0; i < count; ++i) {
                ComPtr<IProjectNode> intermediate;
                if (FAILED(project_->GetNode(intermediate.put(), FCAT_INT, i)) || !intermediate ||
                    FAILED(GetNodeLocation(intermediate.get(), location)))
                    continue;
                // Objects end in ".obj": listings and error files can only
                // match through a short name, which has a "~".
                if (!cmdline::equals_ignoring_case(cmdline::file_suffix(location), ".obj") &&
                    location.find('~') == std::string::npos)
                    continue;
                RememberIntermediateFile(location);
            }
        }
    }
    return intermediateFiles_->find(resolvedPath) != nullptr;
}

void BuildDriver::RememberIntermediateFile(const std::string& location) {
    if (!intermediateFiles_)
        return; // read in full when first needed
    if (ResolvePath(location, projectDirectory_, resolvedIntermediate_, &facts_))
        intermediateFiles_->insert(resolvedIntermediate_, NoValue{});
}

HRESULT BuildDriver::LinkTarget(const std::string& target, const std::string& linkDirectory) {
    HRESULT result = S_OK;
    try {
        // The count is not used: the link runs with or without linker scripts.
        NodeCount(FCAT_LKR, result);
        result = RunTool(&target, nullptr, OP_LINK, kLinker, linkDirectory);
        if (FAILED(result))
            throw SuiteException(manager_.get(), IDS_LINK_FAILED);
    } catch (const SuiteException& failure) {
        failure.Report();
    } catch (const HRException&) {
    }
    return result;
}

unsigned long BuildDriver::NodeCount(FileCat folder, HRESULT& result) {
    unsigned long count = 0;
    result = project_->GetNumNodes(&count, folder);
    if (FAILED(result))
        throw HRException();
    return count;
}

ComPtr<IProjectNode> BuildDriver::NodeAt(FileCat folder, ULONG index, HRESULT& result) {
    ComPtr<IProjectNode> node;
    result = project_->GetNode(node.put(), folder, index);
    if (SUCCEEDED(result) && !node)
        result = E_POINTER;
    if (FAILED(result))
        throw SuiteException(manager_.get(), IDS_PROJECT_CORRUPTED);
    return node;
}

HRESULT BuildDriver::RunOnInputs(const _NodeTag* inputs, unsigned long inputCount, unsigned long op,
                                 ToolIndex tool) {
    HRESULT result = S_OK;
    try {
        result = GetProjectDirectory(project_.get(), projectDirectory_);
        if (FAILED(result))
            throw HRException();
        const ComPtr<IProjectManagerEx> managerEx = manager_.as<IProjectManagerEx>();
        unsigned long failed = 0;
        for (unsigned long j = 0; j < inputCount; ++j) {
            const _NodeTag& tag = inputs[j];
            const ComPtr<IProjectNode> node =
                NodeAt(static_cast<FileCat>(tag.folder), static_cast<ULONG>(tag.file), result);
            std::string location;
            std::string directory;
            result = GetNodeLocation(node.get(), location);
            if (SUCCEEDED(result))
                result = GetSourceDirectory(location, projectDirectory_, directory);
            if (FAILED(result))
                throw HRException();
            ScopedWorkingDirectory workingDirectory;
            result = EnterWorkingDirectory(directory, workingDirectory);
            if (FAILED(result))
                throw HRException();

            if (managerEx) {
                const uint32_t save = Preference(kPreferenceSaveBeforeBuild);
                if (save != 0)
                    managerEx->SaveFile(text::widen(location).c_str(), save == kSaveWithPrompt);
            }
            const HRESULT r = RunTool(nullptr, &tag, op, tool, directory);
            if (FAILED(r)) {
                result = r;
                throw HRException();
            }
            if (r == S_FALSE)
                ++failed;
        }
        result = failed != 0 ? S_FALSE : S_OK;
    } catch (const SuiteException& failure) {
        failure.Report();
    } catch (const HRException&) {
    }
    return result;
}

HRESULT BuildDriver::RunTool(const std::string* target, const _NodeTag* tag, unsigned long op, ToolIndex tool,
                             const std::string& workingDirectory) {
    const bool link = op == OP_LINK;
    HRESULT result = S_OK;
    try {
        ITool* const runner = tools_[tool].get();
        if (!runner) {
            result = TOOL_E_NOTLOCATED;
            throw SuiteException(manager_.get(), IDS_TOOL_NOT_LOCATED);
        }
        GUID toolClass{};
        result = tool_class_of(runner, toolClass);
        if (FAILED(result))
            throw HRException();
        PlatInfoOwner device;
        manager_->GetPlatInfo(&device.info);

        result = CheckToolLocationStamp(runner, project_.get(), suiteManager_.get());
        if (FAILED(result))
            throw HRException();

        ComPtr<IProjectNode> node;
        std::string location;
        if (!link) {
            node = NodeAt(static_cast<FileCat>(tag->folder), static_cast<ULONG>(tag->file), result);
            result = GetNodeLocation(node.get(), location);
            if (FAILED(result))
                throw HRException();
        }

        CoTaskString line;
        result = runner->GenCmdLine(line.put(), op, &device.info, project_.get());
        if (SUCCEEDED(result) && !line)
            result = E_POINTER;
        if (FAILED(result))
            throw SuiteException(manager_.get(), command_line_failure_message(result));
        if (link)
            ExpandObjsAndLibs(line.inout(), project_.get(),
                              &facts_); // a failure leaves the macro to the host

        ComPtr<IToolArgs> args;
        if (link) {
            result = project_->GetProjectToolArgsByCLSID(&toolClass, args.put());
        } else {
            result = project_->GetFileToolArgsByCLSID(static_cast<FileCat>(tag->folder),
                                                      static_cast<ULONG>(tag->file), &toolClass, args.put());
            // A file that keeps the project's settings uses the project's object.
            if (FAILED(result) || !args || args->IsDefault() == S_OK)
                result = project_->GetProjectToolArgsByCLSID(&toolClass, args.put());
        }
        if (SUCCEEDED(result) && !args)
            result = E_FAIL;
        if (FAILED(result))
            throw SuiteException(manager_.get(), IDS_NO_TOOL_SETTINGS);
        result = args->GenCmdLine(line.inout(), op, &device.info);
        if (FAILED(result))
            throw SuiteException(manager_.get(), IDS_CMDLINE_FAILED);

        ComPtr<ISuiteArgs> suiteArgs;
        result = project_->GetSuiteArgs(suiteArgs.put());
        if (SUCCEEDED(result) && !suiteArgs)
            result = E_FAIL;
        if (SUCCEEDED(result))
            result = suiteArgs->GenCmdLine(line.inout(), op, &device.info);
        if (FAILED(result))
            throw SuiteException(manager_.get(), IDS_CMDLINE_FAILED);

        if (link)
            ExpandTargetBase(line.inout(), project_.get()); // a failure leaves the macro to the host
        result = ExpandDirMacros(line.inout(), project_.get());
        if (FAILED(result))
            throw HRException();
        _NodeTag input = link ? _NodeTag{-1, -1, -1} : *tag;
        result = project_->GenCmdLine(line.inout(), link ? nullptr : &input, 1, op, &device.info);
        if (SUCCEEDED(result) && !line)
            result = E_POINTER;
        if (FAILED(result))
            throw SuiteException(manager_.get(), IDS_CMDLINE_FAILED);

        unsigned long exitCode = 0;
        result = manager_->ExecuteCmdLine(line.get(), &exitCode, &toolClass, project_.get(), ECL_TARNIVHACK);
        if (FAILED(result))
            throw HRException();
        ForgetFiles();

        // A missing file can cost a search of its whole folder: look once.
        std::string errorFile;
        const HRESULT errorPath = GetErrorFilePath(project_.get(), link ? *target : location, toolClass,
                                                   workingDirectory, errorFile);
        const bool errorFileExists = SUCCEEDED(errorPath) && file_exists(errorFile);
        AddBuildOutputs(target, node.get(), location, workingDirectory,
                        SUCCEEDED(errorPath) ? &errorFile : nullptr, errorFileExists);
        result = errorPath;
        if (SUCCEEDED(result) && errorFileExists)
            result = EchoErrorFile(errorFile, toolClass);
        if (FAILED(result))
            throw HRException();
        result = runner->EvalReturnCode(static_cast<int>(exitCode));
    } catch (const SuiteException& failure) {
        failure.Report();
    } catch (const HRException&) {
    }
    return result;
}

HRESULT BuildDriver::EchoErrorFile(const std::string& errorFile, const GUID& toolClass) {
    const suite::UniqueFile file(fopen(errorFile.c_str(), "rt"));
    if (!file)
        return S_OK; // no error file: nothing to copy
    GUID tool = toolClass;
    char piece[kErrorFilePiece];
    while (fgets(piece, sizeof piece, file.get()))
        manager_->WriteBuildMessage(text::widen(piece).c_str(), &tool);
    return S_OK;
}

HRESULT BuildDriver::AddBuildOutputs(const std::string* target, IProjectNode* node,
                                     const std::string& location, const std::string& workingDirectory,
                                     const std::string* errorFile, bool errorFileExists) {
    const bool link = node == nullptr;
    std::string output;
    HRESULT hr = S_OK;
    if (link) {
        output = *target;
    } else {
        hr = GetObjectPath(project_.get(), location, ".obj", workingDirectory, output);
        node->SetStable(1);
    }
    if (SUCCEEDED(hr) && !errorFile)
        hr = E_FAIL; // no error file path: the tool's outputs are not known
    if (FAILED(hr))
        return hr;
    if (file_exists(output)) {
        hr = InsertOutputNode(output, link ? FCAT_OUT : FCAT_INT);
        if (FAILED(hr))
            return hr;
    }
    if (errorFileExists)
        hr = InsertOutputNode(*errorFile, FCAT_INT);
    return hr;
}

HRESULT BuildDriver::InsertOutputNode(const std::string& path, FileCat folder) {
    ComPtr<IProjectNode> node;
    HRESULT hr = CoCreateInstance(CLSID_HostProjectNode, nullptr, kClassContext, __uuidof(IProjectNode),
                                  node.put_void());
    if (SUCCEEDED(hr) && !node)
        hr = E_POINTER;
    if (SUCCEEDED(hr))
        hr = node->SetLocation(text::widen(path).c_str());
    if (FAILED(hr))
        return hr;
    FileCat insertedInto = folder;
    unsigned long index = 0;
    hr = project_->InsertNode(node.get(), &insertedInto, &index, 1);
    if (SUCCEEDED(hr) && folder == FCAT_INT)
        RememberIntermediateFile(path);
    return hr;
}

uint32_t BuildDriver::Preference(unsigned long key) const {
    unsigned char value[4] = {};
    if (FAILED(manager_->GetPreference(value, key)))
        return 0;
    uint32_t result;
    memcpy(&result, value, sizeof result);
    return result;
}

void BuildDriver::Report(UINT messageId) const {
    SuiteException(manager_.get(), messageId).Report();
}

void BuildDriver::ReportMemoryLocked() const {
    char format[kResourceStringCapacity] = "";
    if (LoadStringA(module_instance(), IDS_MEMORY_LOCKED, format, sizeof format) <= 0) {
        Report(IDS_MEMORY_LOCKED); // writes the text for a message that cannot be loaded
        return;
    }
    // The display name goes where the message has "%s", within 2048 characters.
    std::string message = format;
    std::string name;
    text::narrow(suiteDisplayName_, name);
    const size_t placeholder = message.find("%s");
    if (placeholder != std::string::npos)
        message.replace(placeholder, 2, name);
    if (message.size() > kMessageCapacity - 1)
        message.resize(kMessageCapacity - 1);
    manager_->WriteBuildMessage(text::widen(message).c_str(), nullptr);
}

} // namespace suite

HRESULT CS_TARNIV::Process(unsigned long command, _NodeTag* inputs, unsigned long inputCount,
                           IProject* project, IProjectManager* manager) {
    if (!inputs || !project || !manager)
        return E_POINTER;
    try {
        using suite::BuildDriver;
        BuildDriver driver({suite::ComPtr<ITool>(tool(BuildDriver::kAssembler)),
                            suite::ComPtr<ITool>(tool(BuildDriver::kCompiler)),
                            suite::ComPtr<ITool>(tool(BuildDriver::kLinker))},
                           project, manager, this->manager(), kDisplayName);
        return driver.Process(command, inputs, inputCount);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT CS_TARNIV::Build(_NodeTag* inputs, unsigned long inputCount, IProject* project,
                         IProjectManager* manager) {
    return Process(CMD_BUILD_ALL, inputs, inputCount, project, manager);
}

HRESULT CS_TARNIV::Make(_NodeTag* inputs, unsigned long inputCount, IProject* project,
                        IProjectManager* manager) {
    return Process(CMD_MAKE, inputs, inputCount, project, manager);
}
