#include "task_memory_spy.h"

namespace suite::test {

TaskMemorySpy& TaskMemorySpy::instance() {
    static TaskMemorySpy* const spy = new TaskMemorySpy; // never destroyed, see the header
    return *spy;
}

void TaskMemorySpy::reset() {
    std::lock_guard<std::mutex> hold(mutex_);
    live_.clear();
    freed_.clear();
    doubleFrees_ = 0;
    failing_ = false;
}

void TaskMemorySpy::fail_allocations(bool fail) {
    std::lock_guard<std::mutex> hold(mutex_);
    failing_ = fail;
}

bool TaskMemorySpy::live(const void* block) const {
    std::lock_guard<std::mutex> hold(mutex_);
    return live_.count(block) != 0;
}

size_t TaskMemorySpy::live_count() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return live_.size();
}

std::vector<const void*> TaskMemorySpy::live_blocks() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return std::vector<const void*>(live_.begin(), live_.end());
}

size_t TaskMemorySpy::double_frees() const {
    std::lock_guard<std::mutex> hold(mutex_);
    return doubleFrees_;
}

HRESULT STDMETHODCALLTYPE TaskMemorySpy::QueryInterface(REFIID iid, void** out) {
    if (!out)
        return E_POINTER;
    *out = IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMallocSpy) ? static_cast<IMallocSpy*>(this)
                                                                            : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
}

SIZE_T STDMETHODCALLTYPE TaskMemorySpy::PreAlloc(SIZE_T size) {
    std::lock_guard<std::mutex> hold(mutex_);
    return failing_ ? 0 : size;
}

void* STDMETHODCALLTYPE TaskMemorySpy::PostAlloc(void* block) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (block) {
        live_.insert(block);
        freed_.erase(block);
    }
    return block;
}

void* STDMETHODCALLTYPE TaskMemorySpy::PreFree(void* block, BOOL) {
    std::lock_guard<std::mutex> hold(mutex_);
    if (block) {
        if (freed_.count(block))
            ++doubleFrees_;
        live_.erase(block);
        freed_.insert(block);
    }
    return block;
}

SIZE_T STDMETHODCALLTYPE TaskMemorySpy::PreRealloc(void* block, SIZE_T size, void** newBlock, BOOL) {
    std::lock_guard<std::mutex> hold(mutex_);
    live_.erase(block);
    *newBlock = block;
    return size;
}

} // namespace suite::test
