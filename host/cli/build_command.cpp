#include "build_command.h"

#include "attribute_timer.h"
#include "build_records.h"
#include "module_classes.h"
#include "project_checks.h"
#include "project_file.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cwctype>
#include <functional>
#include <optional>

namespace veska::host::cli {

namespace {

std::wstring current_directory() {
    wchar_t directory[MAX_PATH * 2];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 2, directory);
    return length && length < MAX_PATH * 2 ? std::wstring(directory, length) : std::wstring();
}

// The tags of the files named on the command line, found in the project's
// folders by their resolved paths.
bool find_inputs(const HostProject& project, const std::vector<std::wstring>& files,
                 std::vector<_NodeTag>& tags, Output& output) {
    const std::wstring here = current_directory();
    for (const std::wstring& name : files) {
        const std::wstring wanted = paths::absolute(name, here);
        bool found = false;
        for (int folder = FCAT_FIRST; folder < FCAT_NUM_CATS && !found; ++folder) {
            const std::vector<std::wstring> locations = project.locations(static_cast<FileCat>(folder));
            for (size_t i = 0; i < locations.size() && !found; ++i)
                if (paths::equal_ignoring_case(locations[i], name) ||
                    paths::equal_ignoring_case(paths::absolute(locations[i], project.project_directory()),
                                               wanted)) {
                    tags.push_back(_NodeTag{0, folder, static_cast<int>(i)});
                    found = true;
                }
        }
        if (!found) {
            output.err(L"veska-host: " + name + L" is not a file of the project\n");
            return false;
        }
    }
    return true;
}

// A project that has no stamp for a tool yet takes the tool's present
// location: later runs then tell when the tool has moved.
void stamp_tool_locations(ISuite* suite, HostProject& project) {
    for (const auto& [toolClass, tool] : suite_tools(suite)) {
        wchar_t key[40];
        StringFromGUID2(toolClass, key, 40);
        suite::CoTaskString location;
        if (!project.tool_location_stamp(key) && SUCCEEDED(tool->GetLocation(location.put())) &&
            !location.empty())
            project.set_tool_location_stamp(key, location.c_str());
    }
}

int exit_code_of(HRESULT result) {
    if (result == S_OK)
        return kExitOk;
    return FAILED(result) ? kExitFailure : kExitToolFailed;
}

// The plug-in copies a tool's error file line by line, but in pieces of at
// most 1,023 characters: a line is placed once its pieces are joined up to
// its line feed.
class ToolMessagePlacer {
public:
    // source names the listed source of the run whose lines come in, if any.
    ToolMessagePlacer(ISuite* suite, Output& output, BuildRecords& records,
                      std::function<std::wstring()> source)
        : suite_(suite), output_(output), records_(records), source_(std::move(source)) {}

    void add(const BuildMessage& message) {
        if (!message.tool || (tool_ && !IsEqualGUID(*tool_, *message.tool)))
            flush();
        if (!message.tool)
            return;
        tool_ = message.tool;
        line_ += message.text;
        if (!line_.empty() && line_.back() == L'\n')
            flush();
    }

    void flush() {
        if (tool_ && !line_.empty()) {
            const suite::ComPtr<ITool> tool = find_tool(suite_, *tool_);
            suite::CoTaskString placedFile;
            unsigned long line = 0, column = 0;
            if (tool && tool->TranslateToolMessage(placedFile.put(), &line, &column, line_.c_str()) == S_OK &&
                placedFile) {
                const std::wstring message = message_without_location(line_, placedFile.c_str());
                output_.err(placedFile.c_str() + (L"(" + std::to_wstring(line) + L"): ") + message + L"\n");
                records_.placed(message, placedFile.c_str(), line);
            } else if (const std::wstring source = source_ ? source_() : std::wstring(); !source.empty()) {
                output_.err(tool_diagnostic(line_, source) + L"\n");
            }
        }
        tool_.reset();
        line_.clear();
    }

private:
    ISuite* suite_;
    Output& output_;
    BuildRecords& records_;
    std::function<std::wstring()> source_;
    std::optional<GUID> tool_;
    std::wstring line_;
};

// The project's TMP and BIN folders, made when missing as the IDE makes
// them: the tools write into them but do not make them.
bool create_build_folders(const HostProject& project, Output& output) {
    for (const PathType type : {PT_TMP, PT_BIN}) {
        const std::wstring& folder = project.path(type);
        const HRESULT made = folder.empty() ? S_OK : paths::create_directories(folder);
        if (FAILED(made)) {
            output.err(L"veska-host: cannot create the folder " + folder + L": " + hresult_explained(made) +
                       L"\n");
            return false;
        }
    }
    return true;
}

// What the host can tell will fail before the suite does, which answers
// with a bare HRESULT that names no file.
std::wstring path_problem(const std::wstring& path, bool mustExist) {
    constexpr size_t kLongestPath = 260; // the suite's narrow path buffers
    for (const wchar_t c : path)
        if (static_cast<unsigned>(c) > 255) {
            wchar_t code[8];
            swprintf(code, 8, L"U+%04X", static_cast<unsigned>(c));
            return L"its character " + std::wstring(code) +
                   L" has no one-byte form for the suite: rename the file or folder that has it, or move the "
                   L"project to a path of one-byte characters";
        }
    if (path.size() > kLongestPath)
        return L"its full path has " + std::to_wstring(path.size()) + L" characters, more than the " +
               std::to_wstring(kLongestPath) + L" the suite takes";
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (mustExist && (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)))
        return L"no such file";
    return {};
}

// Returns the first problem found, to name when the suite then fails.
std::wstring warn_about_inputs(const ProjectFile& file, const HostProject& project,
                               const std::vector<_NodeTag>& inputs, Output& output) {
    std::wstring first;
    const auto warn = [&](const std::wstring& where, const std::wstring& problem) {
        if (!problem.empty())
            output.err(L"veska-host: warning: " + where + L": " + problem + L"\n");
        if (first.empty() && !problem.empty())
            first = where + L": " + problem;
    };
    for (int type = PT_FIRST_PATH_TYPE; type < PT_NUM_PATH_TYPES; ++type)
        warn(L"[Paths] " + std::wstring(path_key(static_cast<PathType>(type))),
             path_problem(project.path(static_cast<PathType>(type)), false));
    for (const auto& [tool, location] : file.toolLocations)
        if (!location.empty())
            warn(L"[Tool Locations] " + from_utf8(class_name(tool)), path_problem(location, true));
    const std::vector<std::wstring> sources = project.locations(FCAT_SRC);
    for (size_t i = 0; i < sources.size(); ++i) {
        const bool named = std::any_of(inputs.begin(), inputs.end(), [&](const _NodeTag& tag) {
            return tag.file < 0 || (tag.folder == FCAT_SRC && static_cast<size_t>(tag.file) == i);
        });
        if (!named)
            continue;
        const std::wstring full = paths::absolute(sources[i], project.project_directory());
        const std::wstring problem = path_problem(full, true);
        if (problem == L"no such file") {
            // The suite stops at it with a bare failure: an error, with what mends it.
            output.err(L"veska-host: error: [Sources] " + sources[i] + L": no such file (" + full +
                       L"): create it, or take its line out of [Sources] in " +
                       file.path.substr(file.path.find_last_of(L'\\') + 1) + L"\n");
            if (first.empty())
                first = L"[Sources] " + sources[i] + L": no such file";
        } else {
            warn(L"[Sources] " + sources[i], problem);
        }
    }
    return first;
}

// Before each run its progress line and, with `--verbose`, the command line;
// after it, what its tool printed (`--verbose`) and its compilation entry.
void watch_runs(HostScript& script, bool verbose, BuildRecords& records, Output& output) {
    script.onExecuting = [&output, &records, verbose](const ExecuteRequest& request) {
        records.starting(request);
        if (verbose)
            output.err(request.line + L"\n");
    };
    script.onExecuted = [&output, &records, verbose](const ExecutedLine& run) {
        records.ran(run);
        if (!verbose)
            return;
        output.err(run.output);
        if (!run.output.empty() && run.output.back() != '\n')
            output.err(std::string("\n"));
    };
}

std::string milliseconds(std::chrono::nanoseconds time) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f ms", std::chrono::duration<double, std::milli>(time).count());
    return text;
}

// `--time`: the command's time split into the tools', the file attributes'
// (read by the plug-in) and the rest, the plug-in's and the host's own work.
void report_time(const std::vector<ExecutedLine>& runs, size_t sources, const AttributeReadTimer& attributes,
                 std::chrono::nanoseconds total, Output& output) {
    std::chrono::nanoseconds tools{};
    for (const ExecutedLine& run : runs)
        tools += std::chrono::duration_cast<std::chrono::nanoseconds>(run.elapsed);
    const std::chrono::nanoseconds reading = attributes.elapsed();
    const std::chrono::nanoseconds rest = std::max(total - tools - reading, std::chrono::nanoseconds{});
    output.err("veska-host: time: sources checked " + std::to_string(sources) + ", tools run " +
               std::to_string(runs.size()) + "\n");
    output.err("veska-host: time: tools " + milliseconds(tools) + ", plug-in and host " + milliseconds(rest) +
               ", file attributes " +
               (attributes.active()
                    ? milliseconds(reading) + " (" + std::to_string(attributes.reads()) + " reads)"
                    : std::string("not measured")) +
               ", total " + milliseconds(total) + "\n");
}

} // namespace

std::wstring tool_diagnostic(const std::wstring& message, const std::wstring& source) {
    std::wstring text = message;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return source + L": " + text;
}

std::wstring tool_diagnostic(const std::wstring& message, const std::wstring& file, unsigned long line) {
    return file + L"(" + std::to_wstring(line) + L"): " + message_without_location(message, file);
}

std::wstring message_without_location(const std::wstring& message, const std::wstring& file) {
    std::wstring text = message;
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    std::wstring shown = text;
    const size_t bracket = text.find(L']');
    const size_t at = text.find(file, bracket == std::wstring::npos ? 0 : bracket);
    if (!file.empty() && at != std::wstring::npos) {
        // "Error[000] C:\x.c 57 : text" -> "Error[000] text"
        // The file, blanks, the line number, blanks, ":".
        size_t rest = at + file.size();
        const size_t blanks = rest;
        while (rest < text.size() && std::iswspace(text[rest]))
            ++rest;
        const size_t digits = rest;
        while (rest < text.size() && std::iswdigit(text[rest]))
            ++rest;
        const bool placed = rest > digits && digits > blanks;
        while (rest < text.size() && std::iswspace(text[rest]))
            ++rest;
        if (placed && rest < text.size() && text[rest] == L':') {
            ++rest;
            while (rest < text.size() && std::iswspace(text[rest]))
                ++rest;
            std::wstring prefix = text.substr(0, at);
            while (!prefix.empty() && std::iswspace(prefix.back()))
                prefix.pop_back();
            shown = prefix.empty() ? text.substr(rest) : prefix + L" " + text.substr(rest);
        }
    }
    return shown;
}

int run_build_with(SuiteSession& session, const BuildRequest& request, Output& output) {
    const auto started = std::chrono::steady_clock::now();
    ProjectFile file;
    const suite::ComPtr<HostProject> project = open_project(session, request.project, file, output);
    if (!project)
        return kExitFailure;
    HostProjectManager& manager = session.manager();
    stamp_tool_locations(session.suite(), *project.get());
    manager.script().onToolLocationChanged = [&output, &project](ITool* tool, const std::wstring& previous) {
        suite::CoTaskString location;
        tool->GetLocation(location.put());
        output.err(L"veska-host: a tool moved from " + previous + L" to " + location.c_str() +
                   L": everything it built is out of date\n");
        project->set_stable(false);
        project->set_build_required(true);
    };

    std::vector<_NodeTag> inputs;
    if (request.command == CMD_ASSEMBLE || request.command == CMD_COMPILE) {
        if (!find_inputs(*project.get(), request.files, inputs, output))
            return kExitFailure;
    } else {
        inputs.push_back(_NodeTag{0, -1, -1}); // the project, as its menu passes it
    }
    if (!check_build_folder(*project.get(), output) || !create_build_folders(*project.get(), output))
        return kExitFailure;
    const std::wstring inputProblem = warn_about_inputs(file, *project.get(), inputs, output);

    BuildRecords records(request, *project.get(), session.suite(), inputs, output);
    ToolMessagePlacer placer(session.suite(), output, records, [&manager, &project] {
        return manager.executed().empty() ? std::wstring()
                                          : source_of_run(manager.executed().back().request, *project.get());
    });
    manager.script().onBuildMessage = [&output, &placer](const BuildMessage& message) {
        output.out(message.text);
        placer.add(message);
    };
    watch_runs(manager.script(), request.verbose, records, output);
    std::optional<AttributeReadTimer> attributes;
    if (request.timed)
        attributes.emplace(session.suite());
    const size_t runsBefore = manager.executed().size();
    const HRESULT result = manager.Process(request.command, inputs.data(),
                                           static_cast<unsigned long>(inputs.size()), project.get(), nullptr);
    placer.flush();
    manager.script().onBuildMessage = nullptr;
    manager.script().onToolLocationChanged = nullptr;
    manager.script().onExecuting = nullptr;
    manager.script().onExecuted = nullptr;

    // The build output stays as the suite wrote it; why it failed goes here.
    for (size_t i = runsBefore; i < manager.executed().size(); ++i) {
        const ExecutedLine& run = manager.executed()[i];
        if (FAILED(run.result))
            output.err(L"veska-host: cannot run " + run.request.line + L": " + hresult_explained(run.result) +
                       L"\n");
    }
    if (FAILED(result))
        output.err(L"veska-host: the build failed: the suite returned " + hresult_explained(result) +
                   (inputProblem.empty() ? L"" : L", after the problem above: " + inputProblem) + L"\n");
    if (result == TOOL_E_NOTLOCATED)
        explain_unlocated_tools(session.suite(), file, output);
    if (request.command == CMD_MAKE && !request.quiet)
        report_make_headers(*project.get(), output);

    const HRESULT saved = save_project_state(file, *project.get());
    const bool recorded = records.write(result == S_OK);
    if (attributes) {
        const std::vector<ExecutedLine> runs(manager.executed().begin() + static_cast<ptrdiff_t>(runsBefore),
                                             manager.executed().end());
        const size_t sources =
            !inputs.empty() && inputs.front().file < 0 ? project->locations(FCAT_SRC).size() : inputs.size();
        report_time(
            runs, sources, *attributes,
            std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - started),
            output);
    }
    if (FAILED(saved)) {
        output.err(L"veska-host: cannot keep the project's state in " + state_path_of(file.path) + L": " +
                   hresult_explained(saved) + L"\n");
        return result == S_OK ? kExitFailure : exit_code_of(result);
    }
    // A file asked for and not written fails a build that succeeded.
    return result == S_OK && !recorded ? kExitFailure : exit_code_of(result);
}

int run_build(const BuildRequest& request, Output& output) {
    SuiteSession session;
    if (const int failed = connect_registered_suite(session, output))
        return failed;
    return run_build_with(session, request, output);
}

} // namespace veska::host::cli
