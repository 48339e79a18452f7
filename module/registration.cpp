// DllRegisterServer and DllUnregisterServer: run each class's registry
// script through the platform's ATL registrar and (un)register the type
// library held in the module's resources.
#include "class_table.h"
#include "resource.h"
#include "version_text.h"

#include "module_instance.h"
#include "unique_handles.h"

// The registrar's identifiers are defined here, once.
#include <initguid.h>
#include <atliface.h>
#include <oleauto.h>

#include <memory>
#include <vector>

namespace suite::module {

namespace {

struct TypeLibAttrRelease {
    ITypeLib* lib;
    void operator()(TLIBATTR* attr) const noexcept { lib->ReleaseTLibAttr(attr); }
};

HRESULT module_path(std::wstring& path) {
    wchar_t buffer[MAX_PATH + 1] = L"";
    const DWORD length = GetModuleFileNameW(module_instance(), buffer, MAX_PATH + 1);
    if (length == 0)
        return HRESULT_FROM_WIN32(GetLastError());
    if (length > MAX_PATH)
        return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
    path.assign(buffer, length);
    return S_OK;
}

HRESULT run_scripts(const std::wstring& path, bool registering) {
    ComPtr<IRegistrar> registrar;
    HRESULT hr = CoCreateInstance(CLSID_Registrar, nullptr, CLSCTX_INPROC_SERVER, IID_IRegistrar,
                                  registrar.put_void());
    if (FAILED(hr))
        return hr;

    const std::wstring quotedPath = quote_for_script(path);
    const std::wstring version = version_replacement(module_instance());
    // The module's replacements, then those of the class (null for the listing).
    const auto run = [&](UINT script, const ClassEntry* entry) {
        wchar_t clsid[40] = L"";
        if (entry && StringFromGUID2(*entry->clsid, clsid, 40) == 0)
            return E_FAIL;
        HRESULT result = registrar->ClearReplacements();
        for (const auto& [key, item] :
             {std::pair{L"MODULE", quotedPath.c_str()}, std::pair{L"Module", quotedPath.c_str()},
              std::pair{L"Version", version.c_str()}, std::pair{L"CLASS", entry ? entry->name : L""},
              std::pair{L"CLSID", static_cast<const wchar_t*>(clsid)}})
            if (SUCCEEDED(result))
                result = registrar->AddReplacement(key, item);
        if (FAILED(result))
            return result;
        return registering ? registrar->ResourceRegister(path.c_str(), script, L"REGISTRY")
                           : registrar->ResourceUnregister(path.c_str(), script, L"REGISTRY");
    };
    for (const ClassEntry* entry = class_table_begin(); entry != class_table_end(); ++entry) {
        hr = run(entry->registryScript, entry);
        if (FAILED(hr))
            return hr;
    }
    return run(IDR_PRODUCT_LISTING, nullptr);
}

HRESULT register_type_library(const std::wstring& path, bool registering) {
    ComPtr<ITypeLib> library;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put());
    if (FAILED(hr))
        return hr;
    if (registering)
        return RegisterTypeLib(library.get(), const_cast<LPOLESTR>(path.c_str()), nullptr); // only read

    TLIBATTR* raw = nullptr;
    hr = library->GetLibAttr(&raw);
    if (FAILED(hr))
        return hr;
    std::unique_ptr<TLIBATTR, TypeLibAttrRelease> attr(raw, TypeLibAttrRelease{library.get()});
    hr = UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
    // Already gone is not a failure of unregistration.
    return hr == TYPE_E_REGISTRYACCESS || hr == TYPE_E_CANTLOADLIBRARY ? S_OK : hr;
}

} // namespace

HRESULT register_server(bool registering) noexcept {
    try {
        const suite::ComApartment apartment;
        std::wstring path;
        const HRESULT found = module_path(path);
        if (FAILED(found))
            return found;
        if (registering) {
            HRESULT hr = run_scripts(path, true);
            return FAILED(hr) ? hr : register_type_library(path, true);
        }
        HRESULT scripts = run_scripts(path, false);
        HRESULT library = register_type_library(path, false);
        return FAILED(scripts) ? scripts : library;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace suite::module
