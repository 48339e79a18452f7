// The shape the three tool objects share: the tool's location (held in memory
// and stored per user in the registry), its names, its tool-arguments class
// and its class identity. Each concrete tool adds its command line, its
// message reading and its verdict on the driver's exit code.
#pragma once

#include "com_object.h"
#include "lsc.h"
#include "text.h"

#include <windows.h>

#include <cwchar>
#include <new>
#include <string>

namespace suite::tools {

// The in-memory location: 259 characters and a terminator.
inline constexpr size_t kLocationCapacity = 260;
// A stored location is read into 260 bytes of text and a terminator.
inline constexpr size_t kStoredLocationBytes = 261;
using suite::kToolLocationsKey;
// SetLocation's answer to a text that does not fit the location.
inline constexpr HRESULT kLocationTooLong = HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

// Reads the stored location named valueName into location. No stored value
// (a fresh account) leaves the location empty, as does a stored text too long
// for the location: a cut path would name some other file. E_ACCESSDENIED,
// the location unchanged, when the registry refuses the key or the read.
inline HRESULT load_stored_location(const char* valueName, wchar_t (&location)[kLocationCapacity]) noexcept {
    char stored[kStoredLocationBytes] = {};
    DWORD size = sizeof stored;
    DWORD type = REG_SZ;
    LONG status = ERROR_FILE_NOT_FOUND;
    {
        RegistryKey key;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_READ, nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
            !key)
            return E_ACCESSDENIED;
        status =
            RegQueryValueExA(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(stored), &size);
    }
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND && status != ERROR_MORE_DATA)
        return E_ACCESSDENIED;
    size_t length = 0;
    if (status == ERROR_SUCCESS)
        length = strnlen(stored, size < sizeof stored ? size : sizeof stored);
    if (length >= kLocationCapacity)
        length = 0;
    for (size_t i = 0; i < length; ++i)
        location[i] = static_cast<wchar_t>(static_cast<unsigned char>(stored[i]));
    location[length] = L'\0';
    return S_OK;
}

// Writes location as the stored value valueName, one byte per character up to
// the first character above 255. E_ACCESSDENIED when the registry refuses.
inline HRESULT save_stored_location(const char* valueName, const wchar_t* location) noexcept {
    char stored[kStoredLocationBytes] = {};
    size_t length = 0;
    for (; length + 1 < sizeof stored && location[length] && static_cast<unsigned>(location[length]) <= 255;
         ++length)
        stored[length] = static_cast<char>(static_cast<unsigned char>(location[length]));

    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS ||
        !key)
        return E_ACCESSDENIED;
    if (RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(stored),
                       static_cast<DWORD>(length + 1)) != ERROR_SUCCESS)
        return E_ACCESSDENIED;
    return S_OK;
}

// The one-byte form of an internal name; false when memory runs out or the
// name has no such form.
inline bool narrow_value_name(const wchar_t* internalName, std::string& name) noexcept {
    try {
        return text::narrow(internalName, name);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

} // namespace suite::tools

// ToolClass: the tool's own class; InternalName: its registry value name;
// DisplayName: what GetName answers; ArgsClass: the class CreateArgs creates.
template <class Derived, const CLSID* ToolClass, const wchar_t* InternalName, const wchar_t* DisplayName,
          const CLSID* ArgsClass>
class CT_Base : public suite::com::Object<Derived, ITool, IPersist> {
public:
    // ITool
    HRESULT STDMETHODCALLTYPE GetLocation(LPWSTR* location) override {
        return hand_out_copy(location_, location);
    }

    // A text longer than the location holds is refused, not cut: a cut path
    // would name some other file.
    HRESULT STDMETHODCALLTYPE SetLocation(LPCWSTR location) override {
        if (!location)
            return E_INVALIDARG;
        if (wcsnlen(location, suite::tools::kLocationCapacity) >= suite::tools::kLocationCapacity)
            return suite::tools::kLocationTooLong;
        suite::text::copy_bounded(location_, suite::tools::kLocationCapacity, location);
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE LoadLocation() override {
        std::string valueName;
        if (!suite::tools::narrow_value_name(InternalName, valueName))
            return E_OUTOFMEMORY;
        return suite::tools::load_stored_location(valueName.c_str(), location_);
    }

    HRESULT STDMETHODCALLTYPE SaveLocation() override {
        std::string valueName;
        if (!suite::tools::narrow_value_name(InternalName, valueName))
            return E_OUTOFMEMORY;
        return suite::tools::save_stored_location(valueName.c_str(), location_);
    }

    HRESULT STDMETHODCALLTYPE CreateArgs(IToolArgs** args, long /*bActive*/) override {
        return CreateWithLegacyFallback(*ArgsClass, suite::kClassContext, IID_IToolArgs,
                                        reinterpret_cast<void**>(args));
    }

    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* name) override { return hand_out_copy(DisplayName, name); }

    // IPersist
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID* clsid) override {
        if (!clsid)
            return E_POINTER;
        *clsid = *ToolClass;
        return S_OK;
    }

    static constexpr const wchar_t* internal_name() noexcept { return InternalName; }

protected:
    CT_Base() noexcept = default;

    const wchar_t* location() const noexcept { return location_; }

private:
    static HRESULT hand_out_copy(const wchar_t* text, LPWSTR* out) noexcept {
        if (!out)
            return E_POINTER;
        suite::CoTaskString copy = suite::CoTaskString::copy_of(text);
        if (!copy)
            return E_OUTOFMEMORY;
        *out = copy.release();
        return S_OK;
    }

    wchar_t location_[suite::tools::kLocationCapacity] = L"";
};
