#include "attribute_timer.h"

#include <atomic>

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
    const BOOL result = timed([&] { return kRealInformationByHandle(file, kind, buffer, size); });
    if (result && (kind == FileFullDirectoryInfo || kind == FileFullDirectoryRestartInfo)) {
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        for (DWORD at = 0;;) {
            const DWORD next = reinterpret_cast<const FILE_FULL_DIR_INFO*>(bytes + at)->NextEntryOffset;
            if (next == 0 || at + next + sizeof(FILE_FULL_DIR_INFO) > size)
                break;
            at += next;
            ++g_reads;
        }
    }
    return result;
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
    patches_.emplace(module_, "kernel32.dll",
                     std::initializer_list<ImportPatches::Replacement>{
                         {"GetFileAttributesA", import_slot(timed_a)},
                         {"GetFileAttributesW", import_slot(timed_w)},
                         {"GetFileAttributesExA", import_slot(timed_ex_a)},
                         {"GetFileAttributesExW", import_slot(timed_ex_w)},
                         {"GetFileInformationByHandleEx", import_slot(timed_information_by_handle)}});
}

AttributeReadTimer::~AttributeReadTimer() {
    patches_.reset(); // before the module may go
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
