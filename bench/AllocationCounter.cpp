#include "bench/AllocationCounter.h"

#include <atomic>
#include <cstddef>

// glibc's allocator under its internal names; the definitions below take the public ones, so
// every caller in the process (QByteArray and QString in libQt6Core too) is counted.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void __libc_free(void *pointer);
}

namespace {

std::atomic<std::int64_t> g_allocations{0};

void countOne()
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

extern "C" {

void *malloc(std::size_t size) noexcept
{
    countOne();
    return __libc_malloc(size);
}

void *calloc(std::size_t count, std::size_t size) noexcept
{
    countOne();
    return __libc_calloc(count, size);
}

void *realloc(void *pointer, std::size_t size) noexcept
{
    countOne();
    return __libc_realloc(pointer, size);
}

void free(void *pointer) noexcept
{
    __libc_free(pointer);
}

} // extern "C"

namespace qm::bench {

std::int64_t allocationCount()
{
    return g_allocations.load(std::memory_order_relaxed);
}

} // namespace qm::bench
