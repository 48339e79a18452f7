// The stand-in host's memory of what the plug-in asked of it: every call into
// a host object, in order, as a readable line and as structured fields, plus
// the failures a test has asked the host to inject.
//
// Readable lines name the interface and the method, with the arguments that
// matter for assertions: `IProject.GetNode(folder=0, file=2)`. Calls on the
// project manager, the host's main face, omit its interface name:
// `WriteBuildMessage("BUILD SUCCEEDED\n", tool=null)`, `SetBuildIsUnderway(1)`.
#pragma once

#include <windows.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veska::host {

struct CallRecord {
    std::string interfaceName; // "IProject", "IProjectManager", ...
    std::string method;        // "GetNode"
    std::string arguments;     // the text between the parentheses
    std::string line;          // the readable form
    HRESULT result = S_OK;     // what the host answered
};

class Recorder {
public:
    // Logs one call and answers whether a failure was injected for it.
    std::optional<HRESULT> enter(const char* interfaceName, const char* method, std::string arguments);
    // Sets the result of call number index (what the host answered).
    void set_result(size_t index, HRESULT result) noexcept;

    // Makes "Interface.Method" answer hr instead of doing its work: after
    // `skip` calls have passed, for `times` calls (negative: for good).
    void inject(const std::string& qualifiedName, HRESULT hr, int times = -1, int skip = 0);
    // Makes the call with this number (counted from the first recorded call,
    // whatever its method) answer hr instead of doing its work.
    void inject_at(size_t callNumber, HRESULT hr) { numbered_[callNumber] = hr; }
    void clear_injections() noexcept {
        injections_.clear();
        numbered_.clear();
    }

    const std::vector<CallRecord>& calls() const noexcept { return calls_; }
    std::vector<std::string> lines() const;
    // The calls of one method ("Interface.Method", or "Method" for any interface).
    std::vector<CallRecord> calls_of(const std::string& name) const;
    size_t count(const std::string& name) const { return calls_of(name).size(); }
    // Index of the first call at or after `from` whose readable line contains
    // text; npos when there is none. For "happened before" assertions.
    size_t find(const std::string& text, size_t from = 0) const noexcept;
    static constexpr size_t npos = static_cast<size_t>(-1);

    void clear() noexcept { calls_.clear(); }
    // Every readable line, one per line.
    std::string transcript() const;

private:
    struct Injection {
        HRESULT hr;
        int times;
        int skip;
    };
    std::vector<CallRecord> calls_;
    std::map<std::string, Injection> injections_;
    std::map<size_t, HRESULT> numbered_;
};

// Text forms used in the readable lines.
std::string utf8(const wchar_t* text);
std::string utf8(const std::wstring& text);
std::wstring from_utf8(const std::string& text);
// A C-style quoted string ("a\\b\n"), or null.
std::string quoted(const wchar_t* text);
// {XXXXXXXX-...} or null.
std::string guid_text(const GUID* guid);
std::string hresult_text(HRESULT hr);

} // namespace veska::host
