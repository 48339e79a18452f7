// Counts the C runtime heap blocks one module allocates: its imports of
// malloc, calloc, realloc and free are routed through counters for as long
// as this object lives. What the module holds at once, the most it held and
// how many blocks it asked for are then its own, whatever the rest of the
// process keeps. One counter at a time.
#pragma once

#include "import_patches.h"

#include <windows.h>

class ModuleHeapCounter {
public:
    explicit ModuleHeapCounter(HMODULE module);

    // False when the module imports none of the four from msvcrt.dll.
    bool counting() const noexcept { return patches_.active(); }
    // The most the module held at once beyond what it held when counting
    // began, in the blocks' usable sizes.
    long long peak_added() const noexcept;
    // The blocks the module was given: each malloc, calloc and realloc that
    // succeeded (a realloc may move its block: one more asked of the heap).
    long long allocations() const noexcept;

private:
    veska::host::ImportPatches patches_;
};
