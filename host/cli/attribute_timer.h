// Times the file-attribute reads of the plug-in's module while it lives: the
// module's imports of GetFileAttributes(Ex)A/W and of the folder listing
// (GetFileInformationByHandleEx: one read per entry) are pointed at timing
// wrappers and pointed back when it ends. One timer at a time.
#pragma once

#include "import_patches.h"

#include <windows.h>

#include <chrono>
#include <cstddef>
#include <optional>

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
    bool active() const noexcept { return patches_ && patches_->active(); }
    size_t reads() const noexcept;
    std::chrono::nanoseconds elapsed() const noexcept;

private:
    HMODULE module_ = nullptr; // pinned while patched
    std::optional<ImportPatches> patches_;
};

} // namespace veska::host::cli
