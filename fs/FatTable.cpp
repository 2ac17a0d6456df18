#include "fs/FatTable.h"

#include <algorithm>

CFatTable::CFatTable(CSectorReader* pReader, int nDrive, uint64_t nFirstSector, uint64_t nBytes, int nBits,
                     uint32_t nMaxCluster)
    : m_pReader(pReader), m_nDrive(nDrive), m_nFirstSector(nFirstSector), m_nBytes(nBytes), m_nBits(nBits),
      m_nMaxCluster(nMaxCluster)
{
}

const std::vector<uint8_t>* CFatTable::Page(uint64_t nPage)
{
    if (nPage == m_nLastPage) return m_pLastPage;
    auto it = m_pages.find(nPage);
    if (it == m_pages.end()) {
        // A damaged table must not make the cache grow without bound.
        if (m_pages.size() >= 1024) m_pages.clear();
        std::vector<uint8_t> bytes;
        uint64_t nStart = nPage * PAGE_BYTES;
        uint64_t nLength = std::min(PAGE_BYTES, m_nBytes - nStart);
        uint64_t nSectors = (nLength + SECTOR_SIZE - 1) / SECTOR_SIZE;
        bytes.resize(nSectors * SECTOR_SIZE);
        if (!m_pReader || !m_pReader->ReadSectorsInto(m_nDrive, m_nFirstSector + nStart / SECTOR_SIZE, nSectors,
                                                      bytes.data()))
            bytes.clear();
        it = m_pages.emplace(nPage, std::move(bytes)).first;
    }
    m_nLastPage = nPage;
    m_pLastPage = &it->second;
    return m_pLastPage;
}

bool CFatTable::Byte(uint64_t nOffset, uint8_t* pByte)
{
    if (nOffset >= m_nBytes) return false;
    const std::vector<uint8_t>* pPage = Page(nOffset / PAGE_BYTES);
    uint64_t nIn = nOffset % PAGE_BYTES;
    if (nIn >= pPage->size()) return false;
    *pByte = (*pPage)[nIn];
    return true;
}

bool CFatTable::ReadEntry(uint32_t nCluster, uint32_t* pValue)
{
    uint64_t nOffset = m_nBits == 12 ? uint64_t{nCluster} * 3 / 2 : uint64_t{nCluster} * (m_nBits / 8);
    uint64_t nBytes = m_nBits == 32 ? 4 : 2;
    uint32_t nValue = 0;
    for (uint64_t i = 0; i < nBytes; ++i) {
        uint8_t by = 0;
        if (!Byte(nOffset + i, &by)) return false;
        nValue |= uint32_t{by} << (8 * i);
    }
    if (m_nBits == 12) nValue = (nCluster & 1) ? (nValue >> 4) : (nValue & 0xFFF);
    if (m_nBits == 32) nValue &= 0x0FFFFFFF;
    *pValue = nValue;
    return true;
}

CFatLink CFatTable::Link(uint32_t nCluster)
{
    CFatLink link;
    uint32_t nValue = 0;
    if (nCluster < 2 || nCluster > m_nMaxCluster || !ReadEntry(nCluster, &nValue)) return link;
    uint32_t nBad = m_nBits == 12 ? 0xFF7 : m_nBits == 16 ? 0xFFF7 : 0x0FFFFFF7;
    if (nValue == 0) link.m_eKind = EFatLink::Free;
    else if (nValue > nBad) link.m_eKind = EFatLink::End;
    else if (nValue == nBad) link.m_eKind = EFatLink::Bad;
    else if (nValue >= 2 && nValue <= m_nMaxCluster) {
        link.m_eKind = EFatLink::Next;
        link.m_nNext = nValue;
    }
    return link;
}

bool CFatTable::IsAllocated(uint32_t nCluster)
{
    uint32_t nValue = 0;
    if (nCluster < 2 || nCluster > m_nMaxCluster || !ReadEntry(nCluster, &nValue)) return false;
    return nValue != 0;
}

bool CChainWalker::Advance()
{
    if (m_eStop != EStop::None) return false;
    CFatLink link = m_table.Link(m_nCurrent);
    if (link.m_eKind != EFatLink::Next) {
        m_eStop = link.m_eKind == EFatLink::End ? EStop::End : EStop::Broken;
        return false;
    }
    m_nCurrent = link.m_nNext;
    if (m_nCurrent == m_nSaved) {
        m_eStop = EStop::Loop;
        return false;
    }
    if (++m_nSteps == m_nLimit) {
        m_nSaved = m_nCurrent;
        m_nLimit *= 2;
        m_nSteps = 0;
    }
    return true;
}
