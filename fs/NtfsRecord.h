#pragma once
// Decoding of NTFS on-disk structures from untrusted bytes: the boot sector's
// geometry, MFT record fixups, the attribute walk, run lists and names.
// Nothing here reads the volume; every function works on bytes in memory.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fs/ByteView.h"

inline constexpr uint32_t NTFS_ATTR_STANDARD_INFORMATION = 0x10;
inline constexpr uint32_t NTFS_ATTR_ATTRIBUTE_LIST = 0x20;
inline constexpr uint32_t NTFS_ATTR_FILE_NAME = 0x30;
inline constexpr uint32_t NTFS_ATTR_DATA = 0x80;
inline constexpr uint32_t NTFS_ATTR_END = 0xFFFFFFFF;

inline constexpr uint16_t NTFS_ATTR_FLAG_COMPRESSED = 0x0001;

// MFT references carry a sequence number in their top 16 bits.
inline constexpr uint64_t NTFS_REF_MASK = 0x0000FFFFFFFFFFFFull;

// Volume geometry as the boot sector gives it, in bytes where it matters.
struct CNtfsGeometry {
    uint32_t m_nBytesPerSector = 0;   // volume sector: 512 .. 4096
    uint64_t m_nClusterSize = 0;      // bytes
    uint64_t m_nTotalSectors = 0;     // in volume sectors
    uint64_t m_nMftCluster = 0;
    uint32_t m_nRecordSize = 0;       // 1024 or 4096

    uint64_t VolumeBytes() const { return m_nTotalSectors * m_nBytesPerSector; }
    uint64_t TotalClusters() const { return m_nClusterSize ? VolumeBytes() / m_nClusterSize : 0; }
};

// Record size from the signed byte at 0x40: 2^-c when negative, else c
// clusters. 0 when the value cannot be a size (shift out of range).
uint64_t RecordSizeFromBoot(int8_t c, uint64_t nClusterSize);
// False for geometry no NTFS volume has: sector size not a power of two in
// 512..4096, no cluster size, record size other than 1024/4096, or an MFT
// that does not lie inside the volume.
// pWhy, when given, is told which field is refused.
bool DecodeNtfsBoot(CByteView boot, CNtfsGeometry& geometry, std::string* pWhy = nullptr);

enum class ERecordFixup { Ok, Torn, Bad };
// Applies the update-sequence fixups to every 512-byte stride of a record.
// Torn: some stride did not end in the sequence number (a write that did not
// finish); its bytes are still restored. Bad: the array does not fit.
ERecordFixup ApplyFixups(uint8_t* pRecord, size_t nSize);

// One attribute of a record, as the walk finds it.
struct CNtfsAttribute {
    uint32_t m_nType = 0;
    bool m_bNonResident = false;
    uint8_t m_nNameLength = 0;        // the attribute's own name (0: unnamed)
    uint16_t m_wFlags = 0;
    CByteView m_bytes;                // the whole attribute, m_nLength bytes

    // Resident attributes: the value (empty when its bounds lie).
    CByteView Value() const;
    // Non-resident attributes.
    uint64_t LowestVcn() const { return m_bytes.U64(0x10); }
    uint64_t HighestVcn() const { return m_bytes.U64(0x18); }
    uint64_t AllocatedSize() const { return m_bytes.U64(0x28); }
    uint64_t RealSize() const { return m_bytes.U64(0x30); }
    uint64_t InitializedSize() const { return m_bytes.U64(0x38); }
    uint8_t CompressionUnit() const { return m_bytes.U8(0x22); }
    CByteView RunList() const;
};

// Walks a record's attributes from the header's first-attribute offset within
// its used size. Stops at the end marker or at the first attribute whose
// header does not fit.
class CAttributeWalker {
public:
    explicit CAttributeWalker(CByteView record);
    bool Next(CNtfsAttribute& attr);
    // After Next returned false: true when the walk ended at an attribute
    // whose header lies (length or offset outside the record) rather than at
    // the end marker.
    bool Broken() const;

private:
    CByteView m_record;
    size_t m_nPos;
    size_t m_nEnd;
};

// The first unnamed attribute of a type, when the record has one.
bool FindAttribute(CByteView record, uint32_t nType, CNtfsAttribute& attr);

// Signed little-endian value of a run-list field of 1..8 bytes.
int64_t ReadRunValue(const uint8_t* p, int nCount);

// One run: nLcn < 0 marks a run with no clusters on disk (sparse).
struct CDataRun {
    uint64_t m_nVcn = 0;
    int64_t m_nLcn = -1;
    uint64_t m_nLength = 0;
    bool IsSparse() const { return m_nLcn < 0; }
};
// Decodes a run list starting at nStartVcn. Decoding ends at the terminator,
// at a malformed run, or at a run that leaves the volume's nTotalClusters;
// the runs before it are kept.
std::vector<CDataRun> DecodeRunList(CByteView runList, uint64_t nStartVcn, uint64_t nTotalClusters);

// Created, modified (data), accessed: 100-ns ticks since 1601 UTC, 0 unknown.
struct CNtfsTimes {
    uint64_t m_nCreateTime = 0;
    uint64_t m_nModifyTime = 0;
    uint64_t m_nAccessTime = 0;
};

// The times of a $STANDARD_INFORMATION value; false when it is too short.
bool DecodeStandardTimes(CByteView value, CNtfsTimes& times);

// A $FILE_NAME value's fields.
struct CNtfsFileName {
    uint64_t m_nParentRef = 0;        // record number (low 48 bits)
    CNtfsTimes m_times;               // as the name was last written: a fallback only
    uint64_t m_nRealSize = 0;
    uint8_t m_nLength = 0;            // UTF-16 units
    uint8_t m_nNameSpace = 0;
    const uint8_t* m_pName = nullptr; // m_nLength UTF-16LE units
};
bool DecodeFileName(CByteView value, CNtfsFileName& name);

// Lower case of one UTF-16 unit: ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic capitals; every other unit unchanged.
uint16_t LowerUtf16(uint16_t c);
// A name of nUnits UTF-16LE units as UTF-8, lower-cased on request.
std::string NtfsNameToUtf8(const uint8_t* pName, size_t nUnits, bool bLower);
