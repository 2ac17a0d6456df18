#pragma once
// The file allocation table of a FAT volume, read on demand in pages, and a
// walker along one cluster chain that stops at its end, at a break and at a
// loop.

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "disk/SectorReader.h"

enum class EFatLink {
    Free,     // entry 0: the cluster belongs to no file
    Next,     // the chain goes on at CFatLink::m_nNext
    End,      // last cluster of its chain
    Bad,      // marked bad
    Invalid,  // a reserved value, a link outside the volume, or the table is unreadable there
};

struct CFatLink {
    EFatLink m_eKind = EFatLink::Invalid;
    uint32_t m_nNext = 0;
};

class CFatTable {
public:
    // nFirstSector: first reader sector of the table; nBytes: its length;
    // nBits: 12, 16 or 32; nMaxCluster: the highest cluster of the volume.
    CFatTable(CSectorReader* pReader, int nDrive, uint64_t nFirstSector, uint64_t nBytes, int nBits,
              uint32_t nMaxCluster);

    CFatLink Link(uint32_t nCluster);
    // True when the table gives the cluster to some file (or marks it bad).
    // An unreadable part of the table counts as free.
    bool IsAllocated(uint32_t nCluster);
    uint32_t GetMaxCluster() const { return m_nMaxCluster; }

private:
    static constexpr uint64_t PAGE_BYTES = 64 * 1024;
    bool ReadEntry(uint32_t nCluster, uint32_t* pValue);
    // The byte at nOffset of the table; false when it cannot be read.
    bool Byte(uint64_t nOffset, uint8_t* pByte);
    const std::vector<uint8_t>* Page(uint64_t nPage);

    CSectorReader* m_pReader;
    int m_nDrive;
    uint64_t m_nFirstSector;
    uint64_t m_nBytes;
    int m_nBits;
    uint32_t m_nMaxCluster;
    // Pages read so far; an empty page could not be read.
    std::unordered_map<uint64_t, std::vector<uint8_t>> m_pages;
    uint64_t m_nLastPage = UINT64_MAX;
    const std::vector<uint8_t>* m_pLastPage = nullptr;
};

// Steps along a chain from its first cluster. Brent's cycle check keeps loop
// detection free of memory however long the chain is.
class CChainWalker {
public:
    enum class EStop { None, End, Broken, Loop };
    CChainWalker(CFatTable& table, uint32_t nFirst) : m_table(table), m_nCurrent(nFirst), m_nSaved(nFirst) {}
    uint32_t Current() const { return m_nCurrent; }
    // Moves to the next cluster; false (and Stop() says why) when there is none.
    bool Advance();
    EStop Stop() const { return m_eStop; }

private:
    CFatTable& m_table;
    uint32_t m_nCurrent;
    uint32_t m_nSaved;
    uint64_t m_nSteps = 0;
    uint64_t m_nLimit = 1;
    EStop m_eStop = EStop::None;
};
