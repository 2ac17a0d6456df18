// FAT file recovery: a live file along its chain, a deleted one as the run of
// free clusters from its first cluster. Contiguous clusters are read in large
// requests; a cluster that cannot be read is written as zeros in place.

#include <algorithm>
#include <cstring>
#include <new>

#include "fs/FAT.h"

// The clusters of one file, in file order.
class CClusterSequence {
public:
    virtual ~CClusterSequence() = default;
    // The next cluster; false when there is none (m_strStop says why).
    virtual bool Next(uint32_t* pCluster) = 0;
    std::string m_strStop;
};

namespace {

// A live file: its chain in the table.
class CChainSequence final : public CClusterSequence {
public:
    CChainSequence(CFatTable& table, uint32_t nFirst) : m_walker(table, nFirst) {}
    bool Next(uint32_t* pCluster) override
    {
        if (m_bFirst) {
            m_bFirst = false;
            *pCluster = m_walker.Current();
            return true;
        }
        if (m_walker.Advance()) {
            *pCluster = m_walker.Current();
            return true;
        }
        switch (m_walker.Stop()) {
        case CChainWalker::EStop::Loop: m_strStop = "the cluster chain loops before the end of the file"; break;
        case CChainWalker::EStop::End: m_strStop = "the cluster chain ends before the end of the file"; break;
        default: m_strStop = "the cluster chain is broken before the end of the file"; break;
        }
        return false;
    }

private:
    CChainWalker m_walker;
    bool m_bFirst = true;
};

// A deleted file: the clusters from its first one on that no other file holds.
class CFreeRunSequence final : public CClusterSequence {
public:
    CFreeRunSequence(CFatTable& table, uint32_t nFirst) : m_table(table), m_nNext(nFirst) {}
    bool Next(uint32_t* pCluster) override
    {
        while (m_nNext <= m_table.GetMaxCluster() && m_table.IsAllocated(m_nNext)) ++m_nNext;
        if (m_nNext > m_table.GetMaxCluster()) {
            m_strStop = "the file runs past the end of the volume";
            return false;
        }
        *pCluster = m_nNext++;
        return true;
    }

private:
    CFatTable& m_table;
    uint64_t m_nNext;
};

}  // namespace

CRecoverResult CFAT::RecoverFromCluster(const std::string& /*strSourcePath*/, COutputFile& out, int /*nDrive*/,
                                        uint64_t nStartCluster, uint64_t nSize, bool bDeleted,
                                        IRecoveryProgress* pProgress)
{
    CNullRecoveryProgress nullProgress;
    IRecoveryProgress& progress = pProgress ? *pProgress : nullProgress;
    CRecoverResult result;
    progress.ResetProgress();
    progress.SetFileSizeKB(nSize / 1024);
    if (nSize == 0 || nStartCluster == 0) {
        progress.SetProgress(1, 1);
        return result;
    }
    if (!m_bBootLoaded) {
        result.m_bWritten = false;
        result.m_strError = MSG_BOOT_NOT_LOADED;
        return result;
    }
    if (nStartCluster < 2 || nStartCluster > m_geometry.m_nMaxCluster) {
        result.m_bWritten = false;
        result.m_strError = "the first cluster lies outside the volume";
        return result;
    }
    // No file holds more than the data area: a larger size is damage, and
    // writing it would fill the destination with zeros.
    uint64_t nDataBytes = uint64_t{m_geometry.m_nMaxCluster - 1} * m_geometry.m_nBytesPerCluster;
    if (nSize > nDataBytes) {
        result.m_bShort = true;
        nSize = nDataBytes;
    }
    uint32_t nFirst = static_cast<uint32_t>(nStartCluster);
    // A live entry whose chain is gone (a quick format, a folder deleted around
    // it) still has its data where a deleted one would.
    bool bAlongChain = !bDeleted && m_pTable->Link(nFirst).m_eKind != EFatLink::Free;
    std::unique_ptr<CClusterSequence> pSequence;
    if (bAlongChain) pSequence = std::make_unique<CChainSequence>(*m_pTable, nFirst);
    else pSequence = std::make_unique<CFreeRunSequence>(*m_pTable, nFirst);
    CopyClusters(*pSequence, nSize, out, progress, result);
    if (result.m_bShort)
        result.m_strError = "the recorded size is larger than the volume; " + std::to_string(nSize) + " bytes written" +
                            (result.m_strError.empty() ? "" : ": " + result.m_strError);
    return result;
}

void CFAT::CopyClusters(CClusterSequence& sequence, uint64_t nSize, COutputFile& out, IRecoveryProgress& progress,
                        CRecoverResult& result)
{
    const uint64_t nClusterBytes = m_geometry.m_nBytesPerCluster;
    const uint64_t nNeeded = (nSize + nClusterBytes - 1) / nClusterBytes;
    const uint64_t nRunMax = std::max<uint64_t>(1, RECOVER_READ_BYTES / nClusterBytes);
    std::unique_ptr<uint8_t[]> pBuffer(new (std::nothrow) uint8_t[nRunMax * nClusterBytes]);
    if (!pBuffer) {
        result.m_bWritten = false;
        result.m_strError = "out of memory";
        return;
    }
    const uint64_t nStartBytes = out.GetBytesWritten();
    std::vector<uint8_t> good;
    uint64_t nDone = 0, nReadable = 0, nRemaining = nSize;
    uint32_t nPending = 0;
    bool bHavePending = sequence.Next(&nPending);
    while (nDone < nNeeded && bHavePending) {
        progress.WaitWhilePaused();
        if (progress.IsCancelled()) {
            result.m_bCancelled = true;
            break;
        }
        // Gather a run of consecutive clusters.
        uint32_t nRunFirst = nPending;
        uint32_t nRunLength = 1;
        bHavePending = nDone + 1 < nNeeded && sequence.Next(&nPending);
        while (bHavePending && nRunLength < nRunMax && nPending == nRunFirst + nRunLength) {
            ++nRunLength;
            bHavePending = nDone + nRunLength < nNeeded && sequence.Next(&nPending);
        }
        ReadClusters(nRunFirst, nRunLength, pBuffer.get(), good);
        uint64_t nBytes = std::min<uint64_t>(nRemaining, nRunLength * nClusterBytes);
        if (!out.Write(pBuffer.get(), nBytes)) {
            result.m_bWritten = false;
            result.m_strError = out.GetError();
            result.m_nBytesWritten = out.GetBytesWritten() - nStartBytes;
            return;
        }
        for (uint32_t i = 0; i < nRunLength; ++i) {
            if (good[i]) ++nReadable;
            else ++result.m_nUnreadableClusters;
            progress.SetProgress(nDone + i + 1, nNeeded);
        }
        nDone += nRunLength;
        nRemaining -= nBytes;
    }
    if (!result.m_bCancelled && nDone < nNeeded) {
        // The rest of the file cannot be found: zeros keep the recorded size.
        result.m_nUnreadableClusters += nNeeded - nDone;
        result.m_strError = sequence.m_strStop;
        if (!out.WriteZeros(nRemaining)) {
            result.m_bWritten = false;
            result.m_strError = out.GetError();
        }
    } else if (result.m_nUnreadableClusters > 0) {
        result.m_strError = std::to_string(result.m_nUnreadableClusters) + " unreadable cluster(s) written as zeros";
    }
    if (nReadable == 0 && !result.m_bCancelled) {
        result.m_bWritten = false;
        if (result.m_strError.empty()) result.m_strError = "no cluster of the file could be read";
    }
    result.m_nBytesWritten = out.GetBytesWritten() - nStartBytes;
}
