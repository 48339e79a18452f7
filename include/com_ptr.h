// Owner types for COM resources: interface references and task-allocated
// memory. Every reference and every CoTaskMem block the suite holds lives in
// one of these, so no path can leak or double-free it.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <cwchar>
#include <memory>
#include <utility>

namespace suite {

template <class T> class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr attach(T* p) noexcept {
        ComPtr result;
        result.p_ = p;
        return result;
    }
    // Gives up the reference without releasing it.
    [[nodiscard]] T* detach() noexcept { return std::exchange(p_, nullptr); }

    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    void swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For [out] parameters: releases what is held first.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    // Hands a counted reference to an [out] parameter.
    HRESULT copy_to(T** out) const noexcept {
        if (!out)
            return E_POINTER;
        *out = p_;
        if (p_)
            p_->AddRef();
        return S_OK;
    }

    // QueryInterface; an empty pointer when the object does not answer.
    template <class U> ComPtr<U> as() const noexcept {
        ComPtr<U> result;
        if (p_)
            p_->QueryInterface(__uuidof(U), result.put_void());
        return result;
    }
    template <class U> HRESULT query(ComPtr<U>& out) const noexcept {
        if (!p_)
            return E_POINTER;
        return p_->QueryInterface(__uuidof(U), out.put_void());
    }

private:
    T* p_ = nullptr;
};

template <class T, class U> bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) noexcept {
    return a.get() == b.get();
}

struct CoTaskMemDeleter {
    void operator()(void* p) const noexcept { CoTaskMemFree(p); }
};

// Any block from the task allocator.
template <class T> using CoTaskPtr = std::unique_ptr<T, CoTaskMemDeleter>;

// A wide string from the task allocator: what crosses the host boundary.
class CoTaskString {
public:
    CoTaskString() noexcept = default;
    explicit CoTaskString(wchar_t* owned) noexcept : p_(owned) {}
    CoTaskString(CoTaskString&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    CoTaskString& operator=(CoTaskString&& other) noexcept {
        reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    CoTaskString(const CoTaskString&) = delete;
    CoTaskString& operator=(const CoTaskString&) = delete;
    ~CoTaskString() { CoTaskMemFree(p_); }

    // A task-allocated copy; holds nothing when memory runs out.
    static CoTaskString copy_of(const wchar_t* text) noexcept {
        return copy_of(text, text ? wcslen(text) : 0);
    }
    static CoTaskString copy_of(const wchar_t* text, size_t length) noexcept {
        auto* p = static_cast<wchar_t*>(CoTaskMemAlloc((length + 1) * sizeof(wchar_t)));
        if (p) {
            if (length)
                wmemcpy(p, text, length);
            p[length] = L'\0';
        }
        return CoTaskString(p);
    }

    const wchar_t* get() const noexcept { return p_; }
    // The text, or "" when nothing is held.
    const wchar_t* c_str() const noexcept { return p_ ? p_ : L""; }
    bool empty() const noexcept { return !p_ || !*p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For [out] parameters: frees what is held first.
    wchar_t** put() noexcept {
        reset();
        return &p_;
    }
    // For [in,out] parameters: the callee may free the text and store another.
    wchar_t** inout() noexcept { return &p_; }
    // Hands ownership on, typically to an [out] parameter.
    [[nodiscard]] wchar_t* release() noexcept { return std::exchange(p_, nullptr); }
    void reset(wchar_t* owned = nullptr) noexcept { CoTaskMemFree(std::exchange(p_, owned)); }

private:
    wchar_t* p_ = nullptr;
};

} // namespace suite
