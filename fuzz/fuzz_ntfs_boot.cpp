// The NTFS boot sector and the geometry taken from it: the fuzzer's bytes are
// the start of a volume of 64 GiB that reads zeros after them, so that the
// MFT and record 0 it names are looked for as well.

#include "fs/NTFS.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    CNtfsGeometry g;
    if (DecodeNtfsBoot(CByteView(pData, nSize), g)) {
        Check(g.m_nRecordSize == 1024 || g.m_nRecordSize == 4096, "record size outside 1024/4096");
        Check(g.m_nClusterSize >= 512 && (g.m_nClusterSize & (g.m_nClusterSize - 1)) == 0, "cluster size");
        Check(g.m_nMftCluster < g.TotalClusters() + 1, "MFT outside the volume");
    }
    auto pEngine = ZeroTailEngine(pData, nSize, uint64_t{64} << 30, "NTFS");
    auto* pNtfs = static_cast<CNTFS*>(pEngine.get());
    if (!pNtfs->m_bBootLoaded) return 0;
    for (uint64_t n : {uint64_t{0}, uint64_t{5}, uint64_t{27}, uint64_t{1} << 20, UINT64_MAX / 4096})
        (void)pNtfs->RecordSector(n);
    return 0;
}
