#include "app/memory.h"

#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

constexpr size_t kLargeBlockBytes = 1 << 20;        // smaller requests go to the C runtime's heap as usual
constexpr size_t kBlockGranularity = 1 << 16;       // VirtualAlloc's own granularity
constexpr size_t kMaxIdleBytes = size_t(512) << 20; // kept at most between releases
constexpr size_t kMaxBlocks = 64;                   // beyond that many live large blocks, the heap serves them

struct LargeBlock {
    char* base = nullptr;
    size_t size = 0;
    bool inUse = false;
};

// The large blocks the process holds, in use or kept for reuse. A fixed table: operator new must not allocate.
// Every member has a constant initializer, so the table is ready before any constructor of another file runs.
struct BlockCache {
    SRWLOCK lock = SRWLOCK_INIT;
    LargeBlock blocks[kMaxBlocks]{};
    size_t count = 0;
    size_t idleBytes = 0;
};
BlockCache g_blockCache;

class CacheLock {
public:
    CacheLock() { AcquireSRWLockExclusive(&g_blockCache.lock); }
    ~CacheLock() { ReleaseSRWLockExclusive(&g_blockCache.lock); }
    CacheLock(const CacheLock&) = delete;
    CacheLock& operator=(const CacheLock&) = delete;
};

void DropBlock(size_t index) {
    BlockCache& cache = g_blockCache;
    VirtualFree(cache.blocks[index].base, 0, MEM_RELEASE);
    cache.blocks[index] = cache.blocks[--cache.count];
}

// Frees idle blocks, largest first, until at most `keepBytes` stay idle. Called with the lock held.
void TrimIdle(size_t keepBytes) {
    BlockCache& cache = g_blockCache;
    while (cache.idleBytes > keepBytes) {
        size_t largest = kMaxBlocks;
        for (size_t i = 0; i < cache.count; ++i)
            if (!cache.blocks[i].inUse && (largest == kMaxBlocks || cache.blocks[i].size > cache.blocks[largest].size))
                largest = i;
        if (largest == kMaxBlocks) break;
        cache.idleBytes -= cache.blocks[largest].size;
        DropBlock(largest);
    }
}

void* AllocateLarge(size_t bytes) {
    const size_t size = (bytes + kBlockGranularity - 1) / kBlockGranularity * kBlockGranularity;
    CacheLock hold;
    BlockCache& cache = g_blockCache;
    size_t best = kMaxBlocks;
    for (size_t i = 0; i < cache.count; ++i) {
        const LargeBlock& block = cache.blocks[i];
        if (!block.inUse && block.size >= size && (best == kMaxBlocks || block.size < cache.blocks[best].size))
            best = i;
    }
    if (best != kMaxBlocks) {
        cache.blocks[best].inUse = true;
        cache.idleBytes -= cache.blocks[best].size;
        return cache.blocks[best].base;
    }
    if (cache.count == kMaxBlocks) return nullptr;
    void* base = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!base) {
        // Idle blocks may be what stands in the way.
        TrimIdle(0);
        base = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (!base) return nullptr;
    }
    cache.blocks[cache.count++] = LargeBlock{static_cast<char*>(base), size, true};
    return base;
}

// True when `p` was one of the large blocks (now kept idle).
bool ReleaseLarge(void* p) {
    CacheLock hold;
    BlockCache& cache = g_blockCache;
    for (size_t i = 0; i < cache.count; ++i) {
        LargeBlock& block = cache.blocks[i];
        if (block.base != p) continue;
        block.inUse = false;
        cache.idleBytes += block.size;
        TrimIdle(kMaxIdleBytes);
        return true;
    }
    return false;
}

void* Allocate(size_t bytes) {
    if (bytes >= kLargeBlockBytes) {
        if (void* p = AllocateLarge(bytes)) return p;
    }
    // The heap serves small requests, and large ones the table has no room for.
    for (;;) {
        if (void* p = malloc(bytes ? bytes : 1)) return p;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void Release(void* p) {
    if (!p) return;
    if (!ReleaseLarge(p)) free(p);
}

void ReleaseSized(void* p, size_t bytes) {
    if (bytes < kLargeBlockBytes) free(p); // never a large block
    else Release(p);
}

} // namespace

void ReleaseCachedBlocks() {
    CacheLock hold;
    TrimIdle(0);
}

size_t CachedBlockBytes() {
    CacheLock hold;
    return g_blockCache.idleBytes;
}

// Every C++ allocation of the program goes through these.
void* operator new(size_t bytes) { return Allocate(bytes); }
void* operator new[](size_t bytes) { return Allocate(bytes); }
void* operator new(size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return Allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return Allocate(bytes);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, size_t bytes) noexcept { ReleaseSized(p, bytes); }
void operator delete[](void* p, size_t bytes) noexcept { ReleaseSized(p, bytes); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
