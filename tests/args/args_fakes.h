// Instruments for the argument objects' tests: a counted stand-in for the
// host's objects and a spy on the task allocator.
#pragma once

#include "com_ptr.h"
#include "contract.h"

#include <objidl.h>

#include <set>

namespace args_test {

// Counts the references the object under test holds on it. The argument
// objects only count references on their links, so one fake stands for a
// project, a node, a display or a parent.
class CountedFake final : public IUnknown {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown))
            return E_NOINTERFACE;
        *out = static_cast<IUnknown*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references_); }

    long references() const { return references_; }
    template <class I> I* as() { return reinterpret_cast<I*>(static_cast<IUnknown*>(this)); }

private:
    long references_ = 0;
};

// Watches every task-allocator block of the process while it is registered:
// which are live, and (on request) makes allocations fail. The platform keeps
// calling a revoked spy until the blocks it saw are freed, so the watcher
// itself lives as long as the process; a TaskAllocatorSpy registers it for
// one scope.
class TaskAllocatorSpy {
public:
    TaskAllocatorSpy() : watcher_(Watcher::instance()) {
        watcher_.reset();
        registered_ = SUCCEEDED(CoRegisterMallocSpy(&watcher_));
    }
    ~TaskAllocatorSpy() {
        watcher_.fail_allocations(false);
        if (registered_)
            CoRevokeMallocSpy();
    }
    TaskAllocatorSpy(const TaskAllocatorSpy&) = delete;
    TaskAllocatorSpy& operator=(const TaskAllocatorSpy&) = delete;

    bool registered() const { return registered_; }
    bool live(const void* block) const { return watcher_.live(block); }
    size_t live_count() const { return watcher_.live_count(); }
    void fail_allocations(bool fail) { watcher_.fail_allocations(fail); }

private:
    class Watcher final : public IMallocSpy {
    public:
        static Watcher& instance() {
            static Watcher* const watcher = new Watcher; // never destroyed, see above
            return *watcher;
        }
        void reset() {
            live_.clear();
            failing_ = false;
        }
        bool live(const void* block) const { return live_.count(block) != 0; }
        size_t live_count() const { return live_.size(); }
        void fail_allocations(bool fail) { failing_ = fail; }

        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
            if (!out)
                return E_POINTER;
            *out = nullptr;
            if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IMallocSpy))
                return E_NOINTERFACE;
            *out = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }

        // Returning 0 for a nonzero request makes the allocation fail.
        SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return failing_ ? 0 : size; }
        void* STDMETHODCALLTYPE PostAlloc(void* block) override {
            if (block)
                live_.insert(block);
            return block;
        }
        void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override {
            live_.erase(block);
            return block;
        }
        void STDMETHODCALLTYPE PostFree(BOOL) override {}
        SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override {
            live_.erase(block);
            *newBlock = block;
            return size;
        }
        void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return PostAlloc(block); }
        void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
        SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
        void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
        int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
        void STDMETHODCALLTYPE PreHeapMinimize() override {}
        void STDMETHODCALLTYPE PostHeapMinimize() override {}

    private:
        Watcher() = default;
        std::set<const void*> live_;
        bool failing_ = false;
    };

    Watcher& watcher_;
    bool registered_ = false;
};

} // namespace args_test
