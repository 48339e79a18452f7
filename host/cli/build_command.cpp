#include "build_command.h"

#include "module_classes.h"
#include "project_file.h"

#include <cwctype>

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
    unsigned long count = 0;
    if (!suite || FAILED(suite->GetNumTools(&count)))
        return;
    for (unsigned long i = 0; i < count; ++i) {
        suite::ComPtr<ITool> tool;
        GUID toolClass;
        if (suite->GetTool(i, tool.put()) != S_OK || !tool || FAILED(tool_class_of(tool.get(), toolClass)))
            continue;
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

} // namespace

std::wstring tool_diagnostic(const std::wstring& message, const std::wstring& file, unsigned long line) {
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
    return file + L"(" + std::to_wstring(line) + L"): " + shown;
}

int run_build_with(SuiteSession& session, const BuildRequest& request, Output& output) {
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

    ISuite* suite = session.suite();
    manager.script().onBuildMessage = [&output, suite](const BuildMessage& message) {
        output.out(message.text);
        if (!message.tool)
            return;
        const suite::ComPtr<ITool> tool = find_tool(suite, *message.tool);
        suite::CoTaskString placedFile;
        unsigned long line = 0, column = 0;
        if (tool &&
            tool->TranslateToolMessage(placedFile.put(), &line, &column, message.text.c_str()) == S_OK &&
            placedFile)
            output.err(tool_diagnostic(message.text, placedFile.c_str(), line) + L"\n");
    };
    const HRESULT result = manager.Process(request.command, inputs.data(),
                                           static_cast<unsigned long>(inputs.size()), project.get(), nullptr);
    manager.script().onBuildMessage = nullptr;
    manager.script().onToolLocationChanged = nullptr;

    const HRESULT saved = save_project_state(file, *project.get());
    if (FAILED(saved)) {
        output.err(L"veska-host: cannot keep the project's state in " + state_path_of(file.path) + L": " +
                   from_utf8(hresult_text(saved)) + L"\n");
        return result == S_OK ? kExitFailure : exit_code_of(result);
    }
    return exit_code_of(result);
}

int run_build(const BuildRequest& request, Output& output) {
    SuiteSession session;
    if (const int failed = connect_registered_suite(session, output))
        return failed;
    return run_build_with(session, request, output);
}

} // namespace veska::host::cli
