// Times the file-attribute reads of the plug-in's module while it lives: the
// module's imports of GetFileAttributes(Ex)A/W and of the folder listing
// (GetFileInformationByHandleEx: one read per entry) are pointed at timing
// wrappers and pointed back when it ends. One timer at a time.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <vector>

namespace veska::host::cli {

class AttributeReadTimer {
public:
    // The module holding `object`'s code (its first word, the vtable). The
    // host's own module is never patched: its reads are not the plug-in's.
    explicit AttributeReadTimer(const void* object);
    ~AttributeReadTimer();
    AttributeReadTimer(const AttributeReadTimer&) = delete;
    AttributeReadTimer& operator=(const AttributeReadTimer&) = delete;

    // Whether any import was patched (false: nothing can be timed).
    bool active() const noexcept { return !patched_.empty(); }
    size_t reads() const noexcept;
    std::chrono::nanoseconds elapsed() const noexcept;

private:
    struct Patch {
        void** slot;
        void* original;
    };
    HMODULE module_ = nullptr; // pinned while patched
    std::vector<Patch> patched_;
};

} // namespace veska::host::cli
