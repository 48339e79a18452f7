// Counts the C runtime heap blocks one module allocates: its imports of
// malloc, calloc, realloc and free are routed through counters for as long
// as this object lives. What the module holds at once, and the most it held,
// are then its own, whatever the rest of the process keeps.
#pragma once

#include <windows.h>

#include <cstddef>

class ModuleHeapCounter {
public:
    explicit ModuleHeapCounter(HMODULE module);
    ~ModuleHeapCounter();
    ModuleHeapCounter(const ModuleHeapCounter&) = delete;
    ModuleHeapCounter& operator=(const ModuleHeapCounter&) = delete;

    // False when the module imports none of the four from msvcrt.dll.
    bool counting() const noexcept { return patched_ > 0; }
    // The most the module held at once beyond what it held when counting
    // began, in the blocks' usable sizes.
    long long peak_added() const noexcept;

private:
    struct Slot {
        void** address;
        void* original;
    };
    Slot slots_[4] = {};
    int patched_ = 0;
};
