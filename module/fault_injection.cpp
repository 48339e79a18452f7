// Linked only into the tests' fault-injection build of the DLL: every
// operator new of the module is counted, and the one a test names throws
// std::bad_alloc (the nothrow forms answer null), so a test can make each
// allocation of a scenario fail in turn.
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<long long> g_allocations{0};
std::atomic<long long> g_failAt{-1};

// True when this allocation is the one to fail.
bool next_fails() noexcept {
    return g_allocations.fetch_add(1) == g_failAt.load();
}

void* allocate(std::size_t size) noexcept {
    return std::malloc(size ? size : 1);
}

} // namespace

// Counts from zero again and makes allocation number failAt (-1: none) fail;
// answers how many allocations the module made since the previous call.
extern "C" __declspec(dllexport) long long SuiteFaultInjection(long long failAt) {
    const long long counted = g_allocations.exchange(0);
    g_failAt = failAt;
    return counted;
}

void* operator new(std::size_t size) {
    void* block = next_fails() ? nullptr : allocate(size);
    if (!block)
        throw std::bad_alloc();
    return block;
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return next_fails() ? nullptr : allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
