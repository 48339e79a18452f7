// The plug-in module's eight classes by name, as the project file names
// tools ("T_TARNIV18cc") and as the command line reports them.
#pragma once

#include "contract.h"

#include <optional>
#include <string>

namespace veska::host {

struct ModuleClass {
    const CLSID* clsid;
    const char* name;
};
// In class-table order: S_, SA_, T_ as/cc/ld, TA_ as/cc/ld.
extern const ModuleClass kModuleClasses[8];

// "T_TARNIV18as" for its class ID; the {...} text for any other.
std::string class_name(const GUID& clsid);
// The class named by a module class name (any case) or a {...} text.
std::optional<GUID> class_from_name(const std::wstring& name);

} // namespace veska::host
