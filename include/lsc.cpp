#include "lsc.h"

#include "com_ptr.h"
#include "text.h"
#include "xlogged.h"

#include <cstring>
#include <new>
#include <string>

namespace {

using suite::ComPtr;
using suite::RegistryKey;

// One fixed wrapper class per depth of the tree.
const CLSID* const kWrapperByDepth[suite::lsc::kSearchDepths] = {
    &CLSID_LegacyWrapperDepth0,
    &CLSID_LegacyWrapperDepth1,
    &CLSID_LegacyWrapperDepth2,
    &CLSID_LegacyWrapperDepth3,
};

// Subkey names are read into a buffer of 2048 characters and a terminator.
constexpr DWORD kSubkeyNameMax = 2048;

// The registry string form of a class ID: {xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}.
// Only names of this form go to the platform's conversion, which would
// otherwise look other names up as program IDs.
bool has_class_id_form(const char* name) {
    constexpr size_t kLength = 38;
    if (strlen(name) != kLength || name[0] != '{' || name[kLength - 1] != '}')
        return false;
    for (size_t i = 1; i + 1 < kLength; ++i) {
        const bool dash = i == 9 || i == 14 || i == 19 || i == 24;
        const char c = name[i];
        if (dash ? c != '-' : !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    }
    return true;
}

// Converts a subkey name: true with the class ID, false for a name that is
// not a class ID string. Any other conversion failure is raised.
bool class_id_of(const char* name, CLSID& clsid) {
    if (!has_class_id_form(name))
        return false;
    const std::wstring wide = suite::text::widen(name);
    const HRESULT hr = CLSIDFromString(wide.c_str(), &clsid);
    if (hr == CO_E_CLASSSTRING)
        return false;
    THROW_IF_FAILED_XLOGGED(hr);
    return true;
}

// The search below keyPath at depth; raises XLogged on errors.
HRESULT search_key(CLSID& wrapper, REFCLSID clsid, const std::string& keyPath, int depth) {
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS)
        return S_FALSE;

    char name[kSubkeyNameMax + 1];
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = kSubkeyNameMax + 1;
        const LONG status =
            RegEnumKeyExA(key.get(), index, name, &nameLength, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS)
            return S_FALSE;
        if (status != ERROR_SUCCESS)
            THROW_XLOGGED(E_ACCESSDENIED);

        CLSID named = GUID_NULL;
        if (class_id_of(name, named) && IsEqualCLSID(named, clsid)) {
            wrapper = *kWrapperByDepth[depth];
            return S_OK;
        }
        if (depth + 1 < suite::lsc::kSearchDepths) {
            const HRESULT below = search_key(wrapper, clsid, keyPath + "\\" + name, depth + 1);
            if (below == S_OK)
                return S_OK;
        }
    }
}

HRESULT log_and_return(const XLogged& failure) {
    failure.Log();
    return failure.GetHResult();
}

} // namespace

HRESULT CreateWithLegacyFallback(REFCLSID clsid, DWORD classContext, REFIID iid, void** out) {
    if (!out)
        return E_INVALIDARG;
    *out = nullptr;
    try {
        ComPtr<IUnknown> object;
        const HRESULT created = CoCreateInstance(clsid, nullptr, classContext, iid, object.put_void());
        if (created == REGDB_E_CLASSNOTREG) {
            CLSID wrapper = GUID_NULL;
            const HRESULT found = FindLegacyWrapper(&wrapper, clsid);
            THROW_IF_FAILED_XLOGGED(found);
            if (found != S_OK)
                THROW_XLOGGED(REGDB_E_CLASSNOTREG);
            THROW_IF_FAILED_XLOGGED(CoCreateInstance(wrapper, nullptr, classContext, iid, object.put_void()));
            ComPtr<ILegacyAlias> alias;
            THROW_IF_FAILED_XLOGGED(object.query(alias));
            THROW_IF_FAILED_XLOGGED(alias->SetAlias(&clsid));
        } else {
            THROW_IF_FAILED_XLOGGED(created);
        }
        if (!object)
            THROW_XLOGGED(E_NOINTERFACE);
        *out = object.detach();
        return S_OK;
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}

HRESULT FindLegacyWrapper(CLSID* wrapper, REFCLSID clsid) {
    try {
        if (!wrapper || IsEqualCLSID(clsid, GUID_NULL))
            THROW_XLOGGED(E_INVALIDARG);
        const HRESULT result = SearchLegacyKey(wrapper, clsid, suite::lsc::kLegacySuitesKey, 0);
        THROW_IF_FAILED_XLOGGED(result);
        return result;
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}

HRESULT SearchLegacyKey(CLSID* wrapper, REFCLSID clsid, const char* keyPath, int depth) {
    try {
        if (!wrapper || !keyPath || IsEqualCLSID(clsid, GUID_NULL))
            THROW_XLOGGED(E_INVALIDARG);
        if (depth < 0 || depth >= suite::lsc::kSearchDepths)
            THROW_XLOGGED(E_INVALIDARG);
        try {
            return search_key(*wrapper, clsid, keyPath, depth);
        } catch (const std::bad_alloc&) {
            THROW_XLOGGED(E_OUTOFMEMORY);
        }
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}

HRESULT GetEffectiveClassID(CLSID* out, IUnknown* object) {
    try {
        if (!out || !object)
            THROW_XLOGGED(E_INVALIDARG);
        ComPtr<ILegacyAlias> alias;
        const HRESULT aliased = object->QueryInterface(IID_ILegacyAlias, alias.put_void());
        if (SUCCEEDED(aliased) && alias) {
            const HRESULT result = alias->GetAlias(out);
            THROW_IF_FAILED_XLOGGED(result);
            return result;
        }
        if (aliased != E_NOINTERFACE)
            THROW_XLOGGED(FAILED(aliased) ? aliased : E_NOINTERFACE);
        ComPtr<IPersist> persist;
        THROW_IF_FAILED_XLOGGED(object->QueryInterface(IID_IPersist, persist.put_void()));
        if (!persist)
            THROW_XLOGGED(E_NOINTERFACE);
        THROW_IF_FAILED_XLOGGED(persist->GetClassID(out));
        return S_OK;
    } catch (const XLogged& failure) {
        return log_and_return(failure);
    }
}
