#include "build_records.h"

#include "command_line_words.h"
#include "host_node.h"
#include "module_classes.h"

#include <algorithm>
#include <cwctype>

namespace veska::host::cli {

namespace {

std::wstring lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool has_suffix(const std::wstring& location, const wchar_t* suffix) {
    return paths::equal_ignoring_case(paths::extension_of(location), suffix);
}

bool has_tool(const std::wstring& location) {
    return has_suffix(location, L".as") || has_suffix(location, L".c");
}

std::optional<FILETIME> write_time(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return std::nullopt;
    return data.ftLastWriteTime;
}

bool newer(const std::optional<FILETIME>& a, const std::optional<FILETIME>& b) {
    return a && b && CompareFileTime(&*a, &*b) > 0;
}

// Which sources a Make will rebuild, by the rule the suite follows: all of
// them in a project that is not stable or has a header newer than the
// target; otherwise those whose object is missing, not among the project's
// intermediate files, older than the source, or whose node is not stable.
// The target is taken from the outputs earlier builds added.
std::vector<bool> make_plan(const HostProject& project) {
    const std::wstring directory = project.project_directory();
    bool headerNewer = false;
    for (const std::wstring& target : project.locations(FCAT_OUT)) {
        const std::optional<FILETIME> targetTime = write_time(paths::absolute(target, directory));
        for (const std::wstring& header : project.locations(FCAT_INC))
            headerNewer = headerNewer || newer(write_time(paths::absolute(header, directory)), targetTime);
    }
    std::vector<std::wstring> intermediates;
    for (const std::wstring& location : project.locations(FCAT_INT))
        intermediates.push_back(lower(paths::absolute(location, directory)));
    std::sort(intermediates.begin(), intermediates.end());

    const std::wstring& tmp = project.path(PT_TMP);
    const std::vector<std::wstring> sources = project.locations(FCAT_SRC);
    std::vector<bool> plan(sources.size());
    for (size_t i = 0; i < sources.size(); ++i) {
        if (!has_tool(sources[i]))
            continue;
        const std::wstring source = paths::absolute(sources[i], directory);
        // The object goes to the TMP folder as seen from the source's folder.
        const std::wstring sourceDirectory = paths::directory_of(source);
        const std::wstring object =
            paths::with_separator(tmp.empty() ? sourceDirectory : paths::absolute(tmp, sourceDirectory)) +
            paths::base_name(source) + L".obj";
        const std::optional<FILETIME> objectTime = write_time(object);
        const suite::ComPtr<IProjectNode> node = project.node(FCAT_SRC, i);
        const HostProjectNode* own = HostProjectNode::from(node.get());
        const bool stable = own ? own->stable() : node && node->IsStable() == S_OK;
        plan[i] = !project.stable() || headerNewer ||
                  !std::binary_search(intermediates.begin(), intermediates.end(), lower(object)) ||
                  !objectTime || newer(write_time(source), objectTime) || !stable;
    }
    return plan;
}

std::string short_tool_name(const std::optional<GUID>& tool) {
    if (!tool)
        return "tool";
    if (IsEqualGUID(*tool, CLSID_T_TARNIV18as))
        return "as";
    if (IsEqualGUID(*tool, CLSID_T_TARNIV18cc))
        return "cc";
    if (IsEqualGUID(*tool, CLSID_T_TARNIV18ld))
        return "ld";
    return class_name(*tool);
}

// The product version of the module that serves the suite ("1.22.3.0"),
// empty when it has none.
std::string plugin_version(ISuite* suite) {
    HMODULE module = nullptr;
    wchar_t path[MAX_PATH];
    if (!suite || !GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                          GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                      *reinterpret_cast<LPCWSTR*>(suite), &module))
        return {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || module == GetModuleHandleW(nullptr))
        return {};
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path, &ignored);
    std::vector<unsigned char> block(size);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (size == 0 || !GetFileVersionInfoW(path, 0, size, block.data()) ||
        !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) ||
        fixedSize < sizeof(VS_FIXEDFILEINFO))
        return {};
    return std::to_string(HIWORD(fixed->dwProductVersionMS)) + "." +
           std::to_string(LOWORD(fixed->dwProductVersionMS)) + "." +
           std::to_string(HIWORD(fixed->dwProductVersionLS)) + "." +
           std::to_string(LOWORD(fixed->dwProductVersionLS));
}

HRESULT last_error() {
    return HRESULT_FROM_WIN32(GetLastError());
}

HRESULT read_whole_file(const std::wstring& path, std::string& text) {
    text.clear();
    const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? S_FALSE : last_error();
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0)
        text.append(buffer, read);
    return S_OK;
}

// Writes beside path first and then puts it in its place, so that an
// editor reading the file never sees half of it.
HRESULT replace_file(const std::wstring& path, const std::string& text) {
    const std::wstring written = path + L".new";
    {
        const UniqueFileHandle file(CreateFileW(written.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file.get() == INVALID_HANDLE_VALUE)
            return last_error();
        DWORD done = 0;
        if (!WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &done, nullptr) ||
            done != text.size()) {
            const HRESULT failed = last_error();
            DeleteFileW(written.c_str());
            return failed;
        }
    }
    if (!MoveFileExW(written.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        const HRESULT failed = last_error();
        DeleteFileW(written.c_str());
        return failed;
    }
    return S_OK;
}

} // namespace

BuildRecords::BuildRecords(const BuildRequest& request, const HostProject& project, ISuite* suite,
                           const std::vector<_NodeTag>& inputs, Output& output)
    : request_(request), project_(project), suite_(suite), output_(output),
      projectDirectory_(project.project_directory()), progress_({}, false) {
    std::vector<bool> plan;
    bool link = false;
    if (request.command == CMD_ASSEMBLE || request.command == CMD_COMPILE) {
        for (const _NodeTag& tag : inputs)
            add_source(project.locations(static_cast<FileCat>(tag.folder)).at(static_cast<size_t>(tag.file)));
        plan.assign(sources_.size(), true);
    } else {
        const std::vector<std::wstring> locations = project.locations(FCAT_SRC);
        for (const std::wstring& location : locations)
            add_source(location);
        if (request.quiet) // no count to show: no need to reckon the Make
            return;
        if (request.command == CMD_MAKE) {
            plan = make_plan(project);
        } else {
            for (const std::wstring& location : locations)
                plan.push_back(has_tool(location));
        }
        // A source without a tool fails the build before its link.
        link = !locations.empty() && std::all_of(locations.begin(), locations.end(), has_tool);
    }
    progress_ = portable::ProgressCount(std::move(plan), link);
}

void BuildRecords::add_source(const std::wstring& location) {
    const std::wstring full = paths::absolute(location, projectDirectory_);
    sourceByPath_.emplace(lower(full), sources_.size());
    sources_.push_back(Source{paths::relative_to(full, projectDirectory_)});
}

// Words that are not switches are read as paths from the folder the line runs in.
std::optional<BuildRecords::Named> BuildRecords::source_named(const std::vector<std::string>& words,
                                                              const std::wstring& directory) const {
    for (size_t i = 1; i < words.size(); ++i) {
        if (words[i].empty() || words[i][0] == '-')
            continue;
        const auto found = sourceByPath_.find(
            lower(paths::absolute(from_utf8(words[i]), directory.empty() ? projectDirectory_ : directory)));
        if (found != sourceByPath_.end())
            return Named{found->second, i};
    }
    return std::nullopt;
}

// The linker's output file: the first -o, else the first -O, of its line,
// relative to the folder it runs in.
std::wstring BuildRecords::link_target(const ExecuteRequest& run,
                                       const std::vector<std::string>& words) const {
    for (const char* option : {"-o", "-O"})
        for (size_t i = 1; i < words.size(); ++i)
            if (words[i].size() > 2 && words[i].compare(0, 2, option) == 0)
                return paths::relative_to(paths::absolute(from_utf8(words[i].substr(2)), run.directory),
                                          projectDirectory_);
    return {};
}

void BuildRecords::starting(const ExecuteRequest& run) {
    if (request_.quiet)
        return;
    const std::vector<std::string> words = portable::split_command_line(utf8(run.line));
    const bool isLink = run.tool && IsEqualGUID(*run.tool, CLSID_T_TARNIV18ld);
    const std::optional<Named> named = isLink ? std::nullopt : source_named(words, run.directory);
    const std::optional<size_t> source = named ? std::optional<size_t>(named->source) : std::nullopt;
    const auto [started, total] = progress_.start(source, isLink);
    std::wstring what = source ? sources_[*source].shown : isLink ? link_target(run, words) : std::wstring();
    output_.err("[" + std::to_string(started) + "/" + std::to_string(total) + "] " +
                short_tool_name(run.tool) + (what.empty() ? std::string() : " " + utf8(what)) + "\n");
}

void BuildRecords::ran(const ExecutedLine& run) {
    if (!request_.compileCommands || !run.request.tool || !IsEqualGUID(*run.request.tool, CLSID_T_TARNIV18cc))
        return;
    const std::string line = utf8(run.request.line);
    const std::vector<std::string> words = portable::split_command_line(line);
    const std::wstring directory =
        run.request.directory.empty() ? paths::absolute(L".", {}) : run.request.directory;
    if (const std::optional<Named> named = source_named(words, directory)) {
        // The source as the line names it: clang's form of the line finds it by that.
        compiles_.push_back(portable::CompileRun{utf8(directory), words[named->word], line});
    }
}

void BuildRecords::placed(const std::wstring& message, const std::wstring& file, unsigned long line) {
    if (request_.sarif)
        messages_.push_back(
            portable::PlacedMessage{utf8(message), utf8(paths::absolute(file, projectDirectory_)), line});
}

bool BuildRecords::write_file(const std::wstring& name, const std::string& what, bool merges,
                              const std::function<std::optional<std::string>(const std::string&)>& text) {
    const std::wstring path = paths::absolute(name, {});
    std::string existing;
    HRESULT result = merges ? read_whole_file(path, existing) : S_OK;
    if (SUCCEEDED(result)) {
        const std::optional<std::string> written = text(existing);
        if (!written)
            return false;
        result = replace_file(path, *written);
    }
    if (FAILED(result))
        output_.err(L"veska-host: cannot write the " + from_utf8(what) + L" " + path + L": " +
                    hresult_explained(result) + L"\n");
    return SUCCEEDED(result);
}

bool BuildRecords::write(bool succeeded) {
    bool written = true;
    if (request_.compileCommands)
        written =
            write_file(*request_.compileCommands, "compilation database", true,
                       [&](const std::string& existing) -> std::optional<std::string> {
                           const portable::DatabaseText database =
                               portable::merge_compile_database(existing, compiles_);
                           if (!database.written)
                               output_.err(L"veska-host: " + paths::absolute(*request_.compileCommands, {}) +
                                           L" is not a compilation database (" + from_utf8(database.error) +
                                           L"): it is left as it is\n");
                           return database.written ? std::optional<std::string>(database.text) : std::nullopt;
                       }) &&
            written;
    if (request_.sarif) {
        suite::CoTaskString name;
        const bool named = suite_ && SUCCEEDED(suite_->GetName(name.put())) && !name.empty();
        const portable::SarifRun run{named ? utf8(name.c_str()) : std::string("veska-host"),
                                     plugin_version(suite_), utf8(projectDirectory_), succeeded, messages_};
        written = write_file(*request_.sarif, "SARIF log", false,
                             [&](const std::string&) {
                                 return std::optional<std::string>(portable::sarif_log(run));
                             }) &&
                  written;
    }
    return written;
}

} // namespace veska::host::cli
