#include "import_patches.h"

#include <cstring>

namespace veska::host {

namespace {

bool write_slot(void** slot, void* value) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof(void*), PAGE_READWRITE, &previous))
        return false;
    *slot = value;
    VirtualProtect(slot, sizeof(void*), previous, &previous);
    return true;
}

} // namespace

ImportPatches::ImportPatches(HMODULE module, const char* library,
                             std::initializer_list<Replacement> replacements) {
    if (!module)
        return;
    auto* const base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || nt->Signature != IMAGE_NT_SIGNATURE || !imports.VirtualAddress)
        return;
    for (auto* imported = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         imported->Name; ++imported) {
        if (_stricmp(reinterpret_cast<const char*>(base + imported->Name), library) != 0 ||
            !imported->OriginalFirstThunk)
            continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + imported->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imported->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Replacement& replacement : replacements) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), replacement.name) != 0)
                    continue;
                void** slot = reinterpret_cast<void**>(&slots->u1.Function);
                void* original = *slot;
                if (write_slot(slot, replacement.function))
                    patched_.push_back(Patch{slot, original});
            }
        }
    }
}

ImportPatches::~ImportPatches() {
    for (const Patch& patch : patched_)
        write_slot(patch.slot, patch.original);
}

} // namespace veska::host
