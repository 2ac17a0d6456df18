#pragma once
// LZNT1, the compression NTFS uses for compressed attributes: a compression
// unit is a sequence of chunks, each expanding to at most 4096 bytes.

#include <cstddef>
#include <cstdint>

// Decompresses src into dst (capacity nDstSize). Returns the number of bytes
// produced; decoding stops at the end marker, at the end of either buffer, or
// at the first malformed chunk (what was produced before it is kept).
size_t Lznt1Decompress(const uint8_t* pSrc, size_t nSrcSize, uint8_t* pDst, size_t nDstSize);
