// Instruments for the argument objects' tests: a counted stand-in for the
// host's objects and a spy on the task allocator.
#pragma once

#include "com_ptr.h"
#include "contract.h"
#include "task_memory_spy.h"

#include <objidl.h>

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

// Registers the process's task-allocator spy for one scope, starting afresh.
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
    using Watcher = suite::test::TaskMemorySpy;
    Watcher& watcher_;
    bool registered_ = false;
};

} // namespace args_test
