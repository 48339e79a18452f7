#include "module_heap.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <cstring>

namespace {

std::atomic<long long> held{0};
std::atomic<long long> peak{0};

void note(long long change) {
    const long long now = held += change;
    long long seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
}

long long size_of(void* block) {
    return block ? static_cast<long long>(_msize(block)) : 0;
}

void* __cdecl counted_malloc(size_t size) {
    void* block = std::malloc(size);
    note(size_of(block));
    return block;
}

void* __cdecl counted_calloc(size_t count, size_t size) {
    void* block = std::calloc(count, size);
    note(size_of(block));
    return block;
}

void* __cdecl counted_realloc(void* block, size_t size) {
    const long long before = size_of(block);
    void* moved = std::realloc(block, size);
    if (moved || size == 0)
        note(size_of(moved) - before);
    return moved;
}

void __cdecl counted_free(void* block) {
    note(-size_of(block));
    std::free(block);
}

struct Replacement {
    const char* name;
    void* function;
};

const Replacement kReplacements[] = {
    {"malloc", reinterpret_cast<void*>(&counted_malloc)},
    {"calloc", reinterpret_cast<void*>(&counted_calloc)},
    {"realloc", reinterpret_cast<void*>(&counted_realloc)},
    {"free", reinterpret_cast<void*>(&counted_free)},
};

void write_slot(void** address, void* value) {
    DWORD protection = 0;
    if (VirtualProtect(address, sizeof *address, PAGE_READWRITE, &protection)) {
        *address = value;
        VirtualProtect(address, sizeof *address, protection, &protection);
    }
}

} // namespace

ModuleHeapCounter::ModuleHeapCounter(HMODULE module) {
    if (!module)
        return;
    auto* const base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!imports.VirtualAddress)
        return;
    held = 0;
    peak = 0;
    for (auto* library = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         library->Name; ++library) {
        if (_stricmp(reinterpret_cast<const char*>(base + library->Name), "msvcrt.dll") != 0 ||
            !library->OriginalFirstThunk)
            continue;
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        auto* bound = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++bound) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
            for (const Replacement& replacement : kReplacements) {
                if (std::strcmp(name, replacement.name) != 0 || patched_ == 4)
                    continue;
                void** address = reinterpret_cast<void**>(&bound->u1.Function);
                slots_[patched_++] = Slot{address, *address};
                write_slot(address, replacement.function);
            }
        }
    }
}

ModuleHeapCounter::~ModuleHeapCounter() {
    for (int i = 0; i < patched_; ++i)
        write_slot(slots_[i].address, slots_[i].original);
}

long long ModuleHeapCounter::peak_added() const noexcept {
    return peak.load();
}
