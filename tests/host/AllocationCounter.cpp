#include "AllocationCounter.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <dlfcn.h>
#include <new>

// glibc's own allocator entry points: the replacements forward to them after counting.
extern "C"
{
    void* __libc_malloc (std::size_t size) noexcept;
    void* __libc_calloc (std::size_t count, std::size_t size) noexcept;
    void* __libc_realloc (void* pointer, std::size_t size) noexcept;
    void* __libc_memalign (std::size_t alignment, std::size_t size) noexcept;
    void __libc_free (void* pointer) noexcept;
}

namespace
{
// Plain zero-initialised thread-locals need no initialiser call, so malloc may read them at any time.
thread_local bool countingOnThisThread = false;

std::atomic<long> countedCalls { 0 };

/** One calling address and its tally; a slot is claimed once and then only counted. */
struct CallerSlot
{
    std::atomic<void*> address { nullptr };
    std::atomic<long> calls { 0 };
};

// More distinct allocating places than any single fault shows; the rest are counted unattributed.
constexpr size_t maximumCallers = 64;
std::array<CallerSlot, maximumCallers> callerSlots;
std::atomic<long> unattributedCalls { 0 };

void tallyCaller (void* caller) noexcept
{
    for (auto& slot : callerSlots)
    {
        void* expected = nullptr;

        if (slot.address.compare_exchange_strong (expected, caller) || expected == caller)
        {
            slot.calls.fetch_add (1, std::memory_order_relaxed);
            return;
        }
    }

    unattributedCalls.fetch_add (1, std::memory_order_relaxed);
}

void noteHeapCall (void* caller) noexcept
{
    if (!countingOnThisThread)
        return;

    countedCalls.fetch_add (1, std::memory_order_relaxed);
    tallyCaller (caller);
}

void* allocateOrThrow (std::size_t size)
{
    if (auto* pointer = __libc_malloc (size == 0 ? 1 : size))
        return pointer;

    throw std::bad_alloc();
}

void* allocateAlignedOrThrow (std::size_t size, std::align_val_t alignment)
{
    if (auto* pointer = __libc_memalign ((std::size_t) alignment, size == 0 ? 1 : size))
        return pointer;

    throw std::bad_alloc();
}

void release (void* pointer, void* caller) noexcept
{
    if (pointer == nullptr)
        return;

    noteHeapCall (caller);
    __libc_free (pointer);
}
}

namespace AllocationCounter
{
ScopedCounting::ScopedCounting() { countingOnThisThread = true; }
ScopedCounting::~ScopedCounting() { countingOnThisThread = false; }

void reset()
{
    countedCalls.store (0);
    unattributedCalls.store (0);

    for (auto& slot : callerSlots)
    {
        slot.address.store (nullptr);
        slot.calls.store (0);
    }
}

long getCount() { return countedCalls.load(); }

std::vector<Caller> getCallers()
{
    Dl_info executable {};
    dladdr ((void*) &getCount, &executable);
    std::vector<Caller> callers;

    for (const auto& slot : callerSlots)
    {
        auto* address = slot.address.load();

        if (address == nullptr)
            break;

        Dl_info info {};

        if (dladdr (address, &info) != 0 && info.dli_fname != nullptr)
            callers.push_back ({ info.dli_fname, (unsigned long) ((char*) address - (char*) info.dli_fbase), (int) slot.calls.load(), info.dli_fbase == executable.dli_fbase });
        else
            callers.push_back ({ "(unknown)", (unsigned long) address, (int) slot.calls.load(), false });
    }

    if (unattributedCalls.load() > 0)
        callers.push_back ({ "(unattributed)", 0, (int) unattributedCalls.load(), false });

    return callers;
}
}

//==============================================================================
extern "C" void* malloc (std::size_t size) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_malloc (size);
}

extern "C" void* calloc (std::size_t count, std::size_t size) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_calloc (count, size);
}

extern "C" void* realloc (void* pointer, std::size_t size) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_realloc (pointer, size);
}

extern "C" void free (void* pointer) noexcept
{
    release (pointer, __builtin_return_address (0));
}

extern "C" void* memalign (std::size_t alignment, std::size_t size) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_memalign (alignment, size);
}

extern "C" void* aligned_alloc (std::size_t alignment, std::size_t size) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_memalign (alignment, size);
}

extern "C" int posix_memalign (void** result, std::size_t alignment, std::size_t size) noexcept
{
    noteHeapCall (__builtin_return_address (0));

    const auto isPowerOfTwo = (alignment & (alignment - 1)) == 0;

    if (alignment < sizeof (void*) || !isPowerOfTwo)
        return EINVAL;

    auto* pointer = __libc_memalign (alignment, size);

    if (pointer == nullptr)
        return ENOMEM;

    *result = pointer;
    return 0;
}

//==============================================================================
void* operator new (std::size_t size)
{
    noteHeapCall (__builtin_return_address (0));
    return allocateOrThrow (size);
}

void* operator new[] (std::size_t size)
{
    noteHeapCall (__builtin_return_address (0));
    return allocateOrThrow (size);
}

void* operator new (std::size_t size, const std::nothrow_t&) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_malloc (size == 0 ? 1 : size);
}

void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_malloc (size == 0 ? 1 : size);
}

void* operator new (std::size_t size, std::align_val_t alignment)
{
    noteHeapCall (__builtin_return_address (0));
    return allocateAlignedOrThrow (size, alignment);
}

void* operator new[] (std::size_t size, std::align_val_t alignment)
{
    noteHeapCall (__builtin_return_address (0));
    return allocateAlignedOrThrow (size, alignment);
}

void* operator new (std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_memalign ((std::size_t) alignment, size == 0 ? 1 : size);
}

void* operator new[] (std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept
{
    noteHeapCall (__builtin_return_address (0));
    return __libc_memalign ((std::size_t) alignment, size == 0 ? 1 : size);
}

void operator delete (void* pointer) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete[] (void* pointer) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete (void* pointer, std::size_t) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete[] (void* pointer, std::size_t) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete (void* pointer, const std::nothrow_t&) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete[] (void* pointer, const std::nothrow_t&) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete (void* pointer, std::align_val_t) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete[] (void* pointer, std::align_val_t) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete (void* pointer, std::size_t, std::align_val_t) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete[] (void* pointer, std::size_t, std::align_val_t) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete (void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { release (pointer, __builtin_return_address (0)); }
void operator delete[] (void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { release (pointer, __builtin_return_address (0)); }
