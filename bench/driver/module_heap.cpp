#include "module_heap.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>

namespace {

std::atomic<long long> held{0};
std::atomic<long long> peak{0};
std::atomic<long long> given{0};

void note(long long change, bool allocated) {
    if (allocated)
        ++given;
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
    note(size_of(block), block != nullptr);
    return block;
}

void* __cdecl counted_calloc(size_t count, size_t size) {
    void* block = std::calloc(count, size);
    note(size_of(block), block != nullptr);
    return block;
}

void* __cdecl counted_realloc(void* block, size_t size) {
    const long long before = size_of(block);
    void* moved = std::realloc(block, size);
    if (moved || size == 0)
        note(size_of(moved) - before, moved != nullptr);
    return moved;
}

void __cdecl counted_free(void* block) {
    note(-size_of(block), false);
    std::free(block);
}

// Counting starts from nothing, before the first block is routed here.
HMODULE with_counters_reset(HMODULE module) {
    held = 0;
    peak = 0;
    given = 0;
    return module;
}

} // namespace

ModuleHeapCounter::ModuleHeapCounter(HMODULE module)
    : patches_(with_counters_reset(module), "msvcrt.dll",
               {{"malloc", veska::host::import_slot(&counted_malloc)},
                {"calloc", veska::host::import_slot(&counted_calloc)},
                {"realloc", veska::host::import_slot(&counted_realloc)},
                {"free", veska::host::import_slot(&counted_free)}}) {}

long long ModuleHeapCounter::peak_added() const noexcept {
    return peak.load();
}

long long ModuleHeapCounter::allocations() const noexcept {
    return given.load();
}
