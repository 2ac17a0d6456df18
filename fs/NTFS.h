#pragma once
// The NTFS engine: boot-sector geometry, MFT record decoding, the scan of the
// whole MFT and the recovery of one record's unnamed data.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <unordered_map>

#include "fs/ClusterBitmap.h"
#include "fs/FileSystem.h"
#include "fs/NtfsRecord.h"

// The unnamed $DATA attribute of a file, gathered from its base record and,
// through an $ATTRIBUTE_LIST, from its extension records.
struct CNtfsDataStream {
    bool m_bResident = false;
    std::vector<uint8_t> m_resident;
    uint64_t m_nRealSize = 0;
    uint64_t m_nInitializedSize = 0;
    uint64_t m_nAllocatedSize = 0;
    uint8_t m_nCompressionUnit = 0;   // log2 of clusters per unit; 0: not compressed
    bool m_bFromList = false;         // parts came from extension records
    bool m_bPartsLost = false;        // the attribute list names parts that cannot be found
    std::vector<CDataRun> m_runs;     // by VCN
};

class CNTFS : public CFileSystem {
public:
    CNTFS(int nDrive, std::unique_ptr<CSectorReader> pReader);
    ~CNTFS() override;

    int ScanDrive(int nDrive, IScanProgress* pProgress) override;
    CRecoverResult RecoverFile(uint64_t nStartRef, const std::string& strName, COutputFile& out,
                               IRecoveryProgress* pProgress) override;
    uint64_t GetRootRef() const override { return 5; }

    // 0 when sector 0 was read and its geometry is that of an NTFS volume, else -1.
    int LoadBootSector();
    // The reader sector (512 bytes) where MFT record n begins.
    uint64_t RecordSector(uint64_t n) const;
    // Decodes one record held in memory (m_wRecordSize bytes, fixups applied in
    // place) into an entry. nIndex is the record's position in the MFT.
    // *pDamaged (when given) tells whether an attribute or name in it lied
    // about its bounds, so that the walk could not read all of it.
    ERecordFixup ParseRecord(uint8_t* pRecord, uint64_t nIndex, CFoundEntry& entry, bool* pDamaged = nullptr) const;
    static std::string ConvertName(const uint8_t* pName, size_t nUnits);
    static int64_t ReadRunValue(const uint8_t* p, int nCount) { return ::ReadRunValue(p, nCount); }

    const CNtfsGeometry& GetGeometry() const { return m_geometry; }
    // True when record 0 gave the MFT's extents; false: the MFT is taken as
    // contiguous from its first cluster.
    bool HasMftExtents() const { return !m_mft.empty(); }
    uint64_t GetMftBytes() const { return m_nMftBytes; }
    size_t GetMftExtentCount() const { return m_mft.size(); }
    // Records the last scan decoded although a sector of theirs was torn.
    uint64_t GetTornRecords() const { return m_nTornRecords; }
    // Bytes the source really holds: the volume's length, or less when its
    // image was cut short (0: the source cannot tell).
    uint64_t GetReadableBytes() const;

    int32_t m_nSectorsPerChunk = 2048;
    std::array<uint8_t, SECTOR_SIZE> m_boot{};
    uint16_t m_wRecordSize = 0;

private:
    struct CExtent {
        uint64_t m_nVirtual;   // byte offset in the MFT
        uint64_t m_nPhysical;  // byte offset on the volume
        uint64_t m_nLength;    // bytes
    };

    // Clusters that a record's unnamed $DATA holds on the volume, and how
    // many of them are now in use.
    struct CClusterUse {
        uint64_t m_nClusters = 0;
        uint64_t m_nInUse = 0;
        bool m_bListed = false;  // the record has an attribute list
    };
    // What judging the deleted files needs across records.
    struct CStateJudge {
        std::unordered_map<uint64_t, CClusterUse> m_extensionUse;  // by base record
        std::vector<std::pair<CFoundEntry*, CClusterUse>> m_listed;
    };

    void ScanMft(IScanProgress& progress, CStateJudge& judge);
    // The volume's $Bitmap into m_allocation; left empty when it cannot be read.
    void LoadAllocation();
    // The first nBytes of a stream (not compressed).
    bool ReadStreamBytes(const CNtfsDataStream& stream, uint64_t nBytes, std::vector<uint8_t>& bytes) const;
    CClusterUse DataClusterUse(CByteView record) const;
    // Sets the entry's recoverability from the record just parsed.
    void JudgeRecord(CByteView record, CFoundEntry& entry, CStateJudge& judge) const;
    // Adds the extension records' clusters to the files they belong to.
    void FinishStates(CStateJudge& judge) const;

    void LoadMftExtents();
    void SetMftExtents(const std::vector<CDataRun>& runs, uint64_t nBytes);
    // Volume byte offset of MFT byte nVirtual, and how many bytes follow it
    // contiguously on the volume.
    uint64_t MftToVolume(uint64_t nVirtual, uint64_t* pContiguous) const;
    bool ReadVolume(uint64_t nOffset, uint8_t* pBuffer, uint64_t nLength) const;
    bool ReadMft(uint64_t nVirtual, uint8_t* pBuffer, uint64_t nLength) const;
    // Reads record n with its fixups; false when unreadable or not a "FILE" record.
    bool ReadRecord(uint64_t n, std::vector<uint8_t>& record, ERecordFixup* pFixup = nullptr) const;

    // The unnamed $DATA of record nRecord, whose bytes are given. With
    // bBaseOnly the attribute list is not followed. False when there is none.
    bool CollectData(uint64_t nRecord, CByteView record, CNtfsDataStream& stream, bool bBaseOnly,
                     std::string& strNote) const;
    // How many bytes of the stream to write: its real size, cut to what the
    // volume can hold; strNote says why when it is cut or the runs fall short.
    uint64_t DataLength(const CNtfsDataStream& stream, std::string& strNote) const;
    bool ReadAttributeList(const CNtfsAttribute& attr, std::vector<uint8_t>& list) const;
    void AddListedSegments(uint64_t nRecord, CByteView list, CNtfsDataStream& stream, std::string& strNote) const;

    // Scan steps.
    void NoteShortImage();
    void NoteUnreadableMft(uint64_t nVirtual, uint64_t nLength);
    void CountDamagedRecord(ERecordFixup fixup, bool bDamaged);

    CNtfsGeometry m_geometry;
    std::vector<CExtent> m_mft;
    uint64_t m_nMftBytes = 0;
    uint64_t m_nTornRecords = 0;
    CClusterBitmap m_allocation;  // during a scan only
    uint64_t m_nDamagedRecords = 0;
};
