#pragma once
// Which clusters of a volume are in use, as the volume's allocation state
// (the NTFS $Bitmap, the FAT) says. Counts over any range take constant time,
// so that judging every found file costs no more than reading the state once.

#include <cstdint>
#include <vector>

class CClusterBitmap {
public:
    // nClusters clusters, all free.
    void Reset(uint64_t nClusters);
    // Takes the bits as the volume stores them: bit k of byte k / 8 set for
    // cluster k in use. Bytes past nClusters are ignored, missing ones free.
    void AssignBytes(const uint8_t* pBytes, uint64_t nBytes, uint64_t nClusters);
    void SetInUse(uint64_t nCluster);
    // Builds the counts; call once after the bits are set.
    void Finish();
    void Clear();

    bool IsLoaded() const { return m_bLoaded; }
    uint64_t GetClusterCount() const { return m_nClusters; }
    bool IsInUse(uint64_t nCluster) const;
    // Clusters in use among nCount from nFirst; those past the volume's end count as in use.
    uint64_t CountInUse(uint64_t nFirst, uint64_t nCount) const;
    // Free clusters from nFirst to the end of the volume.
    uint64_t CountFreeFrom(uint64_t nFirst) const;

private:
    // Clusters in use below nCluster (nCluster <= m_nClusters).
    uint64_t InUseBelow(uint64_t nCluster) const;

    static constexpr uint64_t WORDS_PER_BLOCK = 8;
    std::vector<uint64_t> m_words;
    std::vector<uint64_t> m_blockCounts;  // clusters in use before each block of 8 words
    uint64_t m_nClusters = 0;
    bool m_bLoaded = false;
};
