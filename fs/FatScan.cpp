// FAT directory scan: the root folder first, then the data area in large
// sequential batches, every cluster that begins with "." and ".." parsed as
// the first cluster of a folder.

#include <algorithm>
#include <cstring>
#include <new>

#include "fs/ClusterBitmap.h"
#include "fs/FAT.h"
#include "fs/FileTime.h"
#include "model/EditionProfile.h"

struct CFAT::CScanState {
    // Clusters already parsed as part of a folder; the walk passes over them.
    std::unordered_set<uint32_t> m_parsed;
    std::unique_ptr<uint8_t[]> m_pBatch;
    uint32_t m_nBatchClusters = 0;
    // The batch in the buffer: its first cluster, its length, which clusters were read.
    uint32_t m_nBatchFirst = 0;
    uint32_t m_nBatchCount = 0;
    std::vector<uint8_t> m_good;
};

namespace {

bool IsDotEntry(CByteView dir, size_t nOffset)
{
    if (dir.U8(nOffset) != '.') return false;
    size_t i = dir.U8(nOffset + 1) == '.' ? 2 : 1;
    for (; i < 11; ++i)
        if (dir.U8(nOffset + i) != ' ') return false;
    return true;
}

bool BeginsWithDotEntries(CByteView cluster)
{
    return cluster.U8(0) == '.' && cluster.U8(FAT_ENTRY_SIZE) == '.' && cluster.U8(FAT_ENTRY_SIZE + 1) == '.';
}

}  // namespace

uint32_t CFAT::EntryCluster(CByteView entry) const
{
    // FAT12/16 keep other data in the high word (OS/2 extended attributes).
    uint16_t wHigh = m_nFatKind == FAT_KIND_32 ? entry.U16(0x14) : 0;
    return MakeCluster(entry.U16(0x1A), wHigh);
}

int CFAT::ScanDrive(int /*nDrive*/, IScanProgress* pProgress)
{
    CNullScanProgress nullProgress;
    IScanProgress& progress = pProgress ? *pProgress : nullProgress;
    if (RefuseUnloadedScan(&progress)) return 0;
    m_pFound = std::make_unique<CFoundArray>();
    m_pCurrent = nullptr;

    CScanState state;
    uint64_t nBatch = std::max<uint64_t>(1, std::min<uint64_t>(SCAN_BATCH_CLUSTERS,
                                                               SCAN_BATCH_MAX_BYTES / m_geometry.m_nBytesPerCluster));
    state.m_nBatchClusters = static_cast<uint32_t>(nBatch);
    state.m_pBatch.reset(new (std::nothrow) uint8_t[nBatch * m_geometry.m_nBytesPerCluster]);
    if (!state.m_pBatch) return 0;

    progress.SetTotalClusters(m_pBoot->m_dwTotalSectors32 / m_pBoot->m_bySectorsPerCluster);
    ParseRootFolder(state, progress);
    if (m_pFound->empty() && g_strEdition == "1") return 0;
    progress.SetFoundCount(m_pFound->size());
    if (m_pCurrent) progress.SetCurrentName(m_pCurrent->m_strName);
    WalkDataArea(state, progress);
    JudgeFiles();
    return 0;
}

void CFAT::JudgeFiles()
{
    // The table read once, in volume order, into a bitmap; each file is then
    // judged in constant time.
    CClusterBitmap allocation;
    allocation.Reset(uint64_t{m_geometry.m_nMaxCluster} + 1);
    allocation.SetInUse(0);
    allocation.SetInUse(1);
    for (uint32_t nCluster = 2; nCluster <= m_geometry.m_nMaxCluster; ++nCluster)
        if (m_pTable->IsAllocated(nCluster)) allocation.SetInUse(nCluster);
    allocation.Finish();
    for (const auto& pEntry : *m_pFound)
        if (pEntry && !pEntry->IsFolder()) pEntry->m_nState = JudgeFile(*pEntry, allocation);
}

ERecoverState CFAT::JudgeFile(const CFoundEntry& entry, const CClusterBitmap& allocation) const
{
    if (entry.m_nSize == 0) return ERecoverState::Good;
    uint64_t nFirst = entry.m_nStartRef;
    if (nFirst < 2 || nFirst > m_geometry.m_nMaxCluster) return ERecoverState::Unknown;
    const uint64_t nClusters = (entry.m_nSize + m_geometry.m_nBytesPerCluster - 1) / m_geometry.m_nBytesPerCluster;
    bool bFirstInUse = allocation.IsInUse(nFirst);
    // A live file is read along its chain; the chain is its own.
    if (!entry.m_bDeleted && bFirstInUse) return ERecoverState::Good;
    // Another file holds the first cluster: its data begins where this
    // file's did, and takes as much of the run after it as it holds.
    if (bFirstInUse) return StateOfClusters(nClusters, allocation.CountInUse(nFirst, nClusters));
    // Otherwise the recovery takes the free clusters from the first one on,
    // as the file was written; only the volume's end can cut it short.
    return allocation.CountFreeFrom(nFirst) >= nClusters ? ERecoverState::Good : ERecoverState::PartlyOverwritten;
}

void CFAT::ParseRootFolder(CScanState& state, IScanProgress& progress)
{
    if (m_nFatKind == FAT_KIND_12_16) {
        progress.SetCurrentCluster(0);
        uint64_t nBytes = m_geometry.m_nRootSectors * SECTOR_SIZE;
        if (nBytes == 0) return;
        std::vector<uint8_t> root(nBytes);
        ReadSectorsTolerant(m_geometry.m_nRootStart, m_geometry.m_nRootSectors, root.data());
        ParseEntries(CByteView(root.data(), root.size()), 0, 0);
        return;
    }
    uint32_t nRoot = m_geometry.m_nRootCluster;
    progress.SetCurrentCluster(nRoot);
    std::vector<uint8_t> root(m_geometry.m_nBytesPerCluster);
    std::vector<uint8_t> good(1);
    ReadClusters(nRoot, 1, root.data(), good);
    state.m_parsed.insert(nRoot);
    AppendChain(state, nRoot, root);
    ParseEntries(CByteView(root.data(), root.size()), 0, 0);
}

void CFAT::WalkDataArea(CScanState& state, IScanProgress& progress)
{
    const uint64_t nClusterBytes = m_geometry.m_nBytesPerCluster;
    for (uint64_t nFirst = 2; nFirst <= m_geometry.m_nMaxCluster; nFirst += state.m_nBatchClusters) {
        if (m_bStopScan) return;
        progress.WaitWhilePaused();
        if (m_bStopScan) return;
        uint32_t nCount = static_cast<uint32_t>(
            std::min<uint64_t>(state.m_nBatchClusters, m_geometry.m_nMaxCluster - nFirst + 1));
        progress.SetCurrentCluster(nFirst);
        state.m_nBatchFirst = static_cast<uint32_t>(nFirst);
        state.m_nBatchCount = nCount;
        ReadClusters(state.m_nBatchFirst, nCount, state.m_pBatch.get(), state.m_good);
        for (uint32_t i = 0; i < nCount; ++i) {
            CByteView cluster(state.m_pBatch.get() + i * nClusterBytes, nClusterBytes);
            uint32_t nCluster = state.m_nBatchFirst + i;
            if (!state.m_good[i] || !BeginsWithDotEntries(cluster)) continue;
            if (state.m_parsed.count(nCluster)) continue;
            ParseFolderAt(state, nCluster, cluster);
        }
        progress.SetFoundCount(m_pFound->size());
        if (m_pCurrent) progress.SetCurrentName(m_pCurrent->m_strName);
    }
}

void CFAT::ParseFolderAt(CScanState& state, uint32_t nCluster, CByteView cluster)
{
    uint32_t nSelf = EntryCluster(cluster);
    // Only a folder that names its own cluster is followed along the table;
    // stale copies of folders (inside image files, say) are parsed where found.
    CFatLink link = m_pTable->Link(nCluster);
    bool bChained = nSelf == nCluster && link.m_eKind == EFatLink::Next;
    if (!bChained) {
        ParseEntries(cluster, 2, nSelf);
        return;
    }
    state.m_parsed.insert(nCluster);
    std::vector<uint8_t> folder(cluster.Data(), cluster.Data() + cluster.Size());
    AppendChain(state, nCluster, folder);
    ParseEntries(CByteView(folder.data(), folder.size()), 2, nSelf);
}

void CFAT::AppendChain(CScanState& state, uint32_t nFirst, std::vector<uint8_t>& folder)
{
    const uint64_t nClusterBytes = m_geometry.m_nBytesPerCluster;
    const uint64_t nMaxBytes = std::max(FAT_MAX_FOLDER_BYTES, nClusterBytes);
    CChainWalker walker(*m_pTable, nFirst);
    std::vector<uint8_t> good(1);
    while (walker.Advance()) {
        uint32_t nCluster = walker.Current();
        if (folder.size() + nClusterBytes > nMaxBytes) {
            NoteFolderDamage(nFirst, "is longer than 65536 entries; the rest of its chain is not read");
            return;
        }
        if (!state.m_parsed.insert(nCluster).second) {
            NoteFolderDamage(nFirst, "runs into the clusters of another folder");
            return;
        }
        size_t nAt = folder.size();
        folder.resize(nAt + nClusterBytes);
        uint64_t nIndex = uint64_t{nCluster} - state.m_nBatchFirst;
        if (nCluster >= state.m_nBatchFirst && nIndex < state.m_nBatchCount && state.m_good[nIndex]) {
            std::memcpy(folder.data() + nAt, state.m_pBatch.get() + nIndex * nClusterBytes, nClusterBytes);
            continue;
        }
        ReadClusters(nCluster, 1, folder.data() + nAt, good);
    }
    if (walker.Stop() == CChainWalker::EStop::Loop) NoteFolderDamage(nFirst, "loops");
    else if (walker.Stop() == CChainWalker::EStop::Broken) NoteFolderDamage(nFirst, "is broken or leaves the volume");
}

void CFAT::NoteFolderDamage(uint32_t nFirst, const char* pszWhat)
{
    NoteScanDamage("the cluster chain of the folder at cluster " + std::to_string(nFirst) + " " + pszWhat);
}

void CFAT::ParseEntries(CByteView dir, size_t nFirstEntry, uint64_t nParent)
{
    for (size_t nOffset = nFirstEntry * FAT_ENTRY_SIZE; dir.Has(nOffset, FAT_ENTRY_SIZE); nOffset += FAT_ENTRY_SIZE) {
        uint8_t byAttr = dir.U8(nOffset + 0x0B);
        if (dir.U8(nOffset) == 0x00 || byAttr == FAT_ATTR_LONG_NAME) continue;
        if (!IsDirectoryAttr(byAttr) && !IsArchiveAttr(byAttr)) continue;
        if (IsDotEntry(dir, nOffset)) continue;
        RecordEntry(dir, nOffset, nParent);
    }
}

void CFAT::RecordEntry(CByteView dir, size_t nOffset, uint64_t nParent)
{
    try {
        CByteView entry = dir.Sub(nOffset, FAT_ENTRY_SIZE);
        auto pEntry = std::make_unique<CFoundEntry>();
        uint8_t byAttr = entry.U8(0x0B);
        pEntry->m_bDeleted = entry.U8(0) == FAT_DELETED_MARK;
        pEntry->m_strName = GetLongName(dir, nOffset);
        if (pEntry->m_strName.empty()) pEntry->m_strName = IsArchiveAttr(byAttr) ? GetShortName(entry) : GetBaseName(entry);
        pEntry->m_nParentRef = nParent;
        pEntry->m_nSize = entry.U32(0x1C);
        pEntry->m_nStartRef = EntryCluster(entry);
        pEntry->m_byAttributes = byAttr;
        pEntry->m_nCreateTime = FatTimeToFileTime(entry.U16(0x10), entry.U16(0x0E), entry.U8(0x0D));
        pEntry->m_nAccessTime = FatTimeToFileTime(entry.U16(0x12));
        pEntry->m_nModifyTime = FatTimeToFileTime(entry.U16(0x18), entry.U16(0x16));
        m_pFound->push_back(std::move(pEntry));
        m_pCurrent = m_pFound->back().get();
    } catch (const std::bad_alloc&) {
        // Memory ran out: this entry is left out, the scan goes on.
    }
}

void CFAT::ReadSectorsTolerant(uint64_t nSector, uint64_t nSectors, uint8_t* pBuffer)
{
    if (m_pReader->ReadSectorsInto(m_nDrive, nSector, nSectors, pBuffer)) return;
    for (uint64_t i = 0; i < nSectors; ++i)
        if (!m_pReader->ReadSectorsInto(m_nDrive, nSector + i, 1, pBuffer + i * SECTOR_SIZE))
            std::memset(pBuffer + i * SECTOR_SIZE, 0, SECTOR_SIZE);
}

void CFAT::ReadClusters(uint32_t nFirst, uint32_t nCount, uint8_t* pBuffer, std::vector<uint8_t>& good)
{
    const uint64_t nPerCluster = m_geometry.m_nSectorsPerCluster;
    const uint64_t nClusterBytes = m_geometry.m_nBytesPerCluster;
    good.assign(nCount, 1);
    if (m_pReader->ReadSectorsInto(m_nDrive, ClusterToSector(nFirst), nCount * nPerCluster, pBuffer)) return;
    // Retry cluster by cluster, so that the readable ones are still used.
    for (uint32_t i = 0; i < nCount; ++i) {
        uint8_t* pCluster = pBuffer + i * nClusterBytes;
        if (m_pReader->ReadSectorsInto(m_nDrive, ClusterToSector(nFirst + i), nPerCluster, pCluster)) continue;
        std::memset(pCluster, 0, nClusterBytes);
        good[i] = 0;
    }
}
