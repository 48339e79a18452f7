#include "host_project.h"

#include "project_file.h"

#include <algorithm>
#include <unordered_set>

namespace veska::host {

namespace {

// Replaces every macro of the table in one pass: inserted text is never
// scanned again, so a file name holding "$(...)" stays as it is.
std::wstring expand_once(const std::wstring& line,
                         const std::vector<std::pair<std::wstring, std::wstring>>& macros) {
    std::wstring result;
    result.reserve(line.size());
    for (size_t at = 0; at < line.size();) {
        const auto macro = std::find_if(macros.begin(), macros.end(), [&](const auto& entry) {
            return line[at] == L'$' && line.compare(at, entry.first.size(), entry.first) == 0;
        });
        if (macro == macros.end()) {
            result += line[at++];
            continue;
        }
        result += macro->second;
        at += macro->first.size();
    }
    return result;
}

// Entries of a suffix list: "*.c;*.as", ".c .as" or "c,as" all name .c and .as.
bool suffix_listed(const std::wstring& list, const std::wstring& extension) {
    if (extension.empty())
        return false;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find_first_of(L";, ", start);
        if (end == std::wstring::npos)
            end = list.size();
        std::wstring entry = list.substr(start, end - start);
        if (!entry.empty() && entry[0] == L'*')
            entry.erase(0, 1);
        if (!entry.empty() && entry[0] != L'.')
            entry.insert(0, 1, L'.');
        if (!entry.empty() && paths::equal_ignoring_case(entry, extension))
            return true;
        start = end + 1;
    }
    return false;
}

} // namespace

HostProject::HostProject(std::shared_ptr<Recorder> recorder) : recording_(std::move(recorder), "IProject") {}

HostProject::~HostProject() {
    unload();
}

suite::ComPtr<HostProjectNode> HostProject::add_file(FileCat folder, std::wstring location) {
    auto node = suite::com::make<HostProjectNode>(recording_.recorder(), std::move(location));
    Folder& files = folders_.at(static_cast<size_t>(folder));
    files.push_back(suite::ComPtr<IProjectNode>(node.get()));
    if (lookups_[folder])
        lookups_[folder]->emplace(lookup_key(node->location()), files.size() - 1);
    return node;
}

std::wstring HostProject::location_of(IProjectNode* node) {
    if (HostProjectNode* own = HostProjectNode::from(node))
        return own->location();
    suite::CoTaskString location;
    if (node && SUCCEEDED(node->GetLocation(location.put())))
        return location.c_str();
    return {};
}

std::vector<std::wstring> HostProject::locations(FileCat folder) const {
    std::vector<std::wstring> result;
    for (const auto& node : folders_.at(static_cast<size_t>(folder)))
        result.push_back(location_of(node.get()));
    return result;
}

void HostProject::set_tool_location_stamp(const std::wstring& clsidText, std::wstring location) {
    auto& entry = stamps_[paths::upper(clsidText)];
    if (entry.first.empty())
        entry.first = clsidText;
    entry.second = std::move(location);
}

const std::wstring* HostProject::tool_location_stamp(const std::wstring& clsidText) const {
    const auto found = stamps_.find(paths::upper(clsidText));
    return found == stamps_.end() ? nullptr : &found->second.second;
}

HostProject::Folder* HostProject::folder_at(long index) {
    return index >= 0 && index < FCAT_NUM_CATS ? &folders_[static_cast<size_t>(index)] : nullptr;
}

suite::ComPtr<IProjectNode> HostProject::node(long folder, size_t index) const {
    const Folder* files = folder_at(folder);
    return files && index < files->size() ? (*files)[index] : nullptr;
}

std::wstring HostProject::lookup_key(const std::wstring& location) const {
    return paths::upper(paths::absolute(location, project_directory()));
}

std::unordered_map<std::wstring, size_t>& HostProject::lookup(long folder) {
    auto& index = lookups_[folder];
    if (!index) {
        index.emplace();
        const Folder& files = folders_[folder];
        for (size_t i = 0; i < files.size(); ++i)
            index->emplace(lookup_key(location_of(files[i].get())), i); // the first of equal ones wins
    }
    return *index;
}

void HostProject::forget_lookup() noexcept {
    lookups_.fill(std::nullopt);
}

suite::ComPtr<IToolArgs> HostProject::args_by_index(const ToolArgsList& list, unsigned int index) const {
    suite::ComPtr<ITool> tool;
    GUID clsid;
    if (suite_ && suite_->GetTool(index, tool.put()) == S_OK && tool &&
        SUCCEEDED(tool_class_of(tool.get(), clsid)))
        return find_tool_args(list, clsid);
    return index < list.size() ? list[index].second : nullptr;
}

HRESULT HostProject::expand_macros(std::wstring& line, const _NodeTag* input) const {
    std::vector<std::pair<std::wstring, std::wstring>> macros;
    if (input) {
        const suite::ComPtr<IProjectNode> file = node(input->folder, static_cast<size_t>(input->file));
        if (input->file < 0 || !file)
            return E_INVALIDARG;
        // Tools run in the source's directory: a relative location is made
        // absolute against the project directory, as the file is meant.
        const std::wstring location = paths::absolute(location_of(file.get()), project_directory());
        macros.emplace_back(L"$(INFILEBASE)", paths::base_name(location));
        macros.emplace_back(L"$(INFILE)", location);
    }
    macros.emplace_back(L"$(TMPDIR_)", paths::with_separator(path(PT_TMP)));
    std::wstring expanded = expand_once(line, macros);
    if (expanded.size() > kMaxCommandLine)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    line = std::move(expanded);
    return S_OK;
}

std::function<bool(const std::wstring&)> HostProject::build_output_rule() const {
    const std::wstring directory = project_directory();
    std::unordered_set<std::wstring> listedFiles; // lookup keys of the files before the intermediate ones
    for (int folder = FCAT_FIRST; folder < FCAT_INT; ++folder)
        for (const auto& node : folders_[folder])
            listedFiles.insert(lookup_key(location_of(node.get())));
    std::unordered_set<std::wstring> sourceFolders; // upper case
    for (const auto& node : folders_[FCAT_SRC])
        sourceFolders.insert(
            paths::upper(paths::directory_of(paths::absolute(location_of(node.get()), directory))));
    return [this, directory, listedFiles = std::move(listedFiles),
            sourceFolders = std::move(sourceFolders)](const std::wstring& location) {
        if (paths::equal_ignoring_case(location, location_) ||
            paths::equal_ignoring_case(location, state_path_of(location_)) ||
            listedFiles.count(lookup_key(location)))
            return false;
        if (paths::is_inside(location, directory))
            return true;
        for (const PathType type : {PT_TMP, PT_BIN})
            if (!path(type).empty() && paths::is_inside(location, paths::absolute(path(type), directory)))
                return true;
        return sourceFolders.count(paths::upper(paths::directory_of(location))) != 0;
    };
}

HRESULT HostProject::clean() {
    HRESULT result = S_OK;
    const auto mayBeOutput = build_output_rule();
    for (const FileCat category : {FCAT_INT, FCAT_OUT}) {
        Folder kept;
        for (auto& node : folders_[category]) {
            const std::wstring file = paths::absolute(location_of(node.get()), project_directory());
            if (!file.empty() && mayBeOutput(file) && !DeleteFileW(file.c_str()) &&
                GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES) {
                // Still there (in use, read-only): keep its node and report.
                if (result == S_OK)
                    result = HRESULT_FROM_WIN32(GetLastError());
                kept.push_back(std::move(node));
                continue;
            }
            if (HostProjectNode* own = HostProjectNode::from(node.get()))
                own->purge_args();
        }
        folders_[category] = std::move(kept);
        forget_lookup();
    }
    buildRequired_ = true;
    return result;
}

void HostProject::drop_nodes(bool foreignToo) noexcept {
    for (Folder& files : folders_) {
        for (auto& node : files)
            if (HostProjectNode* own = HostProjectNode::from(node.get()))
                own->purge_args();
            else if (node && foreignToo)
                node->PurgeArgs();
        files.clear();
    }
    forget_lookup();
}

void HostProject::clear_model() noexcept {
    drop_nodes(false);
    for (std::wstring& path : paths_)
        path.clear();
    projectArgs_.clear();
    suiteArgs_ = nullptr;
    stamps_.clear();
    stable_ = false;
    buildRequired_ = true;
}

void HostProject::unload() noexcept {
    drop_nodes(true);
    projectArgs_.clear();
    suiteArgs_ = nullptr;
    suite_ = nullptr;
}

HRESULT HostProject::GenCmdLine(LPWSTR* ppwszCmdLine, _NodeTag* pInputNode, unsigned long ulNumInputs,
                                unsigned long Op, _PlatInfo*) {
    const LPCWSTR incoming = ppwszCmdLine ? *ppwszCmdLine : nullptr;
    return recording_.call(
        "GenCmdLine", {incoming, {"node", pInputNode}, {"count", ulNumInputs}, {"op", Op}}, [&] {
            if (!ppwszCmdLine)
                return E_POINTER;
            std::wstring line = *ppwszCmdLine ? *ppwszCmdLine : L"";
            const HRESULT expanded = expand_macros(line, ulNumInputs ? pInputNode : nullptr);
            if (FAILED(expanded))
                return expanded;
            suite::CoTaskString result = suite::CoTaskString::copy_of(line.c_str(), line.size());
            if (!result)
                return E_OUTOFMEMORY;
            // The incoming string is ours to free once the new one exists.
            CoTaskMemFree(*ppwszCmdLine);
            *ppwszCmdLine = result.release();
            return S_OK;
        });
}

HRESULT HostProject::LoadProjectFile(LPCWSTR pwszPath) {
    return recording_.call(__func__, {pwszPath}, [&] {
        if (!pwszPath)
            return E_POINTER;
        return load_project_file(*this, pwszPath);
    });
}

HRESULT HostProject::SaveProjectFile(unsigned long ulProjectIndex, LPCWSTR pwszPath) {
    return recording_.call(__func__, {ulProjectIndex, pwszPath}, [&] {
        const std::wstring target = pwszPath && *pwszPath ? std::wstring(pwszPath) : location_;
        if (target.empty())
            return E_INVALIDARG;
        const HRESULT saved = save_project_file(*this, target);
        if (SUCCEEDED(saved))
            saveRequired_ = false;
        return saved;
    });
}

HRESULT HostProject::RemoveAllNodes() {
    return recording_.call(__func__, [&] {
        drop_nodes(false);
        saveRequired_ = true;
    });
}

HRESULT HostProject::GetNumNodes(unsigned long* pulNumNodes, FileCat FolderIndex) {
    return recording_.call(__func__, {{"folder", FolderIndex}}, [&] {
        const Folder* files = folder_at(FolderIndex);
        return files ? value_out(files->size(), pulNumNodes) : pulNumNodes ? E_INVALIDARG : E_POINTER;
    });
}

HRESULT HostProject::InsertNode(IProjectNode* pNode, FileCat* pFolderIndex, unsigned long* pulFileIndex,
                                long bQuiet) {
    const auto node = [&] { return quoted(pNode ? location_of(pNode).c_str() : nullptr); };
    const std::initializer_list<Argument> arguments{
        Argument::deferred(node), {"folder", pFolderIndex}, {"quiet", bQuiet}};
    return recording_.call(__func__, arguments, [&] {
        if (!pNode || !pFolderIndex)
            return E_POINTER;
        const std::wstring location = location_of(pNode);
        Folder* files = folder_at(*pFolderIndex);
        if (!files)
            return E_INVALIDARG;
        // A file is listed once per folder: a rebuild inserts the same
        // object again, and the folder keeps the node it already has.
        const auto [known, added] = lookup(*pFolderIndex).emplace(lookup_key(location), files->size());
        if (added) {
            files->push_back(suite::ComPtr<IProjectNode>(pNode));
            saveRequired_ = true;
        }
        if (pulFileIndex)
            *pulFileIndex = static_cast<unsigned long>(known->second);
        return S_OK;
    });
}

HRESULT HostProject::RemoveNode(FileCat FolderIndex, unsigned long ulFileIndex) {
    return recording_.call(__func__, {{"folder", FolderIndex}, {"file", ulFileIndex}}, [&] {
        Folder* files = folder_at(FolderIndex);
        if (!files || ulFileIndex >= files->size())
            return E_INVALIDARG;
        if (HostProjectNode* own = HostProjectNode::from((*files)[ulFileIndex].get()))
            own->purge_args();
        files->erase(files->begin() + static_cast<std::ptrdiff_t>(ulFileIndex));
        forget_lookup();
        saveRequired_ = true;
        return S_OK;
    });
}

HRESULT HostProject::GetFileToolArgsByCLSID(FileCat FolderIndex, unsigned long ulFileIndex, GUID* clsidTool,
                                            IToolArgs** ppArgs) {
    const std::initializer_list<Argument> arguments{
        {"folder", FolderIndex}, {"file", ulFileIndex}, {"tool", clsidTool}};
    return recording_.call(__func__, arguments, [&] {
        const suite::ComPtr<IProjectNode> file = node(FolderIndex, ulFileIndex);
        if (!ppArgs || !clsidTool || !file)
            return object_out<IToolArgs>(nullptr, ppArgs, clsidTool ? E_INVALIDARG : E_POINTER);
        suite::ComPtr<IToolArgs> found;
        if (HostProjectNode* own = HostProjectNode::from(file.get()))
            found = own->args_for(*clsidTool);
        else if (FAILED(file->GetArgsByCLSID(found.put(), clsidTool)))
            found = nullptr;
        return object_out(found.get(), ppArgs, S_FALSE);
    });
}

HRESULT HostProject::GetFileToolArgsByIndex(FileCat FolderIndex, unsigned long ulFileIndex,
                                            unsigned int uiToolIndex, IToolArgs** ppArgs) {
    const std::initializer_list<Argument> arguments{
        {"folder", FolderIndex}, {"file", ulFileIndex}, {"tool", uiToolIndex}};
    return recording_.call(__func__, arguments, [&] {
        const suite::ComPtr<IProjectNode> file = node(FolderIndex, ulFileIndex);
        if (!ppArgs || !file)
            return object_out<IToolArgs>(nullptr, ppArgs, E_INVALIDARG);
        suite::ComPtr<IToolArgs> found;
        if (HostProjectNode* own = HostProjectNode::from(file.get()))
            found = args_by_index(own->args(), uiToolIndex);
        else if (FAILED(file->GetArgsByIndex(found.put(), uiToolIndex)))
            found = nullptr;
        return object_out(found.get(), ppArgs, S_FALSE);
    });
}

HRESULT HostProject::GetFileToolArgsBySuffix(IToolArgs*** pppArgs, unsigned long* pulCount,
                                             FileCat FolderIndex, unsigned long ulFileIndex) {
    return recording_.call(__func__, {{"folder", FolderIndex}, {"file", ulFileIndex}}, [&] {
        if (!pppArgs || !pulCount)
            return E_POINTER;
        *pppArgs = nullptr;
        *pulCount = 0;
        const suite::ComPtr<IProjectNode> file = node(FolderIndex, ulFileIndex);
        if (!file)
            return E_INVALIDARG;
        std::vector<suite::ComPtr<IToolArgs>> found;
        for (GUID tool : tools_for_suffix(suite_.get(), paths::extension_of(location_of(file.get())))) {
            suite::ComPtr<IToolArgs> args;
            if (SUCCEEDED(file->GetArgsByCLSID(args.put(), &tool)) && args)
                found.push_back(std::move(args));
        }
        if (found.empty())
            return S_FALSE;
        auto* result = static_cast<IToolArgs**>(CoTaskMemAlloc(found.size() * sizeof(IToolArgs*)));
        if (!result)
            return E_OUTOFMEMORY;
        for (size_t i = 0; i < found.size(); ++i)
            result[i] = found[i].detach();
        *pppArgs = result;
        *pulCount = static_cast<unsigned long>(found.size());
        return S_OK;
    });
}

HRESULT HostProject::SetFolderSuffix(LPCWSTR pwszSuffixList, FileCat FolderIndex) {
    return recording_.call(__func__, {pwszSuffixList, {"folder", FolderIndex}}, [&] {
        if (!folder_at(FolderIndex))
            return E_INVALIDARG;
        suffixes_[FolderIndex] = in_text(pwszSuffixList);
        return S_OK;
    });
}

HRESULT HostProject::SortBySuffix() {
    return recording_.call(__func__, [&] {
        // Files of the unknown folder move to the first filtered folder whose
        // suffix list names their suffix, keeping their order.
        Folder unknown;
        for (auto& node : folders_[FCAT_UNK]) {
            const std::wstring extension = paths::extension_of(location_of(node.get()));
            Folder* target = nullptr;
            for (long folder = FCAT_FIRST_FILTERED; folder < FCAT_NUM_FILTERED && !target; ++folder)
                if (suffix_listed(suffixes_[folder], extension))
                    target = &folders_[folder];
            (target ? *target : unknown).push_back(std::move(node));
        }
        folders_[FCAT_UNK] = std::move(unknown);
        forget_lookup();
    });
}

HRESULT HostProject::SetLocation(LPCWSTR pwszLoc) {
    return recording_.call(__func__, {pwszLoc}, [&] {
        if (!pwszLoc)
            return E_POINTER;
        set_location(pwszLoc);
        saveRequired_ = true;
        return S_OK;
    });
}

HRESULT HostProject::GetPath(LPWSTR* ppwszPath, PathType Type) {
    return recording_.call(__func__, {{"type", Type}}, [&] {
        if (!ppwszPath)
            return E_POINTER;
        *ppwszPath = nullptr;
        if (Type < PT_FIRST_PATH_TYPE || Type >= PT_NUM_PATH_TYPES)
            return E_INVALIDARG;
        return copy_out(paths_[Type], ppwszPath);
    });
}

HRESULT HostProject::SetPath(LPCWSTR pwszPath, PathType Type) {
    return recording_.call(__func__, {pwszPath, {"type", Type}}, [&] {
        if (Type < PT_FIRST_PATH_TYPE || Type >= PT_NUM_PATH_TYPES)
            return E_INVALIDARG;
        paths_[Type] = in_text(pwszPath);
        saveRequired_ = true;
        return S_OK;
    });
}

HRESULT HostProject::TranslateToolMessage(LPWSTR* ppwszFile, unsigned long* pulLine, unsigned long* pulColumn,
                                          LPCWSTR pwszMsg, GUID* clsidTool) {
    return recording_.call(__func__, {pwszMsg, {"tool", clsidTool}}, [&] {
        if (!clsidTool)
            return E_POINTER;
        const suite::ComPtr<ITool> tool = find_tool(suite_.get(), *clsidTool);
        if (!tool)
            return E_FAIL;
        return tool->TranslateToolMessage(ppwszFile, pulLine, pulColumn, pwszMsg);
    });
}

HRESULT HostProject::SetDefaultNodesStable(long bNewState) {
    return recording_.call(__func__, {bNewState}, [&] {
        // Files without settings of their own follow the project's settings.
        for (const Folder& files : folders_)
            for (const auto& node : files)
                if (HostProjectNode* own = HostProjectNode::from(node.get());
                    own && std::all_of(own->args().begin(), own->args().end(), [](const auto& entry) {
                        return !entry.second || entry.second->IsDefault() == S_OK;
                    }))
                    own->set_stable(bNewState != 0);
    });
}

HRESULT HostProject::GetToolLocStamp(LPWSTR* ppwszLoc, LPCWSTR pwszclsid) {
    return recording_.call(__func__, {pwszclsid}, [&] {
        const std::wstring* stamp = pwszclsid ? tool_location_stamp(pwszclsid) : nullptr;
        if (stamp)
            return copy_out(*stamp, ppwszLoc);
        if (ppwszLoc)
            *ppwszLoc = nullptr;
        return ppwszLoc && pwszclsid ? S_FALSE : E_POINTER;
    });
}

HRESULT HostProject::SetToolLocStamp(LPCWSTR pwszLoc, LPCWSTR pwszclsid) {
    return recording_.call(__func__, {pwszLoc, pwszclsid}, [&] {
        if (!pwszLoc || !pwszclsid)
            return E_POINTER;
        set_tool_location_stamp(pwszclsid, pwszLoc);
        saveRequired_ = true;
        return S_OK;
    });
}

HRESULT tool_class_of(IUnknown* tool, GUID& clsid) {
    if (!tool)
        return E_POINTER;
    suite::ComPtr<ILegacyAlias> alias;
    if (SUCCEEDED(tool->QueryInterface(IID_ILegacyAlias, alias.put_void())) && alias)
        return alias->GetAlias(&clsid);
    suite::ComPtr<IPersist> persist;
    const HRESULT queried = tool->QueryInterface(IID_IPersist, persist.put_void());
    if (FAILED(queried))
        return queried;
    return persist->GetClassID(&clsid);
}

std::vector<GUID> tools_for_suffix(ISuite* suite, const std::wstring& suffix) {
    GUID** tools = nullptr;
    unsigned long count = 0;
    std::vector<GUID> result;
    if (!suite || suite->GetCLSIDOfToolForSuffix(&tools, &count, suffix.c_str()) != S_OK || !tools)
        return result;
    // The array is the suite's to hand over; the GUIDs it points at are static.
    const suite::CoTaskPtr<GUID*> owned(tools);
    for (unsigned long i = 0; i < count; ++i)
        if (owned.get()[i])
            result.push_back(*owned.get()[i]);
    return result;
}

std::vector<HostProjectNode*> HostProject::own_nodes(FileCat folder) const {
    std::vector<HostProjectNode*> result;
    for (const auto& node : folders_.at(static_cast<size_t>(folder)))
        if (HostProjectNode* own = HostProjectNode::from(node.get()))
            result.push_back(own);
    return result;
}

std::vector<std::pair<GUID, suite::ComPtr<ITool>>> suite_tools(ISuite* suite) {
    std::vector<std::pair<GUID, suite::ComPtr<ITool>>> tools;
    unsigned long count = 0;
    if (!suite || FAILED(suite->GetNumTools(&count)))
        return tools;
    for (unsigned long i = 0; i < count; ++i) {
        suite::ComPtr<ITool> tool;
        GUID toolClass;
        if (suite->GetTool(i, tool.put()) == S_OK && tool && SUCCEEDED(tool_class_of(tool.get(), toolClass)))
            tools.emplace_back(toolClass, std::move(tool));
    }
    return tools;
}

suite::ComPtr<ITool> find_tool(ISuite* suite, const GUID& clsid) {
    for (auto& [toolClass, tool] : suite_tools(suite))
        if (IsEqualGUID(toolClass, clsid))
            return tool;
    return nullptr;
}

} // namespace veska::host
