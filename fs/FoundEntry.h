#pragma once
// One file or folder entry found on a volume, live or deleted. Every engine
// fills these; the result tree is built from them.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Whether a file's data is still on the volume, judged by the volume's own
// allocation state: none, some or all of the clusters the file would be
// recovered from are now in use by another file. Unknown for folders and where
// the allocation state could not be read.
enum class ERecoverState : uint8_t { Unknown, Good, PartlyOverwritten, Overwritten };

// "good", "partly overwritten", "overwritten"; empty for Unknown.
const char* RecoverStateText(ERecoverState eState);
// The state of a file of nClusters clusters, nInUse of them now in use by another file.
ERecoverState StateOfClusters(uint64_t nClusters, uint64_t nInUse);

struct CFoundEntry {
    std::string m_strName;          // UTF-8; "Name Lost" when the volume kept none
    uint8_t m_byAttributes = 0;     // FAT attribute byte; 0x10 marks a folder
    uint64_t m_nParentRef = 0;      // reference of the folder holding the entry
    uint64_t m_nStartRef = 0;       // reference of the entry itself (MFT record / first cluster)
    uint64_t m_nSize = 0;           // size in bytes
    bool m_bDeleted = false;
    uint8_t m_nNameLength = 0;      // NTFS: $FILE_NAME length in UTF-16 units
    uint8_t m_nNameSpace = 0;       // NTFS: $FILE_NAME namespace
    std::string m_strSignature;     // NTFS: the record's signature ("FILE")
    uint16_t m_wFlags = 0;          // NTFS: record header flags (1 in use, 2 folder)
    ERecoverState m_nState = ERecoverState::Unknown;
    // 100-ns ticks since 1601 UTC (fs/FileTime.h); 0 when the volume does not tell.
    uint64_t m_nCreateTime = 0;
    uint64_t m_nModifyTime = 0;
    uint64_t m_nAccessTime = 0;

    bool IsFolder() const { return (m_byAttributes & 0x10) != 0 || m_wFlags == 2 || m_wFlags == 3; }
};

// The engine's found entries in discovery order. Tree building clears the
// slots it has placed, so a slot may be null.
using CFoundArray = std::vector<std::unique_ptr<CFoundEntry>>;
