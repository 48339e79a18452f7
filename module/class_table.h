// The module's classes, in the order the host expects them.
#pragma once

#include "com_object.h"

#include <cstddef>

namespace suite::module {

struct ClassEntry {
    const wchar_t* name; // the coclass's
    const CLSID* clsid;
    com::Creator create;
    UINT registryScript; // REGISTRY resource run on (un)registration
};

// The entries of the classes that exist; a class joins when it is built.
const ClassEntry* class_table_begin() noexcept;
const ClassEntry* class_table_end() noexcept;

} // namespace suite::module
