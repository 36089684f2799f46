#include "compiler/ArrayBufferAllocator.h"

#include <cstdlib>
#include <cstring>

void* ArrayBufferAllocator::Allocate(size_t length)
{
    void* data = AllocateUninitialized(length);
    if (data)
        std::memset(data, 0, length);
    return data;
}

void* ArrayBufferAllocator::AllocateUninitialized(size_t length)
{
    // malloc(0) may answer null, which the engine would take for a failure.
    return std::malloc(length ? length : 1);
}

void ArrayBufferAllocator::Free(void* data, size_t)
{
    std::free(data);
}
