#pragma once

#include <string>
#include <vector>

/** Counts heap calls (allocations and frees) made on one thread while a ScopedCounting is alive.

    This executable replaces malloc, calloc, realloc, free, the aligned allocators and every global
    operator new and delete, and exports them (AllocationExports.list), so calls made inside the
    dlopen'ed plug-in resolve to the replacements too. Counted calls are tallied by their caller's
    address, so a report can say whose code allocated. */
namespace AllocationCounter
{
/** Counts the heap calls of the constructing thread until destruction. Never nest. */
class ScopedCounting
{
public:
    ScopedCounting();
    ~ScopedCounting();
};

/** Forgets everything counted so far. Not while a ScopedCounting is alive. */
void reset();

/** Heap calls counted since the last reset. */
long getCount();

/** One place in the code that made counted heap calls. */
struct Caller
{
    std::string file;     ///< the shared object or executable whose code made the call
    unsigned long offset; ///< the return address within that file, for `addr2line -f -C -e file`
    int calls;
    bool inThisExecutable; ///< made by the host program itself, not by a loaded library
};

/** The places that made the counted calls, each with its number of calls. Calls from more
    distinct places than the counter can tell apart are listed under the file "(unattributed)".
    Allocates: call with no ScopedCounting alive. */
std::vector<Caller> getCallers();
}
