// Where a build finds things: the target, each source's object and error
// files, the directory a tool runs in, whether one file is newer than
// another, and whether the project was last built with a tool at another
// location. None of these writes a build message: each answers with an
// HRESULT and the build driver decides what to report.
//
// Paths here are narrow, one byte per character, at most 260 characters.
#pragma once

#include "com_ptr.h"
#include "contract.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

namespace suite {

inline constexpr size_t kMaxPathLength = 260;

// A path that would not fit in 260 characters.
inline constexpr HRESULT E_PATH_TOO_LONG = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

// IsNotNewer answers.
inline constexpr int kDependencyNewer = 0;
inline constexpr int kDependencyNotNewer = 1;
inline constexpr int kTimeUnreadable = 2; // counts as not newer

// Hashing and equality of paths that ignore the case of A-Z, as the file
// system does: a lookup needs no folded copy of the path.
struct CaseBlindHash {
    size_t operator()(std::string_view path) const noexcept;
};
struct CaseBlindEqual {
    bool operator()(std::string_view a, std::string_view b) const noexcept;
};

// Case-blind text keys with a value each, kept compact for the thousands of
// paths and names a build walks: the keys end to end in one string, an entry
// per key (its value and where its key starts) and an open-addressed table of
// entry numbers, 12 to 20 bytes a key besides its text and value.
template <class Value> class CaseBlindTable {
    static_assert(std::is_class_v<Value>, "a value is a struct, NoValue for a set");

public:
    // A key that is there already keeps its value.
    void insert(std::string_view key, const Value& value) {
        if (!find(key))
            add(key, value);
    }
    // For keys known to be new (a key added twice is found with its first value).
    void add(std::string_view key, const Value& value) {
        entries_.push_back(Entry{value, static_cast<uint32_t>(text_.size())});
        text_.append(key);
        if (2 * entries_.size() > slots_.size())
            rehash(slots_.empty() ? 16 : 2 * slots_.size());
        else
            place(entries_.size() - 1);
    }
    const Value* find(std::string_view key) const noexcept {
        if (slots_.empty())
            return nullptr;
        const size_t mask = slots_.size() - 1;
        for (size_t slot = CaseBlindHash()(key) & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
            const size_t number = slots_[slot] - 1;
            if (CaseBlindEqual()(key_of(number), key))
                return &entries_[number];
        }
        return nullptr;
    }
    size_t size() const noexcept { return entries_.size(); }
    // Many keys known to be new, in a row: placed all at once by index(),
    // which must come before the next find (growing as add does would hash
    // every key again at each step).
    void append(std::string_view key, const Value& value) {
        entries_.push_back(Entry{value, static_cast<uint32_t>(text_.size())});
        text_.append(key);
    }
    void index() {
        size_t size = 16;
        while (size < 2 * entries_.size())
            size *= 2;
        rehash(size);
    }

private:
    // The value, then where its key starts in text_; the key ends where the
    // next one starts. A value without data takes no room.
    struct Entry : Value {
        uint32_t offset;
    };
    std::string_view key_of(size_t number) const noexcept {
        const size_t end = number + 1 < entries_.size() ? entries_[number + 1].offset : text_.size();
        return std::string_view(text_).substr(entries_[number].offset, end - entries_[number].offset);
    }
    void place(size_t number) {
        const size_t mask = slots_.size() - 1;
        size_t slot = CaseBlindHash()(key_of(number)) & mask;
        while (slots_[slot] != 0)
            slot = (slot + 1) & mask;
        slots_[slot] = static_cast<uint32_t>(number + 1);
    }
    void rehash(size_t size) {
        slots_.assign(size, 0);
        for (size_t number = 0; number < entries_.size(); ++number)
            place(number);
    }

    std::string text_;
    std::vector<Entry> entries_;
    std::vector<uint32_t> slots_; // entry number + 1; 0 is an empty slot
};
struct NoValue {};
using CaseBlindPathSet = CaseBlindTable<NoValue>;

// What a build learns about files: each file's attributes and last-write
// time are read once, until forget() (after a tool ran and may have written
// files). A build that asks about the same file again asks the disk once.
//
// A build that walks many files of one folder without running a tool (a Make
// that finds them up to date) reads the folder's entries in one listing
// instead of one file at a time: once it has asked about
// kReadsBeforeListing files there, and only when the folder holds no more
// than a bound that grows with the files the build expects to look at, so a
// project in a crowded folder never pays for the listing.
class FileFacts {
public:
    struct Facts {
        bool exists = false;
        bool isDirectory = false;
        FILETIME lastWrite{};
    };
    static constexpr unsigned kReadsBeforeListing = 16;

    // Facts about a full path.
    const Facts& of(const std::string& fullPath);
    // The number of files the build expects to ask about; 0 (the start)
    // lists no folder.
    void expect(size_t files) noexcept { expected_ = files; }
    void forget() noexcept {
        known_.clear();
        folders_.clear();
        lastFolder_ = nullptr;
    }

private:
    enum class Listing { NotYet, Complete, Refused };
    struct Folder {
        unsigned reads = 0;
        Listing listing = Listing::NotYet;
        CaseBlindTable<Facts> entries; // by name, once listed
    };
    Folder& folder_of(std::string_view folder);
    void list(const std::string& folder, Folder& state);

    std::unordered_map<std::string, Facts, CaseBlindHash, CaseBlindEqual> known_;
    std::unordered_map<std::string, Folder, CaseBlindHash, CaseBlindEqual> folders_;
    // The folder asked about last; the node stays where it is until forget().
    Folder* lastFolder_ = nullptr;
    std::string lastFolderKey_;
    size_t expected_ = 0;
};

// path resolved against base: a path whose second character is ":" is made
// canonical directly, any other is joined to base first (the current
// directory when base is empty). Canonical is the platform's full, long form
// of an existing object. Not resolved: false, with an empty text for drive
// paths and the joined text for the others. facts, when given, caches the
// existence test, and found (when given with facts) then points at the
// resolved file's facts, valid until facts forgets.
bool ResolvePath(const std::string& path, const std::string& base, std::string& out,
                 FileFacts* facts = nullptr, const FileFacts::Facts** found = nullptr);

// IsNotNewer's answer for two files whose facts are known.
int CompareWriteTimes(const FileFacts::Facts& dependency, const FileFacts::Facts& target) noexcept;

// 1 when dependency's last-write time is earlier than or equal to target's,
// 0 when it is later; kTimeUnreadable when either cannot be read (a missing
// file never forces a rebuild through this test).
int IsNotNewer(const std::string& dependency, const std::string& target, const std::string& base,
               FileFacts* facts = nullptr);

// The project's directories and paths as narrow text.
HRESULT GetProjectDirectory(IProject* project, std::string& out);
HRESULT GetProjectPath(IProject* project, PathType type, std::string& out);
HRESULT GetNodeLocation(IProjectNode* node, std::string& out);
// The process's current directory (at most 260 characters).
HRESULT GetWorkingDirectory(std::string& out);

// The build target: the output directory (PT_BIN resolved against the
// project directory) followed by the value of the first -o, else -O, of the
// linker's expanded project option text. E_FAIL when the text names none.
HRESULT GetTargetPath(IProject* project, const GUID& linkerClass, std::string& out);

// The object file of a source: the PT_TMP directory resolved against the
// working directory when it is set, else the working directory itself,
// followed by the source's base name and extension.
HRESULT GetObjectPath(IProject* project, const std::string& sourceLocation, const char* extension,
                      const std::string& workingDirectory, std::string& out, FileFacts* facts = nullptr);
// The same in two steps, for a build that reads PT_TMP once: the object
// directory for a working directory, then a source's object in it.
HRESULT GetObjectDirectory(const std::string& tmpPath, const std::string& workingDirectory, std::string& out,
                           FileFacts* facts = nullptr);
HRESULT ObjectPathIn(const std::string& directory, const std::string& sourceLocation, const char* extension,
                     std::string& out);

// The error file a tool writes: the project's PT_TMP path as given when it
// is set, else for the linker PT_BIN as given or the project directory, for
// the assembler and compiler the working directory; then the base name of
// name (the source, or the target for the link) with ".ase", ".cce" or
// ".lde". E_INVALIDARG for a class that is none of the three tools.
HRESULT GetErrorFilePath(IProject* project, const std::string& name, const GUID& toolClass,
                         const std::string& workingDirectory, std::string& out);

// The directory a source's tool runs in: the directory part of its location
// resolved against the project directory. E_FAIL when the source does not
// resolve or has no directory part.
// resolvedSource may be changed when it fails; sourceFacts as ResolvePath's found.
HRESULT GetSourceDirectory(const std::string& sourceLocation, const std::string& projectDirectory,
                           std::string& out, FileFacts* facts = nullptr,
                           std::string* resolvedSource = nullptr,
                           const FileFacts::Facts** sourceFacts = nullptr);
// The directory the linker runs in: PT_BIN resolved against the project
// directory when it is set (E_FAIL when it does not resolve), else the
// project directory.
HRESULT GetLinkDirectory(IProject* project, std::string& out);

// Changes the process's working directory and puts the previous one back
// when it goes out of scope.
class ScopedWorkingDirectory {
public:
    ScopedWorkingDirectory() = default;
    ~ScopedWorkingDirectory() { restore(); }
    ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
    ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

    // S_OK after saving the current directory and asking for the new one (a
    // refusal by the platform leaves the old one current); E_FAIL when the
    // current directory cannot be saved.
    HRESULT enter(const std::string& directory);
    void restore() noexcept;

private:
    std::string saved_;
    bool entered_ = false;
};

HRESULT EnterWorkingDirectory(const std::string& directory, ScopedWorkingDirectory& scope);

// Compares the tool's location with the location stamped in the project for
// its class: when they differ (regardless of case) the host hears of it
// through IProjectManagerEx::NotifyToolLocationChanged. The stamp is then
// rewritten with the current location. Failures are logged and returned.
HRESULT CheckToolLocationStamp(ITool* tool, IProject* project, IProjectManager* manager);

} // namespace suite
