#include "s_base2.h"

#include "module_instance.h"
#include "text.h"
#include "unique_handles.h"

#include <cwchar>
#include <memory>
#include <string>
#include <type_traits>

namespace suite::s_base2 {

namespace {

HRESULT last_error_or_fail() noexcept {
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

enum class PathValue { Read, Unusable, Refused };

// The text of a string value. Unusable when the value is missing, is not a
// string, or does not fit the path buffer whole; Refused when the registry
// will not give it.
PathValue read_path_value(HKEY key, const char* name, std::string& text) {
    char buffer[kPathCapacity] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    if (status == ERROR_FILE_NOT_FOUND || status == ERROR_MORE_DATA)
        return PathValue::Unusable;
    if (status != ERROR_SUCCESS)
        return PathValue::Refused;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return PathValue::Unusable;
    // The buffer started zeroed: a last byte that is not zero means the text
    // filled it without a terminator.
    if (buffer[kPathCapacity - 1] != '\0')
        return PathValue::Unusable;
    text = buffer;
    return PathValue::Read;
}

// The tool locations key, opened with access; E_ACCESSDENIED raised when the
// registry refuses it.
RegistryKey tool_locations_key(REGSAM access) {
    RegistryKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kToolLocationsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
        THROW_XLOGGED(E_ACCESSDENIED);
    return key;
}

// Runs body; a raised XLogged or a memory failure is logged and answered
// with its HRESULT.
template <class Body> HRESULT logged(Body&& body) noexcept {
    try {
        return body();
    } catch (const XLogged& failure) {
        failure.Log();
        return failure.GetHResult();
    } catch (const std::bad_alloc&) {
        XLogged(E_OUTOFMEMORY, XLOGGED_SOURCE, __LINE__).Log();
        return E_OUTOFMEMORY;
    }
}

} // namespace

HRESULT copy_out(const wchar_t* text, LPWSTR* out) noexcept {
    if (!out)
        return E_POINTER;
    *out = CoTaskString::copy_of(text).release();
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT path_buffer_copy(const wchar_t* text, CoTaskString& out) noexcept {
    auto* buffer = static_cast<wchar_t*>(CoTaskMemAlloc(kPathCapacity * sizeof(wchar_t)));
    if (!buffer)
        return E_OUTOFMEMORY;
    text::copy_bounded(buffer, kPathCapacity, text);
    out.reset(buffer);
    return S_OK;
}

namespace {

// Runs step(i) on the tool locations key for each directory that has a value
// name; step answers false when the registry refused it. A refusal is
// reported once every directory has had its turn, so one refused value never
// keeps the others from being read or written.
template <class Step>
HRESULT each_stored_path(REGSAM access, const char* const* valueNames, size_t count, Step&& step) noexcept {
    return logged([&] {
        const RegistryKey key = tool_locations_key(access);
        bool refused = false;
        for (size_t i = 0; i < count; ++i)
            if (valueNames[i] && !step(key.get(), valueNames[i], i))
                refused = true;
        if (refused)
            THROW_XLOGGED(E_ACCESSDENIED);
        return S_OK;
    });
}

} // namespace

HRESULT load_default_paths(const char* const* valueNames, CoTaskString* paths, size_t count) noexcept {
    return each_stored_path(KEY_QUERY_VALUE, valueNames, count, [&](HKEY key, const char* name, size_t i) {
        // Nothing usable stored for a directory leaves the one in use; so
        // does a refused read.
        std::string stored;
        const PathValue read = read_path_value(key, name, stored);
        if (read != PathValue::Read)
            return read != PathValue::Refused;
        CoTaskString path;
        if (FAILED(path_buffer_copy(text::widen(stored).c_str(), path)))
            THROW_XLOGGED(E_OUTOFMEMORY);
        paths[i] = std::move(path);
        return true;
    });
}

HRESULT save_default_paths(const char* const* valueNames, const CoTaskString* paths, size_t count) noexcept {
    return each_stored_path(KEY_SET_VALUE, valueNames, count, [&](HKEY key, const char* name, size_t i) {
        // A directory with a character that has no one-byte form cannot be
        // stored faithfully; the stored value keeps what it held.
        std::string narrow;
        if (!text::narrow(paths[i].c_str(), narrow))
            return true;
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(narrow.c_str()),
                              static_cast<DWORD>(narrow.size() + 1)) == ERROR_SUCCESS;
    });
}

HRESULT add_toolbar_bitmap(IToolbar* toolbar, UINT bitmapId) noexcept {
    const UniqueBitmap small(LoadBitmapW(module_instance(), MAKEINTRESOURCEW(bitmapId)));
    if (!small)
        return last_error_or_fail();
    const UniqueBitmap large(LoadBitmapW(module_instance(), MAKEINTRESOURCEW(bitmapId)));
    if (!large)
        return last_error_or_fail();
    return toolbar->AddBitmap(build_commands::kToolbarButtonCount, small.get(), large.get(),
                              build_commands::kToolbarMaskColor);
}

void add_toolbar_controls(IToolbar* toolbar, long imageBase) noexcept {
    _TOOLBARCONTROL separator{};
    separator.lCommandID = build_commands::kToolbarSeparatorId;
    separator.fStyle = build_commands::kToolbarSeparatorStyle;
    toolbar->AddControl(&separator);

    long image = imageBase;
    for (const BuildCommand* command : build_commands::kToolbarButtons) {
        _TOOLBARCONTROL button{};
        button.lCommandID = command->id;
        button.fFlags = image++;
        // The host only reads the texts; they stay constants of the suite.
        button.pszStatusBarText = const_cast<LPWSTR>(command->statusBarText);
        button.pszTooltipText = const_cast<LPWSTR>(command->tooltip);
        toolbar->AddControl(&button);
    }
}

void remove_toolbar_controls(IToolbar* toolbar) noexcept {
    for (const BuildCommand* command : build_commands::kToolbarButtons)
        toolbar->RemoveControl(static_cast<unsigned>(command->id));
    toolbar->RemoveControl(build_commands::kToolbarSeparatorId);
}

} // namespace suite::s_base2
