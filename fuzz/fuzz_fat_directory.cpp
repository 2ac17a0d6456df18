// One FAT directory with its long-name slots: the fuzzer's first 96 bytes are
// the start of the table (the links of clusters 0..63), the rest is both the
// root folder and a folder in clusters 2.. (its "." and ".." entries kept, so
// that the data-area walk takes it as one). The whole scan, tree and
// recovery of what it names then run over it.

#include <cstring>

#include "fs/FAT.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzzsupport;

namespace {

constexpr size_t TABLE_BYTES = 96;

void PutDotEntries(std::vector<uint8_t>& v, uint64_t nOffset)
{
    std::memcpy(v.data() + nOffset, ".          ", 11);
    v[nOffset + 0x0B] = FAT_ATTR_DIRECTORY;
    Put(v, nOffset + 0x1A, 2, 2);
    std::memcpy(v.data() + nOffset + 32, "..         ", 11);
    v[nOffset + 32 + 0x0B] = FAT_ATTR_DIRECTORY;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize > TABLE_BYTES + 16 * FAT_CLUSTER_BYTES) return 0;
    static const std::vector<uint8_t> s_template = MakeFat12Volume();
    std::vector<uint8_t> v = s_template;
    size_t nTable = std::min(nSize, TABLE_BYTES);
    std::memcpy(v.data() + FAT_TABLE_OFFSET + 3, pData, nTable);
    const uint8_t* pDir = pData + nTable;
    size_t nDir = nSize - nTable;
    std::memcpy(v.data() + FAT_ROOT_OFFSET, pDir, std::min<size_t>(nDir, FAT_ROOT_BYTES));
    std::memcpy(v.data() + FatClusterOffset(2), pDir, nDir);
    PutDotEntries(v, FatClusterOffset(2));

    auto pEngine = MemoryEngine(std::move(v), "FAT");
    Check(pEngine->m_bBootLoaded, "the template volume did not load");
    for (bool bFormatted : {false, true}) {
        CResultTree tree;
        CResultItem* pDrive = ScanIntoTree(*pEngine, tree, bFormatted);
        CheckTreeNames(*pDrive);
        if (!bFormatted) RecoverEverything(*pEngine, "FAT", *pDrive);
    }
    return 0;
}
