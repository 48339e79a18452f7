// The suite's build driver: one host command (Build All, Make, Assemble,
// Compile) turned into tool runs. It walks the source folder, asks each tool
// and its argument objects for the command line, expands the macros, has the
// host run the line, copies the tool's error file into the build output, adds
// the produced files to the project and judges the exit code; it links, and
// ends every command with one "BUILD" line.
//
// One driver object lives for one command. What a build learns about files
// (times, the intermediate folder, whether a header is newer than the target)
// it learns once, so a Make that finds everything up to date costs time in
// proportion to sources + headers + intermediate files.
#pragma once

#include "build_paths.h"
#include "com_ptr.h"
#include "contract.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace suite {

// "BUILD SUCCEEDED: <local time>\n" or "BUILD FAILED: ...", then the host's
// build-underway flag cleared.
void WriteBuildResult(IProjectManager* manager, bool succeeded);

class BuildDriver {
public:
    // A tool's place in the suite's tool table (CS_TARNIV::kToolClasses).
    enum ToolIndex : size_t { kAssembler = 0, kCompiler = 1, kLinker = 2 };
    using ToolTable = std::array<ComPtr<ITool>, 3>;

    // manager is the one the command came with; suiteManager the one the
    // host gave the suite (SetManager), which hears of moved tools.
    BuildDriver(ToolTable tools, IProject* project, IProjectManager* manager, IProjectManager* suiteManager,
                const wchar_t* suiteDisplayName);

    // The whole command: build-underway flag, the work, the BUILD line.
    HRESULT Process(unsigned long command, const _NodeTag* inputs, unsigned long inputCount);

private:
    HRESULT BuildProject(bool make);
    HRESULT BuildSources(const std::string& target, bool make);
    HRESULT LinkTarget(const std::string& target, const std::string& linkDirectory);
    // The project's node (result: the host's answer); throws when the
    // project has none there, as a corrupted project.
    ComPtr<IProjectNode> NodeAt(FileCat folder, ULONG index, HRESULT& result);
    // The number of the folder's nodes; throws when the host cannot say.
    unsigned long NodeCount(FileCat folder, HRESULT& result);
    HRESULT RunOnInputs(const _NodeTag* inputs, unsigned long inputCount, unsigned long op, ToolIndex tool);
    // target is null for assemble and compile, tag null for the link.
    HRESULT RunTool(const std::string* target, const _NodeTag* tag, unsigned long op, ToolIndex tool,
                    const std::string& workingDirectory);
    HRESULT EchoErrorFile(const std::string& errorFile, const GUID& toolClass);
    // errorFile is null when its path could not be made; errorFileExists
    // tells whether the tool left it (looked for once).
    HRESULT AddBuildOutputs(const std::string* target, IProjectNode* node, const std::string& location,
                            const std::string& workingDirectory, const std::string* errorFile,
                            bool errorFileExists);

    // Make's test for one source: true when none of the reasons to rebuild it
    // holds. objectPath receives the object the test looked at.
    bool IsUpToDate(IProjectNode* node, const std::string& location, const FileFacts::Facts& source,
                    const std::string& target, const std::string& sourceDirectory, std::string& objectPath);
    bool AnyHeaderNewerThan(const std::string& target);
    // The object Make looks at for a source, with PT_TMP read once a command.
    HRESULT ObjectPathOf(const std::string& location, const std::string& sourceDirectory,
                         std::string& objectPath);
    // After a tool ran: it may have written any file or folder looked at.
    void ForgetFiles() noexcept;
    bool IsIntermediateFile(const std::string& resolvedPath);
    void RememberIntermediateFile(const std::string& path);

    HRESULT InsertOutputNode(const std::string& path, FileCat folder);
    uint32_t Preference(unsigned long key) const;
    void Report(UINT messageId) const;
    void ReportMemoryLocked() const;

    ToolTable tools_;
    ComPtr<IProject> project_;
    ComPtr<IProjectManager> manager_;
    ComPtr<IProjectManager> suiteManager_;
    const wchar_t* suiteDisplayName_;
    std::string projectDirectory_;

    FileFacts facts_;
    std::optional<bool> headerNewerThanTarget_;
    std::optional<CaseBlindPathSet> intermediateFiles_; // resolved paths
    std::optional<std::string> tmpPath_;
    std::string objectDirectorySource_; // the source directory objectDirectory_ is for
    std::string objectDirectory_;
    std::wstring message_;             // reused for each "already up to date" line
    std::string resolvedObject_;       // reused for each source's object
    std::string resolvedIntermediate_; // and for each intermediate file remembered
};

// The tool that builds a source file, and with which operation, by the
// file's suffix (dot included, any case).
struct SourceTool {
    const char* suffix;
    BuildDriver::ToolIndex tool;
    unsigned long operation;
};
// Null when no tool builds such a file.
const SourceTool* source_tool_for(std::string_view suffix) noexcept;
const SourceTool* source_tool_for(std::wstring_view suffix) noexcept;

} // namespace suite
