#pragma once
// NTFS fixtures: byte-level records and images for the decoding rules, and
// real volumes made by mkntfs and the ntfs-3g driver, built once and cached.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace ntfsfix {

// ---- byte-level -------------------------------------------------------------

std::vector<uint8_t> Utf16(const std::u16string& str);

// Attribute bodies (complete attributes, 8-byte aligned).
std::vector<uint8_t> StandardInformation(size_t nValueLength = 0x48);
std::vector<uint8_t> FileNameAttr(uint64_t nParent, const std::u16string& strName, uint8_t nNameSpace = 1,
                                  uint64_t nRealSize = 0);
std::vector<uint8_t> ResidentData(const std::vector<uint8_t>& value, uint16_t wId = 3);
std::vector<uint8_t> NonResidentData(const std::vector<uint8_t>& runList, uint64_t nLowVcn, uint64_t nHighVcn,
                                     uint64_t nAllocated, uint64_t nReal, uint64_t nInitialized,
                                     uint8_t nCompressionUnit = 0, uint16_t wFlags = 0);
std::vector<uint8_t> AttributeListAttr(const std::vector<uint8_t>& entries);
// One attribute-list entry pointing at a $DATA segment.
std::vector<uint8_t> ListEntry(uint32_t nType, uint64_t nLowVcn, uint64_t nRecord);

// A record of nSize bytes holding the attributes in order, with the update
// sequence applied (so that a reader must undo it). nBase: base record of an
// extension record.
std::vector<uint8_t> Record(uint32_t nSize, uint16_t wFlags, uint32_t nNumber,
                            const std::vector<std::vector<uint8_t>>& attributes, uint64_t nBase = 0);

// A small volume in memory: boot sector, an MFT at nMftCluster whose record 0
// maps it contiguously (unless bNoRecord0), records placed with SetRecord.
struct CImage {
    uint32_t nBytesPerSector = 512;
    uint32_t nSectorsPerCluster = 8;
    uint32_t nRecordSize = 1024;
    uint64_t nMftCluster = 4;
    uint64_t nMftRecords = 64;
    std::vector<uint8_t> bytes;

    uint64_t ClusterSize() const { return uint64_t{nBytesPerSector} * nSectorsPerCluster; }
    uint64_t MftOffset() const { return nMftCluster * ClusterSize(); }
    void SetRecord(uint64_t n, const std::vector<uint8_t>& record);
    void SetCluster(uint64_t nCluster, const std::vector<uint8_t>& data);
};
// nTotalBytes of zeros with a boot sector; record 0 describes an MFT of
// img.nMftRecords records unless bNoRecord0.
CImage MakeImage(uint64_t nTotalBytes, CImage geometry = {}, bool bNoRecord0 = false);
// A run list of (length, lcn) pairs, lcn < 0 meaning sparse.
std::vector<uint8_t> RunList(const std::vector<std::pair<uint64_t, int64_t>>& runs);

// ---- real volumes -----------------------------------------------------------

struct CVolume {
    std::string m_strImage;
    // Every file deleted while the volume was made, by its path, with the
    // bytes it held before deletion.
    std::map<std::string, std::vector<uint8_t>> m_deleted;
    bool m_bOk = false;
    std::string m_strError;
};

// A file of the "times" volume with the times it was given through the driver
// (100-ns ticks since 1601 UTC).
struct CTimedFile {
    std::string m_strPath;
    uint64_t m_nSize;
    uint64_t m_nCreateTime;
    uint64_t m_nModifyTime;
    uint64_t m_nAccessTime;
    bool m_bDeleted;
};
const std::vector<CTimedFile>& TimedFiles();

// The real volume of a recipe: "basic", "sector4k", "cluster512",
// "mftfrag", "quickformat", "compressed", "times" (TimedFiles), "reuse"
// (deleted files whose clusters later files took, in part or in full).
// Built on first use, then reused.
const CVolume& Volume(const std::string& strRecipe);
// True when mkntfs, ntfs-3g and FUSE are usable here.
bool CanMakeVolumes();

}  // namespace ntfsfix
