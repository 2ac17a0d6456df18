// The FAT boot sector and the geometry taken from it, for both layouts: the
// fuzzer's bytes are the start of a 4 GiB volume that reads zeros after them;
// when the geometry is accepted, a file is read along the chain of cluster 2.

#include "fs/FAT.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzzsupport;

namespace {

void CheckGeometry(CFAT& fat, uint64_t nVolumeBytes)
{
    const CFatGeometry& g = fat.GetGeometry();
    Check(g.m_nBytesPerCluster > 0 && g.m_nTotalSectors * SECTOR_SIZE <= nVolumeBytes, "geometry past the volume");
    Check(g.m_nMaxCluster >= 2, "no cluster");
    uint64_t nLast = fat.ClusterToSector(g.m_nMaxCluster) + g.m_nSectorsPerCluster;
    Check(nLast <= g.m_nTotalSectors + g.m_nSectorsPerCluster, "last cluster far past the volume");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const uint64_t nVolume = uint64_t{4} << 30;
    for (const char* pszType : {"FAT", "FAT32"}) {
        auto pEngine = ZeroTailEngine(pData, nSize, nVolume, pszType);
        auto* pFat = static_cast<CFAT*>(pEngine.get());
        if (!pFat->m_bBootLoaded) continue;
        CheckGeometry(*pFat, nVolume);
        COutputFile out = MemoryOutput();
        // A live file of 64 KiB from cluster 2 walks the chain the table gives.
        pFat->RecoverFromCluster("", out, 2, 2, 64 * 1024, false, nullptr);
        Check(out.GetBytesWritten() <= 64 * 1024, "recovered more than the file's size");
    }
    return 0;
}
