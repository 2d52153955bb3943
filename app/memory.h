// Large blocks of memory kept for reuse. The first touch of fresh pages can cost more than converting the text
// they hold (about 4 ms per MiB on some virtual machines), so the C++ allocations of 1 MiB and more are served from
// blocks the process already holds: a huge copy is converted in memory that earlier copies warmed. Blocks freed
// stay idle (at most 512 MiB) until ReleaseCachedBlocks gives them back to the system after a quiet spell.
#pragma once
#include <cstddef>

// How long after the last clipboard run the idle blocks are given back.
inline constexpr unsigned kMemoryReleaseDelayMs = 10000;

void ReleaseCachedBlocks();
// Bytes held idle for reuse.
size_t CachedBlockBytes();
