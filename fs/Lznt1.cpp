#include "fs/Lznt1.h"

#include <cstring>

namespace {

constexpr size_t CHUNK_SIZE = 4096;

// One compressed chunk of nSrc bytes into at most nDst bytes; returns the bytes
// produced, or SIZE_MAX when a back reference points before the chunk.
size_t DecodeChunk(const uint8_t* pSrc, size_t nSrc, uint8_t* pDst, size_t nDst)
{
    size_t nIn = 0, nOut = 0;
    while (nIn < nSrc && nOut < nDst) {
        uint8_t byFlags = pSrc[nIn++];
        for (int bit = 0; bit < 8 && nIn < nSrc && nOut < nDst; ++bit, byFlags >>= 1) {
            if (!(byFlags & 1)) {
                pDst[nOut++] = pSrc[nIn++];
                continue;
            }
            if (nSrc - nIn < 2 || nOut == 0) return SIZE_MAX;
            unsigned nToken = static_cast<unsigned>(pSrc[nIn] | (pSrc[nIn + 1] << 8));
            nIn += 2;
            // The split of the token between offset and length widens the
            // offset as the position in the chunk grows.
            unsigned nLengthBits = 12;
            for (size_t n = nOut - 1; n >= 0x10; n >>= 1) --nLengthBits;
            size_t nBack = (nToken >> nLengthBits) + 1;
            size_t nLength = (nToken & ((1u << nLengthBits) - 1)) + 3;
            if (nBack > nOut) return SIZE_MAX;
            for (size_t k = 0; k < nLength && nOut < nDst; ++k, ++nOut) pDst[nOut] = pDst[nOut - nBack];
        }
    }
    return nOut;
}

}  // namespace

size_t Lznt1Decompress(const uint8_t* pSrc, size_t nSrcSize, uint8_t* pDst, size_t nDstSize)
{
    size_t nIn = 0, nOut = 0;
    while (nSrcSize - nIn >= 2 && nOut < nDstSize) {
        unsigned nHeader = static_cast<unsigned>(pSrc[nIn] | (pSrc[nIn + 1] << 8));
        if (nHeader == 0) break;
        size_t nData = (nHeader & 0x0FFF) + 1;
        nIn += 2;
        if (nData > nSrcSize - nIn) break;
        size_t nRoom = nDstSize - nOut < CHUNK_SIZE ? nDstSize - nOut : CHUNK_SIZE;
        if (nHeader & 0x8000) {
            size_t n = DecodeChunk(pSrc + nIn, nData, pDst + nOut, nRoom);
            if (n == SIZE_MAX) break;
            nOut += n;
            // A chunk stands for 4096 bytes; what it does not produce is zeros.
            if (n < CHUNK_SIZE && n < nRoom) {
                std::memset(pDst + nOut, 0, nRoom - n);
                nOut += nRoom - n;
            }
        } else {
            size_t n = nData < nRoom ? nData : nRoom;
            std::memcpy(pDst + nOut, pSrc + nIn, n);
            nOut += n;
        }
        nIn += nData;
    }
    return nOut;
}
