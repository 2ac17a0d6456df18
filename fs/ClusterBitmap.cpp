#include "fs/ClusterBitmap.h"

#include <algorithm>
#include <bit>

void CClusterBitmap::Reset(uint64_t nClusters)
{
    m_nClusters = nClusters;
    m_words.assign((nClusters + 63) / 64, 0);
    m_blockCounts.clear();
    m_bLoaded = false;
}

void CClusterBitmap::AssignBytes(const uint8_t* pBytes, uint64_t nBytes, uint64_t nClusters)
{
    Reset(nClusters);
    uint64_t nUsed = std::min(nBytes, (nClusters + 7) / 8);
    for (uint64_t i = 0; i < nUsed; ++i) m_words[i / 8] |= uint64_t{pBytes[i]} << (8 * (i % 8));
    // Bits past the last cluster must not count.
    if (nClusters % 64 && !m_words.empty()) m_words.back() &= (uint64_t{1} << (nClusters % 64)) - 1;
}

void CClusterBitmap::SetInUse(uint64_t nCluster)
{
    if (nCluster < m_nClusters) m_words[nCluster / 64] |= uint64_t{1} << (nCluster % 64);
}

void CClusterBitmap::Finish()
{
    m_blockCounts.assign(m_words.size() / WORDS_PER_BLOCK + 1, 0);
    uint64_t nCount = 0;
    for (size_t i = 0; i < m_words.size(); ++i) {
        if (i % WORDS_PER_BLOCK == 0) m_blockCounts[i / WORDS_PER_BLOCK] = nCount;
        nCount += static_cast<uint64_t>(std::popcount(m_words[i]));
    }
    if (m_words.size() % WORDS_PER_BLOCK == 0) m_blockCounts.back() = nCount;
    m_bLoaded = true;
}

void CClusterBitmap::Clear()
{
    m_words = {};
    m_blockCounts = {};
    m_nClusters = 0;
    m_bLoaded = false;
}

bool CClusterBitmap::IsInUse(uint64_t nCluster) const
{
    return nCluster >= m_nClusters || (m_words[nCluster / 64] >> (nCluster % 64) & 1) != 0;
}

uint64_t CClusterBitmap::InUseBelow(uint64_t nCluster) const
{
    uint64_t nWord = nCluster / 64;
    uint64_t nCount = m_blockCounts[nWord / WORDS_PER_BLOCK];
    for (uint64_t i = nWord - nWord % WORDS_PER_BLOCK; i < nWord; ++i)
        nCount += static_cast<uint64_t>(std::popcount(m_words[i]));
    if (nCluster % 64) nCount += static_cast<uint64_t>(std::popcount(m_words[nWord] & ((uint64_t{1} << (nCluster % 64)) - 1)));
    return nCount;
}

uint64_t CClusterBitmap::CountInUse(uint64_t nFirst, uint64_t nCount) const
{
    if (nFirst >= m_nClusters) return nCount;
    uint64_t nInside = std::min(nCount, m_nClusters - nFirst);
    return InUseBelow(nFirst + nInside) - InUseBelow(nFirst) + (nCount - nInside);
}

uint64_t CClusterBitmap::CountFreeFrom(uint64_t nFirst) const
{
    if (nFirst >= m_nClusters) return 0;
    return (m_nClusters - nFirst) - (InUseBelow(m_nClusters) - InUseBelow(nFirst));
}
