#pragma once
// What the fuzz targets share: small volumes built in memory around the
// fuzzer's bytes, engines over them, and the checks whose failure is a finding.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fs/FileSystem.h"
#include "model/ResultTree.h"

namespace fuzzsupport {

// A finding: prints the reason and aborts, so that libFuzzer keeps the input.
[[noreturn]] void Fail(const char* pszWhat);
inline void Check(bool bOk, const char* pszWhat)
{
    if (!bOk) Fail(pszWhat);
}

void Put(std::vector<uint8_t>& bytes, size_t nOffset, uint64_t nValue, size_t nBytes);

// An NTFS volume of nTotalBytes: 512-byte sectors, 4 KiB clusters, 1 KiB
// records, the MFT at cluster 4 with no record 0 (so the contiguous rule
// places every record). The data area holds a byte pattern.
inline constexpr uint64_t NTFS_MFT_OFFSET = 4 * 4096;
std::vector<uint8_t> MakeNtfsVolume(uint64_t nTotalBytes);

// A FAT12 volume of 2048 sectors: 4 sectors per cluster, one FAT of 8
// sectors at sector 1, a root region of 512 entries. Cluster 2 starts at sector 41.
inline constexpr uint64_t FAT_TABLE_OFFSET = 512;
inline constexpr uint64_t FAT_ROOT_OFFSET = 9 * 512;
inline constexpr uint64_t FAT_ROOT_BYTES = 512 * 32;
inline constexpr uint64_t FAT_CLUSTER_BYTES = 4 * 512;
uint64_t FatClusterOffset(uint32_t nCluster);
std::vector<uint8_t> MakeFat12Volume();

std::unique_ptr<CFileSystem> MemoryEngine(std::vector<uint8_t> bytes, const std::string& strFileSystem);
// An engine over a volume of nSize bytes that begins with the given bytes and
// reads zeros after them: large geometries without large buffers.
std::unique_ptr<CFileSystem> ZeroTailEngine(const uint8_t* pData, size_t nLength, uint64_t nSize,
                                            const std::string& strFileSystem);

// Scans the engine's volume and builds the tree under a drive item of tree.
CResultItem* ScanIntoTree(CFileSystem& engine, CResultTree& tree, bool bFormattedMode);

// Every name an item can carry comes out of SanitizeName as one safe path component.
void CheckOutputName(const std::string& strName);
void CheckTreeNames(const CResultItem& item);

// Recovers every top-level item of the drive into a fresh folder in memory
// (under /dev/shm), checks that nothing was written beside that folder and
// that every name written is valid UTF-8, then removes it.
void RecoverEverything(CFileSystem& engine, const std::string& strFileSystem, const CResultItem& drive);

// An output file in memory (memfd): for recovering one entry and throwing it away.
COutputFile MemoryOutput();

}  // namespace fuzzsupport
