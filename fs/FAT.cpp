// FAT engines: construction, boot sector and volume geometry.

#include <algorithm>
#include <cstring>

#include "fs/FAT.h"

namespace {

template <size_t N>
void CopyBytes(CByteView view, size_t nOffset, std::array<char, N>& out)
{
    for (size_t i = 0; i < N; ++i) out[i] = static_cast<char>(view.U8(nOffset + i));
}

template <size_t N>
void CopyBytes(CByteView view, size_t nOffset, std::array<uint8_t, N>& out)
{
    for (size_t i = 0; i < N; ++i) out[i] = view.U8(nOffset + i);
}

bool IsUsableSectorSize(uint32_t nBytes)
{
    return nBytes >= SECTOR_SIZE && nBytes <= 4096 && (nBytes & (nBytes - 1)) == 0;
}

}  // namespace

CFAT::CFAT(int nDrive, std::unique_ptr<CSectorReader> pReader)
    : CFileSystem(nDrive, std::move(pReader)), m_pBoot(std::make_unique<FatBiosParameters>())
{
}

CFAT::~CFAT() = default;

void CFAT::DecodeCommonFields(CByteView boot, FatBiosParameters& bp)
{
    CopyBytes(boot, 0x00, bp.m_jump);
    CopyBytes(boot, 0x03, bp.m_szOemName);
    bp.m_wBytesPerSector = boot.U16(0x0B);
    bp.m_bySectorsPerCluster = boot.U8(0x0D);
    bp.m_wReservedSectors = boot.U16(0x0E);
    bp.m_byNumberOfFats = boot.U8(0x10);
    bp.m_wRootEntries = boot.U16(0x11);
    bp.m_wTotalSectors16 = boot.U16(0x13);
    bp.m_byMedia = boot.U8(0x15);
    bp.m_wSectorsPerFat16 = boot.U16(0x16);
    bp.m_wSectorsPerTrack = boot.U16(0x18);
    bp.m_wHeads = boot.U16(0x1A);
    bp.m_dwHiddenSectors = boot.U32(0x1C);
    bp.m_dwTotalSectors32 = boot.U32(0x20);
}

CFAT32::CFAT32(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFAT(nDrive, std::move(pReader))
{
    m_nFatKind = FAT_KIND_32;
    m_bBootLoaded = LoadBootSector(nDrive) == 0 && ComputeGeometry();
}

CFAT32::~CFAT32() = default;

int CFAT32::LoadBootSector(int nDrive)
{
    std::unique_ptr<uint8_t[]> pSector = m_pReader ? m_pReader->ReadSectors(nDrive, 0, 1) : nullptr;
    if (!pSector) {
        m_strBootProblem = "sector 0 cannot be read";
        return -1;
    }
    CByteView boot(pSector.get(), SECTOR_SIZE);
    FatBiosParameters& bp = *m_pBoot;
    DecodeCommonFields(boot, bp);
    bp.m_dwSectorsPerFat32 = boot.U32(0x24);
    bp.m_wExtFlags = boot.U16(0x28);
    bp.m_wFsVersion = boot.U16(0x2A);
    bp.m_dwRootCluster = boot.U32(0x2C);
    bp.m_wFsInfoSector = boot.U16(0x30);
    bp.m_wBackupBootSector = boot.U16(0x32);
    CopyBytes(boot, 0x34, bp.m_reserved);
    bp.m_byDriveNumber = boot.U8(0x40);
    bp.m_byReserved1 = boot.U8(0x41);
    bp.m_byBootSignature = boot.U8(0x42);
    bp.m_dwVolumeSerial = boot.U32(0x43);
    CopyBytes(boot, 0x47, bp.m_szVolumeLabel);
    CopyBytes(boot, 0x52, bp.m_szFileSystemType);
    bp.m_dwRootBaseCluster = 0;
    return 0;
}

CFAT_12_16::CFAT_12_16(int nDrive, std::unique_ptr<CSectorReader> pReader) : CFAT(nDrive, std::move(pReader))
{
    m_nFatKind = FAT_KIND_12_16;
    m_bBootLoaded = LoadBootSector(nDrive) == 0 && ComputeGeometry();
}

CFAT_12_16::~CFAT_12_16() = default;

int CFAT_12_16::LoadBootSector(int nDrive)
{
    std::unique_ptr<uint8_t[]> pSector = m_pReader ? m_pReader->ReadSectors(nDrive, 0, 1) : nullptr;
    if (!pSector) {
        m_strBootProblem = "sector 0 cannot be read";
        return -1;
    }
    CByteView boot(pSector.get(), SECTOR_SIZE);
    FatBiosParameters& bp = *m_pBoot;
    DecodeCommonFields(boot, bp);
    bp.m_byDriveNumber = boot.U8(0x24);
    bp.m_byReserved1 = boot.U8(0x25);
    bp.m_byBootSignature = boot.U8(0x26);
    bp.m_dwVolumeSerial = boot.U32(0x27);
    CopyBytes(boot, 0x2B, bp.m_szVolumeLabel);
    CopyBytes(boot, 0x36, bp.m_szFileSystemType);
    // The 32-bit field ends up holding the volume's sector count either way.
    if (bp.m_wTotalSectors16 != 0) bp.m_dwTotalSectors32 = bp.m_wTotalSectors16;
    else bp.m_wTotalSectors16 = static_cast<uint16_t>(bp.m_dwTotalSectors32);
    bp.m_dwRootBaseCluster = 0;
    // The root region is as long as its entry count needs, in whole sectors.
    if (bp.m_wBytesPerSector != 0)
        m_nRootDirSectors = static_cast<int32_t>((uint32_t{bp.m_wRootEntries} * FAT_ENTRY_SIZE +
                                                  bp.m_wBytesPerSector - 1) / bp.m_wBytesPerSector);
    return 0;
}

bool CFAT::ComputeGeometry()
{
    const FatBiosParameters& bp = *m_pBoot;
    if (!IsUsableSectorSize(bp.m_wBytesPerSector)) return RefuseGeometry("bytes per sector is not 512, 1024, 2048 or 4096");
    if (bp.m_bySectorsPerCluster == 0) return RefuseGeometry("sectors per cluster is 0");
    CFatGeometry g;
    g.m_nScale = bp.m_wBytesPerSector / SECTOR_SIZE;
    g.m_nSectorsPerCluster = uint64_t{bp.m_bySectorsPerCluster} * g.m_nScale;
    g.m_nBytesPerCluster = g.m_nSectorsPerCluster * SECTOR_SIZE;
    bool bFat32 = m_nFatKind == FAT_KIND_32;
    uint64_t nFatSectors = bFat32 ? bp.m_dwSectorsPerFat32 : bp.m_wSectorsPerFat16;
    uint64_t nRootSectors = bFat32 ? 0 : static_cast<uint64_t>(std::max(m_nRootDirSectors, 0));
    uint64_t nTotal = bp.m_dwTotalSectors32;
    uint64_t nData = uint64_t{bp.m_wReservedSectors} + uint64_t{bp.m_byNumberOfFats} * nFatSectors + nRootSectors;
    if (nTotal == 0) return RefuseGeometry("the volume has no sectors");
    if (nData >= nTotal) return RefuseGeometry("the reserved sectors, tables and root folder fill the whole volume");
    g.m_nTotalSectors = nTotal * g.m_nScale;
    uint64_t nSourceSectors = m_pReader ? m_pReader->GetTotalSectors() : 0;
    if (nSourceSectors != 0 && g.m_nTotalSectors > nSourceSectors)
        return RefuseGeometry("the volume is " + std::to_string(g.m_nTotalSectors) + " sectors long, its source only " +
                              std::to_string(nSourceSectors) + " (a cut image?)");

    // FAT32 may run with mirroring off; the active table is then the one named in the flags.
    uint64_t nActive = (bFat32 && (bp.m_wExtFlags & 0x80)) ? (bp.m_wExtFlags & 0x0F) : 0;
    if (nActive >= bp.m_byNumberOfFats) nActive = 0;
    g.m_nFatStart = (uint64_t{bp.m_wReservedSectors} + nActive * nFatSectors) * g.m_nScale;
    g.m_nFatBytes = nFatSectors * bp.m_wBytesPerSector;
    g.m_nRootStart = (uint64_t{bp.m_wReservedSectors} + uint64_t{bp.m_byNumberOfFats} * nFatSectors) * g.m_nScale;
    g.m_nRootSectors = nRootSectors * g.m_nScale;
    g.m_nDataStart = nData * g.m_nScale;

    uint64_t nClusters = (nTotal - nData) / bp.m_bySectorsPerCluster;
    if (nClusters == 0) return RefuseGeometry("the data area holds no cluster");
    g.m_nFatBits = bFat32 ? 32 : (nClusters < 4085 ? 12 : 16);
    // Clusters the table cannot describe are outside the file system too.
    uint64_t nTableEntries = g.m_nFatBits == 12 ? g.m_nFatBytes * 2 / 3 : g.m_nFatBytes * 8 / g.m_nFatBits;
    uint64_t nMax = std::min<uint64_t>(nClusters + 1, bFat32 ? 0x0FFFFFF6 : (g.m_nFatBits == 12 ? 0xFF6 : 0xFFF6));
    if (nTableEntries > 0) nMax = std::min(nMax, nTableEntries - 1);
    if (nMax < 2) return RefuseGeometry("the table describes no cluster");
    g.m_nMaxCluster = static_cast<uint32_t>(nMax);
    g.m_nRootCluster = (bp.m_dwRootCluster >= 2 && bp.m_dwRootCluster <= nMax) ? bp.m_dwRootCluster : 2;

    m_geometry = g;
    m_pTable = std::make_unique<CFatTable>(m_pReader.get(), m_nDrive, g.m_nFatStart, g.m_nFatBytes, g.m_nFatBits,
                                           g.m_nMaxCluster);
    return true;
}

bool CFAT::RefuseGeometry(const std::string& strWhy)
{
    m_strBootProblem = "boot sector: " + strWhy;
    return false;
}

uint64_t CFAT::ClusterToSector(uint32_t nCluster) const
{
    const CFatGeometry& g = m_geometry;
    if (m_nFatKind == FAT_KIND_12_16 && nCluster <= m_pBoot->m_dwRootBaseCluster) return g.m_nRootStart;
    uint64_t nSector = g.m_nDataStart + uint64_t{nCluster} * g.m_nSectorsPerCluster;
    uint64_t nTwo = 2 * g.m_nSectorsPerCluster;
    return nSector >= nTwo ? nSector - nTwo : 0;
}
