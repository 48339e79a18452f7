#include "fault_points.h"

#include "task_memory_spy.h"

#include <objidl.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <set>

namespace faults {

namespace {

// The armed kind's count and the call to fail.
struct Counter {
    Kind kind = Kind::TaskAllocation;
    bool armed = false;
    long long calls = 0;
    long long failAt = -1;
    const void* failed = nullptr; // the original of the call made to fail

    bool next_fails(Kind of) {
        if (!armed || of != kind)
            return false;
        return calls++ == failAt;
    }
} g_counter;

// One replaced import: calls the original unless this call is the one to fail.
template <class Tag, Kind Of, class R, class... A> struct Hook {
    static inline R(WINAPI* original)(A...) = nullptr;
    static R WINAPI call(A... args) {
        if (g_counter.next_fails(Of)) {
            g_counter.failed = reinterpret_cast<const void*>(original);
            return Tag::failure();
        }
        return original(args...);
    }
};

#define FAULT_TAG(name, value)                                                                               \
    struct name {                                                                                            \
        static auto failure() { return value; }                                                              \
    }
FAULT_TAG(NullPointer, static_cast<void*>(nullptr));
FAULT_TAG(Denied, static_cast<LSTATUS>(ERROR_ACCESS_DENIED));
FAULT_TAG(NullFile, static_cast<FILE*>(nullptr));
FAULT_TAG(NullLine, static_cast<char*>(nullptr));
FAULT_TAG(False, (SetLastError(ERROR_ACCESS_DENIED), FALSE));
FAULT_TAG(Zero, (SetLastError(ERROR_ACCESS_DENIED), DWORD(0)));
FAULT_TAG(Failed, E_FAIL);
#undef FAULT_TAG

// Blocks the module or the host (this program) took from the task allocator
// while watched: the only ones the leak count looks at (the platform's own
// caches are not the module's to free).
std::mutex g_trackedMutex;
std::set<void*> g_tracked;
bool g_tracking = false;
void track(void* block) {
    std::lock_guard<std::mutex> hold(g_trackedMutex);
    if (block && g_tracking)
        g_tracked.insert(block);
}

using TaskAllocHook = Hook<NullPointer, Kind::TaskAllocation, void*, SIZE_T>;
struct TaskAlloc {
    static inline void*(WINAPI* original)(SIZE_T) = nullptr;
    static void* WINAPI call(SIZE_T size) {
        void* block = TaskAllocHook::call(size);
        track(block);
        return block;
    }
};
// The host's allocations: tracked, never failed.
struct HostTaskAlloc {
    static inline void*(WINAPI* original)(SIZE_T) = nullptr;
    static void* WINAPI call(SIZE_T size) {
        void* block = original(size);
        track(block);
        return block;
    }
};
using OpenKey = Hook<Denied, Kind::Registry, LSTATUS, HKEY, LPCSTR, DWORD, REGSAM, PHKEY>;
using CreateKey = Hook<Denied, Kind::Registry, LSTATUS, HKEY, LPCSTR, DWORD, LPSTR, DWORD, REGSAM,
                       const LPSECURITY_ATTRIBUTES, PHKEY, LPDWORD>;
using QueryValue = Hook<Denied, Kind::Registry, LSTATUS, HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD>;
using SetValue = Hook<Denied, Kind::Registry, LSTATUS, HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD>;
using EnumKey =
    Hook<Denied, Kind::Registry, LSTATUS, HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME>;
using OpenFile = Hook<NullFile, Kind::Files, FILE*, const char*, const char*>;
using ReadLine = Hook<NullLine, Kind::Files, char*, char*, int, FILE*>;
using ChangeDirectory = Hook<False, Kind::Files, BOOL, LPCSTR>;
using MakeDirectory = Hook<False, Kind::Files, BOOL, LPCSTR, LPSECURITY_ATTRIBUTES>;
using CurrentDirectory = Hook<Zero, Kind::Files, DWORD, DWORD, LPSTR>;
using CreateObject = Hook<Failed, Kind::Registration, HRESULT, REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*>;
using LoadLibraryOfTypes = Hook<Failed, Kind::Registration, HRESULT, LPCOLESTR, REGKIND, ITypeLib**>;
using RegisterTypes = Hook<Failed, Kind::Registration, HRESULT, ITypeLib*, LPCOLESTR, LPCOLESTR>;
using UnregisterTypes = Hook<Failed, Kind::Registration, HRESULT, REFGUID, WORD, WORD, LCID, SYSKIND>;

// Points the import of function from dll in module at replacement; the
// original is stored in *original.
template <class Fn>
bool replace_import(HMODULE module, const char* dll, const char* function, Fn replacement, Fn* original) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         descriptor->Name; ++descriptor) {
        if (_stricmp(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0)
                continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            *original = reinterpret_cast<Fn>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
}

template <class H> bool install(HMODULE module, const char* dll, const char* function) {
    return replace_import(module, dll, function, &H::call, &H::original);
}

using InjectHeap = long long (*)(long long);

} // namespace

const char* name_of(Kind kind) {
    switch (kind) {
    case Kind::TaskAllocation:
        return "task allocations";
    case Kind::Heap:
        return "heap allocations";
    case Kind::Registry:
        return "registry";
    case Kind::Files:
        return "files";
    case Kind::Registration:
        return "registration";
    }
    return "?";
}

bool FaultPoints::Install(HMODULE module) {
    module_ = module;
    bool all = install<TaskAlloc>(module, "ole32.dll", "CoTaskMemAlloc");
    TaskAllocHook::original = TaskAlloc::original;
    // The host's own blocks are tracked where it takes any.
    install<HostTaskAlloc>(GetModuleHandleW(nullptr), "ole32.dll", "CoTaskMemAlloc");
    all &= install<CreateObject>(module, "ole32.dll", "CoCreateInstance");
    all &= install<OpenKey>(module, "ADVAPI32.dll", "RegOpenKeyExA");
    all &= install<CreateKey>(module, "ADVAPI32.dll", "RegCreateKeyExA");
    all &= install<QueryValue>(module, "ADVAPI32.dll", "RegQueryValueExA");
    all &= install<SetValue>(module, "ADVAPI32.dll", "RegSetValueExA");
    all &= install<EnumKey>(module, "ADVAPI32.dll", "RegEnumKeyExA");
    all &= install<OpenFile>(module, "msvcrt.dll", "fopen");
    all &= install<ReadLine>(module, "msvcrt.dll", "fgets");
    all &= install<ChangeDirectory>(module, "KERNEL32.dll", "SetCurrentDirectoryA");
    all &= install<MakeDirectory>(module, "KERNEL32.dll", "CreateDirectoryA");
    all &= install<CurrentDirectory>(module, "KERNEL32.dll", "GetCurrentDirectoryA");
    all &= install<LoadLibraryOfTypes>(module, "OLEAUT32.dll", "LoadTypeLibEx");
    all &= install<RegisterTypes>(module, "OLEAUT32.dll", "RegisterTypeLib");
    all &= install<UnregisterTypes>(module, "OLEAUT32.dll", "UnRegisterTypeLib");
    return all && GetProcAddress(module, "SuiteFaultInjection");
}

void FaultPoints::Arm(Kind kind, long long failAt) {
    armed_ = kind;
    if (kind == Kind::Heap) {
        reinterpret_cast<InjectHeap>(reinterpret_cast<void*>(GetProcAddress(module_, "SuiteFaultInjection")))(
            failAt);
        return;
    }
    g_counter = Counter{kind, true, 0, failAt};
}

long long FaultPoints::Disarm() {
    failedDirectoryChange_ = false;
    if (armed_ == Kind::Heap)
        return reinterpret_cast<InjectHeap>(
            reinterpret_cast<void*>(GetProcAddress(module_, "SuiteFaultInjection")))(-1);
    const long long calls = g_counter.calls;
    failedDirectoryChange_ = g_counter.failed == reinterpret_cast<const void*>(ChangeDirectory::original);
    g_counter = Counter{};
    return calls;
}

BlockWatch::BlockWatch() {
    registered_ = SUCCEEDED(CoRegisterMallocSpy(&suite::test::TaskMemorySpy::instance()));
}

BlockWatch::~BlockWatch() {
    if (registered_)
        CoRevokeMallocSpy();
}

void BlockWatch::Start() {
    {
        std::lock_guard<std::mutex> hold(g_trackedMutex);
        g_tracked.clear();
        g_tracking = true;
    }
    suite::test::TaskMemorySpy::instance().reset();
}

// The live blocks the plug-in allocated.
size_t BlockWatch::live() const {
    const std::vector<const void*> live = suite::test::TaskMemorySpy::instance().live_blocks();
    std::lock_guard<std::mutex> hold(g_trackedMutex);
    size_t count = 0;
    for (const void* block : live)
        count += g_tracked.count(const_cast<void*>(block));
    return count;
}

size_t BlockWatch::double_frees() const {
    return suite::test::TaskMemorySpy::instance().double_frees();
}

} // namespace faults
