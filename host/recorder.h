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

#include "contract.h"

#include <cstddef>
#include <initializer_list>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <type_traits>
#include <variant>
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
    void inject(const std::string& qualifiedName, HRESULT hr, int times = -1, int skip = 0) {
        injections_[qualifiedName] = Injection{hr, times, skip};
    }
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

// One argument of a recorded call, formatted by its type when the call is
// recorded: text quoted, GUIDs braced, numbers in decimal, node tags as
// (project,folder,file). {"name", value} writes name=value. Making one
// neither allocates nor throws: what it refers to must outlive the call.
class Argument {
public:
    Argument(LPCWSTR text) noexcept : value_(text) {}
    Argument(const GUID* guid) noexcept : value_(guid) {}
    Argument(const _NodeTag* tag) noexcept : value_(tag) {}
    Argument(const _NodeTag& tag) noexcept : value_(&tag) {}
    template <class Number, std::enable_if_t<std::is_integral_v<Number> || std::is_enum_v<Number>, int> = 0>
    Argument(Number number) noexcept {
        if constexpr (std::is_enum_v<Number> || std::is_signed_v<Number>)
            value_ = static_cast<long long>(number);
        else
            value_ = static_cast<unsigned long long>(number);
    }
    // A number given through a pointer, or null.
    template <class Enum, std::enable_if_t<std::is_enum_v<Enum>, int> = 0>
    Argument(const Enum* value) noexcept : Argument(value ? Argument(*value) : verbatim("null")) {}
    Argument(const char* name, const Argument& value) noexcept : name_(name), value_(value.value_) {}
    // Text written as it stands ("null", "suite").
    static Argument verbatim(const char* text) noexcept {
        return Argument(Deferred{
            text, [](const void* context) { return std::string(static_cast<const char*>(context)); }});
    }
    // Text that format() makes when the call is recorded (a structure's
    // fields, what an object says of itself).
    template <class Format> static Argument deferred(const Format& format) noexcept {
        return Argument(Deferred{&format, [](const void* context) -> std::string {
                                     return (*static_cast<const Format*>(context))();
                                 }});
    }

    // The arguments as a call's line lists them: "a, b=1".
    static std::string joined(std::initializer_list<Argument> arguments);
    std::string text() const;

private:
    struct Deferred {
        const void* context;
        std::string (*format)(const void* context);
    };
    explicit Argument(Deferred text) noexcept : value_(text) {}
    const char* name_ = nullptr;
    std::variant<LPCWSTR, const GUID*, const _NodeTag*, long long, unsigned long long, Deferred> value_;
};

// An object argument: what it is when given, else null.
inline Argument present(const void* object, const char* what) noexcept {
    return Argument::verbatim(object ? what : "null");
}

// Runs a method body; no exception leaves a COM method.
template <class Body> HRESULT guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

// The recording face of one host object: a recorder that may be absent
// (objects made without one record nothing) and the interface it serves.
class Recording {
public:
    explicit Recording(std::shared_ptr<Recorder> recorder, const char* interfaceName)
        : recorder_(std::move(recorder)), interface_(interfaceName) {}

    // One COM method: records the call with its arguments, answers an
    // injected failure instead of running body, records body's result (S_OK
    // when body answers nothing). No exception leaves.
    template <class Body>
    HRESULT call(const char* method, std::initializer_list<Argument> arguments, Body&& body) const noexcept {
        const auto run = [&]() -> HRESULT {
            if constexpr (std::is_void_v<decltype(body())>) {
                body();
                return S_OK;
            } else {
                return body();
            }
        };
        return guarded([&]() -> HRESULT {
            if (!recorder_)
                return run();
            if (auto injected = recorder_->enter(interface_, method, Argument::joined(arguments)))
                return *injected;
            const size_t index = recorder_->calls().size() - 1;
            const HRESULT result = run();
            recorder_->set_result(index, result);
            return result;
        });
    }
    template <class Body> HRESULT call(const char* method, Body&& body) const noexcept {
        return call(method, {}, std::forward<Body>(body));
    }
    const std::shared_ptr<Recorder>& recorder() const noexcept { return recorder_; }

private:
    std::shared_ptr<Recorder> recorder_;
    const char* interface_;
};

// Methods of a class with a Recording recording_, each written once: one
// whose body is the single expression result, an HRESULT or a call that
// answers nothing (S_OK), its arguments recorded; and the query of a flag
// (S_OK when set, S_FALSE when not) and its setter (any non-zero state sets it).
#define VESKA_HOST_ANSWER(result, method, parameters, ...)                                                   \
    HRESULT STDMETHODCALLTYPE method parameters override {                                                   \
        return recording_.call(__func__, {__VA_ARGS__}, [&] { return result; });                             \
    }
#define VESKA_HOST_FLAG(query, setter, member)                                                               \
    HRESULT STDMETHODCALLTYPE query() override {                                                             \
        return recording_.call(__func__, [&] { return member ? S_OK : S_FALSE; });                           \
    }                                                                                                        \
    HRESULT STDMETHODCALLTYPE setter(long bNewState) override {                                              \
        return recording_.call(__func__, {bNewState}, [&] { member = bNewState != 0; });                     \
    }

} // namespace veska::host
