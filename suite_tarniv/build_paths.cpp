#include "build_paths.h"

#include "command_line_text.h"
#include "lsc.h"
#include "macros.h"
#include "text.h"
#include "xlogged.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

namespace suite {

namespace {

using cmdline::with_trailing_separator;

constexpr HRESULT E_NOT_NARROW = HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);

bool is_drive_path(const std::string& path) noexcept {
    return path.size() >= 2 && path[1] == ':';
}
bool is_slash(char c) noexcept {
    return c == '\\' || c == '/';
}

// The root of base that a path starting with one separator refers to: its
// drive ("C:") or its UNC share.
std::string root_of(const std::string& base) {
    if (is_drive_path(base))
        return base.substr(0, 2);
    if (base.size() > 2 && is_slash(base[0]) && is_slash(base[1])) {
        size_t server = base.find_first_of("\\/", 2);
        if (server == std::string::npos)
            return base;
        size_t share = base.find_first_of("\\/", server + 1);
        return share == std::string::npos ? base : base.substr(0, share);
    }
    return std::string();
}

// path joined to base without touching the process's current directory, the
// way the platform would join it with base current.
std::string joined(const std::string& path, const std::string& base) {
    if (base.empty() || is_drive_path(path))
        return path;
    if (path.size() >= 2 && is_slash(path[0]) && is_slash(path[1]))
        return path;
    if (!path.empty() && is_slash(path[0]))
        return root_of(base) + path;
    if (path.empty())
        return base;
    return with_trailing_separator(base) + path;
}

// The platform's full form of path (".." and "." folded, separators made
// "\"); false when it would exceed 260 characters. A path that is full
// already is moved into out; path is left alone when false.
bool full_path_of(std::string&& path, std::string& out) {
    // Most paths a build meets are full already; the platform would hand
    // them back unchanged, and asking it costs more than the file test.
    if (path.size() <= kMaxPathLength && cmdline::is_full_path_form(path)) {
        out = std::move(path);
        return true;
    }
    char buffer[kMaxPathLength + 1];
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, nullptr);
    if (length == 0 || length > kMaxPathLength)
        return false;
    out.assign(buffer, length);
    return true;
}

// The long form of an existing full path. Only a component with a "~" can be
// a short alias, so other paths are already in their long form (up to the
// case of letters, which the file system ignores); asking the platform for
// every path would read each directory on the way.
std::string long_form_of(std::string fullPath) {
    if (fullPath.find('~') == std::string::npos)
        return fullPath;
    char buffer[kMaxPathLength + 1];
    const DWORD length = GetLongPathNameA(fullPath.c_str(), buffer, sizeof buffer);
    if (length == 0 || length > kMaxPathLength)
        return fullPath;
    return std::string(buffer, length);
}

constexpr size_t kListingBufferBytes = 64 * 1024;

// One entry of a folder listing. Only plain ASCII names are kept: the
// listing never answers for any other (see FileFacts::of), and "." and ".."
// are no files.
void add_listed(const WCHAR* wide, size_t length, DWORD attributes, LARGE_INTEGER lastWrite,
                std::string& name, CaseBlindTable<FileFacts::Facts>& listing) {
    if ((length == 1 && wide[0] == L'.') || (length == 2 && wide[0] == L'.' && wide[1] == L'.'))
        return;
    if (std::any_of(wide, wide + length, [](WCHAR c) { return c >= 0x80; }))
        return;
    name.assign(wide, wide + length); // ASCII: one byte each
    FileFacts::Facts facts;
    facts.exists = true;
    facts.isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    facts.lastWrite.dwLowDateTime = lastWrite.LowPart;
    facts.lastWrite.dwHighDateTime = static_cast<DWORD>(lastWrite.HighPart);
    listing.append(name, facts); // a folder lists each name once
}

FileFacts::Facts read_facts(const std::string& fullPath) {
    FileFacts::Facts facts;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (GetFileAttributesExA(fullPath.c_str(), GetFileExInfoStandard, &data)) {
        facts.exists = true;
        facts.isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        facts.lastWrite = data.ftLastWriteTime;
    }
    return facts;
}

HRESULT narrow_path(const wchar_t* wide, std::string& out, size_t maxLength) {
    // Checked before out is touched, so that out keeps its buffer: a build
    // narrows every location it is handed.
    const std::wstring_view text = wide ? std::wstring_view(wide) : std::wstring_view();
    if (std::any_of(text.begin(), text.end(), [](wchar_t c) { return static_cast<unsigned long>(c) > 255; }))
        return E_NOT_NARROW;
    if (text.size() > maxLength)
        return E_PATH_TOO_LONG;
    text::narrow(wide, out);
    return S_OK;
}

// directory, a separator, name and extension, built in out (which must not
// hold any of them) so that a build reusing one string allocates nothing.
HRESULT path_of(const std::string& directory, std::string_view name, const char* extension,
                std::string& out) {
    const bool separator = !directory.empty() && directory.back() != '\\';
    const size_t extensionLength = std::strlen(extension);
    if (directory.size() + (separator ? 1 : 0) + name.size() + extensionLength > kMaxPathLength)
        return E_PATH_TOO_LONG;
    out.assign(directory);
    if (separator)
        out.push_back('\\');
    out.append(name);
    out.append(extension, extensionLength);
    return S_OK;
}

} // namespace

size_t CaseBlindHash::operator()(std::string_view path) const noexcept {
    // Eight characters at a time, each with bit 5 set: texts that differ only
    // in the case of A-Z hash alike (so do a few punctuation pairs, which only
    // costs a comparison). The standard containers may hash a key again on
    // every lookup, so this stays cheap.
    constexpr uint64_t kCaseBits = 0x2020202020202020ULL;
    constexpr uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;
    uint64_t hash = path.size();
    const char* p = path.data();
    size_t left = path.size();
    for (; left >= 8; p += 8, left -= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        hash = (hash ^ (word | kCaseBits)) * kMultiplier;
        hash ^= hash >> 29;
    }
    for (; left > 0; ++p, --left)
        hash = (hash ^ (static_cast<unsigned char>(*p) | 0x20U)) * kMultiplier;
    hash ^= hash >> 32;
    return static_cast<size_t>(hash);
}

bool CaseBlindEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    return cmdline::equals_ignoring_case(a, b);
}

const FileFacts::Facts& FileFacts::of(const std::string& fullPath) {
    static const Facts kMissing;
    const size_t nameStart = fullPath.rfind('\\');
    if (expected_ != 0 && nameStart != std::string::npos && nameStart > 0) {
        Folder& folder = folder_of(std::string_view(fullPath).substr(0, nameStart));
        if (folder.listing == Listing::NotYet) {
            const auto found = known_.find(fullPath);
            if (found != known_.end())
                return found->second;
            if (++folder.reads >= kReadsBeforeListing)
                list(lastFolderKey_, folder);
        }
        // A listing holds every long name as the platform spells it. A name
        // with a "~" may be a short alias, and one with a character outside
        // ASCII may be spelt otherwise: those are read one by one.
        const std::string_view name = std::string_view(fullPath).substr(nameStart + 1);
        const bool plainName = std::all_of(name.begin(), name.end(), [](char c) {
            return c != '~' && static_cast<unsigned char>(c) < 0x80;
        });
        if (folder.listing == Listing::Complete && plainName) {
            const Facts* listed = folder.entries.find(name);
            return listed ? *listed : kMissing;
        }
    }
    const auto found = known_.find(fullPath);
    if (found != known_.end())
        return found->second;
    return known_.emplace(fullPath, read_facts(fullPath)).first->second;
}

FileFacts::Folder& FileFacts::folder_of(std::string_view folder) {
    // A build walks one folder's files in a row: the folder it asked about
    // last, spelt the same, needs no lookup.
    if (lastFolder_ && lastFolderKey_ == folder)
        return *lastFolder_;
    lastFolderKey_.assign(folder);
    lastFolder_ = &folders_[lastFolderKey_];
    return *lastFolder_;
}

void FileFacts::list(const std::string& folder, Folder& state) {
    state.listing = Listing::Refused; // unless the whole folder is read
    // "C:" alone names the drive's current directory, not its root.
    const std::string path = folder.size() == 2 && folder[1] == ':' ? folder + "\\" : folder;
    const suite::UniqueFileHandle directory(
        CreateFileA(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (directory.get() == INVALID_HANDLE_VALUE)
        return;
    const size_t bound = 8 * expected_ + 256;
    CaseBlindTable<Facts> listing; // becomes the state's once complete
    std::string name;
    size_t seen = 0;
    std::vector<ULONGLONG> buffer(kListingBufferBytes / sizeof(ULONGLONG)); // entries are 8-byte aligned
    const auto* const bytes = reinterpret_cast<const unsigned char*>(buffer.data());
    FILE_INFO_BY_HANDLE_CLASS request = FileFullDirectoryRestartInfo;
    while (GetFileInformationByHandleEx(directory.get(), request, buffer.data(), kListingBufferBytes)) {
        request = FileFullDirectoryInfo;
        for (size_t at = 0; at + sizeof(FILE_FULL_DIR_INFO) <= kListingBufferBytes;) {
            const auto* info = reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + at);
            const size_t nameLength = info->FileNameLength / sizeof(WCHAR);
            if (++seen > bound)
                return; // a crowded folder: read one file at a time
            if (at + offsetof(FILE_FULL_DIR_INFO, FileName) + info->FileNameLength > kListingBufferBytes)
                return;
            add_listed(info->FileName, nameLength, info->FileAttributes, info->LastWriteTime, name, listing);
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
    }
    if (GetLastError() != ERROR_NO_MORE_FILES)
        return;
    listing.index();
    state.entries = std::move(listing);
    state.listing = Listing::Complete;
}

bool ResolvePath(const std::string& path, const std::string& base, std::string& out, FileFacts* facts,
                 const FileFacts::Facts** found) {
    // Most paths a build meets are full and long already: nothing to join,
    // fold or ask the platform, and out keeps its buffer.
    if (path.size() <= kMaxPathLength && cmdline::is_full_path_form(path) &&
        path.find('~') == std::string::npos) {
        FileFacts::Facts read;
        const FileFacts::Facts& known = facts ? facts->of(path) : (read = read_facts(path));
        if (!known.exists) {
            out.clear();
            return false;
        }
        if (&out != &path)
            out.assign(path);
        if (found && facts)
            *found = &known;
        return true;
    }
    const bool drivePath = is_drive_path(path);
    std::string join = joined(path, base);
    std::string full;
    if (!full_path_of(std::move(join), full)) {
        out = drivePath ? std::string() : join.substr(0, kMaxPathLength);
        return false;
    }
    FileFacts::Facts read;
    const FileFacts::Facts& known = facts ? facts->of(full) : (read = read_facts(full));
    if (!known.exists) {
        out = drivePath ? std::string() : full;
        return false;
    }
    if (found && facts)
        *found = &known;
    out = long_form_of(std::move(full));
    return true;
}

int IsNotNewer(const std::string& dependency, const std::string& target, const std::string& base,
               FileFacts* facts) {
    FileFacts local;
    FileFacts& known = facts ? *facts : local;
    std::string dependencyPath;
    std::string targetPath;
    if (!ResolvePath(dependency, base, dependencyPath, &known) ||
        !ResolvePath(target, base, targetPath, &known))
        return kTimeUnreadable;
    const FileFacts::Facts dependencyFacts = known.of(dependencyPath);
    return CompareWriteTimes(dependencyFacts, known.of(targetPath));
}

int CompareWriteTimes(const FileFacts::Facts& dependency, const FileFacts::Facts& target) noexcept {
    // A directory has no time a build can compare: like a file that cannot be opened.
    if (!dependency.exists || !target.exists || dependency.isDirectory || target.isDirectory)
        return kTimeUnreadable;
    return CompareFileTime(&dependency.lastWrite, &target.lastWrite) <= 0 ? kDependencyNotNewer
                                                                          : kDependencyNewer;
}

// A path the host answered (hr) in its one-byte form.
static HRESULT narrow_answer(HRESULT hr, const CoTaskString& path, std::string& out) {
    return FAILED(hr) ? hr : narrow_path(path.c_str(), out, kMaxPathLength);
}

HRESULT GetProjectDirectory(IProject* project, std::string& out) {
    CoTaskString directory;
    return narrow_answer(project->GetProjectDirectory(directory.put()), directory, out);
}

HRESULT GetProjectPath(IProject* project, PathType type, std::string& out) {
    CoTaskString path;
    return narrow_answer(project->GetPath(path.put(), type), path, out);
}

HRESULT GetNodeLocation(IProjectNode* node, std::string& out) {
    CoTaskString location;
    return narrow_answer(node->GetLocation(location.put()), location, out);
}

HRESULT GetWorkingDirectory(std::string& out) {
    char buffer[kMaxPathLength + 1];
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    if (length == 0 || length > kMaxPathLength)
        return E_FAIL;
    out.assign(buffer, length);
    return S_OK;
}

namespace {

// The project's directory and its output directory as the project holds it.
HRESULT GetProjectAndOutputPaths(IProject* project, std::string& projectDirectory, std::string& binPath) {
    const HRESULT hr = GetProjectDirectory(project, projectDirectory);
    return SUCCEEDED(hr) ? GetProjectPath(project, PT_BIN, binPath) : hr;
}

} // namespace

HRESULT GetTargetPath(IProject* project, const GUID& linkerClass, std::string& out) {
    std::string projectDirectory;
    std::string binPath;
    HRESULT hr = GetProjectAndOutputPaths(project, projectDirectory, binPath);
    if (FAILED(hr))
        return hr;
    std::string directory;
    // An output directory the first link has yet to create still names the
    // place of the target.
    if (!ResolvePath(binPath, projectDirectory, directory) &&
        !full_path_of(joined(binPath, projectDirectory), directory))
        return E_PATH_TOO_LONG;

    ComPtr<IToolArgs> linkerArgs;
    GUID linker = linkerClass;
    hr = project->GetProjectToolArgsByCLSID(&linker, linkerArgs.put());
    if (FAILED(hr))
        return hr;
    if (!linkerArgs)
        return E_FAIL;
    CoTaskString options = CoTaskString::copy_of(L"");
    if (!options)
        return E_OUTOFMEMORY;
    hr = linkerArgs->GenCmdLine(options.inout(), OP_LINK, nullptr);
    if (SUCCEEDED(hr))
        hr = ExpandTargetBase(options.inout(), project);
    if (SUCCEEDED(hr))
        hr = project->GenCmdLine(options.inout(), nullptr, 1, OP_LINK, nullptr);
    if (FAILED(hr))
        return hr;
    if (!options)
        return E_FAIL;

    std::wstring value;
    if (cmdline::find_target_value(options.get(), value) != cmdline::TargetValueStatus::Found)
        return E_FAIL;
    std::string target;
    hr = narrow_path(value.c_str(), target, kMaxPathLength);
    if (FAILED(hr))
        return hr;
    target = with_trailing_separator(directory) + target;
    if (target.size() > kMaxPathLength)
        return E_PATH_TOO_LONG;
    out = std::move(target);
    return S_OK;
}

HRESULT GetObjectDirectory(const std::string& tmpPath, const std::string& workingDirectory, std::string& out,
                           FileFacts* facts) {
    std::string directory = workingDirectory;
    if (!tmpPath.empty() && !ResolvePath(tmpPath, workingDirectory, directory, facts)) {
        // A temporary directory the first run has yet to create: the tool
        // writes the object where the joined path points all the same.
        if (!full_path_of(joined(tmpPath, workingDirectory), directory))
            return E_PATH_TOO_LONG;
    }
    out = std::move(directory);
    return S_OK;
}

HRESULT ObjectPathIn(const std::string& directory, const std::string& sourceLocation, const char* extension,
                     std::string& out) {
    return path_of(directory, cmdline::base_name(sourceLocation), extension, out);
}

HRESULT GetObjectPath(IProject* project, const std::string& sourceLocation, const char* extension,
                      const std::string& workingDirectory, std::string& out, FileFacts* facts) {
    std::string tmpPath;
    std::string directory;
    HRESULT hr = GetProjectPath(project, PT_TMP, tmpPath);
    if (SUCCEEDED(hr))
        hr = GetObjectDirectory(tmpPath, workingDirectory, directory, facts);
    if (FAILED(hr))
        return hr;
    return ObjectPathIn(directory, sourceLocation, extension, out);
}

HRESULT GetErrorFilePath(IProject* project, const std::string& name, const GUID& toolClass,
                         const std::string& workingDirectory, std::string& out) {
    const char* extension = nullptr;
    if (IsEqualGUID(toolClass, CLSID_T_TARNIV18as))
        extension = ".ase";
    else if (IsEqualGUID(toolClass, CLSID_T_TARNIV18cc))
        extension = ".cce";
    else if (IsEqualGUID(toolClass, CLSID_T_TARNIV18ld))
        extension = ".lde";
    else
        return E_INVALIDARG;
    const bool link = extension[1] == 'l';

    std::string directory;
    HRESULT hr = GetProjectPath(project, PT_TMP, directory);
    if (SUCCEEDED(hr) && directory.empty()) {
        if (link) {
            hr = GetProjectPath(project, PT_BIN, directory);
            if (SUCCEEDED(hr) && directory.empty())
                hr = GetProjectDirectory(project, directory);
        } else {
            directory = workingDirectory;
        }
    }
    if (FAILED(hr))
        return hr;
    return path_of(directory, cmdline::base_name(name), extension, out);
}

HRESULT GetSourceDirectory(const std::string& sourceLocation, const std::string& projectDirectory,
                           std::string& out, FileFacts* facts, std::string* resolvedSource,
                           const FileFacts::Facts** sourceFacts) {
    std::string local;
    std::string& resolved = resolvedSource ? *resolvedSource : local;
    if (!ResolvePath(sourceLocation, projectDirectory, resolved, facts, sourceFacts))
        return E_FAIL;
    const size_t nameStart = cmdline::file_name_start(resolved);
    if (nameStart == std::string::npos || nameStart == 0)
        return E_FAIL;
    out.assign(resolved, 0, nameStart);
    return S_OK;
}

HRESULT GetLinkDirectory(IProject* project, std::string& out) {
    std::string projectDirectory;
    std::string binPath;
    HRESULT hr = GetProjectAndOutputPaths(project, projectDirectory, binPath);
    if (FAILED(hr))
        return hr;
    if (binPath.empty()) {
        out = projectDirectory;
        return S_OK;
    }
    std::string resolved;
    if (!ResolvePath(binPath, projectDirectory, resolved))
        return E_FAIL;
    out = std::move(resolved);
    return S_OK;
}

HRESULT ScopedWorkingDirectory::enter(const std::string& directory) {
    restore();
    std::string current;
    if (FAILED(GetWorkingDirectory(current)))
        return E_FAIL;
    // A refused change fails the step: run in the old directory, a tool would
    // put its objects where the build does not look for them.
    if (!SetCurrentDirectoryA(directory.c_str()))
        return E_FAIL;
    saved_ = std::move(current);
    entered_ = true;
    return S_OK;
}

void ScopedWorkingDirectory::restore() noexcept {
    if (!entered_)
        return;
    entered_ = false;
    SetCurrentDirectoryA(saved_.c_str());
}

HRESULT EnterWorkingDirectory(const std::string& directory, ScopedWorkingDirectory& scope) {
    return scope.enter(directory);
}

HRESULT CheckToolLocationStamp(ITool* tool, IProject* project, IProjectManager* manager) {
    try {
        if (!tool || !project)
            THROW_XLOGGED(E_POINTER);
        CLSID toolClass;
        THROW_IF_FAILED_XLOGGED(GetEffectiveClassID(&toolClass, tool));
        wchar_t key[40];
        if (!StringFromGUID2(toolClass, key, static_cast<int>(std::size(key))))
            THROW_XLOGGED(E_FAIL);
        CoTaskString location;
        THROW_IF_FAILED_XLOGGED(tool->GetLocation(location.put()));

        CoTaskString stamp;
        if (project->GetToolLocStamp(stamp.put(), key) != S_OK)
            return S_OK;
        if (!stamp)
            THROW_XLOGGED(E_POINTER);
        if (stamp.empty())
            return S_OK;

        if (CompareStringOrdinal(location.c_str(), -1, stamp.c_str(), -1, TRUE) != CSTR_EQUAL) {
            if (!manager)
                THROW_XLOGGED(E_POINTER);
            ComPtr<IProjectManagerEx> managerEx = ComPtr<IProjectManager>(manager).as<IProjectManagerEx>();
            if (!managerEx)
                return S_OK;
            THROW_IF_FAILED_XLOGGED(managerEx->NotifyToolLocationChanged(tool, stamp.get()));
        }
        CoTaskString current;
        THROW_IF_FAILED_XLOGGED(tool->GetLocation(current.put()));
        THROW_IF_FAILED_XLOGGED(project->SetToolLocStamp(current.c_str(), key));
        return S_OK;
    } catch (const XLogged& failure) {
        failure.Log();
        return failure.GetHResult();
    }
}

} // namespace suite
