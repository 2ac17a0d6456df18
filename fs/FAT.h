#pragma once
// The FAT engines: CFAT32 for "FAT32" volumes, CFAT_12_16 for "FAT" (FAT12 and
// FAT16). Both read the boot sector once at construction; the scan finds
// folders by their "." and ".." entries and the recovery reads files along
// their chains (live) or as the run of free clusters from their first cluster
// (deleted).

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "fs/ByteView.h"
#include "fs/FatTable.h"
#include "fs/FileSystem.h"

class CClusterBitmap;
class CClusterSequence;

inline constexpr int FAT_KIND_12_16 = 1;
inline constexpr int FAT_KIND_32 = 2;

inline constexpr uint32_t SCAN_BATCH_CLUSTERS = 1024;
// Large clusters shrink the batch so that its buffer stays at this size.
inline constexpr uint64_t SCAN_BATCH_MAX_BYTES = 32ull << 20;
// A folder holds at most 65536 entries; longer chains are cut there.
inline constexpr uint64_t FAT_MAX_FOLDER_BYTES = 65536ull * 32;
// Recovery reads contiguous clusters in requests of about this size.
inline constexpr uint64_t RECOVER_READ_BYTES = 1ull << 20;

inline constexpr uint8_t FAT_ATTR_DIRECTORY = 0x10;
inline constexpr uint8_t FAT_ATTR_ARCHIVE = 0x20;
inline constexpr uint8_t FAT_ATTR_LONG_NAME = 0x0F;
inline constexpr uint8_t FAT_DELETED_MARK = 0xE5;
inline constexpr size_t FAT_ENTRY_SIZE = 32;

// The boot sector's fields as stored (common part, then the FAT32 part; the
// FAT12/16 reader fills the drive number through the type text only).
struct FatBiosParameters {
    std::array<uint8_t, 3> m_jump{};
    std::array<char, 8> m_szOemName{};
    uint16_t m_wBytesPerSector = 0;
    uint8_t m_bySectorsPerCluster = 0;
    uint16_t m_wReservedSectors = 0;
    uint8_t m_byNumberOfFats = 0;
    uint16_t m_wRootEntries = 0;
    uint16_t m_wTotalSectors16 = 0;
    uint8_t m_byMedia = 0;
    uint16_t m_wSectorsPerFat16 = 0;
    uint16_t m_wSectorsPerTrack = 0;
    uint16_t m_wHeads = 0;
    uint32_t m_dwHiddenSectors = 0;
    uint32_t m_dwTotalSectors32 = 0;

    uint32_t m_dwSectorsPerFat32 = 0;
    uint16_t m_wExtFlags = 0;
    uint16_t m_wFsVersion = 0;
    uint32_t m_dwRootCluster = 0;
    uint16_t m_wFsInfoSector = 0;
    uint16_t m_wBackupBootSector = 0;
    std::array<uint8_t, 12> m_reserved{};
    uint8_t m_byDriveNumber = 0;
    uint8_t m_byReserved1 = 0;
    uint8_t m_byBootSignature = 0;
    uint32_t m_dwVolumeSerial = 0;
    std::array<char, 11> m_szVolumeLabel{};
    std::array<char, 8> m_szFileSystemType{};

    uint32_t m_dwRootBaseCluster = 0;
};

// Where things lie, derived once from the boot sector. Sector numbers here are
// the reader's 512-byte sectors from the start of the volume.
struct CFatGeometry {
    uint64_t m_nScale = 1;            // reader sectors per volume sector
    uint64_t m_nSectorsPerCluster = 0;  // reader sectors
    uint64_t m_nBytesPerCluster = 0;
    uint64_t m_nTotalSectors = 0;
    uint64_t m_nFatStart = 0;         // the FAT in use
    uint64_t m_nFatBytes = 0;
    uint64_t m_nRootStart = 0;        // FAT12/16 root region
    uint64_t m_nRootSectors = 0;
    uint64_t m_nDataStart = 0;        // cluster 2
    uint32_t m_nMaxCluster = 1;       // highest cluster number inside the volume
    int m_nFatBits = 0;               // 12, 16 or 32
    uint32_t m_nRootCluster = 0;      // FAT32
};

class CFAT : public CFileSystem {
public:
    CFAT(int nDrive, std::unique_ptr<CSectorReader> pReader);
    ~CFAT() override;

    int ScanDrive(int nDrive, IScanProgress* pProgress) override;
    CRecoverResult RecoverFromCluster(const std::string& strSourcePath, COutputFile& out, int nDrive,
                                      uint64_t nStartCluster, uint64_t nSize, bool bDeleted,
                                      IRecoveryProgress* pProgress) override;
    uint64_t GetRootRef() const override { return 0; }

    // First reader sector of a cluster; cluster 0 on FAT12/16 is the root region.
    virtual uint64_t ClusterToSector(uint32_t nCluster) const;

    // Directory entry helpers. pDir is a whole folder (or cluster) buffer and
    // nOffset the entry's offset in it, so that the long-name slots before the
    // entry can be reached without leaving the buffer.
    static std::string GetLongName(CByteView dir, size_t nOffset);
    static std::string GetShortName(CByteView entry);
    static std::string GetBaseName(CByteView entry);
    static uint32_t MakeCluster(uint16_t wLow, uint16_t wHigh) { return (uint32_t{wHigh} << 16) | wLow; }
    static bool IsDirectoryAttr(uint8_t byAttr) { return (byAttr & FAT_ATTR_DIRECTORY) != 0; }
    static bool IsArchiveAttr(uint8_t byAttr) { return (byAttr & FAT_ATTR_ARCHIVE) != 0; }

    const FatBiosParameters& GetBoot() const { return *m_pBoot; }
    const CFatGeometry& GetGeometry() const { return m_geometry; }

    int32_t m_nRootDirSectors = 0;
    std::unique_ptr<FatBiosParameters> m_pBoot;
    int m_nFatKind = 0;

protected:
    // Derives the geometry from m_pBoot and checks that it fits the volume;
    // false (boot sector not loaded) for zero or unusable sizes or a layout
    // reaching past the end of the volume.
    bool ComputeGeometry();
    // Keeps why the geometry is refused; always false.
    bool RefuseGeometry(const std::string& strWhy);
    // Copies the fields shared by both layouts out of the boot sector.
    static void DecodeCommonFields(CByteView boot, FatBiosParameters& bp);

    CFatGeometry m_geometry;
    std::unique_ptr<CFatTable> m_pTable;

private:
    struct CScanState;
    // Scan steps.
    void ParseRootFolder(CScanState& state, IScanProgress& progress);
    void WalkDataArea(CScanState& state, IScanProgress& progress);
    void ParseFolderAt(CScanState& state, uint32_t nCluster, CByteView cluster);
    void ParseEntries(CByteView dir, size_t nFirstEntry, uint64_t nParent);
    void RecordEntry(CByteView dir, size_t nOffset, uint64_t nParent);
    // A folder's clusters after nFirst along its chain, appended to folder;
    // each appended cluster is added to state.m_parsed.
    void AppendChain(CScanState& state, uint32_t nFirst, std::vector<uint8_t>& folder);
    void NoteFolderDamage(uint32_t nFirst, const char* pszWhat);
    // Reads nCount clusters from nFirst; clusters that cannot be read are
    // zeroed and flagged 0 in good.
    void ReadClusters(uint32_t nFirst, uint32_t nCount, uint8_t* pBuffer, std::vector<uint8_t>& good);
    // Reads nSectors reader sectors; unreadable sectors become zeros.
    void ReadSectorsTolerant(uint64_t nSector, uint64_t nSectors, uint8_t* pBuffer);
    uint32_t EntryCluster(CByteView entry) const;
    // Sets the recoverability of every file found, from one pass over the table.
    void JudgeFiles();
    ERecoverState JudgeFile(const CFoundEntry& entry, const CClusterBitmap& allocation) const;
    // Recovery: writes nSize bytes from the clusters of sequence into out.
    void CopyClusters(CClusterSequence& sequence, uint64_t nSize, COutputFile& out, IRecoveryProgress& progress,
                      CRecoverResult& result);
};

class CFAT32 : public CFAT {
public:
    CFAT32(int nDrive, std::unique_ptr<CSectorReader> pReader);
    ~CFAT32() override;
    // Reads sector 0 into m_pBoot with the FAT32 layout: 0 on success, -1 when unreadable.
    int LoadBootSector(int nDrive);
};

class CFAT_12_16 : public CFAT {
public:
    CFAT_12_16(int nDrive, std::unique_ptr<CSectorReader> pReader);
    ~CFAT_12_16() override;
    // Reads sector 0 into m_pBoot with the FAT12/16 layout: 0 on success, -1 when unreadable.
    int LoadBootSector(int nDrive);
};
