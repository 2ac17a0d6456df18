// The whole path on a small image: engine, scan, tree (both modes) and the
// recovery of everything into a folder in memory. The engine is the one the
// image's signature names, as the drive probe would choose it.

#include <cstring>

#include "fs/FAT.h"
#include "fuzz/FuzzSupport.h"

using namespace fuzzsupport;

namespace {

std::string FileSystemOf(const uint8_t* pData, size_t nSize)
{
    if (nSize >= 11 && std::memcmp(pData + 3, "NTFS    ", 8) == 0) return "NTFS";
    if (nSize >= 0x5A && std::memcmp(pData + 0x52, "FAT32", 5) == 0) return "FAT32";
    return "FAT";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    if (nSize < SECTOR_SIZE || nSize > (4u << 20)) return 0;
    std::string strFileSystem = FileSystemOf(pData, nSize);
    auto pEngine = MemoryEngine(std::vector<uint8_t>(pData, pData + nSize), strFileSystem);
    if (!pEngine->m_bBootLoaded) return 0;
    CResultTree tree;
    CResultItem* pDrive = ScanIntoTree(*pEngine, tree, (pData[SECTOR_SIZE - 3] & 1) != 0);
    CheckTreeNames(*pDrive);
    RecoverEverything(*pEngine, strFileSystem, *pDrive);
    return 0;
}
