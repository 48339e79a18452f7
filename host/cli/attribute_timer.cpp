#include "attribute_timer.h"

#include <atomic>
#include <cstring>

namespace veska::host::cli {

namespace {

std::atomic<unsigned long long> g_reads{0};
std::atomic<long long> g_ticks{0};

using AttributesA = DWORD(WINAPI*)(LPCSTR);
using AttributesW = DWORD(WINAPI*)(LPCWSTR);
using AttributesExA = BOOL(WINAPI*)(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
using AttributesExW = BOOL(WINAPI*)(LPCWSTR, GET_FILEEX_INFO_LEVELS, LPVOID);
using InformationByHandle = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID, DWORD);

// The system's functions, called by the wrappers (never patched themselves).
const AttributesA kRealA = GetFileAttributesA;
const AttributesW kRealW = GetFileAttributesW;
const AttributesExA kRealExA = GetFileAttributesExA;
const AttributesExW kRealExW = GetFileAttributesExW;
const InformationByHandle kRealInformationByHandle = GetFileInformationByHandleEx;

template <class Call> auto timed(Call call) {
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const auto result = call();
    QueryPerformanceCounter(&end);
    g_ticks += end.QuadPart - start.QuadPart;
    ++g_reads;
    return result;
}

DWORD WINAPI timed_a(LPCSTR path) {
    return timed([&] { return kRealA(path); });
}
DWORD WINAPI timed_w(LPCWSTR path) {
    return timed([&] { return kRealW(path); });
}
BOOL WINAPI timed_ex_a(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID data) {
    return timed([&] { return kRealExA(path, level, data); });
}
BOOL WINAPI timed_ex_w(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID data) {
    return timed([&] { return kRealExW(path, level, data); });
}
// A piece of a folder listing: each entry it hands back counts as one read.
BOOL WINAPI timed_information_by_handle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID buffer,
                                        DWORD size) {
    const bool listing = kind == FileFullDirectoryInfo || kind == FileFullDirectoryRestartInfo;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    const BOOL result = kRealInformationByHandle(file, kind, buffer, size);
    QueryPerformanceCounter(&end);
    g_ticks += end.QuadPart - start.QuadPart;
    unsigned long long entries = 1;
    if (result && listing) {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        for (DWORD at = 0;;) {
            const DWORD next = reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + at)->NextEntryOffset;
            if (next == 0 || at + next + sizeof(FILE_FULL_DIR_INFO) > size)
                break;
            at += next;
            ++entries;
        }
    }
    g_reads += entries;
    return result;
}

struct Wrapper {
    const char* name;
    void* function;
};

// A function pointer as the import table holds it; the step through the
// generic function pointer keeps the compiler from judging the signatures.
template <class Fn> void* as_slot(Fn function) {
    return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(function));
}

bool write_slot(void** slot, void* value) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &previous))
        return false;
    *slot = value;
    VirtualProtect(slot, sizeof(void*), previous, &previous);
    return true;
}

} // namespace

AttributeReadTimer::AttributeReadTimer(const void* object) {
    g_reads = 0;
    g_ticks = 0;
    if (!object)
        return;
    const void* code = *static_cast<const void* const*>(object);
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(code), &module_))
        return;
    if (module_ == GetModuleHandleW(nullptr)) {
        FreeLibrary(module_);
        module_ = nullptr;
        return;
    }
    const Wrapper wrappers[] = {{"GetFileAttributesA", as_slot(timed_a)},
                                {"GetFileAttributesW", as_slot(timed_w)},
                                {"GetFileAttributesExA", as_slot(timed_ex_a)},
                                {"GetFileAttributesExW", as_slot(timed_ex_w)},
                                {"GetFileInformationByHandleEx", as_slot(timed_information_by_handle)}};
    auto* base = reinterpret_cast<BYTE*>(module_);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || nt->Signature != IMAGE_NT_SIGNATURE || !imports.VirtualAddress)
        return;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name; ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "kernel32.dll") != 0 ||
            !library->OriginalFirstThunk)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Wrapper& wrapper : wrappers) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), wrapper.name) != 0)
                    continue;
                void** slot = reinterpret_cast<void**>(&slots->u1.Function);
                void* original = *slot;
                if (write_slot(slot, wrapper.function))
                    patched_.push_back(Patch{slot, original});
            }
        }
    }
}

AttributeReadTimer::~AttributeReadTimer() {
    for (const Patch& patch : patched_)
        write_slot(patch.slot, patch.original);
    if (module_)
        FreeLibrary(module_);
}

size_t AttributeReadTimer::reads() const noexcept {
    return static_cast<size_t>(g_reads.load());
}

std::chrono::nanoseconds AttributeReadTimer::elapsed() const noexcept {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const long double seconds = static_cast<long double>(g_ticks.load()) / frequency.QuadPart;
    return std::chrono::nanoseconds(static_cast<long long>(seconds * 1e9L));
}

} // namespace veska::host::cli
