// What a build command tells besides the build output: a progress line on
// standard error as each tool run starts ("[2/4] cc src\main.c"), the JSON
// compilation database of its C compiler runs (--compile-commands FILE) and
// the SARIF log of the messages its tools placed (--sarif FILE).
#pragma once

#include "build_command.h"
#include "compile_database.h"
#include "progress_count.h"
#include "sarif_log.h"

#include <functional>
#include <optional>
#include <unordered_map>

namespace veska::host::cli {

class BuildRecords {
public:
    // For the command of request on project, whose inputs are those handed
    // to Process (the project itself for Build All and Make).
    BuildRecords(const BuildRequest& request, const HostProject& project, ISuite* suite,
                 const std::vector<_NodeTag>& inputs, Output& output);

    void starting(const ExecuteRequest& run);
    void ran(const ExecutedLine& run);
    // A tool message the tool placed at file and line; message without its
    // location words.
    void placed(const std::wstring& message, const std::wstring& file, unsigned long line);

    // Writes the files asked for; false, said on standard error, when one
    // could not be written.
    bool write(bool succeeded);

private:
    struct Source {
        std::wstring shown; // relative to the project folder
    };
    struct Named {
        size_t source;
        size_t word; // the word of the line that names it
    };
    void add_source(const std::wstring& location);
    std::optional<Named> source_named(const std::vector<std::string>& words,
                                      const std::wstring& directory) const;
    std::wstring link_target(const ExecuteRequest& run, const std::vector<std::string>& words) const;
    // Replaces the file name with text(what it held, when merges); text
    // answers nothing when it refuses (and says why).
    bool write_file(const std::wstring& name, const std::string& what, bool merges,
                    const std::function<std::optional<std::string>(const std::string& existing)>& text);

    const BuildRequest& request_;
    const HostProject& project_;
    ISuite* suite_;
    Output& output_;
    std::wstring projectDirectory_;
    std::vector<Source> sources_;
    std::unordered_map<std::wstring, size_t> sourceByPath_; // full paths in lower case
    portable::ProgressCount progress_;
    std::vector<portable::CompileRun> compiles_;
    std::vector<portable::PlacedMessage> messages_;
};

} // namespace veska::host::cli
