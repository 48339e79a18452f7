#include "module_classes.h"

#include "recorder.h"

namespace veska::host {

const ModuleClass kModuleClasses[8] = {
    {&CLSID_S_TARNIV18, "S_TARNIV18"},       {&CLSID_SA_TARNIV18, "SA_TARNIV18"},
    {&CLSID_T_TARNIV18as, "T_TARNIV18as"},   {&CLSID_T_TARNIV18cc, "T_TARNIV18cc"},
    {&CLSID_T_TARNIV18ld, "T_TARNIV18ld"},   {&CLSID_TA_TARNIV18as, "TA_TARNIV18as"},
    {&CLSID_TA_TARNIV18cc, "TA_TARNIV18cc"}, {&CLSID_TA_TARNIV18ld, "TA_TARNIV18ld"},
};

std::string class_name(const GUID& clsid) {
    for (const ModuleClass& entry : kModuleClasses)
        if (IsEqualCLSID(*entry.clsid, clsid))
            return entry.name;
    return guid_text(&clsid);
}

std::optional<GUID> class_from_name(const std::wstring& name) {
    for (const ModuleClass& entry : kModuleClasses)
        if (_wcsicmp(from_utf8(entry.name).c_str(), name.c_str()) == 0)
            return *entry.clsid;
    GUID clsid;
    if (!name.empty() && name[0] == L'{' && SUCCEEDED(CLSIDFromString(name.c_str(), &clsid)))
        return clsid;
    return std::nullopt;
}

} // namespace veska::host
