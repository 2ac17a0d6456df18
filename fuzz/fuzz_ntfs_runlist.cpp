// NTFS run lists: byte 0 picks the volume's size in clusters, the rest is the
// run list. Every run decoded must lie inside the volume and follow the one
// before it.

#include "fs/NtfsRecord.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzzsupport;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < 1) return 0;
    // 0: unknown size, else 2^(byte & 63) clusters.
    uint64_t nTotal = pData[0] == 0 ? 0 : uint64_t{1} << (pData[0] & 63);
    uint64_t nStart = pData[0] & 0x40 ? 1000 : 0;
    std::vector<CDataRun> runs = DecodeRunList(CByteView(pData + 1, nSize - 1), nStart, nTotal);
    Check(runs.size() <= nSize, "more runs than header bytes");
    uint64_t nVcn = nStart;
    for (const CDataRun& run : runs) {
        Check(run.m_nVcn == nVcn && run.m_nLength > 0, "runs do not follow each other");
        Check(run.m_nLength <= UINT64_MAX / 2 - nVcn, "VCN overflow");
        if (!run.IsSparse() && nTotal) {
            Check(static_cast<uint64_t>(run.m_nLcn) < nTotal &&
                      run.m_nLength <= nTotal - static_cast<uint64_t>(run.m_nLcn),
                  "run leaves the volume");
        }
        nVcn += run.m_nLength;
    }
    return 0;
}
