#include "macros.h"

#include "command_line_text.h"
#include "text.h"

#include <iterator>
#include <string_view>

namespace suite {

namespace {

constexpr HRESULT E_NOT_NARROW = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);

// Runs the scan over *line with valueOf supplying each macro's text (an
// HRESULT of its own) and stores the result in a new task-allocated string.
template <class ValueOf>
HRESULT expand_line(LPWSTR* line, const std::wstring_view* names, size_t nameCount, ValueOf valueOf) {
    if (!line || !*line)
        return E_POINTER;
    HRESULT valueResult = S_OK;
    std::wstring expanded;
    const cmdline::MacroStatus status = cmdline::expand_macros(
        *line, names, nameCount,
        [&](size_t index, std::wstring& value) {
            valueResult = valueOf(index, value);
            return SUCCEEDED(valueResult);
        },
        cmdline::kMaxCommandLine, expanded);
    if (status == cmdline::MacroStatus::ValueFailed)
        return valueResult;
    if (status == cmdline::MacroStatus::TooLong)
        return E_COMMAND_LINE_TOO_LONG;
    CoTaskString result = CoTaskString::copy_of(expanded.c_str(), expanded.size());
    if (!result)
        return E_OUTOFMEMORY;
    CoTaskMemFree(*line);
    *line = result.release();
    return S_OK;
}

// What the host answered (hr) in its one-byte form.
HRESULT narrow_answer(HRESULT hr, const CoTaskString& text, std::string& out) {
    if (FAILED(hr))
        return hr;
    return text::narrow(text.c_str(), out) ? S_OK : E_NOT_NARROW;
}

HRESULT objects_and_libraries(IProject* project, FileFacts* facts, std::wstring& value) {
    std::string projectDirectory;
    HRESULT hr = GetProjectDirectory(project, projectDirectory);
    if (FAILED(hr))
        return hr;
    std::string list;
    std::string location; // both kept from one node to the next, with their buffers
    std::string path;
    for (const FileCat folder : {FCAT_INT, FCAT_OBJ, FCAT_LIB}) {
        unsigned long count = 0;
        if (FAILED(project->GetNumNodes(&count, folder)))
            return E_FAIL;
        for (unsigned long i = 0; i < count; ++i) {
            ComPtr<IProjectNode> node;
            if (FAILED(project->GetNode(node.put(), folder, i)) || !node ||
                FAILED(GetNodeLocation(node.get(), location)))
                return E_FAIL;
            // Listings, error files and the like are never resolved.
            if (folder == FCAT_INT &&
                !cmdline::equals_ignoring_case(cmdline::file_suffix(location), ".obj") &&
                location.find('~') == std::string::npos)
                continue;
            const bool resolved = ResolvePath(location, projectDirectory, path, facts);
            if (folder == FCAT_INT) {
                // Only the objects among the intermediate files; one that
                // is gone is no input of the link.
                if (!resolved || !cmdline::equals_ignoring_case(cmdline::file_suffix(path), ".obj"))
                    continue;
            } else if (!resolved) {
                // An object or library the user listed but that is missing
                // stays in the list, so the linker reports it.
                path = location;
            }
            if (!cmdline::append_list_path(list, path))
                return E_COMMAND_LINE_TOO_LONG;
        }
    }
    value = text::widen(list);
    return S_OK;
}

} // namespace

HRESULT ExpandObjsAndLibs(LPWSTR* line, IProject* project, FileFacts* facts) {
    if (!project)
        return E_POINTER;
    static constexpr std::wstring_view names[] = {L"$(OBJSANDLIBS)"};
    return expand_line(line, names, std::size(names), [&](size_t, std::wstring& value) {
        return objects_and_libraries(project, facts, value);
    });
}

HRESULT ExpandTargetBase(LPWSTR* line, IProject* project) {
    if (!project)
        return E_POINTER;
    static constexpr std::wstring_view names[] = {L"$(TARGETBASE)"};
    return expand_line(line, names, std::size(names), [&](size_t, std::wstring& value) {
        CoTaskString location;
        std::string narrowLocation;
        const HRESULT hr = narrow_answer(project->GetLocation(location.put()), location, narrowLocation);
        if (FAILED(hr))
            return hr;
        std::string base;
        if (!cmdline::target_base_name(narrowLocation, base))
            return E_FAIL;
        value = text::widen(base);
        return S_OK;
    });
}

HRESULT ExpandDirMacros(LPWSTR* line, IProject* project) {
    if (!project)
        return E_POINTER;
    // Tried in this order at each "$".
    static constexpr std::wstring_view names[] = {L"$(AINDIR)", L"$(AINDIR_)", L"$(INCDIR)", L"$(INCDIR_)"};
    return expand_line(line, names, std::size(names), [&](size_t index, std::wstring& value) {
        const PathType type = index < 2 ? PT_AIN : PT_INC;
        const auto rule =
            index % 2 == 0 ? cmdline::TrailingSeparator::Remove : cmdline::TrailingSeparator::Add;
        CoTaskString list;
        std::string narrowList;
        const HRESULT hr = narrow_answer(project->GetPath(list.put(), type), list, narrowList);
        if (FAILED(hr))
            return hr;
        std::string processed;
        if (!cmdline::apply_trailing_separator_rule(narrowList, rule, processed))
            return E_PATH_TOO_LONG;
        value = text::widen(cmdline::join_directory_list(processed));
        return S_OK;
    });
}

} // namespace suite
