// A project as the host keeps it: its file, directories, the eight folders of
// files, the argument objects of the project and its files, stability and
// build flags and the tool-location stamps. Tests and the command line set it
// up through the C++ side; the plug-in sees the IProject side.
#pragma once

#include "com_object.h"
#include "host_common.h"
#include "host_node.h"

#include <array>
#include <functional>
#include <unordered_map>
#include <map>
#include <optional>
#include <vector>

namespace veska::host {

class HostProject : public suite::com::Object<HostProject, IProject> {
public:
    explicit HostProject(std::shared_ptr<Recorder> recorder = nullptr);
    ~HostProject() override;

    // --- The model, for the host's own use ---
    const std::wstring& location() const noexcept { return location_; }
    void set_location(std::wstring location) {
        location_ = std::move(location);
        forget_lookup();
    }
    // The name the workspace shows: the one given, else the file's base name.
    std::wstring name() const { return name_.empty() ? paths::base_name(location_) : name_; }
    void set_name(std::wstring name) { name_ = std::move(name); }
    // The directory of the project file, without a trailing "\" (a root keeps it).
    std::wstring project_directory() const { return paths::directory_of(location_); }

    const std::wstring& path(PathType type) const { return paths_.at(static_cast<size_t>(type)); }
    void set_path(PathType type, std::wstring path) {
        paths_.at(static_cast<size_t>(type)) = std::move(path);
    }

    // Appends a file to a folder; returns its node.
    suite::ComPtr<HostProjectNode> add_file(FileCat folder, std::wstring location);
    size_t node_count(FileCat folder) const { return folders_.at(static_cast<size_t>(folder)).size(); }
    // Null when the folder or the node is not there.
    suite::ComPtr<IProjectNode> node(long folder, size_t index) const;
    std::vector<std::wstring> locations(FileCat folder) const;
    // The folder's nodes that are the host's own, in order.
    std::vector<HostProjectNode*> own_nodes(FileCat folder) const;
    // A node's location as the host reads it (its own nodes without a COM call).
    static std::wstring location_of(IProjectNode* node);

    void set_project_tool_args(const GUID& tool, suite::ComPtr<IToolArgs> args) {
        set_tool_args(projectArgs_, tool, std::move(args));
    }
    suite::ComPtr<IToolArgs> project_tool_args(const GUID& tool) const {
        return find_tool_args(projectArgs_, tool);
    }
    const ToolArgsList& all_project_tool_args() const noexcept { return projectArgs_; }
    void set_suite_args(suite::ComPtr<ISuiteArgs> args) { suiteArgs_ = std::move(args); }
    const suite::ComPtr<ISuiteArgs>& suite_args() const noexcept { return suiteArgs_; }

    void set_suite(suite::ComPtr<ISuite> suite) { suite_ = std::move(suite); }
    const suite::ComPtr<ISuite>& suite() const noexcept { return suite_; }

    bool stable() const noexcept { return stable_; }
    void set_stable(bool stable) noexcept { stable_ = stable; }
    bool build_required() const noexcept { return buildRequired_; }
    void set_build_required(bool required) noexcept { buildRequired_ = required; }
    void set_save_required(bool required) noexcept { saveRequired_ = required; }

    // Tool-location stamps keyed by the tool's CLSID string, compared without
    // regard to case; kept with the key as first written.
    const std::map<std::wstring, std::pair<std::wstring, std::wstring>>&
    tool_location_stamps() const noexcept {
        return stamps_;
    }
    void set_tool_location_stamp(const std::wstring& clsidText, std::wstring location);
    const std::wstring* tool_location_stamp(const std::wstring& clsidText) const;

    void set_folder_suffix(FileCat folder, std::wstring suffixes) {
        suffixes_.at(static_cast<size_t>(folder)) = std::move(suffixes);
    }

    // Replaces $(INFILE), $(INFILEBASE) and $(TMPDIR_) in line for the input
    // node (none: those two stay). Fails when the node is not in the project.
    HRESULT expand_macros(std::wstring& line, const _NodeTag* input) const;
    // Whether an absolute location can be a file this project's builds make:
    // it lies in the project's directory, its TMP or BIN folder or the folder
    // of one of its sources (objects without a TMP folder go there), and it
    // is neither a file the project lists nor the project file or its state.
    // What it needs of the project (its files and its sources' folders) is
    // gathered once, not once for each file.
    std::function<bool(const std::wstring&)> build_output_rule() const;
    // Deletes the files of the intermediate and output folders and their
    // nodes; a file that cannot be the builds' loses its node, not its data.
    HRESULT clean();
    // Drops every node, argument object and the suite: the references that
    // would otherwise keep each other alive.
    void unload() noexcept;
    // Forgets the files, paths, argument objects and stamps; keeps the suite.
    void clear_model() noexcept;

    // --- IProject ---
    HRESULT STDMETHODCALLTYPE GenCmdLine(LPWSTR* ppwszCmdLine, _NodeTag* pInputNode,
                                         unsigned long ulNumInputs, unsigned long Op,
                                         _PlatInfo* pPlatInfo) override;
    HRESULT STDMETHODCALLTYPE LoadProjectFile(LPCWSTR pwszPath) override;
    HRESULT STDMETHODCALLTYPE SaveProjectFile(unsigned long ulProjectIndex, LPCWSTR pwszPath) override;
    VESKA_HOST_ANSWER(clean(), Clean, ())
    HRESULT STDMETHODCALLTYPE RemoveAllNodes() override;
    // The manager and display own the project: it needs neither.
    VESKA_HOST_ANSWER(S_OK, SetManager, (IProjectManager * pMgr), present(pMgr, "manager"))
    VESKA_HOST_ANSWER(S_OK, SetDisplay, (IProjectDisplay * pDisplay), present(pDisplay, "display"))
    HRESULT STDMETHODCALLTYPE GetNumNodes(unsigned long* pulNumNodes, FileCat FolderIndex) override;
    HRESULT STDMETHODCALLTYPE InsertNode(IProjectNode* pNode, FileCat* pFolderIndex,
                                         unsigned long* pulFileIndex, long bQuiet) override;
    HRESULT STDMETHODCALLTYPE RemoveNode(FileCat FolderIndex, unsigned long ulFileIndex) override;
    VESKA_HOST_ANSWER(object_out(node(FolderIndex, ulFileIndex).get(), ppNode), GetNode,
                      (IProjectNode * *ppNode, FileCat FolderIndex, unsigned long ulFileIndex),
                      {"folder", FolderIndex}, {"file", ulFileIndex})
    VESKA_HOST_ANSWER(object_out(suiteArgs_.get(), ppArgs, E_FAIL), GetSuiteArgs, (ISuiteArgs * *ppArgs))
    VESKA_HOST_ANSWER(object_out(clsidTool ? project_tool_args(*clsidTool).get() : nullptr, ppArgs,
                                 clsidTool ? E_FAIL : E_POINTER),
                      GetProjectToolArgsByCLSID, (GUID * clsidTool, IToolArgs** ppArgs), {"tool", clsidTool})
    VESKA_HOST_ANSWER(ppArgs ? object_out(args_by_index(projectArgs_, uiToolIndex).get(), ppArgs, S_FALSE)
                             : E_POINTER,
                      GetProjectToolArgsByIndex, (unsigned int uiToolIndex, IToolArgs** ppArgs), uiToolIndex)
    HRESULT STDMETHODCALLTYPE GetFileToolArgsByCLSID(FileCat FolderIndex, unsigned long ulFileIndex,
                                                     GUID* clsidTool, IToolArgs** ppArgs) override;
    HRESULT STDMETHODCALLTYPE GetFileToolArgsByIndex(FileCat FolderIndex, unsigned long ulFileIndex,
                                                     unsigned int uiToolIndex, IToolArgs** ppArgs) override;
    HRESULT STDMETHODCALLTYPE GetFileToolArgsBySuffix(IToolArgs*** pppArgs, unsigned long* pulCount,
                                                      FileCat FolderIndex,
                                                      unsigned long ulFileIndex) override;
    VESKA_HOST_ANSWER(folder_at(FolderIndex) ? copy_out(suffixes_[FolderIndex], ppwszSuffixList)
                                             : E_INVALIDARG,
                      GetFolderSuffix, (LPWSTR * ppwszSuffixList, FileCat FolderIndex),
                      {"folder", FolderIndex})
    HRESULT STDMETHODCALLTYPE SetFolderSuffix(LPCWSTR pwszSuffixList, FileCat FolderIndex) override;
    HRESULT STDMETHODCALLTYPE SortBySuffix() override;
    VESKA_HOST_ANSWER(copy_out(location_, ppwszLoc), GetLocation, (LPWSTR * ppwszLoc))
    HRESULT STDMETHODCALLTYPE SetLocation(LPCWSTR pwszLoc) override;
    VESKA_HOST_ANSWER(copy_out(project_directory(), ppwszDir), GetProjectDirectory, (LPWSTR * ppwszDir))
    HRESULT STDMETHODCALLTYPE GetPath(LPWSTR* ppwszPath, PathType Type) override;
    HRESULT STDMETHODCALLTYPE SetPath(LPCWSTR pwszPath, PathType Type) override;
    VESKA_HOST_ANSWER(object_out(suite_.get(), ppSuite, S_FALSE), GetSuite, (ISuite * *ppSuite))
    HRESULT STDMETHODCALLTYPE SetSuite(ISuite* pSuite) override {
        return recording_.call(__func__, {present(pSuite, "suite")},
                               [&] { suite_ = suite::ComPtr<ISuite>(pSuite); });
    }
    HRESULT STDMETHODCALLTYPE TranslateToolMessage(LPWSTR* ppwszFile, unsigned long* pulLine,
                                                   unsigned long* pulColumn, LPCWSTR pwszMsg,
                                                   GUID* clsidTool) override;
    HRESULT STDMETHODCALLTYPE NotifyBufferModified(LPCWSTR pwszFilename) override {
        return recording_.call(__func__, {pwszFilename}, [&] { buildRequired_ = true; });
    }
    VESKA_HOST_FLAG(IsBuildRequired, SetBuildRequired, buildRequired_)
    VESKA_HOST_ANSWER(saveRequired_ ? S_OK : S_FALSE, IsSaveRequired, ())
    VESKA_HOST_ANSWER(S_OK, CheckFileTimestamps, ())
    VESKA_HOST_ANSWER(unload(), Unload, ())
    VESKA_HOST_FLAG(IsStable, SetStable, stable_)
    HRESULT STDMETHODCALLTYPE SetDefaultNodesStable(long bNewState) override;
    HRESULT STDMETHODCALLTYPE GetToolLocStamp(LPWSTR* ppwszLoc, LPCWSTR pwszclsid) override;
    HRESULT STDMETHODCALLTYPE SetToolLocStamp(LPCWSTR pwszLoc, LPCWSTR pwszclsid) override;

private:
    using Folder = std::vector<suite::ComPtr<IProjectNode>>;
    Folder* folder_at(long index);
    const Folder* folder_at(long index) const { return const_cast<HostProject*>(this)->folder_at(index); }
    // Where each file of a folder is, by its absolute path in upper case: a
    // build inserts thousands of outputs, each checked against the folder.
    std::unordered_map<std::wstring, size_t>& lookup(long folder);
    void forget_lookup() noexcept;
    // Empties every folder; the argument objects of the nodes, which may
    // point back at the project, go first (foreignToo: other nodes' as well).
    void drop_nodes(bool foreignToo) noexcept;
    std::wstring lookup_key(const std::wstring& location) const;
    // The argument object of tool number index: as the suite counts its
    // tools, else (no suite) in the order the list keeps.
    suite::ComPtr<IToolArgs> args_by_index(const ToolArgsList& list, unsigned int index) const;

    Recording recording_;
    std::wstring location_;
    std::wstring name_;
    std::array<std::wstring, PT_NUM_PATH_TYPES> paths_;
    std::array<Folder, FCAT_NUM_CATS> folders_;
    std::array<std::optional<std::unordered_map<std::wstring, size_t>>, FCAT_NUM_CATS>
        lookups_; // none: stale
    std::array<std::wstring, FCAT_NUM_CATS> suffixes_;
    ToolArgsList projectArgs_;
    suite::ComPtr<ISuiteArgs> suiteArgs_;
    suite::ComPtr<ISuite> suite_;
    bool stable_ = false;
    bool buildRequired_ = true;
    bool saveRequired_ = false;
    // Upper-case CLSID text -> (key as written, location).
    std::map<std::wstring, std::pair<std::wstring, std::wstring>> stamps_;
};

// The suite's tools in its order, each with the class it is known under; a
// tool the suite does not hand over or that names no class is left out.
std::vector<std::pair<GUID, suite::ComPtr<ITool>>> suite_tools(ISuite* suite);
// The tool of suite whose class (or legacy alias) is clsid; null when none.
suite::ComPtr<ITool> find_tool(ISuite* suite, const GUID& clsid);
// The classes of the tools suite runs on files with this suffix (".c").
std::vector<GUID> tools_for_suffix(ISuite* suite, const std::wstring& suffix);
// The class under which a tool is known: its legacy alias, else IPersist's class.
HRESULT tool_class_of(IUnknown* tool, GUID& clsid);

} // namespace veska::host
