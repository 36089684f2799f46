#pragma once

#include <v8.h>

// The allocator the engine uses for array buffers: plain system memory, cleared when the
// engine asks for initialised memory.
class ArrayBufferAllocator final : public v8::ArrayBuffer::Allocator {
public:
    ~ArrayBufferAllocator() override = default;
    void* Allocate(size_t length) override;
    void* AllocateUninitialized(size_t length) override;
    void Free(void* data, size_t length) override;
};
