// Owners of the system's handles: one type per kind of handle and per rule
// for the value that stands for "none". Each closes what it holds when it
// goes, moves and never copies. (COM interfaces and task-allocated blocks
// have theirs in com_ptr.h.)
#pragma once

#include <windows.h>
#include <objbase.h>
#include <uxtheme.h>

#include <cstdio>
#include <utility>

namespace suite {

// Holds one Traits::Handle. Traits::none() is the value that holds nothing;
// Traits::close(handle) gives back any other.
template <class Traits> class UniqueHandleOf {
public:
    using Handle = typename Traits::Handle;

    UniqueHandleOf() noexcept = default;
    explicit UniqueHandleOf(Handle handle) noexcept : handle_(handle) {}
    UniqueHandleOf(UniqueHandleOf&& other) noexcept : handle_(other.release()) {}
    UniqueHandleOf& operator=(UniqueHandleOf&& other) noexcept {
        reset(other.release());
        return *this;
    }
    UniqueHandleOf(const UniqueHandleOf&) = delete;
    UniqueHandleOf& operator=(const UniqueHandleOf&) = delete;
    ~UniqueHandleOf() { reset(); }

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != Traits::none(); }
    // For an out parameter (RegOpenKeyEx, ...): what was held is closed first.
    Handle* put() noexcept {
        reset();
        return &handle_;
    }
    void reset(Handle handle = Traits::none()) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::none())
            Traits::close(old);
    }
    Handle release() noexcept { return std::exchange(handle_, Traits::none()); }

private:
    Handle handle_ = Traits::none();
};

namespace handle_traits {

// A handle that null stands for none of, given back by Close.
template <class Type, auto Close> struct NullMeansNone {
    using Handle = Type;
    static Handle none() noexcept { return nullptr; }
    static void close(Handle handle) noexcept { Close(handle); }
};

// Processes, threads, pipes, events: their creators answer null on failure.
using Kernel = NullMeansNone<HANDLE, &CloseHandle>;
// CreateFile answers INVALID_HANDLE_VALUE on failure.
struct KernelFile {
    using Handle = HANDLE;
    static Handle none() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) noexcept { CloseHandle(handle); }
};
using RegistryKey = NullMeansNone<HKEY, &RegCloseKey>;
using File = NullMeansNone<FILE*, &std::fclose>;
template <class Object> using GdiObject = NullMeansNone<Object, &DeleteObject>;
// A device context the program created (CreateCompatibleDC, CreateDC).
using DeviceContext = NullMeansNone<HDC, &DeleteDC>;
using Theme = NullMeansNone<HTHEME, &CloseThemeData>;
using Window = NullMeansNone<HWND, &DestroyWindow>;

} // namespace handle_traits

using UniqueHandle = UniqueHandleOf<handle_traits::Kernel>;
using UniqueFileHandle = UniqueHandleOf<handle_traits::KernelFile>;
using RegistryKey = UniqueHandleOf<handle_traits::RegistryKey>;
using UniqueFile = UniqueHandleOf<handle_traits::File>;
template <class Object> using UniqueGdi = UniqueHandleOf<handle_traits::GdiObject<Object>>;
using UniqueGdiObject = UniqueGdi<HGDIOBJ>;
using UniqueBitmap = UniqueGdi<HBITMAP>;
using UniqueDc = UniqueHandleOf<handle_traits::DeviceContext>;
using UniqueTheme = UniqueHandleOf<handle_traits::Theme>;
using UniqueWindow = UniqueHandleOf<handle_traits::Window>;

// COM for the calling thread, apartment-threaded as in the IDE, for the
// owner's lifetime; given back only when this owner took it.
class ComApartment {
public:
    ComApartment() noexcept : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }
    HRESULT result() const noexcept { return result_; }

private:
    HRESULT result_;
};

} // namespace suite
