// The module's entry points.
#include "class_table.h"

#include "module_instance.h"

#include <memory>
#include <new>

namespace suite::module {
HRESULT register_server(bool registering) noexcept;
}

namespace {

using suite::com::ClassFactory;
using suite::module::class_table_begin;
using suite::module::class_table_end;
using suite::module::ClassEntry;

// Class objects, created on first request and kept until the module unloads.
constexpr size_t kMaxClasses = 8;
std::unique_ptr<ClassFactory> g_classObjects[kMaxClasses];

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        suite::set_module_instance(instance);
        DisableThreadLibraryCalls(instance);
        break;
    case DLL_PROCESS_DETACH:
        for (auto& classObject : g_classObjects)
            classObject.reset();
        break;
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    size_t index = 0;
    for (const ClassEntry* entry = class_table_begin(); entry != class_table_end() && index < kMaxClasses;
         ++entry, ++index) {
        if (!IsEqualCLSID(*entry->clsid, clsid))
            continue;
        auto& classObject = g_classObjects[index];
        if (!classObject) {
            classObject.reset(new (std::nothrow) ClassFactory(entry->create));
            if (!classObject)
                return E_OUTOFMEMORY;
        }
        return classObject->QueryInterface(iid, out);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return suite::com::ModuleLock::count() == 0 ? S_OK : S_FALSE;
}

extern "C" HRESULT WINAPI DllRegisterServer() {
    return suite::module::register_server(true);
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
    return suite::module::register_server(false);
}
