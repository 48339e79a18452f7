// The one COM plumbing layer every class of the module uses: reference
// counting tied to the module lock count, QueryInterface driven by the list of
// interfaces a class implements, and a class factory for any such class.
//
//   class CT_TARNIVas : public suite::com::Object<CT_TARNIVas, ITool, IPersist> { ... };
//   auto tool = suite::com::make<CT_TARNIVas>();
#pragma once

#include "com_ptr.h"
#include "contract.h"

#include <atomic>
#include <new>
#include <tuple>
#include <type_traits>

namespace suite::com {

// Objects alive plus explicit LockServer locks; DllCanUnloadNow reads it.
class ModuleLock {
public:
    static void lock() noexcept { ++count_; }
    static void unlock() noexcept { --count_; }
    static long count() noexcept { return count_; }

private:
    static inline std::atomic<long> count_{0};
};

namespace detail {

template <class I, class Tuple> struct AnswersShared;
template <class I, class... Bases> struct AnswersShared<I, std::tuple<Bases...>> {
    static bool matches(REFIID iid) noexcept { return (IsEqualIID(iid, __uuidof(Bases)) || ...); }
};

template <class I> bool answers(REFIID iid) noexcept {
    return IsEqualIID(iid, __uuidof(I)) || AnswersShared<I, typename SharesTableWith<I>::type>::matches(iid);
}

} // namespace detail

// The interface pointer of self that answers iid, or null. IUnknown is
// answered by the first interface when answerUnknown is set.
template <class First, class... Rest, class Self>
void* find_interface(Self* self, REFIID iid, bool answerUnknown = true) noexcept {
    if (answerUnknown && IsEqualIID(iid, IID_IUnknown))
        return static_cast<IUnknown*>(static_cast<First*>(self));
    void* found = nullptr;
    ((found = detail::answers<First>(iid) ? static_cast<First*>(self) : nullptr) || ... ||
     (found = detail::answers<Rest>(iid) ? static_cast<Rest*>(self) : nullptr));
    return found;
}

// A reference-counted object implementing Interfaces. Created with one
// reference (see make); each live object holds the module lock.
template <class Derived, class... Interfaces> class Object : public Interfaces... {
public:
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = find_interface<Interfaces...>(this, iid);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }

protected:
    Object() noexcept { ModuleLock::lock(); }
    virtual ~Object() { ModuleLock::unlock(); }

private:
    std::atomic<ULONG> references_{1};
};

// A new object of T holding its first reference. Throws std::bad_alloc, or
// whatever T's constructor throws.
template <class T, class... Args> ComPtr<T> make(Args&&... args) {
    return ComPtr<T>::attach(new T(std::forward<Args>(args)...));
}

// Creates a T and queries it for iid; every failure becomes an HRESULT.
template <class T> HRESULT create_instance(REFIID iid, void** out) noexcept;

using Creator = HRESULT (*)(REFIID iid, void** out);

// The class object of one class: creates instances through creator; refuses
// aggregation. Class objects are kept by the module and do not hold its lock.
class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(Creator creator) noexcept : creator_(creator) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = find_interface<IClassFactory>(this, iid);
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return creator_(iid, out);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock)
            ModuleLock::lock();
        else
            ModuleLock::unlock();
        return S_OK;
    }

private:
    Creator creator_;
};

} // namespace suite::com

#include "xlogged.h"

namespace suite::com {

template <class T> HRESULT create_instance(REFIID iid, void** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    try {
        ComPtr<T> object = make<T>();
        return object->QueryInterface(iid, out);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (const XLogged& failure) {
        return failure.GetHResult();
    } catch (...) {
        return E_FAIL;
    }
}

} // namespace suite::com
