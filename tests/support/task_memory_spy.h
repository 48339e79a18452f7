// A spy on the task allocator: which blocks are live, frees of a block that
// was freed already, and (on request) allocations that fail. The platform
// keeps calling a revoked spy until every block it saw is freed, so the one
// spy lives as long as the process; users register it for a scope.
#pragma once

#include <objbase.h>

#include <mutex>
#include <set>
#include <vector>

namespace suite::test {

class TaskMemorySpy final : public IMallocSpy {
public:
    static TaskMemorySpy& instance();

    // Forgets every block seen so far and lets allocations succeed again.
    void reset();
    void fail_allocations(bool fail);
    bool live(const void* block) const;
    size_t live_count() const;
    std::vector<const void*> live_blocks() const;
    size_t double_frees() const;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    // Returning 0 for a nonzero request makes the allocation fail.
    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override;
    void* STDMETHODCALLTYPE PostAlloc(void* block) override;
    void* STDMETHODCALLTYPE PreFree(void* block, BOOL) override;
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) override;
    void* STDMETHODCALLTYPE PostRealloc(void* block, BOOL) override { return PostAlloc(block); }
    void* STDMETHODCALLTYPE PreGetSize(void* block, BOOL) override { return block; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T size, BOOL) override { return size; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* block, BOOL) override { return block; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

private:
    TaskMemorySpy() = default;
    mutable std::mutex mutex_;
    std::set<const void*> live_;
    std::set<const void*> freed_;
    size_t doubleFrees_ = 0;
    bool failing_ = false;
};

} // namespace suite::test
